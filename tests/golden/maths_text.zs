# args: --keep-going
# status: 1
# Maths element by element, NaN and the infinities, str and format.
print(pow(2, 10), pow([1, 2, 3], 2), pow(4, 0.5), sqrt(2), exp(1), log(exp(2)))
print(floor(-2.5), ceil(-2.5), round(2.5), round(-2.5), round([0.4, 0.6]), abs(-7), abs(-2.5), abs(-2147483647 - 1))
print(min(3, 2.5), max(3, 2.5), min([5, 1, 4]), max([5, 1, 4]), min([1, 9], [5, 5]), clamp([-1, 7, 300], 0, 255), clamp(2.5, 0, 1))
print(sqrt(-1), log(0), exp(1000), pow(0, -1), min(1, sqrt(-1)), clamp(sqrt(-1), 0, 1))
print(round(255 * pow(range(0, 5) / 4.0, 1 / 2.2)))
print(str(12), str(-1.5), str("raw"), str([1, "a"]), str(true), str(empty))
print(format("%d|%5d|%-5d|%05.1f|%x|%X|%e|%g|%s|%s|%%", 42, -7, 7, 3.14159, 255, -1, 1500.0, 0.5, "hi", [1]))
print(format("%3s|%-3s|%.2s|", "a", "b", "long"), format("no conversions"))
print(round(sqrt(-1)))
print(floor(1e10))
print(pow("a", 2))
print(pow([1, 2], [1, 2, 3]))
print(clamp(1, 5, 0))
print(min([]))
print(format("%d", 1.5))
print(format("%d", "a"))
print(format("%d %d", 1))
print(format("%d", 1, 2))
print(format("%n", 1))
print(format("%123d", 1))
print(format("%", 1))
print(1 < "a")
print(1 < sqrt(-1))
print([sqrt(-1)] == [1])
print(LUT1() == LUT1())
if "yes"
  print("no")
end
while sqrt(-1)
end
