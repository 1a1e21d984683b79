#!/usr/bin/env bash
# Runs one golden script through zorl in a fresh folder WORK and compares
# what it printed with NAME.out and NAME.err beside it (none: empty). A line
# "# args: ..." adds options; "# status: N" gives the exit status expected
# (default 0). Usage: run_golden.sh ZORL SCRIPT WORK
name=$(basename "$2" .zs)
dir=$(cd "$(dirname "$2")" && pwd)
rm -rf "$3" && mkdir -p "$3" && cp "$2" "$3" && cd "$3" || exit 2
read -ra args <<<"$(sed -n 's/^# args: //p' "$name.zs")"
"$1" run "$name.zs" "${args[@]}" >out 2>err
status=$? failed=0
for s in out err; do
  [ -f "$dir/$name.$s" ] && want="$dir/$name.$s" || want=/dev/null
  diff -u --label "expected $name.$s" --label "got" "$want" $s || failed=1
done
expected=$(sed -n 's/^# status: //p' "$name.zs")
[ "$status" = "${expected:-0}" ] || { echo "exit status $status, expected ${expected:-0}"; failed=1; }
exit $failed
