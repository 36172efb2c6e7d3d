#!/usr/bin/env bash
# Installs the Debian packages the project needs. Quick when everything is present.
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config git python3
  libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libglu1-mesa-dev
  libsdl2-dev libsdl2-ttf-dev fonts-dejavu-core
  libpixman-1-dev libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev libstb-dev
  xvfb xdotool x11-utils apitrace libx11-dev openbox libwayland-dev weston
  libdecor-0-plugin-1-cairo
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 googletest wine wine64
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
