#!/usr/bin/env python3
"""Damaged files, one row each: every read of one must end in one error that
names it (the text holds the row's fragment), and a good file read right
after must come back whole. The files are made from the DICOM files and
palettes that Debian's python3-pydicom ships, cut or with header fields
changed; all are read in one zorl run with --keep-going. Exit 77
(skipped) without pydicom.

    damaged_files.py ZORL WORKDIR"""
import os
import struct
import subprocess
import sys
import warnings

try:
    import pydicom
except ImportError as e:
    print("skipped: pydicom is needed (%s)" % e)
    sys.exit(77)

warnings.simplefilter("ignore")
DATA = os.path.join(os.path.dirname(pydicom.__file__), "data")
TEST = os.path.join(DATA, "test_files")
GOOD = os.path.join(TEST, "CT_small.dcm")


def raw(name, palette=False):
    with open(os.path.join(DATA, "palettes" if palette else "test_files",
                           name), "rb") as f:
        return f.read()


def changed(name, **fields):
    ds = pydicom.dcmread(os.path.join(TEST, name))
    for key, value in fields.items():
        setattr(ds, key, value)
    return ds


def changed_palette(**fields):
    ds = pydicom.dcmread(os.path.join(DATA, "palettes", "pet.dcm"))
    for key, value in fields.items():
        setattr(ds, key, value)
    return ds


def pixel_length(data, length):
    """The Pixel Data element's length field set to length."""
    at = data.rindex(b"\xe0\x7f\x10\x00")
    return data[:at + 8] + struct.pack("<I", length) + data[at + 12:]


def rle_offset(data, segment, offset):
    """Segment's start in the first RLE header of 6 segments set to offset."""
    at = data.index(struct.pack("<II", 6, 64)) + 4 * (segment + 1)
    return data[:at] + struct.pack("<I", offset) + data[at + 4:]


CT = raw("CT_small.dcm")
PET = raw("pet.dcm", palette=True)

# name, reader, the file (bytes or a data set), a fragment of the error
ROWS = [
    ("ct_cut148.dcm", "image", CT[:148], "DICOM decoder aborted"),
    ("ct_cut1000.dcm", "image", CT[:1000], "DICOM decoder aborted"),
    ("ct_cut_pixels.dcm", "image", CT[:-300], "truncated"),
    ("ct_one_short.dcm", "image", CT[:-1], ""),
    ("empty.dcm", "image", b"", "empty file"),
    ("garbage.dcm", "image", bytes(range(256)) * 8, "not a DICOM file"),
    ("ct_huge.dcm", "image", changed("CT_small.dcm", Rows=16384, Columns=16384),
     "Pixel Data (7FE0,0010): short"),
    ("ct_rgb.dcm", "image", changed("CT_small.dcm", SamplesPerPixel=3,
                                    PhotometricInterpretation="RGB"),
     "Pixel Representation (0028,0103) says signed"),
    ("rgb_mono1.dcm", "image", changed("SC_rgb_small_odd.dcm",
                                       PhotometricInterpretation="MONOCHROME1"),
     "Photometric Interpretation (0028,0004) MONOCHROME1 with 3 samples"),
    ("ybr422_odd.dcm", "image", changed("SC_ybr_full_422_uncompressed.dcm",
                                        Columns=99, Rows=101),
     "Columns (0028,0011) is 99"),
    ("ybr422_full.dcm", "image", changed("SC_rgb_small_odd.dcm",
                                         PhotometricInterpretation="YBR_FULL_422"),
     "Columns (0028,0011) is 3"),
    ("rle16_segment.dcm", "image", rle_offset(raw("SC_rgb_rle_16bit.dcm"), 2, 1 << 30),
     "frame 0: RLE segment 2 is cut short or lies outside its fragment"),
    ("rle16_cut.dcm", "image", rle_offset(raw("SC_rgb_rle_16bit.dcm"), 5, 65),
     "RLE segment 5"),
    ("pet_lies.dcm", "palette", changed_palette(
        RedPaletteColorLookupTableDescriptor=[300, 0, 8]),
     "red palette (descriptor (0028,1101)): 256 entries in the data; "
     "the descriptor says 300"),
    ("pet_firsts.dcm", "palette", changed_palette(
        GreenPaletteColorLookupTableDescriptor=[256, 5, 8]),
     "first mapped values 0, 5 and 0"),
    ("ct_samples.dcm", "image", changed("CT_small.dcm", SamplesPerPixel=3),
     "MONOCHROME2 with 3 samples per pixel (0028,0002)"),
    ("ct_long_length.dcm", "image", pixel_length(CT, 0x7FFFFFF0), "truncated"),
    ("ct_short_length.dcm", "image", pixel_length(CT, 1000), ""),
    ("liver_bits16.dcm", "image", changed("liver_1frame.dcm", BitsAllocated=16),
     "Pixel Data (7FE0,0010): short"),
    ("dfl_bits16.dcm", "image", changed("image_dfl.dcm", BitsAllocated=16),
     "Pixel Data (7FE0,0010): short"),
    ("dfl_cut849.dcm", "image", raw("image_dfl.dcm")[:849], ""),
    ("mr_padded.dcm", "image", raw("MR_small_padded.dcm"),
     "Pixel Data (7FE0,0010): too long"),
    ("j2k_rows1.dcm", "image", changed("JPEG2000.dcm", Rows=1),
     "JPEG 2000 codestream is 256 x 1024"),
    ("j2k_rows3.dcm", "image", changed("JPEG2000.dcm", Rows=3),
     "JPEG 2000 codestream"),
    ("j2k_bits.dcm", "image", changed("J2K_pixelrep_mismatch.dcm", BitsStored=16,
                                    HighBit=15),
     "(16 stored)"),
    ("j2k_unsigned.dcm", "image", changed("JPEG2000.dcm", PixelRepresentation=0),
     "holds signed samples; Pixel Representation (0028,0103) says unsigned"),
    ("ct_high_bit.dcm", "image", changed("CT_small.dcm", BitsStored=8),
     "High Bit (0028,0102) 15"),
    ("ybr_no_model.dcm", "image", changed("SC_rgb_jpeg_dcmtk.dcm",
                                          PhotometricInterpretation=""),
     "Photometric Interpretation (0028,0004) is missing"),
    ("jpeg_columns.dcm", "image", changed("JPEG-lossy.dcm", Columns=100),
     "Columns (0028,0011) says 100"),
    ("jpeg_bits.dcm", "image", changed("SC_rgb_jpeg_gdcm.dcm", BitsAllocated=16,
                                       BitsStored=16, HighBit=15),
     "Bits Allocated (0028,0100) says 16"),
    ("jpeg_frames.dcm", "image", changed("JPEG-lossy.dcm", NumberOfFrames=3),
     "1 fragment for 3 frames"),
    ("rle_samples.dcm", "image", changed("MR_small_RLE.dcm", BitsAllocated=8,
                                          BitsStored=8, HighBit=7),
     "RLE header gives 2 segments"),
    ("pet_one_short.dcm", "palette", PET[:-1], "DICOM decoder aborted"),
    ("pet_half.dcm", "palette", PET[:len(PET) // 2], ""),
    ("first_row.csv", "palette", b"1e2,0,0\n" * 256, "line 1"),
    ("bare_domain.cube", "palette", b"LUT_1D_SIZE 2\nDOMAIN_MIN\n0 0 0\n1 1 1\n",
     "DOMAIN_MIN"),
    ("hex_size.cube", "palette", b"LUT_1D_SIZE 0x10\n" + b"0 0 0\n" * 16,
     "LUT_1D_SIZE"),
    ("index.lut", "palette", b"".join(b"%d\t0\t0\t0\n" % (i ^ 1) for i in range(256)),
     "line 1"),
    ("nul.csv", "palette", b"0,0,0\x00\n" * 256, "line 1"),
    ("cut.lut", "palette", bytes(700), "short"),
]


def main():
    zorl, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    lines = ['g0 = ReadImage("%s")' % GOOD]
    where = {}
    for name, reader, content, _ in ROWS:
        path = os.path.join(work, name)
        if isinstance(content, bytes):
            with open(path, "wb") as f:
                f.write(content)
        else:
            content.save_as(path, write_like_original=True)
        where[len(lines) + 1] = name
        lines.append('x = %s("%s")' % ("ReadImage" if reader == "image"
                                        else "ReadPalette", path))
        lines.append('g = ReadImage("%s")' % GOOD)
        lines.append('print(g.Pixels == g0.Pixels)')
    script = os.path.join(work, "damaged.zs")
    with open(script, "w") as f:
        f.write("\n".join(lines) + "\n")
    run = subprocess.run([zorl, "run", script, "--keep-going"],
                         capture_output=True, text=True, errors="replace",
                         timeout=600)
    faults = []
    if run.returncode != 1:
        faults.append("zorl exited %d" % run.returncode)
    if run.stdout != "true\n" * len(ROWS):
        faults.append("a good file did not come back whole:\n" + run.stdout)
    errors = {}
    for line in run.stderr.splitlines():
        parts = line.split(":")
        if len(parts) > 2 and parts[1].isdigit():
            errors.setdefault(int(parts[1]), []).append(line)
    for number, name in sorted(where.items()):
        got = errors.pop(number, [])
        fragment = next(r[3] for r in ROWS if r[0] == name)
        if len(got) != 1 or name not in got[0] or fragment not in got[0]:
            faults.append("%s: not one error naming it with %r: %s" % (
                name, fragment, got))
        else:
            print("%-20s %s" % (name, got[0].split(name + ": ", 1)[-1][:110]))
    for number, got in errors.items():
        faults.append("line %d: unexpected %s" % (number, got))
    for fault in faults:
        print("FAULT:", fault)
    print("%d damaged files, %d faults" % (len(ROWS), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
