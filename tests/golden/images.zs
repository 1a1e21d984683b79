# Images written and read back in every format and depth: each line shows
# the size read back and the pixels, which must be the ones written.
gray = "\x00\x01\x7f\x80\xfe\xff"
wide = "\x01\x00\xff\xff\x34\x12\x00\x80\xff\x0f\x00\x00"
colour = "\x01\x02\x03\x11\x12\x13\xfd\xfe\xff\x00\x00\x00\x80\x81\x82\x7f\x7e\x7d"
WriteImage("g.pgm", 3, 2, 1, gray)
WriteImage("w.pgm", 3, 2, 2, wide)
WriteImage("c.ppm", 3, 2, 3, colour)
WriteImage("g.png", 3, 2, 1, gray)
WriteImage("w.png", 2, 3, 2, wide)
WriteImage("c.png", 2, 3, 3, colour)
WriteImage("c.pnm", 3, 2, 3, colour)
WriteImage("G.PNG", 6, 1, 1, gray)
print(ReadImage("g.pgm"))
print(ReadImage("w.pgm"))
print(ReadImage("c.ppm"))
print(ReadImage("g.png"))
print(ReadImage("w.png"))
print(ReadImage("c.png"))
print(ReadImage("c.pnm"))
print(ReadImage("G.PNG"))
# The file formats themselves: PGM and PPM headers, 16-bit samples most
# significant byte first, colour as red, green, blue.
print(ReadFile("g.pgm"))
print(ReadFile("w.pgm"))
print(ReadFile("c.ppm"))
# The Image form of WriteImage, and an Image made empty.
WriteImage("copy.png", ReadImage("c.pnm"))
print(ReadImage("copy.png"))
blank = Image(2, 2, 2)
WriteImage("blank.pgm", blank)
print(ReadImage("blank.pgm"))
# Files from elsewhere: a PGM with comments and a small maximum value, a
# 16-bit PPM (scaled to 8 bits), and PNGs of 16-bit colour, a palette, and
# gray with alpha (dropped).
WriteFile("other.pgm", "P5 # comment\n# another\n 2 1 \n100\n\x05\x64")
print(ReadImage("other.pgm"))
WriteFile("wide.ppm", "P6\n1 1\n65535\n\xff\xff\x80\x00\x00\x00")
print(ReadImage("wide.ppm"))
WriteFile("rgb16.png", unhex("89504e470d0a1a0a0000000d4948445200000001000000011002000000c0e78f9d0000000f49444154789c63103209ab98b507000627026b0eded57a0000000049454e44ae426082"))
print(ReadImage("rgb16.png"))
WriteFile("palette.png", unhex("89504e470d0a1a0a0000000d4948445200000002000000010803000000c3fc8fb800000006504c5445ff00000000ff6ca1fd8e0000000b49444154789c636060040000040002bf7a3f4a0000000049454e44ae426082"))
print(ReadImage("palette.png"))
WriteFile("alpha.png", unhex("89504e470d0a1a0a0000000d49484452000000020000000108040000005e2bb7010000000d49444154789c6310f8afc000000382013078d5359b0000000049454e44ae426082"))
print(ReadImage("alpha.png"))
# A PNG of each depth written at each zlib level reads back the same.
for depth in [1, 2, 3]
  im = Image(37, 5, depth)
  v = range(0, 37 * 5 * depth)
  im.Pixels = bytes(v * v * 7 % 256)  # each of the Paeth predictor's choices
  same = 0
  for level in range(0, 10)
    WriteImage("level.png", im, level)
    same = same + (ReadImage("level.png").Pixels == im.Pixels)
  end
  print(depth, same)
end
