#!/usr/bin/python3
"""A damage campaign against zorl's DICOM reading.

Every DICOM test file and palette that Debian's python3-pydicom ships is
damaged in many ways, the same ways on every run for a given seed: cut short
at many offsets (in the preamble, the meta group, the header, before and
inside the pixel data, one byte short), image fields set to other values
(Rows, Columns, BitsAllocated, BitsStored, HighBit, SamplesPerPixel,
PlanarConfiguration, PixelRepresentation, NumberOfFrames,
PhotometricInterpretation, the Pixel Data element's length), palette
descriptors, data lengths and segments changed, and random bytes of the
header flipped. Each damaged image is read by `zorl run` with ReadImage
(printing Width, Height, Depth and Signed, writing the Pixels to a file),
each damaged palette with ReadPalette, under a wall-time limit, measuring
the peak memory of the run.

Each run gets one outcome:
  success         read, and pydicom decodes the same pixels (or tables)
  pydicom refuses read by zorl, but pydicom refuses the damaged file
  no peer         read by zorl; pydicom can't decode the undamaged file either,
                  or can't convert it as zorl does (YBR of 16 bits)
  contradicted    read, but pydicom decodes other pixels (lossy transfer
                  syntaxes within --tolerance, the others exactly)
  wrong size      read, but Pixels is not Width * Height * Depth bytes
  clean error     exit status 1 with one `error N:` line naming the file
  contained       a clean error that says the DICOM decoder process failed
                  (aborted, crashed, over its limits): contained, to examine
  unclean error   exit status 1 otherwise (several errors, or none naming it)
  crash           killed by a signal, or a deadly signal the sanitizer caught
  abort           SIGABRT (status 134)
  sanitizer       an AddressSanitizer, LeakSanitizer or UBSan report, or
                  the sanitizer's exit status without one
  timeout         killed after --kill-after seconds
  memory kill     killed when zorl and the processes it started held more
                  than --mem-limit-mib
  odd exit        any other exit status, or a success without its output
and may be flagged `over time` (more than --slow seconds) or `over memory`
(peak resident memory above --mem-limit-mib). scripts/run_limited.py runs
each zorl in a session of its own (with the decoder process it starts) and
measures it: the peak is the ru_maxrss that os.wait4 gives (the most that
zorl, or any one descendant it waited for, held; checked at start with a
child whose child allocates 64 MiB), or the session's resident memory,
looked at four times a second, when that was more.

Prints a table of the counts per class, the worst examples of each bad
class (the file, what happened, the first lines of standard error) and the
reads that pydicom refuses, writes a JSON report of every run, and exits 1
when any run is a crash, abort, sanitizer report, timeout, memory kill,
contradiction, wrong size, over time or over memory. Not run by CI.

A sanitizer build's sanitizers exit with status 86 here (their exitcode
option), so that a report that went where zorl had shut standard error still
counts.

Run it with the system's python3 (pydicom and numpy live there):

    /usr/bin/python3 scripts/dicom_campaign.py --zorl build/zorl
    /usr/bin/python3 scripts/dicom_campaign.py --zorl build-san/zorl \\
        --work /tmp/campaign --sample 300 --jobs 2

Options: --zorl (the binary), --work (default /tmp/zorl-dicom-campaign:
damaged files, kept pixels of bad runs, report.json), --sample (a count,
or a fraction below 1, of the damaged files, chosen by the seed), --seed,
--jobs (parallel runs, default 2), --slow, --kill-after, --mem-limit-mib,
--tolerance, --examples, --only (a regular expression: only the damaged
files whose names match, to run one again).
"""
import argparse
import collections
import concurrent.futures
import glob
import io
import json
import os
import random
import re
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import warnings
import zlib

import numpy as np
import pydicom
from pydicom.pixel_data_handlers.util import apply_color_lut, convert_color_space

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(os.path.dirname(pydicom.__file__), "data")
MIB = 1 << 20

# ----------------------------------------------------------------------------
# The undamaged files, in a form that can be edited

PIXEL_DATA = 0x7FE00010
DESCRIPTORS = (0x00281101, 0x00281102, 0x00281103)
PLAIN_LUTS = (0x00281201, 0x00281202, 0x00281203)
SEGMENTED_LUTS = (0x00281221, 0x00281222, 0x00281223)
DEFLATE = "1.2.840.10008.1.2.1.99"
LOSSY = {"1.2.840.10008.1.2.4.50", "1.2.840.10008.1.2.4.51",
         "1.2.840.10008.1.2.4.81", "1.2.840.10008.1.2.4.91"}
LONG_VRS = {"OB", "OD", "OF", "OL", "OV", "OW", "SQ", "SV", "UC", "UN", "UR",
            "UT", "UV"}

# Where an element of the top-level data set lies, in the body's bytes.
Element = collections.namedtuple(
    "Element", "tag header_at len_at len_size value_at length little implicit")

# name: the file's stem; data: its bytes; head + body: the file, with a
# deflated body inflated (offsets of elements are in the body); meta_end:
# where the meta group ends in the file (0 without one).
Source = collections.namedtuple(
    "Source", "name data head body deflated elements meta_end syntax")


def element_at(raw):
    """Where a raw element's header, length and value lie."""
    if raw.is_implicit_VR:
        header, len_size = 8, 4
    elif raw.VR in LONG_VRS:
        header, len_size = 12, 4
    else:
        header, len_size = 8, 2
    return Element(raw.tag, raw.value_tell - header, raw.value_tell - len_size,
                   len_size, raw.value_tell, raw.length, raw.is_little_endian,
                   raw.is_implicit_VR)


def meta_end(data):
    """The offset just past the meta group (explicit VR little endian)."""
    if data[128:132] != b"DICM":
        return 0
    at = 132
    while at + 8 <= len(data) and data[at:at + 2] == b"\x02\x00":
        if data[at + 4:at + 6].decode("latin-1") in LONG_VRS:
            at += 12 + struct.unpack_from("<I", data, at + 8)[0]
        else:
            at += 8 + struct.unpack_from("<H", data, at + 6)[0]
    return at


def load_source(path):
    """A file with the places of its top-level elements."""
    with open(path, "rb") as f:
        data = f.read()
    ds = pydicom.dcmread(io.BytesIO(data), force=True)
    elements = {}
    for tag in list(ds.keys()):
        raw = ds.get_item(tag)
        if getattr(raw, "value_tell", None) is not None:
            elements[int(tag)] = element_at(raw)
    syntax = str(ds.file_meta.get("TransferSyntaxUID", "")) \
        if hasattr(ds, "file_meta") else ""
    end = meta_end(data)
    deflated = syntax == DEFLATE
    head, body = (data[:end], zlib.decompress(data[end:], -15)) if deflated \
        else (b"", data)
    return Source(os.path.splitext(os.path.basename(path))[0], data, head,
                  body, deflated, elements, end, syntax)


def assemble(src, body):
    """The file of an edited body."""
    if not src.deflated:
        return body
    pack = zlib.compressobj(9, zlib.DEFLATED, -15)
    return src.head + pack.compress(body) + pack.flush()


# ----------------------------------------------------------------------------
# Editing elements: each function returns a new body

def pack_length(length, size, little):
    order = "<" if little else ">"
    return struct.pack(order + ("I" if size == 4 else "H"),
                       length & (0xFFFFFFFF if size == 4 else 0xFFFF))


def set_length(src, tag, length):
    """The element's length field says `length`; its value stays."""
    e = src.elements[tag]
    return (src.body[:e.len_at] + pack_length(length, e.len_size, e.little) +
            src.body[e.len_at + e.len_size:])


def set_values(src, values):
    """Elements given new values ({tag: (vr, bytes)}), present ones rewritten
    in place with their new length, missing ones inserted in tag order."""
    body = src.body
    edits = []  # (start, end, bytes), applied from the end backwards
    for tag, (vr, value) in values.items():
        e = src.elements.get(tag)
        if e is not None:
            length = pack_length(len(value), e.len_size, e.little)
            edits.append((e.len_at, e.value_at + e.length, length + value))
        else:
            edits.append(insertion(src, tag, vr, value))
    for start, end, new in sorted(edits, reverse=True):
        body = body[:start] + new + body[end:]
    return body


def insertion(src, tag, vr, value):
    """The edit that inserts a new element before the first one after it."""
    after = [e for t, e in src.elements.items() if t > tag]
    like = next(iter(src.elements.values()))
    at = min(e.header_at for e in after) if after else len(src.body)
    order = "<" if like.little else ">"
    head = struct.pack(order + "HH", tag >> 16, tag & 0xFFFF)
    if like.implicit:
        head += struct.pack(order + "I", len(value))
    else:
        head += vr.encode() + struct.pack(order + "H", len(value))
    return at, at, head + value


def encode(src, vr, value):
    """A value as the file's data set holds it."""
    if vr == "US":
        little = next(iter(src.elements.values())).little
        return struct.pack("<H" if little else ">H", value & 0xFFFF)
    text = value.encode("ascii")
    return text + b" " * (len(text) % 2)


def original(src, tag, vr):
    """An element's first value as the file has it, None when absent."""
    e = src.elements.get(tag)
    if e is None or e.length in (0, 0xFFFFFFFF):
        return None
    raw = src.body[e.value_at:e.value_at + e.length]
    if vr == "US":
        return struct.unpack("<H" if e.little else ">H", raw[:2])[0] \
            if len(raw) >= 2 else None
    return raw.decode("latin-1").strip(" \0")


# ----------------------------------------------------------------------------
# The damage: each function gives (label, file bytes) pairs

# name, tag, VR, the values to try given the original one (None if absent)
IMAGE_FIELDS = [
    ("Rows", 0x00280010, "US",
     lambda v: (0, 1, (v or 0) + 1, 2 * (v or 1), 65535)),
    ("Columns", 0x00280011, "US",
     lambda v: (0, 1, (v or 0) + 1, 2 * (v or 1), 65535)),
    ("BitsAllocated", 0x00280100, "US", lambda v: (0, 1, 8, 12, 16, 32)),
    ("BitsStored", 0x00280101, "US", lambda v: (0, 1, 8, 12, 16, 17)),
    ("HighBit", 0x00280102, "US", lambda v: (0, 7, 11, 15, 16)),
    ("SamplesPerPixel", 0x00280002, "US", lambda v: (0, 1, 2, 3, 4)),
    ("PlanarConfiguration", 0x00280006, "US", lambda v: (0, 1, 2)),
    ("PixelRepresentation", 0x00280103, "US", lambda v: (0, 1, 2)),
    ("NumberOfFrames", 0x00280008, "IS",
     lambda v: ("0", "2", "-1", "65535", "2147483648", "x")),
    ("PhotometricInterpretation", 0x00280004, "CS",
     lambda v: ("MONOCHROME1", "MONOCHROME2", "RGB", "YBR_FULL",
                "PALETTE COLOR", "")),
]


def cuts(src, marks):
    """The file cut short in the preamble, the meta group, the header,
    around and inside the marked elements, and one byte short."""
    size, end = len(src.data), src.meta_end
    points = {1, 64, 128, 131, 132, size - 1}
    if end:
        points |= {(132 + end) // 2, end - 1, end}
    marked = [] if src.deflated else \
        [src.elements[t] for t in marks if t in src.elements]
    first = min((e.header_at for e in marked), default=size)
    points |= {end + (first - end) * k // 4 for k in range(1, 4)}
    for e in marked:
        inside = e.length // 2 if e.length != 0xFFFFFFFF else 8
        points |= {e.header_at - 1, e.header_at + 4, e.value_at,
                   e.value_at + 1, e.value_at + inside}
    return [("cut-%d" % p, src.data[:p]) for p in sorted(points)
            if 0 < p < size]


def image_fields(src):
    """Each image field set to other values; a missing one inserted."""
    out = []
    for name, tag, vr, values in IMAGE_FIELDS:
        was = original(src, tag, vr)
        for value in dict.fromkeys(values(was)):  # each value once
            if value == was:
                continue
            body = set_values(src, {tag: (vr, encode(src, vr, value))})
            out.append(("%s-%s" % (name, "empty" if value == "" else value),
                        assemble(src, body)))
    return out


def pixel_lengths(src):
    """The Pixel Data element's length field set to other lengths."""
    e = src.elements[PIXEL_DATA]
    if e.length == 0xFFFFFFFF:
        rest = len(src.body) - e.value_at
        lengths = (0, 2, rest, rest + 1, 0xFFFFFFFE)
    else:
        lengths = (0, 2, e.length - 1, e.length + 1, 2 * e.length, 0xFFFFFFFF)
    return [("PixelDataLength-%x" % n,
             assemble(src, set_length(src, PIXEL_DATA, n))) for n in lengths]


def flips(src, rng, end, count=10):
    """Random bytes of the header (the body up to `end`) set to others."""
    start = 0 if src.deflated else min(128, end)
    out = []
    if end <= start:
        return out
    for k in range(count):
        body = bytearray(src.body)
        for _ in range((1, 2, 4, 8)[k % 4]):
            at = rng.randrange(start, end)
            body[at] ^= rng.randrange(1, 256)
        out.append(("flip-%02d" % k, assemble(src, bytes(body))))
    return out


def damage_image(src, rng):
    """Every damaged version of an image file."""
    pixel = src.elements.get(PIXEL_DATA)
    out = cuts(src, (PIXEL_DATA,))
    if pixel is not None:
        out += image_fields(src) + pixel_lengths(src)
    end = pixel.header_at + 12 if pixel else len(src.body)
    return out + flips(src, rng, min(end, len(src.body)))


def lut_tags(src):
    """The palette's data elements: plain or segmented, and which."""
    if all(t in src.elements for t in SEGMENTED_LUTS):
        return SEGMENTED_LUTS, True
    return PLAIN_LUTS, False


def descriptor(src, tag):
    """A descriptor's entry count, first mapped value and bits."""
    e = src.elements[tag]
    return struct.unpack("<3H" if e.little else ">3H",
                         src.body[e.value_at:e.value_at + 6])


def descriptors(src):
    """Descriptors of red, and of all three tables, with other entry
    counts, first mapped values and bits."""
    was = n, first, bits = descriptor(src, DESCRIPTORS[0])
    changes = [("n-%d" % v, (v, first, bits)) for v in (0, 1, 255, 257, 65535)]
    changes += [("first-%d" % v, (n, v, bits)) for v in (1, 65535)]
    changes += [("bits-%d" % v, (n, first, v)) for v in (0, 1, 24 - bits, 17)]
    order = "<3H" if src.elements[DESCRIPTORS[0]].little else ">3H"
    out = []
    for label, triple in changes:
        if triple == was:
            continue
        for scope, tags in (("red", DESCRIPTORS[:1]), ("all", DESCRIPTORS)):
            body = set_values(src, {t: ("US", struct.pack(order, *triple))
                                    for t in tags})
            out.append(("%sDescriptor-%s" % (scope, label),
                        assemble(src, body)))
    return out


def lut_lengths(src):
    """The length fields of the red table's data, and of all three."""
    tags, _ = lut_tags(src)
    out = []
    for scope, chosen in (("red", tags[:1]), ("all", tags)):
        n = src.elements[chosen[0]].length
        for length in sorted({0, 1, n - 2, n - 1, n + 1, n + 2, 2 * n,
                              0xFFFFFFFF}):
            body = src.body
            for t in chosen:
                body = set_length(src._replace(body=body), t, length)
            out.append(("%sLutLength-%x" % (scope, length),
                        assemble(src, body)))
    return out


def lut_contents(src):
    """Plain tables an entry short or long; segmented red data made of
    broken segments: an unknown type, a count past the data, a ramp with no
    start, indirect segments far away or onto themselves, too many
    entries."""
    tags, segmented = lut_tags(src)
    red = src.elements[tags[0]]
    data = src.body[red.value_at:red.value_at + red.length]
    wide = descriptor(src, DESCRIPTORS[0])[2] == 16
    word = (("<H" if red.little else ">H") if wide else "B")

    def words(*ws):
        mask = 0xFFFF if wide else 0xFF
        return b"".join(struct.pack(word, w & mask) for w in ws)

    step = 2 if wide else 1
    if not segmented:
        variants = {"short": data[:-step], "long": data + data[-step:]}
    else:
        far = (0xFFF0, 0xFFFF) if wide else (0xF0, 0xFF, 0xFF, 0xFF)
        variants = {
            "unknown-type": words(3, 1, 0),
            "count-past-data": words(0, 65535, 7),
            "ramp-first": words(1, 10, 200),
            "indirect-far": words(0, 1, 5, 2, 1, *far),
            "indirect-self": words(0, 1, 5, 2, 65535, *([0] * len(far))),
            "indirect-first": words(2, 2, *([0] * len(far))) + data,
            "too-many": data + words(0, 1, 9),
        }
    out = []
    for label, value in variants.items():
        body = set_values(src, {tags[0]: ("OW", value)})
        out.append(("redLut-%s" % label, assemble(src, body)))
    return out


def damage_palette(src, rng):
    """Every damaged version of a palette file."""
    tags, _ = lut_tags(src)
    out = cuts(src, (tags[0], tags[2]))
    if all(t in src.elements for t in DESCRIPTORS + tags):
        out += descriptors(src) + lut_lengths(src) + lut_contents(src)
    return out + flips(src, rng, len(src.body))


# ----------------------------------------------------------------------------
# The damaged files on disk, and the runs to make

Job = collections.namedtuple(
    "Job", "kind path source damage syntax peer_decodes")


def source_files():
    images = sorted(glob.glob(os.path.join(DATA, "test_files", "*.dcm")))
    palettes = sorted(glob.glob(os.path.join(DATA, "palettes", "*.dcm")))
    return [("image", p) for p in images] + [("palette", p) for p in palettes]


def pydicom_decodes(kind, path):
    """Whether pydicom reads the undamaged file: its pixels or palette."""
    try:
        if kind == "image":
            pydicom_image(path)
        else:
            pydicom_palette(path)
        return True
    except Exception:  # pylint: disable=broad-except
        return False


def make_jobs(seed):
    """Every damaged file's job and bytes, in a fixed order."""
    out = []
    for kind, path in source_files():
        src = load_source(path)
        rng = random.Random("%d/%s" % (seed, src.name))
        damage = damage_image if kind == "image" else damage_palette
        damaged = damage(src, rng)
        decodes = pydicom_decodes(kind, path)
        for label, data in damaged:
            out.append((Job(kind, "%s.%s.dcm" % (src.name, label), src.name,
                            label, src.syntax, decodes), data))
    return out


def sample(jobs, size, seed):
    """All jobs, or a count (a fraction when below 1) of them."""
    if size is None:
        return jobs
    count = int(round(size * len(jobs))) if size < 1 else int(size)
    if count >= len(jobs):
        return jobs
    chosen = sorted(random.Random(seed).sample(range(len(jobs)), count))
    return [jobs[i] for i in chosen]


def write_damaged(jobs, work):
    """Writes the damaged files under WORK/damaged; returns the jobs with
    their paths."""
    folder = os.path.join(work, "damaged")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    out = []
    for job, data in jobs:
        path = os.path.join(folder, job.path)
        with open(path, "wb") as f:
            f.write(data)
        out.append(job._replace(path=path))
    return out


# ----------------------------------------------------------------------------
# Running zorl under limits

Limits = collections.namedtuple("Limits", "slow kill_after memory")
Run = collections.namedtuple(
    "Run", "status signal seconds cpu peak killed stdout stderr")
RUNNER = os.path.join(ROOT, "scripts", "run_limited.py")
LEAKS = os.path.join(ROOT, "tests", "lsan.supp")  # where the tree has one
SANITIZER_EXIT = 86


def lift_memory_limit():
    """In the child: the soft address-space limit of the pydicom worker is
    not for zorl (a sanitizer build reserves terabytes)."""
    _, hard = resource.getrlimit(resource.RLIMIT_AS)
    resource.setrlimit(resource.RLIMIT_AS, (hard, hard))


def run_environment():
    """A sanitizer that ends zorl exits with SANITIZER_EXIT, so that its end
    is known even when its report went where zorl had shut standard error
    (as zorl did while the DICOM library ran in its own process)."""
    env = dict(os.environ)
    for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS"):
        env[name] = env.get(name, "") + ":exitcode=%d" % SANITIZER_EXIT
    if os.path.exists(LEAKS):
        env.setdefault("LSAN_OPTIONS", "suppressions=" + LEAKS)
    return env


def run_limited(argv, cwd, limits):
    """Runs a command through run_limited.py, which kills it after
    kill_after seconds or once it holds more than the memory limit, and
    measures its peak memory."""
    with tempfile.TemporaryDirectory() as tmp:
        out, err, report = (os.path.join(tmp, n) for n in ("out", "err", "r"))
        with open(out, "wb") as o, open(err, "wb") as e:
            subprocess.run(
                [sys.executable, "-S", RUNNER, "--seconds",
                 str(limits.kill_after), "--mem-bytes", str(limits.memory),
                 "--report", report, "--"] + argv,
                cwd=cwd, stdin=subprocess.DEVNULL, stdout=o, stderr=e,
                env=run_environment(), preexec_fn=lift_memory_limit,
                timeout=limits.kill_after + 60, check=False)
        stderr = read_text(err)
        if not os.path.exists(report):
            raise RuntimeError("run_limited.py failed: " + stderr[-2000:])
        r = json.loads(read_text(report))
        return Run(r["status"], r["signal"], r["seconds"], r["cpu"], r["peak"],
                   r["killed"], read_text(out), stderr)


def read_text(path):
    with open(path, "rb") as f:
        return f.read().decode("utf-8", "replace")


def check_peak_measure(limits):
    """The peak must cover a child's waited-for descendants: a child that
    forks a grandchild of 64 MiB and waits for it must measure at least
    that, and a small child much less."""
    code = ("import os\npid = os.fork()\nif pid == 0:\n"
            "    b = b'x' * (%d << 20)\n    os._exit(0)\nos.waitpid(pid, 0)\n")
    big = run_limited([sys.executable, "-S", "-c", code % 64], "/", limits)
    small = run_limited([sys.executable, "-S", "-c", code % 0], "/", limits)
    if big.peak < 64 * MIB or small.peak > 48 * MIB:
        sys.exit("the peak memory of a run is not its own and its children's "
                 "(%d and %d MiB measured)" % (big.peak // MIB,
                                               small.peak // MIB))


def zorl_statements(job, pixels):
    """The statements that read a damaged file and write what zorl read."""
    quoted = json.dumps(job.path)  # the script's escapes for \ and "
    out = json.dumps(pixels)
    if job.kind == "image":
        return ["im = ReadImage(%s)" % quoted,
                "print(im.Width, im.Height, im.Depth, im.Signed)",
                "WriteFile(%s, im.Pixels)" % out]
    return ["p = ReadPalette(%s)" % quoted,
            "print(len(p[0]), len(p[1]), len(p[2]))",
            "WriteFile(%s, bytes(p[0]) + bytes(p[1]) + bytes(p[2]))" % out]


# ----------------------------------------------------------------------------
# What pydicom decodes, in zorl's layout

class NoDepth(Exception):
    """pydicom decodes samples that zorl has no depth for."""


class NoPeer(Exception):
    """pydicom decodes the samples but can't take them where zorl does."""


# width, height, depth, signed, the bytes, and the dtype to compare them in
Pixels = collections.namedtuple("Pixels",
                                "width height depth signed data dtype")


def pydicom_image(path):
    """Frame 0 as zorl gives it: gray bytes, 16 bits little endian as
    stored, colour as blue, green, red."""
    ds = pydicom.dcmread(path, force=True)
    arr = ds.pixel_array
    colour = int(ds.get("SamplesPerPixel", 1) or 1) == 3
    frame = arr[0] if arr.ndim == (4 if colour else 3) else arr
    size = frame.dtype.itemsize
    signed = frame.dtype.kind == "i"
    if colour and frame.ndim == 3 and size <= 2 and not signed:
        model = str(ds.get("PhotometricInterpretation", ""))
        if model.startswith("YBR_FULL"):
            if size == 2:  # its YBR conversion is of 8-bit samples only
                raise NoPeer("pydicom converts YBR of 8 bits only")
            frame = convert_color_space(frame, model, "RGB")
        if size == 2:  # to 8 bits, as 16-bit PNG colour
            frame = (frame.astype("u8") * 255 + 32767) // 65535
        data = np.ascontiguousarray(frame[..., ::-1]).astype("u1").tobytes()
        return Pixels(frame.shape[1], frame.shape[0], 3, signed, data, "u1")
    if colour or size > 2 or frame.ndim != 2:
        raise NoDepth("pydicom decodes %s samples of shape %s" % (
            frame.dtype, frame.shape))
    dtype = ("<i%d" if signed else "<u%d") % size
    return Pixels(frame.shape[1], frame.shape[0], size, signed,
                  frame.astype(dtype).tobytes(), dtype)


def pydicom_palette(path):
    """The red, green and blue tables indexed by value from 0 (values below
    the first mapped value take the first entry), 16-bit entries by their
    high byte, one table after the other."""
    ds = pydicom.dcmread(path, force=True)
    n, first, bits = ds.RedPaletteColorLookupTableDescriptor
    n = n or 65536
    if bits in (8, 16) and n > 1 << bits:
        raise ValueError("pydicom indexes at most %d entries of %d bits" % (
            1 << bits, bits))
    values = np.arange(min(first, 0), min(first + n, 65536))  # zorl's most
    out = apply_color_lut(values, ds)[:, :3]
    if out.dtype == np.uint16:
        out = out >> 8
    return np.ascontiguousarray(out.T).astype("u1").tobytes()


def compare_image(members, data, want, tolerance):
    """What differs between zorl's picture and pydicom's, or None."""
    width, height, depth, signed = members
    if (width, height, depth) != (want.width, want.height, want.depth):
        return "zorl read %dx%dx%d, pydicom decodes %dx%dx%d" % (
            width, height, depth, want.width, want.height, want.depth)
    if depth < 3 and signed != want.signed:
        return "zorl's Signed is %s, pydicom's samples are %s" % (
            str(signed).lower(), "signed" if want.signed else "unsigned")
    have = np.frombuffer(data, want.dtype).astype(np.int64)
    need = np.frombuffer(want.data, want.dtype).astype(np.int64)
    diff = np.abs(have - need)
    wrong = int(np.count_nonzero(diff > tolerance))
    if wrong:
        return "%d of %d samples differ from pydicom's (by up to %d)" % (
            wrong, len(need), int(diff.max()))
    return None


# ----------------------------------------------------------------------------
# One job: run, classify, compare

SANITIZER = re.compile(r"ERROR: (Address|Leak)Sanitizer|runtime error:|"
                       r"SUMMARY: UndefinedBehaviorSanitizer")
DEADLY = re.compile(r"AddressSanitizer: (SEGV|BUS|FPE|ILL|stack-overflow)|"
                    r"AddressSanitizer:DEADLYSIGNAL")
ERROR_LINE = re.compile(r"\berror \d+:")
CONTAINED = re.compile(r"the DICOM decoder (aborted|crashed|used more|"
                       r"needed more|took longer|ended with)")
FRAME = re.compile(r"\s*#\d+ 0x")
BAD = ("crash", "abort", "sanitizer", "timeout", "memory kill",
       "contradicted", "wrong size", "over time", "over memory")
TO_EXAMINE = ("contained", "unclean error", "odd exit")


def outcome(run, path):
    """The run's outcome before its output is looked at, and a detail."""
    if run.killed == "time":
        return "timeout", "killed at the time limit"
    if run.killed == "memory":
        return "memory kill", "killed holding more than the memory limit"
    if DEADLY.search(run.stderr):
        return "crash", "a deadly signal, caught by the sanitizer"
    if SANITIZER.search(run.stderr):
        return "sanitizer", first_line(SANITIZER, run.stderr)
    if run.status == SANITIZER_EXIT:
        return "sanitizer", ("ended by the sanitizer, its report lost (zorl "
                             "had shut standard error)")
    if run.signal == signal.SIGABRT or run.status == 134:
        return "abort", "SIGABRT"
    if run.signal is not None:
        return "crash", "killed by %s" % signal.Signals(run.signal).name
    if run.status == 1:
        errors = [l for l in run.stderr.splitlines() if ERROR_LINE.search(l)]
        if len(errors) == 1 and path in errors[0]:
            text = errors[0].split(path)[-1].lstrip(": ")
            return ("contained" if CONTAINED.search(text) else "clean error",
                    text)
        if len(errors) != 1:
            return "unclean error", "status 1 and %d error lines" % len(errors)
        return "unclean error", "the error does not name the file"
    if run.status == 0:
        return "success", ""
    return "odd exit", "exit status %s" % run.status


def first_line(pattern, text):
    line = next(l for l in text.splitlines() if pattern.search(l))
    return line.split("ERROR: ")[-1].strip()[:120]


def check_image(job, run, data, tolerance):
    """A successful image read against its own members and pydicom."""
    try:
        w, h, d, s = run.stdout.split()[-4:]
        members = (int(w), int(h), int(d), s == "true")
    except ValueError:
        return "odd exit", "no Width, Height, Depth, Signed printed"
    if len(data) != members[0] * members[1] * members[2]:
        return "wrong size", "%d bytes for %dx%dx%d" % (
            len(data), members[0], members[1], members[2])
    try:
        want = pydicom_image(job.path)
    except NoDepth as e:
        return "contradicted", str(e)
    except NoPeer as e:
        return "no peer", str(e)
    except Exception as e:  # pylint: disable=broad-except
        return refusal(job, e)
    lossy = job.syntax in LOSSY
    differs = compare_image(members, data, want, tolerance if lossy else 0)
    return ("contradicted", differs) if differs else ("success", "")


def check_palette(job, run, data):
    """A successful palette read against pydicom's tables."""
    try:
        counts = [int(c) for c in run.stdout.split()[-3:]]
    except ValueError:
        return "odd exit", "no table lengths printed"
    if len(counts) != 3 or len(set(counts)) != 1 or \
            len(data) != 3 * counts[0]:
        return "wrong size", "tables of %s entries, %d bytes" % (
            "/".join(map(str, counts)), len(data))
    try:
        want = pydicom_palette(job.path)
    except Exception as e:  # pylint: disable=broad-except
        return refusal(job, e)
    if len(data) != len(want):
        return "contradicted", "tables of %d entries; pydicom's have %d" % (
            len(data) // 3, len(want) // 3)
    if data != want:
        return "contradicted", "the tables differ from pydicom's"
    return "success", ""


def refusal(job, e):
    reason = "%s: %s" % (type(e).__name__, str(e).split("\n")[0][:100])
    return ("pydicom refuses" if job.peer_decodes else "no peer"), reason


def stderr_head(text, lines=3):
    """The first lines worth reading: the sanitizer's and zorl's error
    lines, the first stack frame outside the sanitizer, then the rest."""
    all_lines = [l for l in text.splitlines() if l.strip(" =")]
    key = [l for l in all_lines if SANITIZER.search(l) or ERROR_LINE.search(l)]
    key += [l for l in all_lines if FRAME.match(l) and not any(
        s in l for s in ("libsanitizer", "interceptor"))][:1]
    rest = [l for l in all_lines if l not in key]
    return [l[:200] for l in (key + rest)[:lines]]


def run_job(job, zorl, work, limits, tolerance):
    """Reads one damaged file with zorl and classifies what happened."""
    pixels = os.path.join(work, "pixels", os.path.basename(job.path) + ".raw")
    argv = [zorl, "run"]
    for statement in zorl_statements(job, pixels):
        argv += ["-e", statement]
    run = run_limited(argv, work, limits)
    what, detail = outcome(run, job.path)
    if what == "success" and not os.path.exists(pixels):
        what, detail = "odd exit", "status 0 but no pixels written"
    if what == "success":
        with open(pixels, "rb") as f:
            data = f.read()
        if job.kind == "image":
            what, detail = check_image(job, run, data, tolerance)
        else:
            what, detail = check_palette(job, run, data)
    if what not in ("contradicted", "wrong size") and os.path.exists(pixels):
        os.remove(pixels)  # kept only for examination
    flags = []
    if run.seconds > limits.slow:
        flags.append("over time")
    if run.peak > limits.memory or run.killed == "memory":
        flags.append("over memory")
    return {"file": job.path, "kind": job.kind, "source": job.source,
            "damage": job.damage, "outcome": what, "flags": flags,
            "detail": detail, "status": run.status,
            "signal": signal.Signals(run.signal).name if run.signal else None,
            "seconds": run.seconds, "cpu": run.cpu,
            "peak_mib": round(run.peak / MIB, 1),
            "stderr": stderr_head(run.stderr, 20)}


def start_worker():
    """A worker's own limits: pydicom on a damaged file gets at most 4 GiB
    of address space (a MemoryError then is a refusal)."""
    warnings.simplefilter("ignore")
    _, hard = resource.getrlimit(resource.RLIMIT_AS)
    resource.setrlimit(resource.RLIMIT_AS, (4 << 30, hard))


def run_all(jobs, args, limits):
    """Runs every job on args.jobs workers, with progress on stderr."""
    pixels = os.path.join(args.work, "pixels")
    shutil.rmtree(pixels, ignore_errors=True)
    os.makedirs(pixels)
    records, start = [], time.monotonic()
    with concurrent.futures.ProcessPoolExecutor(
            args.jobs, initializer=start_worker) as pool:
        futures = [pool.submit(run_job, job, args.zorl, args.work, limits,
                               args.tolerance) for job in jobs]
        for n, future in enumerate(futures, 1):
            records.append(future.result())
            if n % 250 == 0 or n == len(futures):
                print("%d/%d runs, %.0f s" % (n, len(futures),
                                              time.monotonic() - start),
                      file=sys.stderr, flush=True)
    return records, time.monotonic() - start


# ----------------------------------------------------------------------------
# The report

CLASSES = ("success", "no peer", "pydicom refuses", "clean error",
           "contained", "unclean error", "odd exit", "crash", "abort",
           "sanitizer", "timeout", "memory kill", "contradicted", "wrong size",
           "over time", "over memory")


def classes(record):
    return [record["outcome"]] + record["flags"]


def count(records):
    """{class: {kind: count}}"""
    table = {c: collections.Counter() for c in CLASSES}
    for r in records:
        for c in classes(r):
            table[c][r["kind"]] += 1
    return table


def print_table(table, total):
    print("%-18s %8s %8s %8s" % ("class", "images", "palettes", "total"))
    for c in CLASSES:
        row = table[c]
        mark = "  <-- bad" if c in BAD and sum(row.values()) else ""
        print("%-18s %8d %8d %8d%s" % (c, row["image"], row["palette"],
                                       sum(row.values()), mark))
    print("%-18s %8d %8d %8d" % ("runs", total["image"], total["palette"],
                                 sum(total.values())))


def worst(records, cls, limit):
    """Examples of a class, the slowest or biggest first, one per source
    file before a second of the same."""
    chosen = [r for r in records if cls in classes(r)]
    key = {"over time": "seconds", "timeout": "seconds",
           "over memory": "peak_mib", "memory kill": "peak_mib"}.get(cls)
    if key:
        chosen.sort(key=lambda r: -r[key])
    seen, first, later = set(), [], []
    for r in chosen:
        (later if r["source"] in seen else first).append(r)
        seen.add(r["source"])
    return (first + later)[:limit]


def print_examples(records, limit):
    for cls in BAD + TO_EXAMINE:
        examples = worst(records, cls, limit)
        if not examples:
            continue
        print("\n%s (%d):" % (cls, sum(cls in classes(r) for r in records)))
        for r in examples:
            print("  %s: %s%s, %.1f s, %.0f MiB" % (
                r["file"], r["outcome"],
                " (%s)" % r["detail"] if r["detail"] else "", r["seconds"],
                r["peak_mib"]))
            for line in r["stderr"][:3]:
                print("      " + line)


def print_refusals(records, limit=40):
    """The reads that pydicom refuses, with its reason."""
    refused = [r for r in records if r["outcome"] == "pydicom refuses"]
    if not refused:
        return
    print("\nread by zorl, refused by pydicom (%d):" % len(refused))
    for r in refused[:limit]:
        print("  %s: %s" % (r["file"], r["detail"]))
    if len(refused) > limit:
        print("  ... %d more in the report" % (len(refused) - limit))


def write_report(path, args, records, seconds, table):
    report = {
        "zorl": os.path.abspath(args.zorl), "seed": args.seed,
        "sample": args.sample, "jobs": args.jobs,
        "limits": {"slow_s": args.slow, "kill_after_s": args.kill_after,
                   "mem_limit_mib": args.mem_limit_mib,
                   "tolerance": args.tolerance},
        "seconds": round(seconds, 1),
        "counts": {c: dict(table[c]) for c in CLASSES},
        "runs": records,
    }
    with open(path, "w") as f:
        json.dump(report, f, indent=1)


# ----------------------------------------------------------------------------

def parse_args():
    ap = argparse.ArgumentParser(
        description="Damages pydicom's DICOM test files and palettes and "
        "reads each through zorl under limits.")
    ap.add_argument("--zorl", default=os.path.join(ROOT, "build", "zorl"))
    ap.add_argument("--work", default="/tmp/zorl-dicom-campaign")
    ap.add_argument("--sample", type=float,
                    help="a count of damaged files, or a fraction below 1")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--slow", type=float, default=10,
                    help="seconds above which a run is over time")
    ap.add_argument("--kill-after", type=float, default=30)
    ap.add_argument("--mem-limit-mib", type=int, default=1536,
                    help="peak above which a run is over memory, and is "
                    "killed (the engine's 1 GiB allocation limit and a "
                    "margin)")
    ap.add_argument("--tolerance", type=int, default=2,
                    help="difference allowed in lossy transfer syntaxes")
    ap.add_argument("--examples", type=int, default=3)
    ap.add_argument("--only", metavar="REGEX",
                    help="run only the damaged files whose names match")
    return ap.parse_args()


def main():
    args = parse_args()
    args.zorl = os.path.abspath(args.zorl)
    args.work = os.path.abspath(args.work)
    warnings.simplefilter("ignore")
    if not os.access(args.zorl, os.X_OK):
        sys.exit("no zorl at %s (build it, or give --zorl)" % args.zorl)
    limits = Limits(args.slow, args.kill_after, args.mem_limit_mib * MIB)
    check_peak_measure(limits)
    made = make_jobs(args.seed)
    chosen = sample(made, args.sample, args.seed)
    if args.only:
        chosen = [j for j in chosen if re.search(args.only, j[0].path)]
    jobs = write_damaged(chosen, args.work)
    kinds = collections.Counter(j.kind for j in jobs)
    print("%d damaged images and %d damaged palettes (of %d) in %s" % (
        kinds["image"], kinds["palette"], len(made), args.work))
    records, seconds = run_all(jobs, args, limits)
    table = count(records)
    print_table(table, kinds)
    print_examples(records, args.examples)
    print_refusals(records)
    report = os.path.join(args.work, "report.json")
    write_report(report, args, records, seconds, table)
    bad = sum(any(c in BAD for c in classes(r)) for r in records)
    cpu = sum(r["cpu"] for r in records)
    print("\n%d runs in %.0f s on %d jobs (zorl used %.0f s of CPU); %d bad "
          "runs; report in %s" % (len(records), seconds, args.jobs, cpu,
                                  bad, report))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
