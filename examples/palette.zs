# Colour with LUT3 and LUTC3: a CT picture through a "hot" palette (black,
# red, yellow, white) over a window of CT values.
ct = ReadImage("phantom16.pgm")

# The palette from control points: at each point an input level (0 to 255)
# and its colour; between two points each channel runs in a straight line.
points = [[0, 0, 0, 0], [85, 255, 0, 0], [170, 255, 255, 0], [255, 255, 255, 255]]
def channel(points, c)
  v = fill(256, 0)
  for k in range(1, len(points))
    a = points[k - 1]
    b = points[k]
    for i in range(a[0], b[0] + 1)
      t = (i - a[0]) / double(b[0] - a[0])
      v[i] = round(a[c] + t * (b[c] - a[c]))
    end
  end
  return v
end
hot = LUT3(channel(points, 1), channel(points, 2), channel(points, 3))
print("hot palette: gray scale?", hot.IsGrayScale(), "entry 128 =", hot.ConvertVoxel(128))

# One entry per stored CT value (0 to 4095), then the palette over the
# soft-tissue window -160 to 240 HU (stored 864 to 1264).
wide = hot.Stretch(4096)
soft = wide.Shrink(864.0 / 4096, 1264.0 / 4096, 1, 0, false)
soft.Convert2To3(rgb, ct.Pixels)
WriteImage("palette-hot.png", ct.Width, ct.Height, 3, rgb)

# The same through a LUTC3: gray entries where the palette is gray.
c = LUTC3(soft)
c.Convert2To3(rgb2, ct.Pixels)
WriteImage("palette-hot-lutc3.png", ct.Width, ct.Height, 3, rgb2)

# A composition: hot's tables through an inverting table.
inv = LUT3(255 - range(0, 256), range(0, 256), range(0, 256))
cold = inv * hot
cw = cold.Stretch(4096).Shrink(864.0 / 4096, 1264.0 / 4096, 1, 0, false)
cw.Convert2To3(rgb3, ct.Pixels)
WriteImage("palette-cold.png", ct.Width, ct.Height, 3, rgb3)
WriteImage("palette-strip.png", ct.Width, 2 * ct.Height, 3, rgb + rgb3)
print("wrote palette-hot.png palette-cold.png palette-strip.png")
