# args: --keep-going
# status: 1
# LUT1 end to end: construction, items, lookups, conversions of Strings.
# (The demo converts pictures read from files.)
id = LUT1()
print(type(id), len(id), len(id.GetTable()))
print(hex(bytes(id.GetTable())) + "" + hex(id))
t = LUT1([10, 20, 30])
print(t.GetItem(0), t.GetItem(2), t.GetItem(3), t.GetItem(255))
t.SetItem(255, 200)
t.SetItem(5, -56)
print(t.GetItem(255), type(t.GetItem(255)), t.ConvertVoxel(255), type(t.ConvertVoxel(255)), t.ConvertVoxel(5))
print(t.ConvertVoxel(254.9), t.ConvertVoxel(byte(2)), t.ConvertVoxel(float(1.5)))
big = LUT1(range(0, 300))
print(big.GetItem(0), big.GetItem(255), len(big))
inverse = LUT1(255 - range(0, 256))
src = "\x00\x01\xff\x80\x7f"
print(inverse.Convert1To1(src), inverse.Convert1To3(src), src)
print(inverse.Convert1To1(""), inverse.Convert1To3(5), inverse.Convert1To1([1, 2]))
# A table built from a number instead of a Vector has no entries given:
# all 256 are 0.
z = LUT1(5)
print(len(z), z.ConvertVoxel(100))
# Indexes outside the table: the module's error, the table untouched.
t.SetItem(256, 1)
t.GetItem(-1)
t.ConvertVoxel(256)
print(t.GetItem(255), t.GetItem(0))
