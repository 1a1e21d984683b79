#!/usr/bin/env bash
# Builds the project three ways and runs every test in each: the normal
# 64-bit build (which also checks that tests are at most a third of the
# code), a 64-bit build with AddressSanitizer and UndefinedBehaviorSanitizer
# (and the race check of conversions in parts with ThreadSanitizer), and a
# 32-bit (-m32) build. Installs what the chosen builds need first;
# then the golden scripts under valgrind and both fuzzers for 60 seconds
# each. On a machine that cannot run 32-bit programs the 32-bit build is
# still built (warnings are errors), and only its tests are skipped, with a
# notice.
# Usage: bash scripts/test.sh [normal|sanitize|m32|valgrind|fuzz]...
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(normal sanitize m32 valgrind fuzz)
# valgrind runs the zorl of the normal build.
zorl_builds="${builds[*]}"
[[ " $zorl_builds " != *" valgrind "* ]] || zorl_builds+=" normal"
source scripts/install-deps.sh
skipped=()

# Whether this machine runs a small 32-bit program (some kernels cannot:
# "Exec format error"). When it can't even be compiled, the build that
# follows says why.
runs_32bit() {
  local dir status=0
  dir=$(mktemp -d)
  printf 'int main() { return 0; }\n' >"$dir/probe.cpp"
  if g++ -m32 -o "$dir/probe" "$dir/probe.cpp" 2>/dev/null; then
    "$dir/probe" 2>/dev/null || status=1
  fi
  rm -rf "$dir"
  return $status
}

# run_build NAME [test|build-only] CMAKE_OPTIONS...
run_build() {
  local name=$1 dir=build-$1 run=$2
  shift 2
  echo "== $name build"
  cmake -S . -B "$dir" -G Ninja -DZORL_WERROR=ON "$@" >/dev/null
  ninja -C "$dir" -j "$jobs"
  if [ "$run" = test ]; then
    (cd "$dir" && ctest --output-on-failure -j "$jobs")
  fi
}

for b in "${builds[@]}"; do
  case $b in
    normal)
      run_build normal test
      # Tests stay at most a third of the code.
      python3 scripts/code_ratio.py --max 33 ;;
    sanitize)
      ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_build sanitize test -DZORL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
      # The race check of conversions in parts, a few files under
      # ThreadSanitizer (tests/threads_race.cpp).
      echo "== threads race check (ThreadSanitizer)"
      cmake -S . -B build-tsan -G Ninja -DZORL_WERROR=ON -DZORL_TSAN=ON \
        -DZORL_BENCH=OFF >/dev/null
      ninja -C build-tsan -j "$jobs" threads_race
      build-tsan/tests/threads_race ;;
    m32)
      run="test"
      if ! runs_32bit; then
        run=build-only
        skipped+=("m32 tests (this machine does not run 32-bit programs)")
        echo "== m32: this machine does not run 32-bit programs: the 32-bit"
        echo "   build is built, but its tests are NOT run"
      fi
      run_build m32 "$run" -DCMAKE_CXX_FLAGS=-m32 -DZORL_GTEST_FROM_SOURCE=ON \
        -DCMAKE_LIBRARY_ARCHITECTURE=i386-linux-gnu ;;
    valgrind) echo "== valgrind"; bash scripts/valgrind-golden.sh build-normal ;;
    fuzz) echo "== fuzz"; bash scripts/fuzz.sh 60 ;;
    *) echo "unknown build: $b" >&2; exit 2 ;;
  esac
done
if [ ${#skipped[@]} -gt 0 ]; then
  echo "== all builds passed; SKIPPED: ${skipped[*]}"
else
  echo "== all builds passed"
fi
