#!/usr/bin/env bash
# Runs the demo in the build tree: run_demo.sh MAKE_PHANTOM ZORL EXAMPLES OUT
set -euo pipefail
scripts=$(cd "$(dirname "$0")/../scripts" && pwd)
rm -rf "$4" && mkdir -p "$4"
"$1" "$4" >/dev/null
cd "$4"
bash "$scripts/link_scans.sh"
for script in "$3"/*.zs; do "$2" run "$script" >/dev/null; done
# The Python example, when the module was built (PYTHONPATH names it).
if [ -n "${ZORL_PYTHON_TREE:-}" ]; then
  PYTHONPATH=$ZORL_PYTHON_TREE /usr/bin/python3 "$3/python_first.py" >/dev/null
fi
ls ./*.png >/dev/null
