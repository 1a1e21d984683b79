# Window and level of real scans (from pydicom's test data): CT_small.dcm,
# 16-bit signed CT, and MR_small.dcm. Everything comes from the files' own
# members: a LUT2 of 65536 entries with BaseLine 32768 for signed pixels
# takes every stored value; a window given in the file's units (Hounsfield
# units for the CT) becomes stored values through the rescale, and
# fractions of the table for Shrink.
def window(im, level, width)
  slope = 1.0
  intercept = 0.0
  if im.RescaleSlope != empty
    slope = im.RescaleSlope
    intercept = im.RescaleIntercept
  end
  base = 32768 * long(im.Signed)
  n = 65536.0
  lo = (level - width / 2 - intercept) / slope
  hi = (level + width / 2 - intercept) / slope
  t = LUT2(65536).Shrink((lo + base) / n, (hi + base) / n, 1, 0, false)
  t.BaseLine = base
  return t
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
