v = [1, 2, [3, 4]]
s = "abc"
v[2][0] = s[1]
s[0] = 65
print(v[1:], s[:2], v[0:0], join(v, [5]), unbytes(s))
append(v, min([3, 1]))
for c in s
  v[0] = clamp(c, 0, 66)
end
def f(a, b)
  return f(a, b)
end
f(1, 2)
print(v[-1], v[9], s[1.5], v[sqrt(-1)])
