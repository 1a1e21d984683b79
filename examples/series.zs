# A folder at a time: every slice of an MR series in the order of its
# slices, every frame of a multi-frame file, and a folder of slices written
# from the CT, each through a table, with a progress line on a terminal;
# then pictures of the tables: the CT's histogram under the soft-tissue
# window, and the PET palette's curves.
# The MR series, each slice through the window its own file gives.
MakeDir("series-out")
slices = ListSeries("mr-series")
strip = ""
i = 0
for f in slices
  im = ReadImage(f)
  px = DisplayTable(im).Convert2To1(im.Pixels)
  WriteImage(joinpath("series-out", format("slice%d-%s.png", im.InstanceNumber, basename(f))), im.Width, im.Height, 1, px)
  strip = strip + px
  i = i + 1
  Progress(i, len(slices))
end
WriteImage("mr-series.png", im.Width, im.Height * len(slices), 1, strip)
print(len(ListFiles("series-out/*.png")), "slices in series-out, in the order of their instance numbers")

# Every frame of a multi-frame colour file, through a LUT3 that raises
# each channel's contrast around its middle.
curve = fill(256, 0)
for v in range(0, 256)
  curve[v] = clamp(round(128 + 1.6 * (v - 128)), 0, 255)
end
c = LUT3(curve, curve, curve)
path = "SC_rgb_rle_2frame.dcm"
first = ReadImage(path)
frames = ""
for k in range(0, first.Frames)
  im = ReadImage(path, k)
  c.Convert3To3(out, im.Pixels)
  frames = frames + out
end
WriteImage("frames.png", first.Width, first.Height * first.Frames, 3, frames)
print(first.Frames, "frames of", path, "through a contrast curve")

# A folder of slices from the CT: the soft-tissue window over the picture
# shifted row by row, as a stack a batch would read back.
ct = ReadImage("CT_small.dcm")
soft = DisplayTable(ct, "soft tissue")
MakeDir("ct-slices")
n = 12
for k in range(0, n)
  rows = ct.Width * 2 * (k * 4)
  px = soft.Convert2To1(ct.Pixels[rows:len(ct.Pixels)] + ct.Pixels[0:rows])
  WriteImage(joinpath("ct-slices", format("ct%d.png", k + 1)), ct.Width, ct.Height, 1, px)
  Progress(k + 1, n)
end
names = ListFiles("ct-slices/ct*.png")
print(len(names), "CT slices, first", basename(names[0]), "second", basename(names[1]), "last", basename(names[len(names) - 1]))

# Pictures of the tables.
PlotHistogram("ct-histogram.png", ct, soft, true)
p = ReadPalette("pet.dcm")
PlotTable("pet-curves.png", LUT3(p[0], p[1], p[2]))
print("wrote mr-series.png frames.png ct-histogram.png pet-curves.png")
