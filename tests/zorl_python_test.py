"""The Python module zorl against the zorl command: the same bytes, errors
and files as scripts, no copies, threads, memory, pickling and Dask.
Run by ctest (ZORL_BIN: the zorl command; PYTHONPATH: build/python)."""
import concurrent.futures
import gc
import os
import pickle
import re
import subprocess
import sys
import threading
import tracemalloc

import numpy as np
import pytest

import zorl

ZORL = os.environ.get("ZORL_BIN", "zorl")
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
rng = np.random.default_rng(23)


def run_script(tmp_path, text):
    path = tmp_path / "t.zs"
    path.write_text(text)
    return subprocess.run([ZORL, "run", "--keep-going", str(path)],
                          cwd=tmp_path, capture_output=True, text=True)


def vec(a):
    return "[" + ", ".join(str(int(x)) for x in a) + "]"


# Each table class: its constructor's arguments, and the pixel values of
# each source width (1, 2 or 3 bytes) that stay inside its tables.
TABLES = {
    "LUT1": lambda: [rng.integers(0, 256, 256)],
    "LUT2": lambda: [rng.integers(0, 256, 4096), 2048],
    "LUT3": lambda: [rng.integers(0, 256, 256) for _ in range(3)],
    "LUTC3": lambda: [rng.integers(0, 256, 768) for _ in range(3)],
}
PIXELS = {  # (class, bytes per pixel) -> a random image of them
    ("LUT1", 1): lambda: rng.integers(0, 256, (48, 40), dtype=np.uint8),
    ("LUT2", 2): lambda: rng.integers(-2048, 2048, (48, 40), dtype=np.int16),
    ("LUT3", 1): lambda: rng.integers(0, 256, (48, 40), dtype=np.uint8),
    ("LUT3", 2): lambda: rng.integers(0, 256, (48, 40), dtype=np.int16),
    ("LUT3", 3): lambda: rng.integers(0, 256, (48, 40, 3), dtype=np.uint8),
    ("LUTC3", 1): lambda: rng.integers(0, 256, (48, 40), dtype=np.uint8),
    ("LUTC3", 2): lambda: rng.integers(0, 256, (48, 40), dtype=np.int16),
    ("LUTC3", 3): lambda: rng.integers(0, 256, (48, 40, 3), dtype=np.uint8),
}
CONVERSIONS = [(c, m) for c in TABLES for m in sorted(dir(getattr(zorl, c)))
               if re.fullmatch(r"ConvertU?\dTo\d", m)]


@pytest.mark.parametrize("cls,method", CONVERSIONS)
def test_conversion_gives_the_script_bytes(tmp_path, cls, method):
    args = TABLES[cls]()
    fmt = re.fullmatch(r"ConvertU?(\d)To(\d)", method)
    pixels = PIXELS[(cls, int(fmt.group(1)))]()
    table = getattr(zorl, cls)(*args)
    out = getattr(table, method)(pixels)
    assert out.dtype.itemsize == (2 if fmt.group(2) == "2" else 1)
    assert out.shape[:2] == pixels.shape[:2]
    (tmp_path / "in.raw").write_bytes(pixels.tobytes())
    ctor = ", ".join(vec(a) if hasattr(a, "__len__") else str(a) for a in args)
    call = ("WriteFile(\"out.raw\", t.%s(s))" % method if cls in ("LUT1", "LUT2")
            else "d = \"\"\nt.%s(d, s)\nWriteFile(\"out.raw\", d)" % method)
    r = run_script(tmp_path, "t = %s(%s)\ns = ReadFile(\"in.raw\")\n%s\n" %
                   (cls, ctor, call))
    assert r.returncode == 0, r.stderr
    assert out.tobytes() == (tmp_path / "out.raw").read_bytes()


def test_errors_of_bad_pixels_are_the_script_errors(tmp_path):
    px = np.array([0, 7, 1, 9], np.int16)
    with pytest.raises(zorl.LutError) as e:
        zorl.LUT2([1, 2, 3], 0).Convert2To3(px)
    r = run_script(tmp_path, "x = LUT2([1, 2, 3], 0).Convert2To3("
                   "bytes([0, 0, 7, 0, 1, 0, 9, 0]))\nprint(unbytes(x))\n")
    err = e.value
    assert (err.number, err.method) == (1000, "LUT2::Convert2To3")
    assert len(err.errors) == 2
    for number, text, method in err.errors:
        assert "error %d: %s (in %s)" % (number, text, method) in r.stderr
    assert str(list(err.result.ravel())).replace(" ", "") in \
        r.stdout.replace(" ", "")


ro = np.zeros((4, 4), np.uint8)
ro.flags.writeable = False
BAD = [  # (what, call, exception, text in the message)
    ("float pixels", lambda: zorl.LUT1().Convert1To1(np.zeros(4, np.float32)),
     TypeError, "parameter 1"),
    ("int32 for 2-byte pixels",
     lambda: zorl.LUT2().Convert2To1(np.zeros(4, np.int32)), TypeError,
     "int16"),
    ("empty array", lambda: zorl.LUT1().Convert1To1(np.zeros(0, np.uint8)),
     ValueError, "empty"),
    ("odd bytes for 2-byte pixels", lambda: zorl.LUT2().Convert2To1(b"abc"),
     ValueError, "whole pixels"),
    ("a dict for a Vector", lambda: zorl.LUT1({}), TypeError, "parameter 1"),
    ("an object of the wrong class", lambda: zorl.LUT3(zorl.LUT1()),
     TypeError, "matches none"),
    ("read-only destination",
     lambda: zorl.LUT3().Convert1To1(ro, np.ones((4, 4), np.uint8)),
     ValueError, "read-only"),
    ("too small a destination",
     lambda: zorl.LUT3().Convert1To3(np.zeros(6, np.uint8),
                                     np.ones(4, np.uint8)),
     ValueError, "12 are needed"),
    ("non-contiguous destination",
     lambda: zorl.LUT3().Convert1To1(np.zeros((4, 8), np.uint8)[:, ::2],
                                     np.ones(16, np.uint8)),
     ValueError, "C-contiguous"),
    ("the allocation limit", lambda: zorl.FrameBuffer(2000000000, 2000000000, 3),
     zorl.LutError, "allocation refused"),
    ("no engine object", lambda: zorl.LUT1.__new__(zorl.LUT1).GetTable(),
     TypeError, "no engine object"),
]


@pytest.mark.parametrize("what,call,exc,text", BAD, ids=[b[0] for b in BAD])
def test_bad_input_is_a_clear_exception(what, call, exc, text):
    with pytest.raises(exc, match=text):
        call()


def test_refused_destination_is_not_written():
    dst = np.full(6, 7, np.uint8)
    with pytest.raises(ValueError):
        zorl.LUT3().Convert1To3(dst, np.ones(4, np.uint8))
    assert (dst == 7).all()


def test_script_warning_is_a_python_warning():
    with pytest.warns(zorl.LutWarning, match="300"):
        zorl.LUT1([300])


def test_no_copy_in_or_out():
    src = rng.integers(0, 256, (2048, 4096), dtype=np.uint8)  # 8 MiB
    t = zorl.LUT3()
    dst = np.zeros_like(src)
    r = t.Convert1To1(dst, src)
    assert r is dst and np.shares_memory(r, dst) and (dst != 0).any()
    tracemalloc.start()
    out = zorl.LUT1().Convert1To1(src)
    peak = tracemalloc.get_traced_memory()[1]
    tracemalloc.stop()
    assert peak < 1 << 20  # neither the input nor the result was copied
    assert not out.flags.owndata and (out == src).all()


def test_results_and_objects_outlive_their_table_and_thread():
    box = []
    th = threading.Thread(target=lambda: box.append(zorl.LUT1(range(255, -1, -1))))
    th.start()
    th.join()
    out = box[0].Convert1To1(np.arange(256, dtype=np.uint8))
    del box[0]
    gc.collect()
    assert (out == np.arange(255, -1, -1)).all()


def test_eight_threads_give_the_single_thread_bytes():
    shared = zorl.LUT2(rng.integers(0, 256, 4096), 2048)
    images = [PIXELS[("LUT2", 2)]() for _ in range(8)]
    want = [shared.Convert2To1(im).tobytes() for im in images]

    def work(i):
        own = pickle.loads(pickle.dumps(shared))
        return all(t.Convert2To1(images[i]).tobytes() == want[i]
                   for _ in range(50) for t in (shared, own))
    with concurrent.futures.ThreadPoolExecutor(8) as pool:
        assert all(pool.map(work, range(8)))


def rss():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def test_many_calls_leave_memory_flat():
    t, px = zorl.LUT3(), rng.integers(0, 256, 4096, dtype=np.uint8)
    for _ in range(1000):
        t.Convert1To3(px)
    held, before = zorl.memory_held(), rss()
    for _ in range(100000):
        t.Convert1To3(px)
    assert zorl.memory_held() == held
    if not os.environ.get("ZORL_SANITIZED"):  # freed memory waits there
        assert rss() - before < 4 << 20


@pytest.mark.parametrize("cls", sorted(TABLES))
def test_tables_pickle_to_equal_tables(cls):
    t = getattr(zorl, cls)(*TABLES[cls]())
    px = PIXELS[(cls, 1 if cls != "LUT2" else 2)]()
    if cls == "LUT2":
        t.BaseLine, px = 2049, np.clip(px, -2048, 2046)
    u = pickle.loads(pickle.dumps(t))
    assert type(u) is type(t) and u == t and u is not t
    method = "Convert2To1" if cls == "LUT2" else "Convert1To1"
    assert (getattr(u, method)(px) == getattr(t, method)(px)).all()


def test_use_after_fork():
    t, px = zorl.LUT1(range(255, -1, -1)), np.arange(256, dtype=np.uint8)
    pid = os.fork()
    if pid == 0:
        os._exit(0 if (t.Convert1To1(px) == 255 - px).all() else 1)
    assert os.waitpid(pid, 0)[1] == 0


def test_files_as_scripts_read_them(tmp_path):
    ct = "/usr/lib/python3/dist-packages/pydicom/data/test_files/CT_small.dcm"
    if not os.path.exists(ct):
        pytest.skip("python3-pydicom's CT_small.dcm is not installed")
    im = zorl.read_image(ct)
    assert (im.pixels.dtype, im.pixels.shape, im.signed) == \
        (np.int16, (128, 128), True)
    r = run_script(tmp_path, 'im = ReadImage("%s")\nWriteFile("p.raw", '
                   'im.Pixels)\nWriteFile("d.raw", DisplayTable(im, "lung")'
                   '.Convert2To1(im.Pixels))\nprint(im.RescaleIntercept)\n'
                   % ct)
    assert im.pixels.tobytes() == (tmp_path / "p.raw").read_bytes()
    shown = zorl.display_table(im, "lung").Convert2To1(im.pixels)
    assert shown.tobytes() == (tmp_path / "d.raw").read_bytes()
    assert float(r.stdout) == im.rescale_intercept
    zorl.write_image(tmp_path / "a.tif", im)
    back = zorl.read_image(tmp_path / "a.tif")
    assert back.signed and (back.pixels == im.pixels).all()
    pal = [list(range(256)), [0] * 256, list(range(255, -1, -1))]
    zorl.write_palette(tmp_path / "p.csv", *pal)
    assert zorl.read_palette(tmp_path / "p.csv") == pal
    with pytest.raises(zorl.LutError, match="nothing.pgm"):
        zorl.read_image(tmp_path / "nothing.pgm")


def test_dask_cluster_gives_the_one_process_bytes():
    pytest.importorskip("dask.distributed",
                        reason="python3-distributed is not installed")
    sys.path.insert(0, os.path.join(ROOT, "examples"))
    import python_dask
    on_cluster, in_process = python_dask.main(workers=2, slices=16)
    assert on_cluster.tobytes() == in_process.tobytes()
