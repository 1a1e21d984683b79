#!/usr/bin/env bash
# Runs every golden script (tests/golden/*.zs) through the zorl command of a
# normal build under valgrind's memcheck, each in a fresh folder with the
# options its "# args:" line gives, and fails on any report: an invalid
# read or write, a use of uninitialised memory, or a leak. The scripts' own
# exit status (1 for those that stop on an error) is not judged here; the
# golden tests do that.
# Usage: bash scripts/valgrind-golden.sh [BUILD_DIR]   (default: build-normal,
# built first when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-normal}
if [ ! -x "$build/zorl" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
  ninja -C "$build" -j 2 zorl_cmd lut
fi
zorl=$(cd "$build" && pwd)/zorl
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
count=0
for script in tests/golden/*.zs; do
  name=$(basename "$script" .zs)
  mkdir -p "$work/$name"
  cp "$script" "$work/$name/"
  args=$(sed -n '1,5s/^# args: //p' "$script")
  status=0
  # shellcheck disable=SC2086  # the options are words
  (cd "$work/$name" && valgrind --error-exitcode=99 --leak-check=full \
      --errors-for-leak-kinds=definite,indirect,possible \
      --log-file=valgrind.log "$zorl" run "$name.zs" $args \
      >/dev/null 2>&1) || status=$?
  count=$((count + 1))
  if [ "$status" = 99 ] || ! grep -q 'ERROR SUMMARY: 0 errors' "$work/$name/valgrind.log"; then
    echo "valgrind: $name.zs: memcheck reported errors" >&2
    cat "$work/$name/valgrind.log" >&2
    failed=1
  fi
done
[ $failed = 0 ] && echo "valgrind: $count golden scripts, no report"
exit $failed
