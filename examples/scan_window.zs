# Window and level of real scans (from pydicom's test data): CT_small.dcm,
# 16-bit signed CT, and MR_small.dcm. Everything comes from the files' own
# members: a LUT2 of 65536 entries with BaseLine 32768 for signed pixels
# takes every stored value; a window given in Hounsfield units becomes
# stored values through the rescale, and fractions of the table for Shrink.
ct = ReadImage("CT_small.dcm")
print("CT_small.dcm:", ct.Width, "x", ct.Height, "signed", ct.Signed, "bits", ct.BitsStored, "HU = stored *", ct.RescaleSlope, "+", ct.RescaleIntercept)
ramp = LUT2(65536)
base = 32768 * long(ct.Signed)
n = 65536.0

# Soft tissue: level 40, width 400 HU.
lo = (40 - 200 - ct.RescaleIntercept) / ct.RescaleSlope
hi = (40 + 200 - ct.RescaleIntercept) / ct.RescaleSlope
soft = ramp.Shrink((lo + base) / n, (hi + base) / n, 1, 0, false)
soft.BaseLine = base
# Lung: level -600, width 1500 HU.
lo = (-600 - 750 - ct.RescaleIntercept) / ct.RescaleSlope
hi = (-600 + 750 - ct.RescaleIntercept) / ct.RescaleSlope
lung = ramp.Shrink((lo + base) / n, (hi + base) / n, 1, 0, false)
lung.BaseLine = base
# Bone: level 400, width 1800 HU.
lo = (400 - 900 - ct.RescaleIntercept) / ct.RescaleSlope
hi = (400 + 900 - ct.RescaleIntercept) / ct.RescaleSlope
bone = ramp.Shrink((lo + base) / n, (hi + base) / n, 1, 0, false)
bone.BaseLine = base

a = soft.Convert2To1(ct.Pixels)
b = lung.Convert2To1(ct.Pixels)
c = bone.Convert2To1(ct.Pixels)
WriteImage("ct-soft.png", ct.Width, ct.Height, 1, a)
WriteImage("ct-strip.png", ct.Width, 3 * ct.Height, 1, a + b + c)

# The MR through the window its file gives (no rescale: stored values).
mr = ReadImage("MR_small.dcm")
print("MR_small.dcm:", mr.Width, "x", mr.Height, "window", mr.WindowCenter, "width", mr.WindowWidth)
mbase = 32768 * long(mr.Signed)
lo = mr.WindowCenter - mr.WindowWidth / 2
hi = mr.WindowCenter + mr.WindowWidth / 2
mrw = ramp.Shrink((lo + mbase) / n, (hi + mbase) / n, 1, 0, false)
mrw.BaseLine = mbase
WriteImage("mr-window.png", mr.Width, mr.Height, 1, mrw.Convert2To1(mr.Pixels))
print("wrote ct-soft.png ct-strip.png mr-window.png")
