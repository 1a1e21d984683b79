# Window and level of real scans (from pydicom's test data): CT_small.dcm,
# 16-bit signed CT, and MR_small.dcm. DisplayTable makes each window a LUT2
# of an entry for every stored value, with the BaseLine that signed (and
# unsigned 16-bit) samples need, through the file's own rescale: the window
# is given in the file's units (Hounsfield units for the CT).
def window(im, level, width)
  return DisplayTable(im, level, width)
end

ct = ReadImage("CT_small.dcm")
print("CT_small.dcm:", ct.Width, "x", ct.Height, "signed", ct.Signed, "bits", ct.BitsStored, "HU = stored *", ct.RescaleSlope, "+", ct.RescaleIntercept)
strip = ""
for w in [["soft tissue", 40, 400], ["lung", -600, 1500], ["bone", 400, 1800]]
  t = window(ct, w[1], w[2])
  strip = strip + t.Convert2To1(ct.Pixels)
  print(format("%-12s level %5d width %4d", w[0], w[1], w[2]))
end
WriteImage("ct-soft.png", ct.Width, ct.Height, 1, strip[0:ct.Width * ct.Height])
WriteImage("ct-strip.png", ct.Width, 3 * ct.Height, 1, strip)

# The MR through the window its file gives (no rescale: stored values).
mr = ReadImage("MR_small.dcm")
print("MR_small.dcm:", mr.Width, "x", mr.Height, "window", mr.WindowCenter, "width", mr.WindowWidth)
WriteImage("mr-window.png", mr.Width, mr.Height, 1, window(mr, mr.WindowCenter, mr.WindowWidth).Convert2To1(mr.Pixels))
print("wrote ct-soft.png ct-strip.png mr-window.png")
