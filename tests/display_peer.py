#!/usr/bin/env python3
"""DisplayTable against the standard's formulas, dcm2pnm (dcmtk) and
pydicom's apply_modality_lut / apply_voi_lut, one row per quirk: files the
test writes (every stored value once, so that the whole table is seen) and
pydicom's shipped ones. Every pixel must equal the formulas below under the
README's rounding, and be within 1 of dcm2pnm and of pydicom scaled to 8
bits; the rows' `differ` say where a peer is known to differ (the README
says why). Exit 77 (skipped) without dcm2pnm or pydicom.

    display_peer.py ZORL WORKDIR"""
import os
import shutil
import subprocess
import sys
import warnings

try:
    import numpy as np
    import pydicom
    from pydicom.dataset import Dataset, FileMetaDataset
    from pydicom.pixel_data_handlers.util import apply_modality_lut, apply_voi_lut
    from pydicom.sequence import Sequence
except ImportError as e:
    print("skipped: pydicom and numpy are needed (%s)" % e)
    sys.exit(77)
if not shutil.which("dcm2pnm"):
    print("skipped: dcm2pnm (Debian package dcmtk) is needed")
    sys.exit(77)

warnings.simplefilter("ignore")
SHIPPED = os.path.join(os.path.dirname(pydicom.__file__), "data", "test_files")


def lut_item(entries, first, bits, vr="US", words=True):
    """A LUT sequence item; first is the value as written (SS when vr is)."""
    item = Dataset()
    item.add_new(0x00283002, vr, [len(entries) % 65536, first, bits])
    data = np.array(entries, "<u2").tobytes() if words else bytes(entries)
    item.add_new(0x00283006, "OW", data)
    item.LUTExplanation = "table"
    return item


def make(path, bits, signed, photometric="MONOCHROME2", **tags):
    """A file holding every stored value of its bits once, in order."""
    alloc = 8 if bits <= 8 else 16
    lo = -(1 << (bits - 1)) if signed else 0
    values = np.arange(lo, lo + (1 << bits))
    side = int(np.ceil(np.sqrt(len(values))))
    values = np.resize(values, side * side)
    ds = Dataset()
    ds.file_meta = FileMetaDataset()
    ds.file_meta.TransferSyntaxUID = pydicom.uid.ExplicitVRLittleEndian
    ds.file_meta.MediaStorageSOPClassUID = "1.2.840.10008.5.1.4.1.1.7"
    ds.file_meta.MediaStorageSOPInstanceUID = pydicom.uid.generate_uid()
    ds.SOPClassUID = ds.file_meta.MediaStorageSOPClassUID
    ds.SOPInstanceUID = ds.file_meta.MediaStorageSOPInstanceUID
    ds.Modality = "OT"
    ds.Rows = ds.Columns = side
    ds.SamplesPerPixel = 1
    ds.PhotometricInterpretation = photometric
    ds.BitsAllocated, ds.BitsStored, ds.HighBit = alloc, bits, bits - 1
    ds.PixelRepresentation = int(signed)
    for key, value in tags.items():
        if key == "items":
            for tag, items in value.items():
                ds.add_new(tag, "SQ", Sequence(items))
        else:
            setattr(ds, key, value)
    kind = ("<i%d" if signed else "<u%d") % (alloc // 8)
    ds.PixelData = values.astype(kind).tobytes()
    ds.is_little_endian, ds.is_implicit_VR = True, False
    ds.save_as(path, write_like_original=False)


RAMP12 = [min(4095, (i * 3) // 2) for i in range(4096)]  # a modality table
VOI8 = [(i * 255) // 1023 for i in range(1024)]  # 8 bits in 16-bit words
VOI16 = [(i * 65535) // 2047 for i in range(2048)]
VOI12 = [(i * 4095) // 511 for i in range(512)]

# name, file (written with make(*args, **tags), or shipped), DisplayTable's
# choice, dcm2pnm's options, pydicom's VOI (None: not compared), the
# formula's stages, peers known to differ.
ROWS = [
    ("u8 window", (8, False), dict(WindowCenter=100, WindowWidth=50),
     '', ["+Wi", "1"], "window", {}),
    ("u8 monochrome1", (8, False, "MONOCHROME1"),
     dict(WindowCenter=100, WindowWidth=50), '', ["+Wi", "1"], "window", {}),
    ("u12 two windows", (12, False),
     dict(WindowCenter=[1000, 3000], WindowWidth=[500, 1000],
          WindowCenterWidthExplanation=["LOW", "HIGH"]),
     ', "window", 2', ["+Wi", "2"], "window", {}),
    ("s12 rescale", (12, True),
     dict(RescaleSlope=2, RescaleIntercept=-100, WindowCenter=0,
          WindowWidth=3000), '', ["+Wi", "1"], "window", {}),
    ("u16 high values", (16, False), dict(WindowCenter=40000, WindowWidth=20000),
     '', ["+Wi", "1"], "window", {}),
    ("s16 given window", (16, True),
     dict(RescaleSlope=1, RescaleIntercept=-1024), ", 40, 400",
     ["+Ww", "40", "400"], "given", {}),
    ("s16 none", (16, True), dict(RescaleSlope=1, RescaleIntercept=-1024),
     ', "none"', [], None, {}),
    ("s16 preset lung", (16, True),
     dict(RescaleSlope=1, RescaleIntercept=-1024), ', "lung"',
     ["+Ww", "-600", "1500"], "given", {}),
    ("u12 linear exact", (12, False),
     dict(WindowCenter=2048, WindowWidth=1001, VOILUTFunction="LINEAR_EXACT"),
     '', None, "window", {}),
    ("u12 sigmoid", (12, False),
     dict(WindowCenter=2048, WindowWidth=1000, VOILUTFunction="SIGMOID"), '',
     ["+Wi", "1", "+Wfs"], "window", {}),
    ("u12 modality table", (12, False),
     dict(items={0x00283000: [lut_item(RAMP12, 0, 12)]}, WindowCenter=3000,
          WindowWidth=2000), '', ["+Wi", "1"], "window",
     {"pydicom": "2.3 refuses a 12-bit descriptor"}),
    ("s16 voi table 8-bit words", (16, True),
     dict(RescaleSlope=1, RescaleIntercept=-1024,
          items={0x00283010: [lut_item(VOI8, -512 & 0xFFFF, 8)]}), '',
     ["+Wl", "1"], "lut",
     {"pydicom": "2.3 reads a first mapped value stored as US unsigned"}),
    ("s12 voi table 16-bit ss", (12, True),
     dict(items={0x00283010: [lut_item(VOI16, -1000, 16, "SS")]}), '',
     ["+Wl", "1"], "lut", {}),
    ("u12 voi table 12-bit", (12, False),
     dict(items={0x00283010: [lut_item(VOI12, 1500, 12)]}), ', "lut", 1',
     ["+Wl", "1"], "lut", {}),
    ("u16 voi table of 65536", (16, False),
     dict(items={0x00283010: [lut_item([i // 16 for i in range(65536)], 0, 12)]}),
     '', ["+Wl", "1"], "lut", {}),
    ("u8 voi table packed bytes", (8, False),
     dict(items={0x00283010: [lut_item([255 - i for i in range(256)], 0, 8,
                                       words=False)]}),
     '', ["+Wl", "1"], "lut", {"pydicom": "2.3 refuses 8-bit entries packed"}),
    ("u12 inverse", (12, False),
     dict(WindowCenter=2048, WindowWidth=2048, PresentationLUTShape="INVERSE"),
     '', ["+Wi", "1"], "window", {}),
    ("monochrome1 inverse", (12, False, "MONOCHROME1"),
     dict(WindowCenter=2048, WindowWidth=2048, PresentationLUTShape="INVERSE"),
     '', ["+Wi", "1"], "window", {}),
    ("monochrome1 identity", (12, False, "MONOCHROME1"),
     dict(WindowCenter=2048, WindowWidth=2048, PresentationLUTShape="IDENTITY"),
     '', ["+Wi", "1"], "window", {}),
    ("CT_small", "CT_small.dcm", None, ", 40, 400", ["+Ww", "40", "400"],
     "given", {}),
    ("MR_small", "MR_small.dcm", None, '', ["+Wi", "1"], "window", {}),
    ("MR_small big endian", "MR_small_bigendian.dcm", None, '', ["+Wi", "1"],
     "window", {}),
    ("image_dfl", "image_dfl.dcm", None, '', [], None, {}),
]


def window(x, c, w, function):
    if function == "SIGMOID":
        return 1 / (1 + np.exp(-4 * (x - c) / w))
    if function == "LINEAR_EXACT":
        return np.clip((x - c) / w + 0.5, 0, 1)
    return np.where(x <= c - 0.5 - (w - 1) / 2, 0,
                    np.where(x > c - 0.5 + (w - 1) / 2, 1,
                             (x - (c - 0.5)) / (w - 1) + 0.5))


def table(item, signed_first):
    n, first, bits = [int(v) for v in item[0x00283002].value]
    if signed_first and first >= 32768:
        first -= 65536
    n, raw = n or 65536, item[0x00283006].value
    data = np.frombuffer(raw, "<u2" if len(raw) >= 2 * n else "u1")[:n]
    return data.astype(float), first, max(bits, int(data.max()).bit_length())


def lookup(x, data, first):
    return data[np.clip(np.floor(x) - first, 0, len(data) - 1).astype(int)]


def formula(ds, arr, choice):
    """The display the standard's formulas give, rounded as documented."""
    bits, signed = ds.BitsStored, ds.PixelRepresentation == 1
    every = np.arange(-(1 << (bits - 1)) if signed else 0,
                      (1 << (bits - 1)) if signed else (1 << bits))
    if "ModalityLUTSequence" in ds:
        data, first, _ = table(ds.ModalityLUTSequence[0], signed)
        mod = lambda v: lookup(v, data, first)
    else:
        s, i = float(ds.get("RescaleSlope", 1)), float(ds.get("RescaleIntercept", 0))
        mod = lambda v: v * s + i
    x, lo, hi = mod(arr.astype(float)), mod(every).min(), mod(every).max()
    function = str(ds.get("VOILUTFunction", "LINEAR"))
    words = choice.replace('"', "").split(", ")[1:]
    if words and words[0] not in ("window", "lut", "none"):
        preset = {"lung": (-600, 1500)}
        c, w = preset.get(words[0]) or (float(words[0]), float(words[1]))
        f = window(x, c, w, "LINEAR")
    elif words[:1] == ["none"] or (not words and "WindowCenter" not in ds
                                   and "VOILUTSequence" not in ds):
        f = (x - lo) / (hi - lo)
    elif words[:1] == ["lut"] or (not words and "WindowCenter" not in ds):
        k = int(words[1]) - 1 if words else 0
        data, first, b = table(ds.VOILUTSequence[k], lo < 0)
        f = lookup(x, data, first) / ((1 << b) - 1)
    else:
        k = int(words[1]) - 1 if words else 0
        c = [float(v) for v in np.atleast_1d(ds.WindowCenter)][k]
        w = [float(v) for v in np.atleast_1d(ds.WindowWidth)][k]
        f = window(x, c, w, function)
    shape = str(ds.get("PresentationLUTShape", ""))
    if shape == "INVERSE" or (not shape and ds.PhotometricInterpretation == "MONOCHROME1"):
        f = 1 - f
    return np.floor(255 * np.clip(f, 0, 1) + 0.5).astype(int)


def pydicom_display(ds, arr, kind, choice):
    """pydicom's stages, scaled to 8 bits and presented as the formula."""
    mod = apply_modality_lut(arr, ds)
    words = choice.replace('"', "").split(", ")[1:]
    k = int(words[1]) - 1 if len(words) == 2 and words[0] in ("window", "lut") else 0
    if kind == "given":
        c, w = {"lung": (-600, 1500)}.get(words[0]) or (float(words[0]), float(words[1]))
        ds = pydicom.dcmread(ds.filename)
        ds.WindowCenter, ds.WindowWidth = c, w
        ds.pop("VOILUTSequence", None)
    y = apply_voi_lut(mod, ds, index=k, prefer_lut=kind == "lut").astype(float)
    if kind == "lut":
        f = y / ((1 << int(ds.VOILUTSequence[k][0x00283002].value[2])) - 1)
    else:  # pydicom's window output runs over the stored range's modality
        bits, signed = ds.BitsStored, ds.PixelRepresentation == 1
        ends = np.array([-(1 << (bits - 1)), (1 << (bits - 1)) - 1] if signed
                        else [0, (1 << bits) - 1], float)
        ends = ends * float(ds.get("RescaleSlope", 1)) + float(ds.get("RescaleIntercept", 0))
        f = (y - ends.min()) / (ends.max() - ends.min())
    shape = str(ds.get("PresentationLUTShape", ""))
    if shape == "INVERSE" or (not shape and ds.PhotometricInterpretation == "MONOCHROME1"):
        f = 1 - f
    return np.floor(255 * np.clip(f, 0, 1) + 0.5).astype(int)


def pgm(path):
    data = open(path, "rb").read()
    parts = data.split(maxsplit=4)
    return np.frombuffer(parts[4], "u1").astype(int)


def main():
    zorl, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    script, files = [], []
    for n, (name, source, tags, choice, _, _, _) in enumerate(ROWS):
        path = os.path.join(work, "f%d.dcm" % n)
        if isinstance(source, str):
            shutil.copy(os.path.join(SHIPPED, source), path)
        else:
            make(path, *source, **tags)
        files.append(path)
        script.append('im = ReadImage("%s")\nt = DisplayTable(im%s)\n'
                      'if im.Depth == 2\n  px = t.Convert2To1(im.Pixels)\n'
                      'else\n  px = t.Convert1To1(im.Pixels)\nend\n'
                      'WriteImage("%s/z%d.pgm", im.Width, im.Height, 1, px)\n'
                      % (path, choice, work, n))
    open(os.path.join(work, "rows.zs"), "w").write("".join(script))
    run = subprocess.run([zorl, "run", "rows.zs"], cwd=work, capture_output=True,
                         text=True)
    if run.returncode:
        print("zorl exited %d:\n%s" % (run.returncode, run.stderr[-3000:]))
        return 1
    faults = []
    for n, (name, source, tags, choice, dcmtk, kind, differ) in enumerate(ROWS):
        ds = pydicom.dcmread(files[n])
        arr = ds.pixel_array.ravel()
        have = pgm(os.path.join(work, "z%d.pgm" % n))
        report = []
        want = formula(ds, arr, choice)
        if (have != want).any():
            faults.append("%s: %d pixels differ from the formula (first at stored %d: %d, not %d)" % (
                name, (have != want).sum(), arr[have != want][0], have[have != want][0],
                want[have != want][0]))
        peers = {}
        if dcmtk is not None:
            out = os.path.join(work, "d%d.pgm" % n)
            subprocess.run(["dcm2pnm", "-q"] + dcmtk + [files[n], out], check=True)
            peers["dcm2pnm"] = pgm(out)
        if kind is not None:
            try:
                peers["pydicom"] = pydicom_display(ds, arr, kind, choice)
            except Exception as e:  # pylint: disable=broad-except
                report.append("pydicom refuses (%s)" % e)
                if "pydicom" not in differ:
                    faults.append("%s: pydicom refuses: %s" % (name, e))
        for peer, got in peers.items():
            worst = int(np.abs(got - have).max())
            report.append("%s %d" % (peer, worst))
            if worst > 1 and peer not in differ:
                faults.append("%s: %s differs by up to %d (at stored %d: zorl %d, %s %d)" % (
                    name, peer, worst, arr[np.argmax(np.abs(got - have))],
                    have[np.argmax(np.abs(got - have))], peer, got[np.argmax(np.abs(got - have))]))
            elif worst <= 1 and peer in differ:
                faults.append("%s: %s now agrees: %s" % (name, peer, differ[peer]))
        print("%-28s formula ok; %s" % (name, ", ".join(report) or "no peer"))
    for f in faults:
        print("FAULT: " + f)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
