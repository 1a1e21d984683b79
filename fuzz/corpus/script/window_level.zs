# Window and level with LUT2: 16-bit CT pixels (Hounsfield units + 1024) to
# 8-bit pictures. A LUT2 of 4096 entries maps each stored value to a gray;
# Shrink squeezes its ramp into a window of input values: below the window
# the picture is black, above it white.
ct = ReadImage("phantom16.pgm")
print("phantom16.pgm:", ct.Width, "x", ct.Height, "depth", ct.Depth)
ramp = LUT2(4096)                      # entry i = i / 16: 0 to 255
print("ramp:", ramp.ConvertVoxel(0), ramp.ConvertVoxel(2048), ramp.ConvertVoxel(4095))

# Windows as fractions of the 4096 stored values (HU + 1024).
soft = ramp.Shrink(864.0 / 4096, 1264.0 / 4096, 1, 0, false)   # -160 to 240 HU
bone = ramp.Shrink(524.0 / 4096, 2324.0 / 4096, 1, 0, false)   # -500 to 1300 HU
lung = ramp.Shrink(0, 1174.0 / 4096, 1, 0, false)              # -1024 to 150 HU
print("water (1024) in the soft-tissue window:", soft.ConvertVoxel(1024))

a = soft.Convert2To1(ct.Pixels)
b = bone.Convert2To1(ct.Pixels)
c = lung.Convert2To1(ct.Pixels)
WriteImage("lut2-soft.png", ct.Width, ct.Height, 1, a)
WriteImage("lut2-bone.png", ct.Width, ct.Height, 1, b)
WriteImage("lut2-lung.png", ct.Width, ct.Height, 1, c)
WriteImage("lut2-strip.png", ct.Width, 3 * ct.Height, 1, a + b + c)
print("wrote lut2-soft.png lut2-bone.png lut2-lung.png lut2-strip.png")
