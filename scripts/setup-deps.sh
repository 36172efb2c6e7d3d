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
tests) wanted=("${VIEWER[@]}" "${TESTS[@]}") ;;
*) echo "usage: setup-deps.sh viewer|tests" >&2; exit 2 ;;
esac

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails an index or two for a while: try again, then go on with what
# was fetched (the install itself says so if a package is still out of reach).
updated=
update() {
  [ -z "$updated" ] || return 0
  updated=yes
  for attempt in 1 2 3; do
    $SUDO apt-get update -qq && return 0
    echo "apt-get update failed (attempt $attempt of 3)" >&2
    [ $attempt -lt 3 ] && sleep 20
  done
  return 0
}
missing_of() {
  missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
}
install() {
  echo "Installing: $*"
  update
  $SUDO apt-get install -y -qq --no-install-recommends "$@"
}

if [ "$mode" = tests ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
missing_of "${wanted[@]}"
[ ${#missing[@]} -eq 0 ] || install "${missing[@]}"

# 32-bit Wine must match the 64-bit system's libraries version for version, so a mirror whose
# 32-bit index lags behind cannot give it. That is the mirror's fault, not the project's: the
# tests that need it say they were skipped, and everything else runs.
if [ "$mode" = tests ]; then
  missing_of "${TESTS_I386[@]}"
  if [ ${#missing[@]} -gt 0 ] && ! install "${missing[@]}"; then
    echo "WARNING: 32-bit Wine could not be installed from the package mirror; the tests that" \
         "run 32-bit Windows programs (the 32-bit build's tests, the installers) will be skipped" >&2
  fi
fi
