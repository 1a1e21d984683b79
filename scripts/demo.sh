#!/usr/bin/env bash
# Builds zorl and the plug-in and runs the demo: every examples/*.zs script,
# in a folder that holds the sample pictures. Installs what is missing first
# (Debian or Ubuntu: g++, cmake, ninja-build, libpng-dev).
#
#   bash scripts/demo.sh [OUTDIR]     (default: out/demo)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$root/out/demo}
build=$root/build-demo

zorl_builds=demo
source "$root/scripts/install-deps.sh"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DZORL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target zorl_cmd lut make_phantom
# The Python module, where pybind11-dev and python3-dev are installed.
python_module=$(cmake --build "$build" -j2 --target zorl_python >/dev/null \
  2>&1 && echo yes || true)

mkdir -p "$out"
"$build/make_phantom" "$out"
cd "$out"
bash "$root/scripts/link_scans.sh"
for script in "$root"/examples/*.zs; do
  echo "== zorl run examples/$(basename "$script")"
  "$build/zorl" run "$script"
done
if [ -n "$python_module" ]; then
  echo "== python3 examples/python_first.py"
  PYTHONPATH="$build/python" /usr/bin/python3 "$root/examples/python_first.py"
fi
echo
echo "The pictures are in $out:"
ls "$out"/*.png
