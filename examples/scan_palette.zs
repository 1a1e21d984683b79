# CT_small.dcm through two standard colour palettes read from their DICOM
# files (pydicom's test data): PET with LUT3, hot iron with LUTC3. Each
# palette of 256 colours is stretched to one entry per 16-bit stored value
# and shrunk onto the soft-tissue window (level 40, width 400 HU, through
# the file's rescale); BaseLine 32768 takes signed pixels.
ct = ReadImage("CT_small.dcm")
base = 32768 * long(ct.Signed)
n = 65536.0
lo = ((40 - 200 - ct.RescaleIntercept) / ct.RescaleSlope + base) / n
hi = ((40 + 200 - ct.RescaleIntercept) / ct.RescaleSlope + base) / n

p = ReadPalette("pet.dcm")
pet = LUT3(p[0], p[1], p[2])
print("PET palette: entry 200 =", pet.ConvertVoxel(200))
petw = pet.Stretch(65536).Shrink(lo, hi, 1, 0, false)
petw.BaseLine = base
petw.Convert2To3(a, ct.Pixels)
WriteImage("ct-pet.png", ct.Width, ct.Height, 3, a)

h = ReadPalette("hotiron.dcm")
hot = LUTC3(LUT3(h[0], h[1], h[2]))
hotw = LUTC3(LUT3(hot).Stretch(65536).Shrink(lo, hi, 1, 0, false))
hotw.BaseLine = base
hotw.Convert2To3(b, ct.Pixels)
WriteImage("ct-hotiron.png", ct.Width, ct.Height, 3, b)
WriteImage("ct-palettes.png", ct.Width, 2 * ct.Height, 3, a + b)

# The palette written as an ImageJ .lut.
WritePalette("hotiron.lut", h[0], h[1], h[2])
print("hot iron as .lut:", len(ReadFile("hotiron.lut")), "bytes")
print("wrote ct-pet.png ct-hotiron.png ct-palettes.png")
