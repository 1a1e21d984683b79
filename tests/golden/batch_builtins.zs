# args: --keep-going
# status: 1
# sum, sort, interp, lower, upper, strip; comparisons with empty; Strings
# grown in place by append and by s = s + ...
print(sum([1, 2, 3]), sum([]), sum([1, 2.5]), sum([true, byte(2)]), sum([2147483647, -1, 1]))
print(sort([3, 1.5, 2, -7, 1, 1.0]), sort(["b", "a", "ab", "", "B"]), sort([]))
print(interp(5, [0, 10], [0, 255]), interp([-1, 0, 2.5, 10, 20], [0, 10, 20], [0, 100, 0]))
print(interp([[1], [3, 4]], [0, 4], [8, 0]), interp(9, [3], [7]), interp(sqrt(-1), [0, 1], [0, 1]))
print(lower("AbC-Z\xc4"), upper("abc-z"), strip(" \t a b \n"), strip("  "), lower(""))
t = LUT1()
print(type(t) == "LUT1", t == empty, t != empty, empty == empty, [t] == empty, type(empty) == "empty")
s = ""
append(s, "ab")
s = s + "cd" + "" + "e"
append(s, s)
s = s + str(append(s, "-")) + "."
print(s)
s = s + 1
print(s)
append(s, 1)
print(sum([2147483647, 1]))
print(sum([1, "a"]))
print(sort([1, "a"]))
print(sort(["a", 1]))
print(sort([2, sqrt(-1)]))
print(sort([true]))
print(interp(1, [0, 1], [0]))
print(interp(1, [], []))
print(interp(1, [0, 1, 1], [0, 1, 2]))
print(interp(1, [0, "a"], [0, 1]))
print(interp("a", [0, 1], [0, 1]))
print(strip(5))
print(LUT1() == LUT1())
