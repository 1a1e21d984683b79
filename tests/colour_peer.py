#!/usr/bin/env python3
"""Colour DICOM against pydicom, on files this test writes, a row each:
YBR images read as blue, green, red within 1 of convert_color_space, 16-bit
colour (RLE too) scaled to 8 bits as 16-bit PNG colour is, YBR_ICT and YBR_RCT (JPEG
2000 through Pillow) within 1 of pydicom's pixels, and PALETTE COLOR images
through their own ReadPalette tables in a LUT3 equal to apply_color_lut
(16-bit entries by their high byte). Exit 77 (skipped) without pydicom.

    colour_peer.py ZORL WORKDIR"""
import io
import os
import subprocess
import sys
import warnings

try:
    import numpy as np
    import pydicom
    from PIL import Image
    from pydicom.dataset import Dataset, FileMetaDataset
    from pydicom.encaps import encapsulate
    from pydicom.pixel_data_handlers.util import apply_color_lut, convert_color_space
    from pydicom.uid import (ExplicitVRLittleEndian, JPEG2000, JPEG2000Lossless, RLELossless,
                             generate_uid)
except ImportError as e:
    print("skipped: pydicom, numpy and Pillow are needed (%s)" % e)
    sys.exit(77)

warnings.simplefilter("ignore")
RNG = np.random.default_rng(22)
W, H = 40, 24


def image(pixels, model, syntax=ExplicitVRLittleEndian, data=None, **more):
    """A secondary capture of these pixels (rows, columns[, samples])."""
    ds = Dataset()
    ds.file_meta = FileMetaDataset()
    ds.file_meta.TransferSyntaxUID = syntax
    ds.file_meta.MediaStorageSOPClassUID = "1.2.840.10008.5.1.4.1.1.7"
    ds.file_meta.MediaStorageSOPInstanceUID = generate_uid()
    ds.SOPClassUID, ds.SOPInstanceUID = "1.2.840.10008.5.1.4.1.1.7", generate_uid()
    ds.Rows, ds.Columns = pixels.shape[:2]
    ds.SamplesPerPixel = 3 if pixels.ndim == 3 else 1
    if pixels.ndim == 3:
        ds.PlanarConfiguration = 0
    ds.PhotometricInterpretation = model
    ds.BitsAllocated = ds.BitsStored = pixels.dtype.itemsize * 8
    ds.HighBit = ds.BitsStored - 1
    ds.PixelRepresentation = int(pixels.dtype.kind == "i")
    for key, value in more.items():
        setattr(ds, key, value)
    ds.PixelData = data if data is not None else pixels.tobytes()
    ds.is_little_endian, ds.is_implicit_VR = True, False
    return ds


def palette(ds, entries, first, bits, segmented=None):
    """The Palette Color Lookup Table of ds: entries (n, 3) from `first`."""
    n = len(entries)
    for k, colour in enumerate(("Red", "Green", "Blue")):
        desc = [n % 65536, first, bits]
        setattr(ds, colour + "PaletteColorLookupTableDescriptor", desc)
        if first < 0:
            ds[0x0028, 0x1101 + k].VR = "SS"
        kind = "<u2" if bits == 16 else "u1"
        if segmented:
            table = np.array(segmented(entries[:, k]), kind).tobytes()
            setattr(ds, "Segmented%sPaletteColorLookupTableData" % colour, table)
        else:
            table = entries[:, k].astype(kind).tobytes()
            setattr(ds, colour + "PaletteColorLookupTableData", table)
    return ds


def linear_segments(column):
    """Discrete first entry, then linear segments of 4 entries each."""
    out = [0, 1, int(column[0])]
    for i in range(4, len(column), 4):
        out += [1, 4, int(column[i])]
    return out


def ybr_422(ybr):
    """Uncompressed 4:2:2: Y1 Y2 Cb Cr for each pair; the chroma shared."""
    ybr[:, 1::2, 1:] = ybr[:, 0::2, 1:]
    pairs = np.concatenate([ybr[:, 0::2, :1], ybr[:, 1::2, :1],
                            ybr[:, 0::2, 1:]], axis=2)
    return ybr, pairs.tobytes()


def j2k(rgb, irreversible):
    out = io.BytesIO()
    Image.fromarray(rgb).save(out, "JPEG2000", no_jp2=True, mct=1,
                              irreversible=irreversible)
    return encapsulate([out.getvalue()])


def rle(ds):
    ds.compress(RLELossless, ds.pixel_array)
    return ds


def colour_rows():
    ybr = RNG.integers(0, 256, (H, W, 3), dtype="u1")
    ybr[0, :4] = [[0, 0, 0], [255, 255, 255], [0, 255, 0], [255, 0, 255]]
    full, pairs = ybr_422(ybr.copy())
    rgb16 = RNG.integers(0, 65536, (H, W, 3), dtype="u2")
    rgb12 = rgb16 >> 4
    rgb = RNG.integers(0, 256, (H, W, 3), dtype="u1")
    as_rgb = lambda a, m: convert_color_space(a, m, "RGB")
    scale = lambda a, bits: (a.astype("u8") * 255 + (2**bits - 1) // 2) // (2**bits - 1)
    return [
        ("ybr_full.dcm", image(ybr, "YBR_FULL"), as_rgb(ybr, "YBR_FULL")),
        ("ybr_planar.dcm", image(ybr, "YBR_FULL", PlanarConfiguration=1,
                                 data=ybr.transpose(2, 0, 1).tobytes()),
         as_rgb(ybr, "YBR_FULL")),
        ("ybr_422.dcm", image(full, "YBR_FULL_422", data=pairs),
         as_rgb(full, "YBR_FULL_422")),
        ("rgb16.dcm", image(rgb16, "RGB"), scale(rgb16, 16)),
        ("rgb16_rle.dcm", rle(image(rgb16, "RGB")), scale(rgb16, 16)),
        ("rgb12.dcm", image(rgb12, "RGB", BitsStored=12, HighBit=11), scale(rgb12, 12)),
        ("ybr_ict.dcm", image(rgb, "YBR_ICT", JPEG2000, data=j2k(rgb, True)), None),
        ("ybr_rct.dcm", image(rgb, "YBR_RCT", JPEG2000Lossless, data=j2k(rgb, False)),
         rgb),
    ]


def palette_rows():
    """name, data set, the LUT3 call that converts its pixels."""
    idx8 = np.arange(W * H, dtype="u2").reshape(H, W).astype("u1")
    idx16 = RNG.integers(0, 65536, (H, W), dtype="u2")
    idx16[0, :3] = [0, 999, 65535]
    signed = RNG.integers(-400, 400, (H, W), dtype="i2")
    e8 = RNG.integers(0, 256, (256, 3))
    e16 = RNG.integers(0, 65536, (4096, 3))
    ramp = np.stack([np.arange(0, 65536, 64)[:1021]] * 3, axis=1)
    c8, c16 = "Convert1To3", "ConvertU2To3"
    p = "PALETTE COLOR"
    return [
        ("pal8.dcm", palette(image(idx8, p), e8, 0, 8), c8),
        ("pal8_first20_100.dcm", palette(image(idx8, p), e8[:100], 20, 8), c8),
        ("pal8_entries16.dcm", palette(image(idx8, p), e16[:300], 7, 16), c8),
        ("pal8_signed.dcm", palette(image(idx8.astype("i1"), p), e8[:100], -50, 8),
         c8),
        ("pal16_first1000.dcm", palette(image(idx16, p), e16, 1000, 16), c16),
        ("pal16_segmented.dcm", palette(image(idx16, p), ramp, 300, 16,
                                        segmented=linear_segments), c16),
        ("pal16_signed.dcm", palette(image(signed, p), e16[:500], -200, 16),
         "Convert2To3"),
    ]


def run(zorl, work, lines):
    with open(os.path.join(work, "colour.zs"), "w") as f:
        f.write("\n".join(lines) + "\n")
    done = subprocess.run([zorl, "run", "colour.zs"], cwd=work,
                          capture_output=True, text=True, errors="replace")
    return done.returncode, done.stderr


def main():
    zorl, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    colour, palettes = colour_rows(), palette_rows()
    lines = []
    for name, ds, _ in colour:
        ds.save_as(os.path.join(work, name), write_like_original=False)
        lines.append('WriteFile("%s.raw", ReadImage("%s").Pixels)' % (name, name))
    for name, ds, call in palettes:
        ds.save_as(os.path.join(work, name), write_like_original=False)
        lines += ['c = ReadPalette("%s")' % name, 't = LUT3(c[0], c[1], c[2])',
                  't.BaseLine = %d' % (32768 if call == "Convert2To3" else 0),
                  't.%s(px, ReadImage("%s").Pixels)' % (call, name),
                  'WriteFile("%s.raw", px)' % name]
    code, err = run(zorl, work, lines)
    faults = ["zorl exited %d: %s" % (code, err[-2000:])] if code else []
    for name, ds, want in colour:
        if want is None:  # lossy: pydicom's own decoding (Pillow's codec)
            want = pydicom.dcmread(os.path.join(work, name)).pixel_array
        faults += compare(work, name, want)
    for name, ds, _ in palettes:
        want = apply_color_lut(ds.pixel_array, ds)
        faults += compare(work, name, want >> 8 if want.dtype == np.uint16 else want,
                          exact=True)
    for fault in faults:
        print("FAULT:", fault)
    print("%d colour and %d palette images, %d faults" % (
        len(colour), len(palettes), len(faults)))
    return 1 if faults else 0


def compare(work, name, want, exact=False):
    path = os.path.join(work, name + ".raw")
    if not os.path.exists(path):
        return ["%s: not read" % name]
    want = want[..., ::-1].astype(np.int32)
    have = np.fromfile(path, "u1").astype(np.int32)
    if have.size != want.size:
        return ["%s: %d bytes, %d expected" % (name, have.size, want.size)]
    worst = int(np.abs(have - want.reshape(-1)).max())
    print("%-24s largest difference %d" % (name, worst))
    return ["%s: differs by %d" % (name, worst)] if worst > (0 if exact else 1) else []


if __name__ == "__main__":
    sys.exit(main())
