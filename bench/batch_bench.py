#!/usr/bin/python3
"""The whole batch: 200 CT slices of 512 x 512 (16-bit, uncompressed DICOM)
read, windowed through their rescale (centre 40, width 400 HU) and written
as 8-bit PNG, three ways: a zorl script, the Python module zorl with
threads, and pydicom + numpy + Pillow. Checks that every output pixel is the
same across the three, and prints each one's time as reading, converting
and writing (the zorl script's and the module's parts by runs that stop
after each stage), the medians of --rounds rounds, and the ratios against
the Python stack.

    /usr/bin/python3 bench/batch_bench.py build [--slices 200] [--rounds 3]

Not run by the tests. The slices are written once, with pydicom, from a
seeded generator (a disc of soft tissue and bone in air, noise, 12 bits
stored, rescale -1024).
"""
import argparse
import concurrent.futures
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
import pydicom
from PIL import Image

from io_peer import write_ct  # the CT slice both benchmarks write

CENTRE, WIDTH = 40.0, 400.0


def write_slices(folder, count, size=512):
    rng = np.random.default_rng(2026)
    yy, xx = np.mgrid[:size, :size]
    r = np.hypot(yy - size / 2, xx - size / 2)
    base = np.where(r < size * 0.42, 1064, 24).astype(np.int32)
    base[r < size * 0.1] = 2200
    for k in range(count):
        px = base + rng.integers(-60, 60, (size, size)) + k
        px = np.clip(px, 0, 4095).astype(np.uint16)
        write_ct(os.path.join(folder, "slice%03d.dcm" % k), px, 12, k + 1)


def window(hu):
    """The LINEAR window as DisplayTable computes it, to 8 bits."""
    c, w = CENTRE - 0.5, WIDTH - 1
    f = np.clip((hu - c) / w + 0.5, 0.0, 1.0)
    return np.floor(255 * f + 0.5).astype(np.uint8)


def python_stack(files, out):
    t = [0.0, 0.0, 0.0]
    for f in files:
        a = time.perf_counter()
        ds = pydicom.dcmread(f)
        px = ds.pixel_array
        b = time.perf_counter()
        # A table of every stored value, then numpy's indexing: the
        # quickest way numpy has (the formula over every pixel takes 50
        # times longer).
        values = np.arange(1 << int(ds.BitsStored))
        lut = window(values * float(ds.RescaleSlope) +
                     float(ds.RescaleIntercept))
        img = lut[px]
        c = time.perf_counter()
        Image.fromarray(img).save(os.path.join(out, os.path.basename(f) + ".png"))
        d = time.perf_counter()
        t[0] += b - a
        t[1] += c - b
        t[2] += d - c
    return t


def zorl_script(zorl, folder, out, stages):
    body = ['files = ListFiles("%s/*.dcm")' % folder,
            'im = ReadImage(files[0])',
            't = DisplayTable(im, %g, %g)' % (CENTRE, WIDTH),
            'for f in files',
            '  im = ReadImage(f)']
    if stages >= 2:
        body.append('  p = t.Convert2To1(im.Pixels)')
    if stages >= 3:
        body.append('  WriteImage(joinpath("%s", basename(f) + ".png"), '
                    'im.Width, im.Height, 1, p)' % out)
    body.append('end')
    a = time.perf_counter()
    subprocess.run([zorl, "run", "-e", "\n".join(body)], check=True)
    return time.perf_counter() - a


def zorl_python(zorl_mod, files, out, threads, stages):
    a = time.perf_counter()
    table = zorl_mod.display_table(zorl_mod.read_image(files[0]), CENTRE, WIDTH)

    def one(f):
        im = zorl_mod.read_image(f)
        if stages >= 2:
            p = table.Convert2To1(im.pixels)
        if stages >= 3:
            zorl_mod.write_image(
                os.path.join(out, os.path.basename(f) + ".png"), p)

    with concurrent.futures.ThreadPoolExecutor(threads) as pool:
        list(pool.map(one, files))
    return time.perf_counter() - a


def same_pictures(a, b, files):
    for f in files:
        name = os.path.basename(f) + ".png"
        x = np.asarray(Image.open(os.path.join(a, name)))
        y = np.asarray(Image.open(os.path.join(b, name)))
        if x.shape != y.shape or (x != y).any():
            return name
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build", help="the build folder (zorl, python/)")
    ap.add_argument("--slices", type=int, default=200)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--threads", type=int, default=os.cpu_count())
    args = ap.parse_args()
    build = os.path.abspath(args.build)
    sys.path.insert(0, os.path.join(build, "python"))
    import zorl as zorl_mod  # pylint: disable=import-outside-toplevel
    zorl = os.path.join(build, "zorl")
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "dcm")
        outs = {k: os.path.join(tmp, k) for k in ("stack", "script", "module")}
        for d in [src, *outs.values()]:
            os.mkdir(d)
        write_slices(src, args.slices)
        files = sorted(os.path.join(src, f) for f in os.listdir(src))
        rows = {"stack": [], "script": [], "module": []}
        parts = {"stack": [], "script": [], "module": []}
        for _ in range(args.rounds):
            a = time.perf_counter()
            split = python_stack(files, outs["stack"])
            rows["stack"].append(time.perf_counter() - a)
            parts["stack"].append(split)
            s = [zorl_script(zorl, src, outs["script"], k) for k in (1, 2, 3)]
            rows["script"].append(s[2])
            parts["script"].append([s[0], s[1] - s[0], s[2] - s[1]])
            s = [zorl_python(zorl_mod, files, outs["module"], args.threads, k)
                 for k in (1, 2, 3)]
            rows["module"].append(s[2])
            parts["module"].append([s[0], s[1] - s[0], s[2] - s[1]])
        for k in ("script", "module"):
            bad = same_pictures(outs["stack"], outs[k], files)
            if bad:
                sys.exit("%s: %s differs from the Python stack's" % (k, bad))
        load = os.getloadavg()[0]
        print("%d slices, %d rounds (medians), load average %.1f; every "
              "picture the same across the three" % (args.slices, args.rounds,
                                                     load))
        base = statistics.median(rows["stack"])
        names = {"stack": "pydicom + numpy + Pillow",
                 "script": "zorl script",
                 "module": "Python module zorl, %d threads" % args.threads}
        for k in ("stack", "script", "module"):
            m = statistics.median(rows[k])
            p = [statistics.median(x[i] for x in parts[k]) for i in range(3)]
            split = "  (read %.2f, convert %.2f, write %.2f)" % tuple(p)
            print("%-36s %6.2f s  %5.2fx%s" % (names[k], m, base / m, split))


if __name__ == "__main__":
    main()
