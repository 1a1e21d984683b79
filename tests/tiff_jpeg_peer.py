#!/usr/bin/env python3
"""TIFF and JPEG files against Pillow (Debian's python3-pil, with numpy).
Round trips, a row each: a file that Pillow (or, for signed samples, a
writer here) made is read by zorl, written again with the row's compression
and read back by Pillow and by zorl; a 16-bit stack page by page through a
LUT2; JPEG against Pillow's decoding and its tables of a quality. Then
damaged files, a row each: one error naming the file. All in one zorl run
with --keep-going. Exit 77 (skipped) without Pillow.

    tiff_jpeg_peer.py ZORL WORKDIR"""
import os
import struct
import subprocess
import sys

try:
    import numpy as np
    from PIL import Image
except ImportError as e:
    print("skipped: Pillow and numpy are needed (%s)" % e)
    sys.exit(77)

RNG = np.random.default_rng(21)
PIL_NAME = {"none": "raw", "lzw": "tiff_lzw", "deflate": "tiff_adobe_deflate",
            "packbits": "packbits"}


def tiff(pages, cut=0):
    """A little-endian TIFF, each page's directory before its one strip:
    pages of (array, extra tags {tag: (type, value) or None}); the file
    less its last cut bytes."""
    out = bytearray(b"II*\0\0\0\0\0")
    link = 4
    for a, extra in pages:
        kind = a.dtype.kind
        data = extra.pop("data", a.astype(a.dtype.newbyteorder("<")).tobytes())
        spp = a.shape[2] if a.ndim == 3 else 1
        tags = {256: (4, a.shape[1]), 257: (4, a.shape[0]),
                258: (3, a.dtype.itemsize * 8), 259: (3, 1),
                262: (3, 2 if spp == 3 else 1), 273: (4, 0), 277: (3, spp),
                278: (4, a.shape[0]), 279: (4, len(data)),
                339: (3, 2 if kind == "i" else 3 if kind == "f" else 1)}
        tags.update(extra)
        tags = {k: v for k, v in tags.items() if v is not None}
        struct.pack_into("<I", out, link, len(out))
        at = len(out) + 2 + 12 * len(tags) + 4
        tags[273 if 273 in tags else 324] = (4, at)  # strip or tile
        out += struct.pack("<H", len(tags))
        for tag in sorted(tags):
            t, v = tags[tag]
            out += struct.pack("<HHI", tag, t, 1) + struct.pack(
                "<HH" if t == 3 else "<I", *((v, 0) if t == 3 else (v,)))
        link = len(out)
        out += b"\0\0\0\0" + data + b"\0" * (len(data) % 2)
    return bytes(out[:len(out) - cut])


def sample(kind, h=23, w=37):
    if kind == "rgb":
        return RNG.integers(0, 256, (h, w, 3), dtype=np.uint8)
    dtype = {"u8": np.uint8, "s8": np.int8, "u16": np.uint16,
             "s16": np.int16}[kind]
    info = np.iinfo(dtype)
    a = RNG.integers(info.min, info.max, (h, w), dtype=dtype, endpoint=True)
    a[0, :4] = [info.min, info.max, 0, 1]
    return a


def stored(a):
    """The pixels as zorl holds them: 16 bits low byte first, blue first."""
    if a.ndim == 3:
        return a[..., ::-1].tobytes()
    return a.astype(a.dtype.newbyteorder("<")).tobytes()


def smooth(shape):
    y, x = np.mgrid[0:shape[0], 0:shape[1]]
    a = 128 + 60 * np.sin(x / 7.0) * np.cos(y / 5.0)
    if len(shape) == 3:
        a = np.stack([a, 255 - a, (a + 64) % 256], axis=2)
    return a.astype(np.uint8)


class Script:
    """A zorl script and what the checks after its run need."""

    def __init__(self, work):
        self.work, self.lines, self.checks, self.bad = work, [], [], {}

    def path(self, name):
        return os.path.join(self.work, name)

    def file(self, name, content):
        with open(self.path(name), "wb") as f:
            f.write(content)
        return self.path(name)

    def add(self, *lines):
        self.lines.extend(lines)


def tiff_rows(s):
    for kind in ("u8", "s8", "u16", "s16", "rgb"):
        for comp in ("none", "lzw", "deflate", "packbits"):
            name = "%s_%s" % (kind, comp)
            a = sample(kind)
            if kind.startswith("s"):
                src = s.file(name + ".in.tif", tiff([(a, {})]))
            else:
                src = s.path(name + ".in.tif")
                Image.fromarray(a).save(src, compression=PIL_NAME[comp])
            out = s.path(name + ".tif")
            s.add('i = ReadImage("%s")' % src,
                  'print("%s", i.Depth, i.Signed, i.Frames)' % name,
                  'WriteFile("%s.raw", i.Pixels)' % out,
                  'WriteImage("%s", i, "%s")' % (out, comp),
                  'print(ReadImage("%s").Pixels == i.Pixels)' % out)
            s.checks.append((name, a, comp, out))


def check_tiff(s, printed, faults):
    for name, a, comp, out in s.checks:
        depth = 3 if a.ndim == 3 else a.dtype.itemsize
        want = '"%s" %d %s 1\ntrue' % (name, depth,
                                     "true" if a.dtype.kind == "i" else "false")
        got = printed.pop(0) + "\n" + printed.pop(0)
        if got != want:
            faults.append("%s: read as %r, not %r" % (name, got, want))
        with open(out + ".raw", "rb") as f:
            if f.read() != stored(a):
                faults.append("%s: the pixels read differ" % name)
        if a.dtype == np.int8:
            continue  # Pillow reads no signed bytes
        im = Image.open(out)
        if im.info.get("compression") != PIL_NAME[comp]:
            faults.append("%s: written as %s" % (name, im.info.get("compression")))
        if not np.array_equal(np.array(im).astype(np.int32), a.astype(np.int32)):
            faults.append("%s: Pillow reads other pixels" % name)


def stack_rows(s):
    """A 12-bit stack page by page, through LUT2(4096), and written whole."""
    pages = [RNG.integers(0, 4096, (17, 19), dtype=np.uint16) for _ in range(5)]
    src = s.path("stack.in.tif")
    Image.fromarray(pages[0]).save(src, compression="tiff_lzw", save_all=True,
                                   append_images=[Image.fromarray(p) for p in pages[1:]])
    s.add('t = LUT2(4096)', 'pages = []')
    for k in range(5):
        s.add('p = ReadImage("%s", %d)' % (src, k), 'append(pages, p)',
              'print(p.Frames, p.Depth)',
              'WriteFile("%s", p.Pixels + t.Convert2To1(p.Pixels))'
              % s.path("stack%d.raw" % k))
    s.add('WriteImage("%s", pages)' % s.path("stack.tif"))
    many = [np.full((2, 3), k, dtype=np.uint16) for k in range(3000)]
    s.add('print(ReadImage("%s", 2999).Frames, ReadImage("%s", 2999).Pixels)'
          % (s.file("many.tif", tiff([(p, {}) for p in many])), s.path("many.tif")))
    return pages


def check_stack(s, pages, printed, faults):
    for k, p in enumerate(pages):
        if printed.pop(0) != "5 2":
            faults.append("stack page %d: not frame of 5 of depth 2" % k)
        with open(s.path("stack%d.raw" % k), "rb") as f:
            if f.read() != stored(p) + (p // 16).astype(np.uint8).tobytes():
                faults.append("stack page %d: other pixels or LUT2 output" % k)
    im = Image.open(s.path("stack.tif"))
    if im.n_frames != 5 or im.info.get("compression") != "tiff_adobe_deflate":
        faults.append("stack.tif: %d pages, %s" % (im.n_frames, im.info.get("compression")))
    for k, p in enumerate(pages):
        im.seek(k)
        if not np.array_equal(np.array(im), p):
            faults.append("stack.tif page %d: Pillow reads other pixels" % k)
    if printed.pop(0) != '3000 "\\xb7\\x0b\\xb7\\x0b\\xb7\\x0b\\xb7\\x0b\\xb7\\x0b\\xb7\\x0b"':
        faults.append("many.tif: page 2999 of 3000 not read")


def jpeg_rows(s):
    rows = []
    for kind, shape in (("gray", (40, 48)), ("rgb", (40, 48, 3))):
        a = smooth(shape)
        src = s.path(kind + ".in.jpg")
        Image.fromarray(a).save(src, quality=90)
        s.add('j = ReadImage("%s")' % src,
              'WriteFile("%s.raw", j.Pixels)' % src)
        for q in (None, 30, 95):
            out = s.path("%s_%s.jpg" % (kind, q))
            s.add('WriteImage("%s", j%s)' % (out, ", %d" % q if q else ""))
            Image.fromarray(a).save(out + ".peer.jpg", quality=q or 90)
        rows.append((kind, a, src))
    return rows


def check_jpeg(s, rows, faults):
    for kind, a, src in rows:
        peer = np.array(Image.open(src))
        with open(src + ".raw", "rb") as f:
            got = np.frombuffer(f.read(), np.uint8)
        if got.tobytes() != stored(peer):
            faults.append("%s: zorl's decoding differs from Pillow's" % src)
        size = {}
        for q in (None, 30, 95):
            out = s.path("%s_%s.jpg" % (kind, q))
            im = Image.open(out)
            size[q] = os.path.getsize(out)
            if im.quantization != Image.open(out + ".peer.jpg").quantization:
                faults.append("%s: not the tables of quality %s" % (out, q or 90))
            error = np.abs(np.array(im).astype(int) - a).mean()
            if im.mode != ("L" if kind == "gray" else "RGB") or error > (6 if q == 30 else 3):
                faults.append("%s: %s, mean error %.2f" % (out, im.mode, error))
        if not size[30] < size[None] < size[95]:
            faults.append("%s: sizes %s" % (kind, size))


def bad_rows(s):
    a = sample("u16", 64, 64)
    lzw = s.path("lzw.tmp.tif")
    Image.fromarray(a).save(lzw, compression="tiff_lzw")
    im = Image.open(lzw)
    strip = open(lzw, "rb").read()[im.tag_v2[273][0]:][:im.tag_v2[279][0]]
    Image.new("F", (4, 4)).save(s.path("float.tif"))
    Image.new("CMYK", (4, 4)).save(s.path("cmyk.tif"))
    Image.new("CMYK", (8, 8)).save(s.path("cmyk.jpg"))
    Image.fromarray(smooth((64, 64, 3))).save(s.path("cut.jpg"))
    jpeg = open(s.path("cut.jpg"), "rb").read()
    small = np.zeros((4, 4), np.uint8)
    loop = bytearray(tiff([(small, {})]))  # its one page links to itself
    struct.pack_into("<I", loop, 10 + 12 * struct.unpack_from("<H", loop, 8)[0], 8)
    rows = [
        ("empty.tif", b"", "empty file"),
        ("header.tif", b"II*\0\x08\0", "truncated TIFF header"),
        ("cut_none.tif", tiff([(a, {})], cut=4000), "cannot fit in the file"),
        ("cut_row.tif", tiff([(a, {})], cut=100), "page 0: row 0 can't be read"),
        ("cut_lzw.tif", tiff([(a, {259: (3, 5), "data": strip})], cut=len(strip) // 2),
         "corrupt or truncated TIFF: page 0: row"),
        ("cut_ifd.tif", tiff([(small, {})])[:12], "page 0 ends past the end"),
        ("tiled.tif", tiff([(small, {273: None, 278: None, 279: None, 322: (3, 16),
                                     323: (3, 16), 325: (4, 16)})]), "tiled"),
        ("bits12.tif", tiff([(small, {258: (3, 12)})]), "12 bits per sample"),
        ("huge.tif", tiff([(small, {256: (4, 100000), 257: (4, 100000),
                                    258: (3, 16)})]), "more than 1073741824 bytes"),
        ("huge_none.tif", tiff([(small, {256: (4, 20000), 257: (4, 20000)})]),
         "20000 x 20000 pixels cannot fit"),
        ("loop.tif", loop, "page 1 is an earlier page again"),
        ("float.tif", None, "floating-point samples"),
        ("cmyk.tif", None, "separated (CMYK)"),
        ("stack.in.tif", None, "no frame 5: it has 5 frames (0 to 4)"),
        ("empty.jpg", b"", "empty file"),
        ("cut.jpg", jpeg[:len(jpeg) * 2 // 3], "corrupt or truncated JPEG: Premature end"),
        ("header.jpg", b"\xff\xd8\xff\xe0\0\x10JFIF" + bytes(range(200)), "corrupt JPEG"),
        ("cmyk.jpg", None, "a JPEG of 4 components"),
    ]
    for name, content, fragment in rows:
        path = s.file(name, bytes(content)) if content is not None else s.path(name)
        s.bad[len(s.lines) + 1] = (name, fragment)
        s.add('x = ReadImage("%s"%s)' % (path, ", 5" if name == "stack.in.tif" else ""))


def main():
    zorl, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    s = Script(work)
    tiff_rows(s)
    pages = stack_rows(s)
    jpegs = jpeg_rows(s)
    bad_rows(s)
    script = s.file("peer.zs", ("\n".join(s.lines) + "\n").encode())
    run = subprocess.run([zorl, "run", script, "--keep-going"],
                         capture_output=True, text=True, errors="replace",
                         timeout=600)
    printed, faults = run.stdout.splitlines(), []
    check_tiff(s, printed, faults)
    check_stack(s, pages, printed, faults)
    check_jpeg(s, jpegs, faults)
    errors = {}
    for line in run.stderr.splitlines():
        parts = line.split(":")
        if len(parts) > 2 and parts[1].isdigit():
            errors.setdefault(int(parts[1]), []).append(line)
    for number, (name, fragment) in sorted(s.bad.items()):
        got = errors.pop(number, [])
        if len(got) != 1 or name not in got[0] or fragment not in got[0]:
            faults.append("%s: not one error naming it with %r: %s"
                          % (name, fragment, got))
        else:
            print("%-14s %s" % (name, got[0].split(name + ": ", 1)[-1][:100]))
    for number, got in errors.items():
        faults.append("line %d: unexpected %s" % (number, got))
    for fault in faults:
        print("FAULT:", fault)
    print("%d TIFF round trips, a stack, %d JPEGs, %d damaged files: %d faults"
          % (len(s.checks), len(jpegs), len(s.bad), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
