#!/usr/bin/python3
"""The Python module zorl against the same call from C++ (lut_bench), numpy's
own lut[pixels] and cv2.LUT (where python3-opencv is installed), and two
threads against one. Ratios within one run, medians; prints a Markdown table.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py \\
        build/bench/lut_bench [repetitions]
"""
import json
import statistics
import subprocess
import sys
import threading
import time

import numpy as np

import zorl

KIB, MIB = 1 << 10, 1 << 20


def median_seconds(fn, repetitions, number=1, clock=time.perf_counter):
    """The median over repetitions of fn's time, each timing `number` calls
    (wall-clock time, or the process's processor time)."""
    times = []
    for _ in range(repetitions):
        start = clock()
        for _ in range(number):
            fn()
        times.append((clock() - start) / number)
    return statistics.median(times)


def cpp_seconds(binary, repetitions):
    """LUT1::Convert1To1 of 4 KiB and 64 MiB through the engine from C++."""
    out = subprocess.run(
        [binary, "--benchmark_filter=^LUT1::Convert1To1/(4KiB|64MiB)/",
         "--benchmark_format=json",
         "--benchmark_repetitions=%d" % repetitions,
         "--benchmark_report_aggregates_only=true"],
        check=True, capture_output=True, text=True).stdout
    found = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            size = b["run_name"].split("/")[1]
            unit = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3}[b["time_unit"]]
            found[size] = b["real_time"] * unit
            found[size + " cpu"] = b["cpu_time"] * unit
    return found


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else "build/bench/lut_bench"
    reps = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    rng = np.random.default_rng(1)
    lut = rng.integers(0, 256, 256, dtype=np.uint8)
    t = zorl.LUT1(lut.tolist())
    px = {n: rng.integers(0, 256, n, dtype=np.uint8)
          for n in (4 * KIB, MIB, 16 * MIB, 64 * MIB)}
    cpp = cpp_seconds(binary, reps)
    rows = []

    # On a busy machine the processor time of the call is the fairer
    # measure: wall-clock time counts the turns other work takes.
    for name, clock, key in (("wall clock", time.perf_counter, "4KiB"),
                             ("processor time", time.process_time,
                              "4KiB cpu")):
        small = median_seconds(lambda: t.Convert1To1(px[4 * KIB]), reps,
                               20000, clock)
        rows.append(("4 KiB LUT1.Convert1To1, per call, " + name,
                     "%.2f us" % (small * 1e6), "%.2f us" % (cpp[key] * 1e6),
                     "+%.2f us" % ((small - cpp[key]) * 1e6)))
    big = median_seconds(lambda: t.Convert1To1(px[64 * MIB]), reps)
    rows.append(("64 MiB LUT1.Convert1To1", "%.1f ms" % (big * 1e3),
                 "%.1f ms" % (cpp["64MiB"] * 1e3),
                 "%.2fx" % (big / cpp["64MiB"])))
    try:
        import cv2
    except ImportError:
        cv2 = None
    for n, name in ((MIB, "1 MiB"), (64 * MIB, "64 MiB")):
        ours = median_seconds(lambda: t.Convert1To1(px[n]), reps)
        theirs = median_seconds(lambda: lut[px[n]], reps)
        rows.append(("%s vs numpy lut[pixels]" % name, "%.2f ms" % (ours * 1e3),
                     "%.2f ms" % (theirs * 1e3), "%.1fx faster" %
                     (theirs / ours)))
        if cv2 is not None:
            img = px[n].reshape(-1, 1024)
            cv = median_seconds(lambda: cv2.LUT(img, lut), reps)
            rows.append(("%s vs cv2.LUT" % name, "%.2f ms" % (ours * 1e3),
                         "%.2f ms" % (cv * 1e3), "%.1fx faster" % (cv / ours)))

    images = [px[16 * MIB], px[16 * MIB].copy()]
    one = median_seconds(lambda: [t.Convert1To1(im) for im in images], reps)

    def two_threads():
        ths = [threading.Thread(target=t.Convert1To1, args=(im,))
               for im in images]
        for th in ths:
            th.start()
        for th in ths:
            th.join()
    two = median_seconds(two_threads, reps)
    rows.append(("two 16 MiB images, 2 threads vs 1", "%.1f ms" % (two * 1e3),
                 "%.1f ms" % (one * 1e3), "%.2fx the time" % (two / one)))

    print("| what | Python | reference | ratio |")
    print("| --- | ---: | ---: | ---: |")
    for r in rows:
        print("| %s | %s | %s | %s |" % r)


if __name__ == "__main__":
    main()
