# Literals, print formats, operators and variables.
print(12, -16, 1.5, 0.1, 1e20, 2.5e-7, true, false, empty)
print(0x7fffffff, 0xffffffff, 2147483647 + 1)
print("plain", "tab\there", "quote \" and \\", "\x00\x7f\xff\n", "")
print([1, [2, 3], "s", 1.25, []], [])
print(byte(200), float(0.1), double(float(0.1)), long(-2.9), long(3e10))
print(7 / 2, 7 / -2, 7 % -2, -7 % 2, 7.0 / 2, 1 / 3.0)
print(2 + 3 * 4, (2 + 3) * 4, 10 - 4 - 3, 1 | 6 & 3, 6 ^ 3 & 5, -(2 + 3))
print(byte(200) + byte(100), byte(3) - byte(5), byte(16) * byte(17), byte(1) + 1)
print(float(1.5) + 1, 1.5 + float(0.25), --3, -byte(5))
a = 5
b = a
a = a * 10
print(a, b, type(a), type(1.5), type(float(1)), type(byte(1)), type("s"), type([]), type(true), type(empty))
v = [1, 2, 3]
print(v * 2, 10 - v, v + [10, 20, 30], -v, v / 2.0)
print("ab" + "cd" + "", len("ab" + "cd"))
c = ColorRef(0x00FF8040)
print(c, c.clrf, type(c))
r = RECT(1, 2, 3, 4)
r.left = -1
r.bottom = r.top * 10
print(r)
print(RECT(), ColorRef())
b = Buffer(4)
b.Write("ab")
print(b.Len, b.IsBufferConnected(), b.Read(), Buffer().IsBufferConnected())
im = Image(2, 1, 3)
print(im)
print(8 / 4 / 2 % 3, 1 | 2 ^ 3 & 5 + 1, 2 - -3, 1.5e3, "#", (-2147483647 - 1) / -1, (-2147483647 - 1) % -1) # a comment
print(65536 * 65536, 65537 * 65537, -LUT1([7, 8]).GetItem(1))
# Assignment copies whole: writing one copy leaves the other.
s = "abc"
s2 = s
LUT3().Convert1To1(s, "\x01\x02\x03")
r2 = r
r2.left = 9
print(s, s2, r.left, r2.left)
