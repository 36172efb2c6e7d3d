#!/usr/bin/env bash
# Sets everything up (Debian packages, build) and opens the buggy viewer.
# Without a display it renders the first frame to a PNG instead.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh
./scripts/build.sh build
cd build/bin
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./buggy
fi
if [ -x ./buggy-snapshot ]; then
  ./buggy-snapshot --output buggy.png > /dev/null
  echo "No display found: the first frame of the viewer is in $(pwd)/buggy.png"
else
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): the viewer needs a desktop to open its window."
fi
