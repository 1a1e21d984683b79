# args: --keep-going
# status: 1
# Buffer conversions of LUT3 and LUTC3: sizes, in-place and new
# destinations, Buffers, the first-error stop and its texts.
t = LUT3()
src = "\x0a\x14\x1e\x00\x00\x00\xff\x80\x01"
t.Convert3To1(d, src)
print(d)
t.Convert3To3(d3, src)
print(hex(d3))
t.Convert1To3(g, "\x00\x7f\xff")
print(g)
# A destination of the right size is written in place; any other is
# replaced by a new String.
same = "abc"
t.Convert1To1(same, "\x01\x02\x03")
print(same)
other = "toolong"
t.Convert1To1(other, "\x01\x02\x03")
print(other)
keep = "........."
t.Convert2To3(keep, "\x01\x00\x02\x00\x03")
print(keep)
# Buffers (a FrameBuffer is one): connected and of the right length,
# written in place.
b = Buffer(3)
t.Convert1To1(b, "\x07\x08\x09")
print(type(b), b.Read())
f = FrameBuffer(3, 1, 3)
t.Convert1To3(f, b)
print(type(f), f.Read())
u = Buffer()
t.Convert1To1(u, "\x07")
print(type(u), u)
n = 5
t.Convert1To1(n, 7)
print(n)
# BaseLine: added in 8 bits by LUT3::Convert1To1. A first bad pixel
# stops a conversion; what it wrote before is kept.
t.BaseLine = -16
t.Convert1To1(w, "\x00\x10")
print(w)
t.BaseLine = 0
h = LUT3(100)
h.Convert1To1(p, "\x00\x01\x02\x03\x04\x05\x06\x64\x07")
print(p)
c = LUTC3()
c.Convert1To1(e, "\x00\x64\xff")
print(e)
c.Convert3To3(r, "\x0a\x14\x1e\x00\x00\x00")
print(hex(r))
# 2-byte output: a 12-bit curve.
t.Convert2To2(o, "\x00\x00\x01\x00\xff\x00\x07")
print(hex(o))
# The curve ramps between runs of equal entries (the whole triple is the
# key); the last run's ramp ends at its start. Where an end is 0 (a LUTC3
# colour entry) there is no ramp, and a curve entry of 0 takes the colour's
# mean on the 0 to 4095 scale.
v = [10, 10, 10, 20, 20, 20, 20, 40, 40, 40]
w = [0, 0, 0, 255, 255, 255, 255, 255, 255, 3]
z = fill(10, 0)
p = bytes([0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0, 9, 0])
LUT3(v, v, v).Convert2To2(o1, p)
LUT3(w, w, w).Convert2To2(o2, p)
LUTC3(z, z, z, v).Convert2To2(o3, p)
LUT3([10, 0, 0], [0, 10, 0], [0, 0, 10]).Convert2To2(o4, p)
LUTC3([0, 0, 0, 255, 255, 255, 0, 0, 0], [0, 0, 0, 255, 255, 255, 0, 0, 0], fill(9, 0), [51, 51, 51, 0, 0, 0, 102, 102, 102]).Convert2To2(o5, p)
LUT3(0).Convert2To2(o6, p)
print(hex(o1), hex(o2), hex(o3), hex(o4), hex(o5), hex(o6))
# BaseLine, the stop at a bad pixel, in place (the odd last byte keeps its
# value, so do the failing pixel and those after it).
t = LUT3(v, v, v)
t.BaseLine = 100
d = "abcdefghi"
t.Convert2To2(d, "\x9d\xff\xb0\xff\xa5\xff\xa1\xffz")
print(d)
u = LUTC3(v, v, v, v)
u.BaseLine = 100
u.Convert2To2(d2, "\x9c\xff\x9f\xff\x9b\xffz")
print(hex(d2))
# A member or an element given as the destination receives the result; a
# read-only member, a String's byte or any other value gets a copy, and a
# warning when the method wrote into it.
t = LUT3()
im = Image(2, 1, 3)
t.Convert3To3(im.Pixels, "\x01\x02\x03\x04\x05\x06")
pair = ["", [""]]
t.Convert1To1(pair[1][0], "\x07")
print(hex(im.Pixels), pair, LUT1(255 - range(0, 256)).Convert1To1(im.Pixels))
b = Buffer(1)
t.Convert1To1(b.Len, "\x01")
s = "abc"
t.Convert1To3(s[0], "\x01")
t.Convert1To1("xyz", "\x01\x02\x03")
print(b.Len, s)
pair[1][0] = LUT1()
pair[1][0].SetItem(0, 9)
