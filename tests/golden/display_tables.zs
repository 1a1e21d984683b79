# args: --keep-going
# status: 1
# DisplayTable and the display members of DICOM files this script writes
# (implicit little endian, 4 x 4 pixels of 12 bits): the members, a window,
# a VOI LUT table, a preset; then each bad choice and lying table gives one
# error naming the file and the element, and the fallbacks are shown.
def u16(v)
  return bytes([v % 256, v / 256 % 256])
end
def el(g, e, value)
  n = len(value)
  return u16(g) + u16(e) + u16(n % 65536) + u16(n / 65536) + value
end
def lut(n, first, bits, text, data)
  c = el(40, 12290, u16(n) + u16(first) + u16(bits)) + el(40, 12291, text)
  return el(65534, 57344, c + el(40, 12294, data))
end
def scan(path, photometric, voi, seqs, tail)
  px = ""
  for v in range(0, 16)
    px = px + u16(v * 273)
  end
  head = el(8, 22, "1.2.840.10008.5.1.4.1.1.7") + el(40, 2, u16(1))
  head = head + el(40, 4, photometric) + el(40, 16, u16(4)) + el(40, 17, u16(4))
  head = head + el(40, 256, u16(16)) + el(40, 257, u16(12)) + el(40, 258, u16(11))
  head = head + el(40, 259, u16(0)) + el(40, 288, u16(4095))
  WriteFile(path, head + voi + seqs + tail + el(32736, 16, px))
  return ReadImage(path)
end
def show(t, im)
  print(unbytes(t.Convert2To1(im.Pixels)))
end
ramp = ""
for v in range(0, 16)
  ramp = ramp + u16(v * 4369)
end
win = el(40, 4176, "1000\\3000 ") + el(40, 4177, "500\\1000") + el(40, 4181, "LOW\\HIGH")
voi = el(40, 12304, lut(16, 0, 16, "RAMP", ramp) + lut(16, 0, 8, "BYTES ", bytes(range(0, 16) * 16)))
im = scan("m1.dcm", "MONOCHROME1 ", win + el(40, 4182, "LINEAR"), voi, el(8272, 32, "INVERSE "))
print(im.WindowCenters, im.WindowWidths, im.WindowExplanations, im.VoiFunction)
print(im.VoiLuts, im.ModalityLut, im.PresentationLut, im.PresentationShape, im.PixelPadding)
show(DisplayTable(im), im)
show(DisplayTable(im, "window", 2), im)
show(DisplayTable(im, "lut", 2), im)
show(DisplayTable(im, 2048, 4096, "LINEAR_EXACT"), im)
t = DisplayTable(im, "bone")
print(t.BaseLine, len(t.GetTable()))
plain = scan("plain.dcm", "MONOCHROME1 ", "", "", "")
print(plain.WindowCenters, plain.VoiLuts, plain.VoiFunction, plain.PresentationShape)
show(DisplayTable(plain), plain)
# Bits per entry of 0 or above 16 are read by the data.
b = scan("bits0.dcm", "MONOCHROME2 ", "", el(40, 12304, lut(16, 0, 0, "", ramp)), "")
show(DisplayTable(b), b)
b = scan("bits20.dcm", "MONOCHROME2 ", "", el(40, 12304, lut(16, 0, 20, "", bytes(range(0, 16) * 16))), "")
show(DisplayTable(b), b)
# A centre far away is no error: every value is below the window.
show(DisplayTable(b, 1e300, 1e300), b)
# Errors.
t = DisplayTable(im, "window", 3)
t = DisplayTable(im, "lut", 3)
t = DisplayTable(im, "window", 0)
t = DisplayTable(im, "lungs")
t = DisplayTable(im, 40, 0)
t = DisplayTable(im, 40, -1, "SIGMOID")
t = DisplayTable(im, 40, 400, "CUBIC")
t = DisplayTable(Image(2, 2, 3))
t = DisplayTable(scan("long.dcm", "MONOCHROME2 ", "", el(40, 12304, lut(4096, 0, 16, "", ramp)), ""))
t = DisplayTable(scan("empty.dcm", "MONOCHROME2 ", "", el(40, 12304, lut(16, 0, 16, "", "")), ""))
t = DisplayTable(scan("desc.dcm", "MONOCHROME2 ", "", el(40, 12304, el(65534, 57344, el(40, 12290, u16(16) + u16(0)) + el(40, 12294, ramp))), ""))
t = DisplayTable(scan("modality.dcm", "MONOCHROME2 ", "", el(40, 12288, lut(0, 0, 16, "", ramp)), ""))
t = DisplayTable(scan("width.dcm", "MONOCHROME2 ", el(40, 4176, "40\\40 ") + el(40, 4177, "400\\0 "), "", ""), "window", 2)
t = DisplayTable(scan("nan.dcm", "MONOCHROME2 ", el(40, 4176, "nan ") + el(40, 4177, "400 "), "", ""))
t = DisplayTable(scan("function.dcm", "MONOCHROME2 ", el(40, 4176, "40") + el(40, 4177, "400 ") + el(40, 4182, "CUBIC "), "", ""))
t = DisplayTable(scan("shape.dcm", "MONOCHROME2 ", "", "", el(8272, 32, "LIN OD")))
