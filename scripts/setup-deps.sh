#!/usr/bin/env bash
# Installs the Debian packages the project needs. Quick when everything is present.
#   setup-deps.sh viewer   what building and running the viewer needs (./run.sh)
#   setup-deps.sh tests    that, and what the tests, the benchmarks, the Debian packages and
#                          the Windows builds (64 and 32 bits, their installers, Wine) need
#                          (./test.sh)
set -euo pipefail
mode=${1:-tests}
VIEWER=(
  build-essential cmake ninja-build pkg-config
  libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libglu1-mesa-dev
  libsdl2-dev libsdl2-ttf-dev fonts-dejavu-core
  libpixman-1-dev libpng-dev libx11-dev libwayland-dev
  libdecor-0-plugin-1-cairo
)
TESTS=(
  git python3
  libgtest-dev libgmock-dev libbenchmark-dev libstb-dev
  xvfb xdotool x11-utils apitrace openbox weston
  clang libclang-rt-14-dev
  debhelper dpkg-dev fakeroot lintian
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 googletest nsis wine wine64
)
# 32-bit Wine and its GL (Wine only recommends libgl1), for the 32-bit Windows build's tests.
TESTS_I386=(wine32:i386 libgl1:i386 libgl1-mesa-dri:i386)

case $mode in
viewer) wanted=("${VIEWER[@]}") ;;
tests) wanted=("${VIEWER[@]}" "${TESTS[@]}" "${TESTS_I386[@]}") ;;
*) echo "usage: setup-deps.sh viewer|tests" >&2; exit 2 ;;
esac

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
updated=
if [ "$mode" = tests ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
  updated=yes
fi
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  [ -n "$updated" ] || $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
