# args: --keep-going
# status: 1
# Counts, sizes, frames, positions and format's integer conversions take
# whole numbers that a long holds; whole doubles are fine.
print(fill(2.0, 0), range(1.0, 3), format("%d %x %X %i", 2147483647.0, -1, 255.0, -7), ColorRef(3.0).clrf, Buffer(2.0).Len)
nan = sqrt(-1)
inf = exp(1000)
format("%x", 1e10)
format("%d", 4294967296.0)
format("%d", -inf)
format("%X", true)
fill(nan, 0)
fill(1.5, 0)
fill(inf, 0)
range(0, 2.5)
for i in range(nan, 3)
end
Progress(0.5, 2)
Buffer(nan)
Buffer(1e10)
FrameBuffer(2, 2, 1.5)
Image(1, inf, 1)
RECT(0, 0.5, 1, 1)
ColorRef(nan)
WriteImage("a.png", 1, 1, 1.5, "a")
img = Image(1, 1, 1)
img.Width = 1.5
WriteImage("a.png", img)
Histogram(img)
ReadImage("a.png", 1.5)
ReadPalette("a.csv", nan)
bytes([1.5])
[1, 2][inf]
