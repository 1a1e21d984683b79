#!/usr/bin/env bash
# Builds zorl and the plug-in and runs the demo: every examples/*.zs script,
# in a folder that holds the sample pictures. Installs what is missing first
# (Debian or Ubuntu).
#
#   bash scripts/demo.sh [OUTDIR]     (default: out/demo)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$root/out/demo}
build=$root/build-demo

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v ninja >/dev/null || missing+=(ninja-build)
command -v g++ >/dev/null || missing+=(g++)
for p in libpng-dev libgdcm-dev python3-pydicom; do
  dpkg -s $p >/dev/null 2>&1 || missing+=($p)
done
if ((${#missing[@]})); then
  if ! command -v apt-get >/dev/null; then
    echo "demo: please install: ${missing[*]}" >&2
    exit 1
  fi
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "demo: installing ${missing[*]}"
  $sudo apt-get update -q
  $sudo apt-get install -y -q "${missing[@]}"
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DZORL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target zorl_cmd lut make_phantom

mkdir -p "$out"
"$build/make_phantom" "$out"
cd "$out"
bash "$root/scripts/link_scans.sh"
for script in "$root"/examples/*.zs; do
  echo "== zorl run examples/$(basename "$script")"
  "$build/zorl" run "$script"
done
echo
echo "The pictures are in $out:"
ls "$out"/*.png
