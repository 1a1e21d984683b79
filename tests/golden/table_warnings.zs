# args: --keep-going
# status: 1
# Entries that don't fit a byte and Vectors whose lengths leave the table
# other than given: one warning each call, the table as the module builds it.
a = LUT1(join([0, 300, 1.5, -1], range(4, 256)))
print(a.GetTable()[0:5])
b = LUT1("abc")
print(max(b.GetTable()))
c = LUT1([7, 8])
print(c.GetTable()[0:3], len(c.GetTable()))
d = LUT1(range(0, 300))
print(d.GetItem(255))
a.SetItem(0, 2.5)
a.SetItem(1, -1)
a.SetItem(2, true)
a.SetItem(3, 255)
print(a.GetTable()[0:4])
e = LUT2([1, 1e10, 3], 0)
f = LUT2([], 0)
g = LUT3(range(0, 256), range(0, 256), range(0, 256) + 0.5)
h = LUTC3([1, 2], [2, 3], [3, 1000], [1, 2])
h.SetItem(3, 0, 256)
print(h.GetItem(3, 0))
for i in range(0, 3)
  a.SetItem(i, 256 + i)
end
print(a.GetTable()[0:3])
k = LUT3([1], [2], [3], [4])
m = LUT1(["x"])
