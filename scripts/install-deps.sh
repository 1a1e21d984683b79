# shellcheck shell=bash
# Installs the packages that the chosen builds need, when any is missing
# (sourced by the test and demo scripts, which set zorl_builds first; run on
# its own it installs for every build). Says what it installs, and waits
# (five minutes at most) while another install holds the package manager's
# lock. Uses sudo when not run as root; Debian or Ubuntu.
#
#   zorl_builds="normal m32" source scripts/install-deps.sh
#   bash scripts/install-deps.sh [normal|sanitize|m32|valgrind|fuzz|demo]...
if [ -z "${zorl_builds:-}" ]; then
  if [ $# -gt 0 ]; then zorl_builds="$*"; else
    zorl_builds="normal sanitize m32 valgrind fuzz"
  fi
fi

# libcairo2-dev and a font: the plots; libedit-dev: the prompt; libtiff-dev
# and libjpeg62-turbo-dev: TIFF and JPEG images; libdeflate-dev: PNG writing
# (libtiff-dev brings it too, so the 32-bit build's libtiff-dev:i386 does).
zorl_need=(g++ cmake ninja-build libpng-dev libcairo2-dev fonts-dejavu-core
           libedit-dev libtiff-dev libjpeg62-turbo-dev libdeflate-dev)
zorl_i386=()
for zorl_b in $zorl_builds; do
  case $zorl_b in
    # libgdcm-dev: DICOM images. python3-pydicom (with python3-numpy for
    # its pixel arrays): the DICOM files and palettes that the tests and the
    # demo read, and the peer that the tests compare with; python3-pil the
    # peer of TIFF and JPEG; dcmtk (dcm2pnm) the second peer of the DICOM
    # display pipeline. pybind11-dev, python3-dev, python3-pytest,
    # python3-dask and python3-distributed: the Python module zorl, its
    # tests and its Dask example.
    normal | sanitize) zorl_need+=(libgtest-dev libbenchmark-dev python3
                                   libgdcm-dev python3-pydicom python3-numpy
                                   python3-pil dcmtk pybind11-dev python3-dev
                                   python3-pytest python3-dask
                                   python3-distributed) ;;
    # The DICOM library's -dev packages of two architectures conflict: the
    # 32-bit build uses the headers of libgdcm-dev and the i386 run-time.
    # Those of libtiff and libjpeg-turbo install side by side.
    m32) zorl_need+=(g++-multilib googletest python3 libgdcm-dev)
         zorl_i386=(libpng-dev:i386 zlib1g-dev:i386 libgdcm3.0:i386
                    libcairo2-dev:i386 libedit-dev:i386 libtiff-dev:i386
                    libjpeg62-turbo-dev:i386) ;;
    demo) zorl_need+=(libgdcm-dev python3-pydicom pybind11-dev python3-dev
                      python3-numpy) ;;
    valgrind) zorl_need+=(valgrind) ;;
    fuzz) zorl_need+=(clang-14 libclang-rt-14-dev libgdcm-dev python3-pydicom) ;;
  esac
done

zorl_have() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"
}

# Runs a package-manager command as root; while another install holds the
# lock it tries again every 5 seconds, for 300 seconds at most (apt-get
# install waits by itself; apt-get update and dpkg do not).
zorl_root_wait() {
  local sudo="" waited=0 out
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  while :; do
    if out=$($sudo env DEBIAN_FRONTEND=noninteractive "$@" 2>&1); then
      return 0
    fi
    if ! grep -qi "lock" <<<"$out" || [ $waited -ge 300 ]; then
      echo "$out" >&2
      echo "== install-deps: failed: $*" >&2
      return 1
    fi
    [ $waited -gt 0 ] ||
      echo "== another install holds the package manager's lock; waiting (at most 300 s)"
    sleep 5
    waited=$((waited + 5))
  done
}

# Installs what is missing; false when it could not.
zorl_install() {
  local p missing=()
  for p in "${zorl_need[@]}" "${zorl_i386[@]}"; do
    zorl_have "$p" || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  if ! command -v apt-get >/dev/null; then
    echo "== please install: ${missing[*]}" >&2
    return 1
  fi
  echo "== installing for the builds ($zorl_builds): ${missing[*]}"
  if [ ${#zorl_i386[@]} -gt 0 ] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "== adding the i386 architecture to the package manager (for -m32)"
    zorl_root_wait dpkg --add-architecture i386 || return 1
  fi
  zorl_root_wait apt-get -o DPkg::Lock::Timeout=300 update -qq || return 1
  zorl_root_wait apt-get -o DPkg::Lock::Timeout=300 install -y -qq \
    "${missing[@]}" || return 1
  echo "== installed: ${missing[*]}"
}

# Sourced, a failure returns; run on its own, it exits.
# shellcheck disable=SC2317
zorl_install || return 1 2>/dev/null || exit 1
