# Installs the packages the build needs when any is missing (sourced by the
# demo and test scripts). Uses sudo when not run as root.
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
# libgdcm-dev: DICOM images. python3-pydicom (with python3-numpy for its
# pixel arrays): the DICOM files and palettes the tests and the demo read,
# and the peer that the tests compare with.
for p in g++ cmake ninja-build libgtest-dev libbenchmark-dev libpng-dev \
         libgdcm-dev g++-multilib clang-14 libclang-rt-14-dev valgrind \
         python3-pydicom python3-numpy; do
  have "$p" || need+=("$p")
done
i386=()
# The DICOM library's -dev packages of two architectures conflict: the
# 32-bit build uses the headers of libgdcm-dev and the i386 run-time.
for p in libpng-dev:i386 zlib1g-dev:i386 libgdcm3.0:i386; do have "$p" || i386+=("$p"); done
if [ ${#need[@]} -gt 0 ] || [ ${#i386[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "== installing: ${need[*]} ${i386[*]}"
  if [ ${#i386[@]} -gt 0 ]; then $sudo dpkg --add-architecture i386; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
    "${need[@]}" "${i386[@]}" >/dev/null
fi
