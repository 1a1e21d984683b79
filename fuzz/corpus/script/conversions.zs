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
# Buffers: connected and of the right length, written in place.
b = Buffer(3)
t.Convert1To1(b, "\x07\x08\x09")
print(type(b), b.Read())
u = Buffer()
t.Convert1To1(u, "\x07")
print(type(u), u)
n = 5
t.Convert1To1(n, 7)
print(n)
# BaseLine: added in 8 bits by LUT3::Convert1To1, in full elsewhere.
t.BaseLine = -16
t.Convert1To1(w, "\x00\x10")
print(w)
t.Convert1To3(w3, "\x10\x00")
print(w3)
t.BaseLine = 0
t.Convert2To1(s1, "\x05\x00\xff\xff\x06\x00")
print(s1)
h = LUT3(100)
h.Convert1To1(p, "\x00\x01\x02\x03\x04\x05\x06\x64\x07")
print(p)
h.BaseLine = -65000
h.ConvertU2To3(q, "\xe8\xfe")
h.Convert2To3(q2, "\xe8\xfe")
c = LUTC3()
c.Convert1To1(e, "\x00\x64\xff")
print(e)
c.BaseLine = 1
c.Convert1To1(e2, "\x00\xff")
print(e2)
c.BaseLine = 0
c.Convert3To3(r, "\x0a\x14\x1e\x00\x00\x00")
print(hex(r))
small = LUTC3(fill(60, 0), fill(60, 0), fill(60, 0))
small.Convert3To1(x, "\x0a\x14\x1e")
# 2-byte output: a 12-bit curve.
t.Convert2To2(o, "\x00\x00\x01\x00\xff\x00\x07")
print(hex(o))
