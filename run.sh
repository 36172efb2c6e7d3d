#!/usr/bin/env bash
# Sets up what the viewer needs (Debian packages, the build of the viewer alone) and opens the
# buggy viewer. Without a display it renders the first frame to a PNG instead. The tests, and
# what they need, come with ./test.sh.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh viewer
# A first build here is the viewer's alone: no tests, no benchmarks (./test.sh turns them on in
# the same build folder).
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DLUMORA_TESTS=OFF -DLUMORA_BENCH=OFF
fi
cmake --build build -j2 --target buggy buggy-snapshot
cd build/bin
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./buggy
fi
./buggy-snapshot --output buggy.png > /dev/null
echo "No display found: the first frame of the viewer is in $(pwd)/buggy.png"
