# args: --keep-going
# status: 1
# Elements and slices of Vectors and Strings, read and written in place,
# the helpers append, join and unbytes, and every index refused.
v = [10, 20, 30, [40, 50]]
s = "abc"
print(v[0], v[3][1], v[1:3], v[:1], v[2:], v[4:], s[0], s[1:], s[:0], [1, 2][byte(1)], v[2.0])
v[0] = "ten"
v[3][0] = -4
s[2] = 0x5a
print(v, s)
m = [fill(2, 0), fill(2, 0)]
for i in range(0, 2)
  for j in range(0, 2)
    m[i][j] = i * 2 + j
  end
end
append(m, [9])
append(m[2], 8)
print(m, join([1], [2, [3]]), unbytes("\x00\xff"), unbytes(""), join([], []))
img = Image(1, 2, 1)
img.Pixels[1] = 7
print(hex(img.Pixels))
print(v[4])
print(v[-1])
print(s[3])
print(v[1.5])
print(v[sqrt(-1)])
print(s["0"])
print(v[0:5])
print(v[3:1])
print(v[0:2000000000])
print(5[0])
s[0] = 256
s[0] = "a"
s[0][0] = 1
x = [1]
x[1] = 2
append(5, 1)
append(x)
append([1], 2)
print(join([1], 2), unbytes([1]))
print(x)
