#!/usr/bin/python3
"""Reading one DICOM slice and writing one PNG: zorl against pydicom and
Pillow, on the same bytes, in one run (ratios within it; medians).

    /usr/bin/python3 bench/io_peer.py build/zorl [WORKDIR] [ROUNDS]

The slice is 512 x 512 signed 16-bit samples (12 bits stored, as CT gives),
explicit VR little endian, made here by pydicom from a seeded generator: a
phantom of disks with noise. A zorl script reads it N times (its process's
start, timed with a script that reads once, is taken off); pydicom reads it
with dcmread(path).pixel_array. The PNG is the slice windowed to 8 bits
(centre 40, width 400 over its rescale), written by WriteImage at each zlib
level and by Pillow's Image.save with its defaults; then pydicom's own
CT_small.dcm, windowed the same way and enlarged to 512 x 512. The file
sizes are printed beside the times, and every PNG is read back by Pillow
and compared. Times are wall-clock and processor time (the processes'
own, the decoder's included): on a loaded machine the second is the
steadier."""
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
import pydicom
from PIL import Image
from pydicom.dataset import FileDataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian, generate_uid


def write_ct(path, samples, bits_stored=12, instance=1):
    """Writes a CT slice of 16-bit samples (int16: signed, uint16: not),
    explicit VR little endian, rescale intercept -1024."""
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = "1.2.840.10008.5.1.4.1.1.2"
    meta.MediaStorageSOPInstanceUID = generate_uid()
    meta.TransferSyntaxUID = ExplicitVRLittleEndian
    ds = FileDataset(path, {}, file_meta=meta, preamble=b"\0" * 128)
    ds.SOPClassUID = meta.MediaStorageSOPClassUID
    ds.SOPInstanceUID = meta.MediaStorageSOPInstanceUID
    ds.Modality = "CT"
    ds.InstanceNumber = instance
    ds.Rows, ds.Columns = samples.shape
    ds.SamplesPerPixel = 1
    ds.PhotometricInterpretation = "MONOCHROME2"
    ds.BitsAllocated = 16
    ds.BitsStored = bits_stored
    ds.HighBit = bits_stored - 1
    ds.PixelRepresentation = 1 if samples.dtype.kind == "i" else 0
    ds.RescaleIntercept = "-1024"
    ds.RescaleSlope = "1"
    ds.PixelData = samples.astype(samples.dtype.newbyteorder("<")).tobytes()
    ds.save_as(path, write_like_original=False)


def make_slice(path, bits_stored=12):
    rng = np.random.default_rng(24)
    y, x = np.mgrid[0:512, 0:512]
    hu = np.full((512, 512), -1000.0)  # air around a body of soft tissue
    hu[(x - 256) ** 2 / 230.0**2 + (y - 256) ** 2 / 180.0**2 < 1] = 40
    hu[(x - 180) ** 2 + (y - 250) ** 2 < 60**2] = -800  # lungs
    hu[(x - 330) ** 2 + (y - 250) ** 2 < 60**2] = -800
    hu[(x - 256) ** 2 + (y - 330) ** 2 < 25**2] = 700  # a bone
    hu += rng.normal(0, 12, hu.shape)
    write_ct(path, (np.round(hu) + 1024).astype(np.int16), bits_stored)
    return windowed(pydicom.dcmread(path).pixel_array)


def windowed(raw):
    hu = raw.astype(np.int32) - 1024
    return np.clip((hu - (40 - 200)) * 255 // 400, 0, 255).astype(np.uint8)


def median_time(fn, rounds):
    """Medians of the wall-clock time and of the processor time (this
    process's and its waited-for children's, the decoder among them)."""
    wall, cpu = [], []
    for _ in range(rounds):
        r0 = resource.getrusage(resource.RUSAGE_CHILDREN)
        c0, t = time.process_time(), time.perf_counter()
        fn()
        wall.append(time.perf_counter() - t)
        r1 = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu.append(time.process_time() - c0 + r1.ru_utime + r1.ru_stime -
                   r0.ru_utime - r0.ru_stime)
    return Times(statistics.median(wall), statistics.median(cpu))


class Times:
    def __init__(self, wall, cpu):
        self.wall, self.cpu = wall, cpu

    def __sub__(self, o):
        return Times(self.wall - o.wall, self.cpu - o.cpu)

    def __truediv__(self, n):
        return Times(self.wall / n, self.cpu / n)

    def __str__(self):
        return "%.3f ms (processor %.3f ms)" % (self.wall * 1e3, self.cpu * 1e3)


def ratio(peer, ours):
    return "%.2fx (processor time %.2fx)" % (peer.wall / ours.wall,
                                             peer.cpu / ours.cpu)


def zorl_each(zorl, work, body, n, rounds, prelude=""):
    """Seconds one round of body takes in a zorl script, its start off."""
    def script(count):
        path = os.path.join(work, "bench%d.zs" % count)
        with open(path, "w") as f:
            f.write("%sfor i in range(0, %d)\n%s\nend\n" % (prelude, count, body))
        return path

    many, one = script(n + 1), script(1)
    run = lambda p: subprocess.run([zorl, "run", p], check=True, cwd=work)
    t_many = median_time(lambda: run(many), rounds)
    t_one = median_time(lambda: run(one), rounds)
    return (t_many - t_one) / n


def main():
    zorl = os.path.abspath(sys.argv[1])
    work = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp()
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    n = 200
    os.makedirs(work, exist_ok=True)
    dcm = os.path.join(work, "slice.dcm")
    pixels = make_slice(dcm)
    print("load average %.1f %.1f %.1f, %d cores" % (os.getloadavg() +
                                                     (os.cpu_count(),)))

    def py_read():
        for _ in range(n):
            pydicom.dcmread(dcm).pixel_array
    py = median_time(py_read, rounds) / n
    zr = zorl_each(zorl, work, '  im = ReadImage("slice.dcm")', n, rounds)
    print("read one slice: zorl %s, pydicom %s: zorl at %s pydicom's "
          "speed" % (zr, py, ratio(py, zr)))

    ct = pydicom.dcmread(os.path.join(os.path.dirname(pydicom.__file__),
                                      "data", "test_files", "CT_small.dcm"))
    ct_pixels = windowed(ct.pixel_array.astype(np.int32) +
                         int(ct.RescaleIntercept) + 1024)
    ct_pixels = np.kron(ct_pixels, np.ones((4, 4), np.uint8))  # 512 x 512
    for title, picture, levels in (
            ("the phantom", pixels, [None] + list(range(0, 10))),
            ("pydicom's CT_small.dcm, 4 x 4 pixels a pixel", ct_pixels,
             [None, 1, 6, 9])):
        write_png(zorl, work, title, picture, levels, n // 4, rounds)


def write_png(zorl, work, title, pixels, levels, m, rounds):
    """Pillow's default against WriteImage's default and given levels."""
    pixels.tofile(os.path.join(work, "win8.raw"))
    image = Image.fromarray(pixels)
    pil_png = os.path.join(work, "pil.png")

    def pil_write():
        for _ in range(m):
            image.save(pil_png)
    pw = median_time(pil_write, rounds) / m
    pil_size = os.path.getsize(pil_png)
    print("write one PNG of %s: Pillow %s, %d bytes" % (title, pw, pil_size))
    prelude = ('im = Image()\nim.Width = 512\nim.Height = 512\nim.Depth = 1\n'
               'im.Pixels = ReadFile("win8.raw")\n')
    for level in levels:
        option = "" if level is None else ", %d" % level
        name = "z%s.png" % ("" if level is None else level)
        body = '  WriteImage("%s", im%s)' % (name, option)
        zw = zorl_each(zorl, work, body, m, rounds, prelude)
        size = os.path.getsize(os.path.join(work, name))
        back = np.asarray(Image.open(os.path.join(work, name)))
        assert (back == pixels).all(), name
        print("  zorl %-8s %s, %7d bytes: %s Pillow's speed, %.3f its "
              "size" % ("default" if level is None else "level %d" % level,
                        zw, size, ratio(pw, zw), size / pil_size))

if __name__ == "__main__":
    main()
