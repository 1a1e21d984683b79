# The demo: what the look-up tables do to a CT picture.
# Run in a folder that holds phantom8.pgm and phantom16.pgm (make_phantom
# makes them); the pictures land in the same folder.

# --- LUT1: 256 entries that map each 8-bit pixel to a new 8-bit value ---
img = ReadImage("phantom8.pgm")
print("phantom8.pgm:", img.Width, "x", img.Height, "depth", img.Depth)
# A table of 256 entries computed in the script, entry by entry.
def gamma_table(g)
  v = fill(256, 0)
  for i in range(0, 256)
    v[i] = round(255 * pow(i / 255.0, g))
  end
  return LUT1(v)
end
ramp = range(0, 256)
inverse = LUT1(255 - ramp)              # dark becomes light
gamma = gamma_table(2.0)                # gamma 2: darker mid-tones
threshold = LUT1(ramp / 150 * 255)      # two levels: bone white, the rest black
print("inverse of 0:", inverse.ConvertVoxel(0), "gamma of 128:", gamma.ConvertVoxel(128))

inv = inverse.Convert1To1(img.Pixels)
gam = gamma.Convert1To1(img.Pixels)
thr = threshold.Convert1To1(img.Pixels)
WriteImage("lut1-inverse.png", img.Width, img.Height, 1, inv)
WriteImage("lut1-gamma.png", img.Width, img.Height, 1, gam)
WriteImage("lut1-threshold.png", img.Width, img.Height, 1, thr)
# Convert1To3 gives 3-byte pixels (blue, green, red): a colour picture.
WriteImage("lut1-gamma-rgb.png", img.Width, img.Height, 3, gamma.Convert1To3(img.Pixels))
# The four side by side, top to bottom: original, inverse, gamma, threshold.
WriteImage("lut1-strip.png", img.Width, 4 * img.Height, 1, img.Pixels + inv + gam + thr)
print("wrote lut1-inverse.png lut1-gamma.png lut1-threshold.png lut1-gamma-rgb.png lut1-strip.png")
