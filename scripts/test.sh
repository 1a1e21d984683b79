#!/usr/bin/env bash
# Builds the project three ways and runs every test in each: the normal
# 64-bit build (which also checks that tests are at most a third of the
# code), a 64-bit build with AddressSanitizer and UndefinedBehaviorSanitizer,
# and a 32-bit (-m32) build. Installs what is missing first; then the golden
# scripts under valgrind and both fuzzers for 60 seconds each.
# Usage: bash scripts/test.sh [normal|sanitize|m32|valgrind|fuzz]...
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(normal sanitize m32 valgrind fuzz)

run_build() {
  local name=$1 dir=build-$1
  shift
  echo "== $name build"
  cmake -S . -B "$dir" -G Ninja -DZORL_WERROR=ON "$@" >/dev/null
  ninja -C "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

for b in "${builds[@]}"; do
  case $b in
    normal)
      run_build normal
      # Tests stay at most a third of the code.
      python3 scripts/code_ratio.py --max 33 ;;
    sanitize)
      ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_build sanitize -DZORL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug ;;
    m32) run_build m32 -DCMAKE_CXX_FLAGS=-m32 -DZORL_GTEST_FROM_SOURCE=ON \
           -DCMAKE_LIBRARY_ARCHITECTURE=i386-linux-gnu ;;
    valgrind) echo "== valgrind"; bash scripts/valgrind-golden.sh build-normal ;;
    fuzz) echo "== fuzz"; bash scripts/fuzz.sh 60 ;;
    *) echo "unknown build: $b" >&2; exit 2 ;;
  esac
done
echo "== all builds passed"
