# status: 2
# Syntax errors are found before anything runs: every bad line is named
# with its column and what was expected, and nothing is printed.
print("this line would run")
x = (1 + 2
print("a" $)
t = LUT1(]
s = "unterminated
s = "bad \q escape"
1 = x
f(x) = 3
x = 12abc
x = 3000000000
x = 0x
x = 1e
x.5 = 1
x = [1, 2
x = 1 +
print(1) print(2)
x == 1
x = 0x123456789
