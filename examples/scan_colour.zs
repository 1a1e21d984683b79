# Colour DICOM: a YBR_FULL_422 JPEG (colour bars) read as blue-green-red,
# and a PALETTE COLOR image (16-bit indices) through its own palette:
# ReadPalette of the image gives one entry for every value its pixels can
# hold, which LUT3's ConvertU2To3 takes as they are.
y = ReadImage("ybr-422.dcm")
print(y.Photometric, y.Width, "x", y.Height, "depth", y.Depth)
WriteImage("ybr-422.png", y)

m = ReadImage("mr-palette.dcm")
c = ReadPalette("mr-palette.dcm")
t = LUT3(c[0], c[1], c[2])
print(m.Photometric, "depth", m.Depth, "palette of", len(c[0]), "entries")
t.ConvertU2To3(px, m.Pixels)
WriteImage("mr-palette.png", m.Width, m.Height, 3, px)
print("wrote ybr-422.png mr-palette.png")
