#!/usr/bin/env python3
"""Counts the lines of tests against the lines of code: non-blank lines that
are not comments, of every tracked file under tests/ (C++, scripts, golden
scripts and their expected output) against the source files elsewhere
(bench/ and fuzz/ count on neither side). Prints both and the ratio; with
--max PERCENT, exits 1 when the ratio is above it."""
import argparse
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE = (".cpp", ".h", ".py", ".sh", ".cmake", ".zs", ".map")
SKIP = ("tests/", "bench/", "fuzz/")


def lines(path):
    n = 0
    in_block = False
    with open(os.path.join(ROOT, path), encoding="utf-8",
              errors="replace") as f:
        for raw in f:
            line = raw.strip()
            if in_block:
                if "*/" in line:
                    in_block = False
                continue
            if not line or line.startswith("//") or line.startswith("#!"):
                continue
            if line.startswith("#") and not line.startswith("#include") \
                    and not line.startswith("#if") \
                    and not line.startswith("#define") \
                    and not line.startswith("#end") \
                    and not line.startswith("#else") \
                    and not line.startswith("#elif"):
                continue  # a comment in shell, Python, CMake and scripts
            if line.startswith("/*"):
                in_block = "*/" not in line
                continue
            n += 1
    return n


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--max", type=float)
    args = ap.parse_args()
    files = subprocess.run(["git", "ls-files", "--cached", "--others",
                            "--exclude-standard"], cwd=ROOT, check=True,
                           capture_output=True, text=True).stdout.split()
    tests = code = 0
    for f in files:
        if not os.path.isfile(os.path.join(ROOT, f)):
            continue
        if f.startswith("tests/"):
            if "/corpus/" not in f:
                tests += lines(f)
        elif not f.startswith(SKIP) and (f.endswith(SOURCE) or
                                         os.path.basename(f) ==
                                         "CMakeLists.txt"):
            code += lines(f)
    ratio = 100.0 * tests / max(code, 1)
    print("tests %d lines, code %d lines: %.1f%%" % (tests, code, ratio))
    return 1 if args.max is not None and ratio > args.max else 0


if __name__ == "__main__":
    sys.exit(main())
