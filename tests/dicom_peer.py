#!/usr/bin/env python3
"""Compares zorl's DICOM reading with pydicom's, on the DICOM files and
palettes that Debian's python3-pydicom ships: every frame's pixels (byte for
byte, 16 bits low byte first, colour as blue, green, red), every palette,
and a gray ramp through LUT3 of each palette against pydicom's
apply_color_lut. Lossy transfer syntaxes may differ by 1 in a sample. Files one side can't read are listed; each file zorl
refuses must give one error that names it. Exit 77 (skipped) without pydicom.

    dicom_peer.py ZORL WORKDIR"""
import glob
import json
import os
import subprocess
import sys
import warnings

try:
    import numpy as np
    import pydicom
    from pydicom.pixel_data_handlers.util import apply_color_lut, convert_color_space
except ImportError as e:
    print("skipped: pydicom and numpy are needed (%s)" % e)
    sys.exit(77)

warnings.simplefilter("ignore")
DATA = os.path.join(os.path.dirname(pydicom.__file__), "data")
SANITIZER = ("AddressSanitizer", "LeakSanitizer", "runtime error:")


def pydicom_pixels(path):
    """The frames pydicom decodes, or the reason it can't."""
    try:
        ds = pydicom.dcmread(path, force=True)
        arr = ds.pixel_array
    except Exception as e:  # pylint: disable=broad-except
        return None, "%s: %s" % (type(e).__name__, str(e).split("\n")[0][:70])
    frames = int(ds.get("NumberOfFrames", 1) or 1)
    return (list(arr) if frames > 1 else [arr]), ds


def expected_bytes(frame, ds):
    if frame.ndim == 3 and ds.PhotometricInterpretation.startswith("YBR_FULL"):
        frame = convert_color_space(frame, ds.PhotometricInterpretation, "RGB")
    if frame.ndim == 3 and frame.dtype == np.uint16:  # as 16-bit PNG colour
        frame = (frame.astype("u8") * 255 + 32767) // 65535
    if frame.ndim == 3:  # red, green, blue to blue, green, red
        return np.ascontiguousarray(frame[..., ::-1]).astype("u1").tobytes()
    if ds.BitsAllocated == 16:
        return frame.astype("<i2" if ds.PixelRepresentation else "<u2").tobytes()
    return frame.astype("u1").tobytes()


# Lossy transfer syntaxes: JPEG baseline and extended, JPEG-LS near-lossless
# and JPEG 2000 (which may be either). Their decoders may round the last
# bit differently from build to build (the 32-bit build's among them).
LOSSY = ("1.2.840.10008.1.2.4.50", "1.2.840.10008.1.2.4.51",
         "1.2.840.10008.1.2.4.81", "1.2.840.10008.1.2.4.91")


def lossy(ds):
    return str(ds.file_meta.get("TransferSyntaxUID", "")) in LOSSY


def within_one(have, want, ds):
    kind = ("<i2" if ds.PixelRepresentation else "<u2") \
        if ds.BitsAllocated == 16 and ds.SamplesPerPixel == 1 else "u1"
    a, b = np.frombuffer(have, kind), np.frombuffer(want, kind)
    return a.shape == b.shape and \
        int(np.abs(a.astype(np.int32) - b.astype(np.int32)).max()) <= 1


def pydicom_palette(path, values):
    out = apply_color_lut(np.asarray(values), pydicom.dcmread(path))
    return (out >> 8 if out.dtype == np.uint16 else out).astype("u1")


def series_order(folder):
    """The slices of a folder as a series: along their common normal when
    every slice has a position and the same orientation, else by instance
    number."""
    slices = []
    for path in sorted(glob.glob(os.path.join(folder, "*"))):
        try:
            slices.append((path, pydicom.dcmread(path, stop_before_pixels=True)))
        except Exception:  # not DICOM: left out, as ListSeries does
            pass
    orient = {tuple(ds.get("ImageOrientationPatient") or ()) for _, ds in slices}
    if len(orient) == 1 and all("ImagePositionPatient" in ds for _, ds in slices):
        o = np.array(orient.pop(), dtype=float)
        normal = np.cross(o[:3], o[3:])
        key = lambda s: float(np.dot(np.array(s[1].ImagePositionPatient, float), normal))
    else:
        key = lambda s: float(s[1].get("InstanceNumber") or 1e300)
    return [path for path, _ in sorted(slices, key=key)]


def check_series(zorl, faults):
    """ListSeries against the order above, for every folder of slices."""
    count = 0
    for folder in sorted(glob.glob(os.path.join(DATA, "test_files", "dicomdirtests", "*", "*"))):
        want = series_order(folder)
        if len(want) < 2:
            continue
        run = subprocess.run([zorl, "run", "-e", 'print(ListSeries("%s"))' % folder],
                             capture_output=True, text=True)
        have = json.loads(run.stdout) if run.returncode == 0 else run.stderr
        if have != want:
            faults.append("series %s: %s, not %s" % (folder, have, want))
        count += 1
    return count


def check_high_bits(zorl, work, faults):
    """Native 16-bit gray of 12 bits stored, with bits set above them (as
    overlays leave): cleared, or the sign extended, in every frame, by
    either native little-endian syntax."""
    from pydicom.dataset import FileDataset, FileMetaDataset
    from pydicom.uid import ExplicitVRLittleEndian, ImplicitVRLittleEndian
    raw = np.random.default_rng(7).integers(0, 65536, (2, 3, 5), dtype="<u2")
    cases = [(s, uid) for s in (0, 1)
             for uid in (ImplicitVRLittleEndian, ExplicitVRLittleEndian)]
    lines = []
    for n, (signed, uid) in enumerate(cases):
        meta = FileMetaDataset()
        meta.MediaStorageSOPClassUID = "1.2.840.10008.5.1.4.1.1.7"
        meta.MediaStorageSOPInstanceUID = "1.2.3.%d" % n
        meta.TransferSyntaxUID = uid
        path = os.path.join(work, "high%d.dcm" % n)
        ds = FileDataset(path, {}, file_meta=meta, preamble=b"\0" * 128)
        ds.is_little_endian, ds.is_implicit_VR = True, uid == ImplicitVRLittleEndian
        ds.Rows, ds.Columns, ds.NumberOfFrames, ds.SamplesPerPixel = 3, 5, 2, 1
        ds.PhotometricInterpretation = "MONOCHROME2"
        ds.BitsAllocated, ds.BitsStored, ds.HighBit = 16, 12, 11
        ds.PixelRepresentation = signed
        ds.PixelData = raw.tobytes()
        ds.save_as(path, write_like_original=False)
        for k in range(2):
            lines.append('WriteFile("high%d.%d.raw", ReadImage("%s", %d).Pixels)'
                         % (n, k, path, k))
    with open(os.path.join(work, "high.zs"), "w") as f:
        f.write("\n".join(lines) + "\n")
    run = subprocess.run([zorl, "run", "high.zs"], cwd=work, capture_output=True,
                         text=True)
    if run.returncode != 0:
        faults.append("12-bit native files: %s" % run.stderr[-500:])
        return
    for n, (signed, uid) in enumerate(cases):
        for k in range(2):
            v = raw[k].astype(np.int32) & 0xFFF
            want = ((v ^ 0x800) - 0x800 if signed else v).astype("<i2").tobytes()
            with open(os.path.join(work, "high%d.%d.raw" % (n, k)), "rb") as f:
                if f.read() != want:
                    faults.append("high%d.dcm (signed %d, %s) frame %d: the bits "
                                  "above Bits Stored" % (n, signed, uid, k))


def main():
    zorl, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    images = sorted(glob.glob(os.path.join(DATA, "test_files", "*.dcm")))
    palettes = sorted(glob.glob(os.path.join(DATA, "palettes", "*.dcm")))
    lines, reads, peers = [], {}, {}
    for n, path in enumerate(images):
        frames, ds = pydicom_pixels(path)
        peers[path] = (frames, ds)
        for k in range(len(frames) if frames else 1):
            reads[len(lines) + 1] = (path, k)
            lines.append('i = ReadImage("%s", %d)' % (path, k))
            lines.append('WriteFile("%d.%d.raw", i.Pixels)' % (n, k))
    ct = os.path.join(DATA, "test_files", "CT_small.dcm")
    reads[len(lines) + 1] = (ct, "no frame 1")
    lines.append('i = ReadImage("%s", 1)' % ct)
    for n, path in enumerate(palettes):
        tables = ", ".join('ReadPalette("%s", %d)' % (path, k) for k in range(3))
        lines.append('p = LUT3(%s)' % tables)
        lines.append('WriteFile("p%d.raw", bytes(p.GetTable(0)) + '
                     'bytes(p.GetTable(1)) + bytes(p.GetTable(2)))' % n)
        lines.append('p.Convert1To3(rgb, bytes(range(0, 256)))')
        lines.append('WriteFile("g%d.raw", rgb)' % n)
    script = os.path.join(work, "peer.zs")
    with open(script, "w") as f:
        f.write("\n".join(lines) + "\n")
    run = subprocess.run([zorl, "run", "peer.zs", "--keep-going"], cwd=work,
                         capture_output=True, text=True, errors="replace")
    faults = []
    if run.returncode not in (0, 1) or any(s in run.stderr for s in SANITIZER):
        faults.append("zorl exited %d:\n%s" % (run.returncode, run.stderr[-3000:]))
    errors = {}
    for line in run.stderr.splitlines():
        if line.startswith("peer.zs:") and ": error " in line:
            errors.setdefault(int(line.split(":")[1]), []).append(line)

    same, listed = 0, set()
    for number, (path, k) in sorted(reads.items()):
        name = os.path.basename(path)
        got = errors.get(number, [])
        if len(got) > 1 or (got and path not in got[0]):
            faults.append("%s: not one error naming the file: %s" % (name, got))
        if k == "no frame 1":
            if not got or "no frame 1" not in got[0]:
                faults.append("frame 1 of CT_small.dcm did not fail: %s" % got)
            continue
        frames, ds = peers[path]
        raw = os.path.join(work, "%d.%d.raw" % (images.index(path), k))
        if got and frames is None:
            print("neither reads %s: zorl: %s; pydicom: %s" % (
                name, got[0].split(path + ": ")[-1], ds))
        elif got and name in listed:
            continue
        elif got:
            listed.add(name)
            print("zorl refuses %s: %s" % (name, got[0].split(path + ": ")[-1]))
            kind = (ds.SamplesPerPixel, ds.BitsAllocated, ds.PhotometricInterpretation)
            # Pixel Data longer or shorter than the header describes is
            # refused, though pydicom reads what it needs of it.
            contradicts = "Pixel Data (7FE0,0010)" in got[0]
            colour = kind[0] == 3 and kind[1] in (8, 16)
            if (kind in ((1, 8, "MONOCHROME2"), (1, 16, "MONOCHROME2"))
                    or colour) and not contradicts:
                faults.append("%s: zorl refuses a kind it reads" % name)
        elif frames is None:
            print("pydicom cannot decode %s: %s" % (name, ds))
        else:
            want = expected_bytes(frames[k], ds)
            with open(raw, "rb") as f:
                have = f.read()
            if have != want and lossy(ds) and within_one(have, want, ds):
                same += 1
                print("same pixels within 1 (a lossy syntax): %s frame %d" % (
                    name, k))
            elif have != want:
                diff = sum(a != b for a, b in zip(have, want))
                faults.append("%s frame %d: %d of %d bytes differ (%d read)" % (
                    name, k, diff, len(want), len(have)))
            else:
                same += 1
                print("same pixels: %s frame %d" % (name, k))
    for n, path in enumerate(palettes):
        name = os.path.basename(path)
        table = pydicom_palette(path, np.arange(256))
        ramp = pydicom_palette(path, np.arange(256, dtype="u1"))
        with open(os.path.join(work, "p%d.raw" % n), "rb") as f:
            have = f.read()
        with open(os.path.join(work, "g%d.raw" % n), "rb") as f:
            gray = f.read()
        if have != table.T.tobytes():
            faults.append("palette %s differs from pydicom's" % name)
        elif gray != np.ascontiguousarray(ramp[..., ::-1]).tobytes():
            faults.append("LUT3 of palette %s differs from apply_color_lut" % name)
        else:
            print("same palette and LUT3 colours: %s" % name)
    if same < 12:
        faults.append("only %d frames compared" % same)
    series = check_series(zorl, faults)
    check_high_bits(zorl, work, faults)
    for fault in faults:
        print("FAULT:", fault)
    print("%d frames, %d palettes and %d series compared, %d faults" % (
        same, len(palettes), series, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
