# Comparisons, conditions and blocks: if/elif/else, while, for over a
# range, a Vector and a String's bytes, break and continue.
print(1 == 1.0, byte(3) < 3.5, 2 >= 2, "ab" == "ab", "ab" != "aB", [1, [2]] == [1, [2]], [1] == [1, 2])
print(true == true, empty == empty, 1 == "1", true == 1, 0x7fffffff > -1, -0.0 == 0)
print(1 < 2 and 2 < 3, 1 > 2 or not 3 > 4, not 0, not 0.5, false and undefined, true or undefined)
for x in [-1, 0, 5, 50, 500]
  if x < 0
    print(x, "negative")
  elif x == 0
    print(x, "zero")
  elif x < 100
    print(x, "small")
  else
    print(x, "large")
  end
end
n = 0
while true
  n = n + 1
  if n % 2 == 0
    continue
  end
  if n > 7
    break
  end
  for c in "ab"
    if c == 98
      break
    end
    print(n, c)
  end
end
total = 0
for i in range(10, 5)
  total = total + 1
end
for i in range(-2, 2)
  total = total + i
end
print(total, i, n)
