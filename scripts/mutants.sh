#!/usr/bin/env bash
# Plants the faults listed in scripts/mutants.txt, one at a time, in a copy
# of the sources (build-mutants/src, never the worktree), builds that copy
# incrementally in build-mutants/build and runs its tests (ctest, stopping
# at the first failure). A fault is caught when a test fails, missed when
# every test passes. Prints a line per fault and a summary; exit status 1
# when any fault was missed or did not apply. Not run by CI.
# Usage: bash scripts/mutants.sh [NUMBER | FIRST-LAST]...   (default: all)
# MUTANTS_ALL=1 runs every test of each fault and names all that fail.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
list=$root/scripts/mutants.txt
src=$root/build-mutants/src
build=$root/build-mutants/build
log=$root/build-mutants/log
jobs=2
mkdir -p "$src" "$log"

# Brings the copy up to the worktree: only files that differ are written, so
# that the build stays incremental; files gone from the worktree go.
sync_copy() {
  git ls-files --cached --others --exclude-standard |
    while IFS= read -r f; do if [ -f "$f" ]; then echo "$f"; fi; done |
    sort >"$log/files"
  while IFS= read -r f; do
    if ! cmp -s "$f" "$src/$f"; then
      mkdir -p "$(dirname "$src/$f")"
      cp "$f" "$src/$f"
    fi
  done <"$log/files"
  (cd "$src" && find . -type f | sed 's|^\./||' | sort) |
    comm -23 - "$log/files" | while IFS= read -r f; do rm "$src/$f"; done
}

# mutant MODE ...: "list" prints the numbers the arguments choose;
# "apply NUMBER" plants that fault in the copy; "describe NUMBER" names it.
mutant() {
  python3 - "$list" "$src" "$@" <<'EOF'
import re, sys
path, src, mode = sys.argv[1:4]
rest = sys.argv[4:]
faults, cur = {}, None
for line in open(path, encoding="utf-8"):
    line = line.rstrip("\n")
    m = re.match(r"^(\d+) (\S+): (.*)$", line)
    if m:
        cur = int(m.group(1))
        faults[cur] = {"file": m.group(2), "what": m.group(3)}
    elif cur is not None and line[:2] in ("- ", "+ "):
        key = "old" if line[0] == "-" else "new"
        faults[cur][key] = line[2:].replace("\\n", "\n")
if mode == "list":
    chosen = []
    for a in rest or [str(n) for n in sorted(faults)]:
        lo, _, hi = a.partition("-")
        chosen += [n for n in sorted(faults) if int(lo) <= n <= int(hi or lo)]
    print(" ".join(str(n) for n in chosen))
    sys.exit(0)
f = faults[int(rest[0])]
if mode == "describe":
    print("%s: %s" % (f["file"], f["what"]))
    sys.exit(0)
target = src + "/" + f["file"]
text = open(target, encoding="utf-8").read()
count = text.count(f["old"])
if count != 1:
    print("the original text occurs %d times in %s" % (count, f["file"]))
    sys.exit(1)
open(target, "w", encoding="utf-8").write(text.replace(f["old"], f["new"]))
EOF
}

numbers=$(mutant list "$@")
[ -n "$numbers" ] || { echo "no such fault: $*" >&2; exit 2; }

echo "== copying the sources and building them unchanged"
sync_copy
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DZORL_BENCH=OFF >"$log/cmake.log"
ninja -C "$build" -j "$jobs" >"$log/build.log" ||
  { echo "the unchanged sources do not build: $log/build.log"; exit 1; }
(cd "$build" && ctest -j "$jobs" >"$log/tests.log") ||
  { echo "the unchanged sources fail their tests: $log/tests.log"; exit 1; }

stop=--stop-on-failure
[ "${MUTANTS_ALL:-0}" = 1 ] && stop=
caught=0 missed=0 broken=0 start=$SECONDS
current=""
restore() { [ -z "$current" ] || cp "$log/original" "$src/$current"; }
trap restore EXIT
for n in $numbers; do
  what=$(mutant describe "$n")
  current=${what%%:*}
  cp "$src/$current" "$log/original"
  t0=$SECONDS
  if ! why=$(mutant apply "$n"); then
    result="NOT APPLIED ($why)"
    broken=$((broken + 1))
  elif ! ninja -C "$build" -j "$jobs" >"$log/build-$n.log" 2>&1; then
    result="did not build ($log/build-$n.log)"
    broken=$((broken + 1))
  elif (cd "$build" && ctest -j "$jobs" $stop --timeout 300 \
          >"$log/tests-$n.log" 2>&1); then
    result="MISSED"
    missed=$((missed + 1))
  else
    by=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (.*)$/\1/p' "$log/tests-$n.log" |
         tr '\n' ' ')
    result="caught by ${by:-a failing test}"
    caught=$((caught + 1))
  fi
  restore
  current=""
  printf '%3d %-8s %s\n    %s\n' "$n" "$((SECONDS - t0))s" "$what" "$result"
done
# The copy's build back in step with the unchanged sources.
ninja -C "$build" -j "$jobs" >"$log/build.log" 2>&1 || true
total=$((caught + missed + broken))
echo "== $caught caught, $missed missed, $broken not applied or not built," \
  "of $total faults, in $(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s"
[ "$missed" -eq 0 ] && [ "$broken" -eq 0 ]
