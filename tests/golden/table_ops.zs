# args: --keep-going
# status: 1
# Whole-table operations of LUT3 and LUTC3: composition, IsGrayScale,
# Transform, Stretch and Shrink.
a = LUT3()
b = LUT3()
ab = a * b
print(len(ab), ab.GetItem(0, 200), ab.GetItem(3, 767), ab.GetItem(3, 300))
inv = LUT3(255 - range(0, 256), range(0, 256), range(0, 256))
c = inv * LUT3()
print(c.GetItem(0, 0), c.GetItem(1, 0), c.GetItem(2, 1), c.GetItem(3, 0), c.GetItem(3, 767))
d = LUTC3()
e = d * LUTC3()
print(e.GetItem(3, 300), e.GetItem(3, 3), e.GetItem(0, 3))
g = LUTC3(fill(700, 0), fill(700, 0), fill(700, 0), fill(700, 0))
g.SetItem(3, 5, 255)
x = LUTC3(fill(700, 0), fill(700, 0), fill(700, 0), fill(700, 1)) * g
print(type(x), x.GetItem(3, 4), x.GetItem(3, 5))
inv * LUTC3()
# IsGrayScale: a gray entry, or equal colour bytes, keeps gray pixels gray.
print(a.IsGrayScale(), d.IsGrayScale(), inv.IsGrayScale())
k = LUTC3([5, 1], [5, 2], [5, 3])
print(k.IsGrayScale())
k.SetItem(3, 1, 9)
print(k.IsGrayScale())
# Transform: a ramp over an input range; BaseLine is minus its low end.
r = RECT()
t = LUT3()
t.Transform(1.0, 0.0, 0, 255, r)
print(len(t), t.BaseLine)
t.Transform(2.0, 0.0, 0, 254, r)
print(len(t), t.BaseLine, t.GetItem(0, 200))
t.Transform(1.0, 1.0, 100, 355, r)
print(len(t), t.BaseLine, t.GetItem(0, 1), t.GetItem(0, 2), t.GetItem(0, 3), t.GetItem(0, 511))
t.Transform(1.0, 1.0, 10, 5, r)
print(len(t), t.GetTable(0), t.GetTable(3))
u = LUTC3()
u.Transform(2.0, 0.0, 0, 99, r)
print(len(u), u.BaseLine)
# Stretch: resampled to a new length, first to first and last to last.
s = a.Stretch(512)
print(len(s), s.GetItem(0, 2), s.GetItem(0, 3), s.GetItem(0, 511), s.GetItem(3, 1535))
a.Stretch(0)
a.Stretch(-1)
d768 = d.Stretch(768)
print(len(d.Stretch(0)), len(d768), d768.GetItem(3, 4), d768.GetItem(3, 767))
d.Stretch(-1)
print(len(a.Stretch(1)), a.Stretch(1).GetTable(0))
# Each channel from its own table: entry i * 1 / 2, gray j * 2 / 8.
w = LUT3([10, 20], [30, 40], [50, 60], [1, 2, 3, 4, 5, 6]).Stretch(3)
print(w.GetTable(0), w.GetTable(1), w.GetTable(2), w.GetTable(3))
# Shrink of a LUTC3 keeps each entry's kind: colour or gray.
q = LUTC3([10, 0, 40, 0], [20, 0, 50, 0], [30, 0, 60, 0], [0, 100, 0, 200])
n = q.Shrink(0, 0.5, 1, 0, false)
print(n.GetTable(0), n.GetTable(1), n.GetTable(2), n.GetTable(3))
n = q.Shrink(0, 0.5, 1, 0, false, true)
print(n.GetTable(0), n.GetTable(3))
n = q.Shrink(0.5, 1.0, 1, 0, false)
print(n.GetTable(0), n.GetTable(3))
n = q.Shrink(0, 1, 1, 0.5, false)
print(n.GetTable(0), n.GetTable(1), n.GetTable(2), n.GetTable(3))
# A window from 0.5 to 3.5 entries (1.5 to 10.5 in a LUT3's gray table):
# each half entry rounds up, filling the entry below and mapping onto the
# entry above; the LUTC3 zeroes below only.
n = q.Shrink(0.125, 0.875, 1, 0, true, false)
w = LUT3([10, 20, 30, 40], [50, 60, 70, 80], [90, 100, 110, 120], range(1, 13)).Shrink(0.125, 0.875, 1, 0, true)
print(n.GetTable(0), n.GetTable(3), w.GetTable(0), w.GetTable(3))
z = a.Shrink(0.5, 0.5, 1, 0, false)
print(z.GetItem(0, 127), z.GetItem(0, 128), z.GetItem(3, 383), z.GetItem(3, 384))
q.Shrink(0, 1, 1, 0, false, true, true)
print(LUT3([1, 2], [1, 2], [1, 3]).IsGrayScale(), LUT3([1, 2], [1, 3], [1, 2]).IsGrayScale(), LUT3([1, 3], [1, 2], [1, 2]).IsGrayScale(), LUT3([1, 2], [1, 2], [1, 2], [9, 8, 7, 6, 5, 4]).IsGrayScale())
