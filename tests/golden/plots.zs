# args: --keep-going
# status: 1
# Histograms: 256 counts of 8-bit gray; red, green and blue of colour
# (pixels are blue, green, red in memory).
g = Image(3, 2, 1)
g.Pixels = "\x00\x00\x05\xff\x05\x00"
print(Histogram(g))
c = Image(2, 1, 3)
c.Pixels = "\x01\x02\x03\x01\x05\x06"
print(Histogram(c))
# Pictures: each is checked by its size here (its pixels by a unit test).
flat = Image(4, 2, 2)
flat.Pixels = bytes(fill(16, 200))
PlotHistogram("flat.png", flat, LUT2(fill(10, 9), 0), true)
PlotHistogram("colour.ppm", c, LUT3())
PlotTable("tables.png", LUT1(), LUT2(100), LUT3(), LUTC3())
f = ReadImage("flat.png")
print(f.Width, f.Height, f.Depth, ReadImage("colour.ppm").Width, ReadImage("tables.png").Height)
# Inputs 0 to 100 of a table; a histogram on the rescale's axis (-1024 to
# 3071 here), its pixels outside the table counted in the legend.
PlotTable("range.png", LUT2(), [0, 100.5])
ct = Image(2, 1, 2)
ct.Pixels = "\x00\x04\xff\x0f"
ct.RescaleSlope = 1
ct.RescaleIntercept = -1024
PlotHistogram("ct.png", ct, LUT2())
print(ReadImage("range.png").Height, ReadImage("ct.png").Height)
# Bad input: no pixels, pixels of the wrong size, tables without entries,
# a missing folder (nothing is left behind).
Histogram(Image())
e = Image(2, 2, 1)
e.Depth = 4
Histogram(e)
g.Pixels = "\x00"
Histogram(g)
Histogram(LUT1())
PlotTable("t.png", LUT2(0))
PlotTable("t.png", LUT1(), LUT3(0))
PlotTable("t.png", LUT1(), 5)
PlotTable("no/t.png", LUT1())
PlotTable("t.txt", LUT1())
PlotTable("t.png", LUT1(), [5, 5])
PlotTable("t.png", LUT1(), [0, "a"])
PlotTable("t.png", [0, 255])
PlotHistogram("h.png", c, LUT1(), 1)
PlotHistogram("h.png", Image(), LUT1())
print(ListFiles("*"))
