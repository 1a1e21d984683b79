# Palettes in every form, read back as three tables: each line shows the
# first, middle and last entries of red, green and blue.
r = 255 - range(0, 256)
g = range(0, 256)
b = fill(256, 7)
WritePalette("p.lut", r, g, b)
WritePalette("p.cube", r, g, b)
WritePalette("p.csv", r, g, b)
print(ReadPalette("p.lut", 0) - r, ReadPalette("p.cube", 1) - g, ReadPalette("p.csv", 2) - b)
print(len(ReadFile("p.lut")), len(ReadFile("p.csv")), len(ReadFile("p.cube")))
WriteFile("h.lut", "ICOL-a-32-byte-header-of-ImageJ-" + ReadFile("p.lut"))
print(ReadPalette("h.lut", 0) - r)
# Text forms: an ImageJ table of 4 columns with a header, whitespace, CRLF,
# comments; a cube with a title, its domain and values rounded to 0..255.
WriteFile("t.lut", "Index\tRed\tGreen\tBlue\x0d\n" + ReadFile("p.csv"))
print(ReadPalette("t.lut", 1) - g)
WriteFile("c.cube", "TITLE \"x\"\n# two entries\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\nLUT_1D_SIZE 3\n0 0.5 1\n0.002 0.998 1e-1\n1 1 1\n")
print(ReadPalette("c.cube"))
WritePalette("c2.cube", [0, 128, 255], [1, 2, 3], [255, 254, 253])
print(ReadPalette("c2.cube"))
