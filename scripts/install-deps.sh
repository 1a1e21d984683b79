# Installs the packages the build needs when any is missing (sourced by the
# demo and test scripts). Uses sudo when not run as root.
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
for p in g++ cmake ninja-build libgtest-dev libbenchmark-dev libpng-dev \
         g++-multilib clang-14 libclang-rt-14-dev valgrind python3; do
  have "$p" || need+=("$p")
done
i386=()
for p in libpng-dev:i386 zlib1g-dev:i386; do have "$p" || i386+=("$p"); done
if [ ${#need[@]} -gt 0 ] || [ ${#i386[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "== installing: ${need[*]} ${i386[*]}"
  if [ ${#i386[@]} -gt 0 ]; then $sudo dpkg --add-architecture i386; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
    "${need[@]}" "${i386[@]}" >/dev/null
fi
