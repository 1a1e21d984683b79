# args: --keep-going
# status: 1
# LUT2 end to end: ramps, tables from Vectors with a BaseLine, lookups,
# conversions of 2-byte pixels with their error reports, and Shrink.
d = LUT2()
print(len(d), d.BaseLine, d.GetItem(7), d.GetItem(8), d.GetItem(2047), d.ConvertVoxel(2047))
d.ConvertVoxel(2048)
print(LUT2(4096).GetItem(4095), LUT2(100).GetItem(99), LUT2(300).GetItem(256), LUT2(300).GetItem(299))
v = LUT2([11, 12, 13, 14, 15], 2)
print(len(v), v.BaseLine, v.ConvertVoxel(-2), v.ConvertVoxel(2), v.GetItem(0), v.ConvertVoxel(0))
v.ConvertVoxel(3)
# Pixels are 16 bits, low byte first, signed: "\xff\xff" is -1.
px = "\x00\x00\xff\xff\x02\x00\x09\x00\x01"
# Convert2To1 stops at the first bad pixel, Convert2To3 reports each one;
# what they wrote before is kept.
a = v.Convert2To1(px)
print(a)
b = v.Convert2To3("\x00\x00\x09\x00\x02\x00\x00\x80")
print(b)
c = LUT2().Convert2To1("\x01\x00\xff\xff")
print(c)
z = LUT2(0)
print(len(z))
z.ConvertVoxel(0)
# Shrink: the identity squeezed into the middle half of the table.
id = LUT1()
s = id.Shrink(0.25, 0.75, 1, 0, false)
print(s.GetItem(64), s.GetItem(65), s.GetItem(191), s.GetItem(192), s.GetItem(255))
s = id.Shrink(0.25, 0.75, 1, 0, true)
print(s.GetItem(64), s.GetItem(191), s.GetItem(192), s.GetItem(255))
w = LUT2(4096)
w.BaseLine = 100
n = w.Shrink(0, 1, 1, 0, false)
print(type(n), len(n), n.BaseLine, n.GetItem(4095))
id.Shrink(0.6, 0.5, 1, 0, false)
id.Shrink(0, 1, 0, 0.5, false)
id.Shrink(-0.1, 1, 1, 0, false)
x = id.Shrink(0, 1, 1, 0, 1)
print(x.GetItem(200))
# Tables without entries or data: no length, or no Vector; a BaseLine as
# it comes (a double, read as a long).
n = LUT2(-5)
print(len(n), n.BaseLine, n.Convert2To1("\x00\x00"), LUT2("abc", 7).BaseLine)
n.ConvertVoxel(0)
f = LUT2([1, 2, 3], 1.75)
print(f.BaseLine, f.ConvertVoxel(-1))
# Pixel and BaseLine summed in 32 bits, wrapping.
m = LUT2([1, 2], 2147483647)
m.Convert2To3("\x01\x00\x00\x80\xff\x7f")
m.ConvertVoxel(1)
print(LUT2([1, 2], 32768).Convert2To1("\x00\x80\x01\x80\x02\x80"))
# Shrink's rounding: fills are mapped values (255 and 99 map to 128 and
# 50), stored 0 and 255 map to bottom and top, rounded; a window a quarter
# entry short of the end; one whose rounded end lies past the last mapped
# position, where the upper fill takes every entry above it.
f = LUT1(fill(256, 40))
f.SetItem(0, 99)
print(id.Shrink(0, 0, 0.5, 0, false).GetItem(0), f.Shrink(1, 1, 0.5, 0, false).GetItem(200), f.Shrink(1, 1, 1, 0, true).GetItem(255))
m = id.Shrink(0, 1, 0.75, 0.25, false)
q = id.Shrink(0.7490234375, 0.9990234375, 1, 0, true)
print(m.GetItem(0), m.GetItem(255), q.GetItem(191), q.GetItem(192), q.GetItem(255))
# A window from 32.5 to 254.5 entries: each half entry rounds up, so the
# lower fill takes entry 32 and the last source entry lands on 254.
s = f.Shrink(0.126953125, 0.994140625, 1, 0, true)
print(s.GetItem(32), s.GetItem(33), s.GetItem(254), s.GetItem(255))
e = LUT2(fill(5233, 200), 0).Shrink(3.070214233957813e-06, 0.999904453754425, 1, 0, false)
print(e.GetItem(0), e.GetItem(2048), e.GetItem(5230), e.GetItem(5231), e.GetItem(5232))
# The flag is read before the window is checked; no entries give none, no
# data nothing; a double that only single precision brings to 1 is taken.
id.Shrink(0.75, 0.25, 1, 0, 1)
e0 = LUT2(0).Shrink(0.2, 0.4, 1, 0, false)
print(type(e0), len(e0), LUT2(-1).Shrink(0.2, 0.4, 1, 0, false), id.Shrink(0, 1.00000001, 1, 0, false).GetItem(255))
