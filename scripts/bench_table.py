#!/usr/bin/env python3
"""Runs the benchmarks and prints Markdown tables: GB/s of source bytes and
pixels per ns of every benchmark (the median of the repetitions), then the
ratios that matter: each conversion against memcpy of the same bytes, cv::LUT
(where the benchmark found OpenCV) or the plain loop.

Usage: python3 scripts/bench_table.py build/bench/lut_bench [repetitions]
"""
import json
import subprocess
import sys

# (conversion, reference) pairs; the reference of the same size is used.
RATIOS = [
    ("LUT1::Convert1To1", "memcpy"),
    ("LUT1::Convert1To1", "cv::LUT 8UC1/1 thread"),
    ("LUT1::Convert1To1", "cv::LUT 8UC1/all threads"),
    ("kernel map8/avx2", "cv::LUT 8UC1/1 thread"),
    ("kernel map8/avx2", "kernel map8/scalar"),
    ("kernel map8/avx512vbmi", "cv::LUT 8UC1/1 thread"),
    ("LUT3::Convert3To3", "cv::LUT 8UC3/1 thread"),
    ("LUT3::Convert3To3", "cv::LUT 8UC3/all threads"),
    ("kernel map3to3/avx2", "kernel map3to3/scalar"),
    ("LUT3::Convert3To1", "kernel avg3to1/scalar"),
    ("kernel avg3to1/avx2", "kernel avg3to1/scalar"),
    ("LUTC3::Convert1To1", "kernel map8/scalar"),
    ("LUT1::Convert1To3", "kernel map8to3 gray/scalar"),
    ("kernel map8to3 gray/avx2", "kernel map8to3 gray/scalar"),
    ("kernel map8to3/avx2", "kernel map8to3/scalar"),
    ("LUT2::Convert2To1", "plain checked 2-byte loop"),
    ("LUT3::Convert3To3", "memcpy"),
    ("kernel map8/avx512vbmi", "memcpy"),
]
SIZES = ("64KiB", "1MiB", "64MiB")


def run(binary, repetitions):
    out = subprocess.run(
        [binary, "--benchmark_format=json",
         "--benchmark_repetitions=%d" % repetitions,
         "--benchmark_report_aggregates_only=true"],
        check=True, capture_output=True, text=True).stdout
    rows = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name = b["run_name"].replace("/real_time", "")
        rows[name] = (b["GB/s"], b["pixels/ns"])
    return rows


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else "build/bench/lut_bench"
    repetitions = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    rows = run(binary, repetitions)
    print("| benchmark | source | GB/s | pixels/ns |")
    print("| --- | --- | ---: | ---: |")
    for name, (gbs, pns) in rows.items():
        what, size = name.rsplit("/", 1)
        print("| %s | %s | %.2f | %.2f |" % (what, size, gbs, pns))
    print()
    print("| ratio (GB/s) | %s |" % " | ".join(SIZES))
    print("| --- |" + " ---: |" * len(SIZES))
    for a, b in RATIOS:
        cells = []
        for size in SIZES:
            x, y = rows.get(a + "/" + size), rows.get(b + "/" + size)
            cells.append("%.2fx" % (x[0] / y[0]) if x and y else "n/a")
        print("| %s / %s | %s |" % (a, b, " | ".join(cells)))


if __name__ == "__main__":
    main()
