#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz and runs the method fuzzer and
# the script fuzzer side by side, one core each, for SECONDS seconds each
# (default 60), then the palette fuzzer and the DICOM fuzzer (seeded with
# pydicom's DICOM files and palettes) side by side. Fails on any finding: a crash, a sanitizer report, a leak, a
# timeout or running out of memory; the input is kept in build-fuzz/findings.
# Usage: bash scripts/fuzz.sh [SECONDS]   (needs clang-14 and libclang-rt-14-dev;
# ZORL_FUZZ_CXX names another clang++)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
dir=build-fuzz

CXX=${ZORL_FUZZ_CXX:-clang++-14} cmake -S . -B "$dir" -G Ninja -DZORL_FUZZ=ON \
  -DZORL_TESTS=OFF -DZORL_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$dir" -j 2 fuzz_method fuzz_script fuzz_palette fuzz_dicom zorl_decoder

mkdir -p "$dir/findings"
run() {
  local name=$1
  shift
  # New inputs go to the working corpus; the committed seeds are read only.
  mkdir -p "$dir/corpus/$name"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$dir/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=20 \
    -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/findings/$name-" "$@" \
    "$dir/corpus/$name" "fuzz/corpus/$name" >"$dir/fuzz-$name.log" 2>&1
}
run method -max_len=4096 &
method=$!
run script -max_len=4096 -dict=fuzz/script.dict &
script=$!
status=0
# Waits for a fuzzer and says how it ended; a finding fails the run.
finish() {
  local name=$1 pid=$2
  if wait "$pid"; then
    echo "fuzz_$name: $(grep -m1 'stat::number_of_executed_units' "$dir/fuzz-$name.log" | awk '{print $2}') runs, no finding"
  else
    status=1
    echo "fuzz_$name FAILED; the end of $dir/fuzz-$name.log:" >&2
    tail -40 "$dir/fuzz-$name.log" >&2
  fi
}
finish method $method
finish script $script
# The DICOM fuzzer's seeds: the files pydicom ships (Debian's
# python3-pydicom), copied into its working corpus.
pydicom=/usr/lib/python3/dist-packages/pydicom/data
mkdir -p "$dir/corpus/dicom"
cp -n "$pydicom"/test_files/*.dcm "$pydicom"/palettes/*.dcm "$dir/corpus/dicom/" || true
run palette -max_len=8192 &
palette=$!
# Larger files are cut to this length, which fuzzes truncation too.
run dicom -max_len=65536 -timeout=60 &
dicom=$!
finish palette $palette
finish dicom $dicom
exit $status
