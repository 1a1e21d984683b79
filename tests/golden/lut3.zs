# args: --keep-going
# status: 1
# LUT3 and LUTC3: ramps, tables from Vectors, conversion between the two
# classes, items, and voxel lookups that return a ColorRef.
t = LUT3()
print(len(t), t.BaseLine, len(t.GetTable(3)), t.GetItem(3, 3), t.GetItem(3, 765), t.GetItem(0, 200))
h = LUT3(100)
print(len(h), h.GetItem(0, 1), h.GetItem(0, 50), h.GetItem(0, 99), h.GetItem(3, 2), h.GetItem(3, 299))
p = LUT3([0, 255, 255, 255], [0, 0, 255, 255], [0, 0, 0, 255])
print(len(p), p.GetTable(3))
LUT3([1, 2], [1, 2], [1])
LUT3([1], [1], [1], [1, 2, 3, 4])
c = LUTC3(p)
print(len(c), c.GetTable(0), c.GetTable(3))
back = LUT3(c)
print(back.GetTable(0), back.GetTable(1), back.GetTable(2), back.GetTable(3))
d = LUTC3()
print(len(d), d.GetItem(3, 3), d.GetItem(3, 4), d.GetItem(3, 767))
p.SetItem(0, 4 + 1, 77)
print(p.GetTable(1))
p.GetTable(4)
p.GetItem(0, 24)
p.SetItem(-1, 0, 1)
# Lookups: a gray value or a colour in, a new ColorRef out.
print(t.ConvertVoxel(200).clrf, t.ConvertVoxel(ColorRef(0x336699)).clrf)
t.BaseLine = 10
print(t.ConvertVoxel(-10).clrf)
t.ConvertVoxel(250)
print(d.ConvertVoxel(100).clrf, d.ConvertVoxel(1).clrf)
d.ConvertVoxel(256)
print(d.ConvertVoxel(ColorRef(0x0000FF)).clrf, d.ConvertVoxel(ColorRef(0xFFFFFF)).clrf)
d.SetItem(3, 300, 255)
print(d.ConvertVoxel(ColorRef(0x0064C8)).clrf)
LUTC3(fill(700, 0), fill(700, 0), fill(700, 0)).ConvertVoxel(ColorRef(0xFFFFFF))
small = LUT3([1, 2], [3, 4], [5, 6])
print(small.ConvertVoxel(ColorRef(0x010001)).clrf)
small.ConvertVoxel(ColorRef(0x020000))
# Entries keep their low byte; small ramps; tables of no entries.
print(LUTC3(1).GetTable(3), LUT3([1, 2, 300, -1], [5, 6, 7, 8], [9, 10, 11, 12]).GetTable(0), LUTC3([1, 2, 3], [4, 5, 6], [7, 8, 9], [0, 200, 256]).GetTable(3), len(LUT3([], [], [])))
LUT3(0).GetItem(0, 0)
LUTC3(0).GetItem(0, 0)
# A number is truncated; with a negative BaseLine a component can be
# negative while the sum stays in the table: it counts as 0 (r 150, g -40,
# b -50: sum 60, gray[60] 19, red 767 * 19 * 150 / 15300).
print(LUT3([1, 2], [3, 4], [5, 6]).ConvertVoxel(1.9).clrf)
n = LUTC3()
n.BaseLine = -50
print(n.ConvertVoxel(ColorRef(0x000AC8)).clrf)
k = LUTC3([0, 0, 0, 9], [0, 0, 0, 8], [0, 0, 0, 7])
print(k.ConvertVoxel(1).clrf, k.ConvertVoxel(ColorRef(0x010002)).clrf)
LUTC3([1, 2], 3, [5, 6])
LUTC3([1, 2], [3, 4], [5, 6], [1, 2, 3])
# 256 LUTC3 entries make 85 LUT3 channel entries (entry 255 is not read);
# the gray table takes each entry's colour mean; the BaseLine goes along.
w = LUTC3(range(0, 256), 255 - range(0, 256), range(0, 256) / 2)
w.SetItem(0, 255, 99)
w.SetItem(1, 255, 99)
w.SetItem(2, 255, 99)
w.BaseLine = -7
x = LUT3(w)
print(len(x), x.BaseLine, x.GetItem(0, 84), x.GetItem(1, 84), x.GetItem(2, 84), x.GetItem(3, 254), x.GetItem(3, 1))
nl = LUT3(-1)
nc = LUTC3(-1)
print(LUTC3(nl), LUT3(nc))
