# A scan shown as its file intends, through DisplayTable: three DICOM files
# written here from CT_small.dcm's pixels (16-bit signed, Hounsfield units =
# stored - 1024), each saying something else about its display: MONOCHROME1
# with one window, a VOI LUT table (a square-root curve over -1024 to
# 3071 HU), and three windows with their explanations.
def u16(v)
  return bytes([v % 256, v / 256 % 256])
end
def el(g, e, value)
  if len(value) % 2 == 1
    value = value + " "
  end
  n = len(value)
  return u16(g) + u16(e) + u16(n % 65536) + u16(n / 65536) + value
end
def scan(path, ct, photometric, centres, widths, explanations, seqs)
  f = el(8, 22, "1.2.840.10008.5.1.4.1.1.2") + el(40, 2, u16(1)) + el(40, 4, photometric)
  f = f + el(40, 16, u16(ct.Height)) + el(40, 17, u16(ct.Width)) + el(40, 256, u16(16))
  f = f + el(40, 257, u16(16)) + el(40, 258, u16(15)) + el(40, 259, u16(1))
  if centres != ""
    f = f + el(40, 4176, centres) + el(40, 4177, widths)
  end
  f = f + el(40, 4178, "-1024") + el(40, 4179, "1")
  if explanations != ""
    f = f + el(40, 4181, explanations)
  end
  WriteFile(path, f + seqs + el(32736, 16, ct.Pixels))
  return ReadImage(path)
end
# Pictures side by side, row by row.
def beside(pictures, width, height)
  out = ""
  for r in range(0, height)
    for p in pictures
      out = out + p[r * width:(r + 1) * width]
    end
  end
  return out
end

ct = ReadImage("CT_small.dcm")
m1 = scan("ct-monochrome1.dcm", ct, "MONOCHROME1", "40", "400", "", "")
print("ct-monochrome1.dcm:", m1.Photometric, "window", m1.WindowCenters, m1.WindowWidths)

curve = ""
for i in range(0, 4096)
  curve = curve + u16(long(65535 * pow(i / 4095.0, 0.5) + 0.5))
end
item = el(40, 12290, u16(4096) + u16(65536 - 1024) + u16(16)) + el(40, 12291, "SQUARE ROOT") + el(40, 12294, curve)
voi = scan("ct-voi-lut.dcm", ct, "MONOCHROME2", "", "", "", el(40, 12304, el(65534, 57344, item)))
print("ct-voi-lut.dcm: VOI LUT tables", voi.VoiLuts)

three = scan("ct-windows.dcm", ct, "MONOCHROME2", "40\\-600\\400", "400\\1500\\1800", "SOFT TISSUE\\LUNG\\BONE", "")
print("ct-windows.dcm:", three.WindowExplanations, three.WindowCenters, three.WindowWidths)

shown = [DisplayTable(m1).Convert2To1(m1.Pixels), DisplayTable(voi).Convert2To1(voi.Pixels)]
for k in range(1, 4)
  append(shown, DisplayTable(three, "window", k).Convert2To1(three.Pixels))
end
WriteImage("display.png", 5 * ct.Width, ct.Height, 1, beside(shown, ct.Width, ct.Height))
print("wrote display.png: MONOCHROME1, VOI LUT table, windows 1 to 3")
