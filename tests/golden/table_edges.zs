# args: --keep-going
# status: 1
# Whole-table operations at their edges: partial results, aliased operands,
# sizes the host's long cannot hold, tables without data or entries.
# A table of 42 channel entries has 252 bytes: a byte value of 252 or more
# lies beyond it; the bytes before are composed, the rest are b's, and the
# result takes b's BaseLine. A table of no entries reports even a 0.
a = LUT3(42)
b = LUT3()
b.BaseLine = -3
c = a * b
print(c.BaseLine, c.GetItem(0, 251), a.GetItem(0, 251), c.GetItem(0, 252), c.GetItem(3, 767), b.BaseLine)
c = LUT3(43) * b
print(c.GetItem(0, 251), c.GetItem(0, 252), c.GetItem(3, 767))
c = LUT3(0) * b
print(c.GetItem(0, 0), c.GetItem(3, 767))
# A table composed with itself reads the table as it was.
inv = LUT3(255 - range(0, 256), range(0, 256), range(0, 256))
sq = inv * inv
print(sq.GetItem(0, 0), sq.GetItem(0, 200), inv.GetItem(0, 0))
cinv = LUTC3(inv)
csq = cinv * cinv
print(csq.GetItem(0, 0), cinv.GetItem(0, 0), csq.GetItem(3, 767))
# Operands without data or without entries: the plain copy of b.
none = LUT3(-1)
cnone = LUTC3(-1)
print(len(inv * LUT3(0)), len(inv * none), len(none * inv), len(cinv * LUTC3(0)), len(cinv * cnone), len(cnone * cinv))
# LUTC3 gray entries take a's gray at 3 * (gray + BaseLine); a negative
# BaseLine, or one so large that the index leaves 32 bits, is reported.
big = LUTC3(1024)
big.BaseLine = 5
x = big * LUTC3()
print(x.GetItem(3, 0), big.GetItem(3, 15), x.GetItem(3, 767), big.GetItem(3, 780), x.GetItem(0, 5), big.GetItem(0, 15))
big.BaseLine = -1
big * LUTC3()
big.BaseLine = 2147483647
big * LUTC3()
# Ranges and lengths whose tables the host's long cannot size are refused
# before anything changes; a table without data still gets its ramp.
r = RECT()
t = LUT3(4)
t.BaseLine = 9
t.Transform(2.0, 0.0, -2147483647 - 1, 2147483647, r)
t.Transform(2.0, 0.0, 0, 268435456, r)
print(len(t), t.BaseLine)
u = LUTC3(4)
u.Transform(2.0, 0.0, 1, 134217728, r)
print(len(u))
none.Transform(2.0, 0.0, 10, 11, r)
cnone.Transform(2.0, 0.0, 10, 11, r)
print(len(none), none.BaseLine, len(cnone), cnone.BaseLine)
LUT3().Stretch(400000000)
LUTC3().Stretch(600000000)
none = LUT3(-1)
cnone = LUTC3(-1)
print(none.Stretch(4), cnone.Stretch(4), none.IsGrayScale(), cnone.IsGrayScale())
# Products beyond 32 bits: a stretch to the same length copies the table.
h = LUT3(100000)
print(h.Stretch(100000).GetItem(0, 99999), h.GetItem(0, 99999), h.Stretch(100000).GetItem(1, 50001), h.GetItem(1, 50001))
# One channel entry: the gray index -1 of the last new entry is taken as 0,
# not as the blue byte before the gray table. No entries: N entries of 0.
print(LUT3([10], [20], [30], [1, 2, 3]).Stretch(2).GetTable(3))
e = LUT3(0)
e.BaseLine = 4
s = e.Stretch(3)
print(s.GetTable(0), s.GetTable(3), s.BaseLine)
# LUTC3: colour bytes of a gray entry are dropped; colour entries keep gray 0.
m = LUTC3([1, 2, 3], [4, 5, 6], [7, 8, 9], [0, 50, 0]).Stretch(5)
print(m.GetTable(0), m.GetTable(1), m.GetTable(2), m.GetTable(3))
# Shrink: a flag that is no boolean is error 73 and counts as false; each
# flag's error, then the refusal; no data: nothing; no entries: no entries.
q = LUT3()
x = q.Shrink(0.25, 0.75, 1, 0.5, true, 1)
y = q.Shrink(0.25, 0.75, 1, 0.5, 1, true)
print(x.GetItem(0, 0), x.GetItem(0, 255), y.GetItem(0, 0), y.GetItem(0, 255))
x = q.Shrink(0.6, 0.5, 1, 0, 1, "x")
print(x, none.Shrink(0, 1, 1, 0, false), len(LUT3(0).Shrink(0, 0.5, 1, 0, true, false)))
x = LUTC3().Shrink(0.6, 0.5, 1, 0, false)
print(x, cnone.Shrink(0, 1, 1, 0, false), len(LUTC3(0).Shrink(0, 0.5, 1, 0, true, false)))
