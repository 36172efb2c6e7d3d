#!/usr/bin/env bash
# Cross-builds the Windows programs and their tests into build-win/ with MinGW-w64 and runs
# them under Wine: the tests against the real Win32 API through CTest, then the end-to-end
# tests of buggy.exe and buttons-demo.exe (from the Linux build, label "wine"). Wine gets its
# own prefix in build-win/wine and everything its own Xvfb. Expects ./scripts/setup-deps.sh
# and the Linux build in build/ (whose texture painter paints the Windows build's images).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)

if [ ! -f build-win/build.ninja ]; then
  cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DLUMORA_HOST_PAINTER="$root/build/bin/texture-painter"
fi
cmake --build build-win -j2

export WINEPREFIX="$root/build-win/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LUMORA_WINDOWS_BIN="$root/build-win/bin"
mkdir -p "$WINEPREFIX"

# Wine's server and its first process start outside CTest, on the display the tests use:
# otherwise Wine's background processes hold CTest's output pipes open and it never finishes.
# Wine keeps the screen size its server's first program met for as long as the server runs,
# so the tests on a large screen (label "large-screen") get a server started on one.
stop_wine() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
trap stop_wine EXIT
tests/support/xvfb.sh sh -c '
  wineserver -p
  wine cmd /c exit > /dev/null 2>&1
  ctest --test-dir build-win --output-on-failure'
ctest --test-dir build --output-on-failure -L wine -LE large-screen
stop_wine
tests/support/xvfb.sh --screen 2560x1600 sh -c 'wineserver -p; wine cmd /c exit > /dev/null 2>&1'
ctest --test-dir build --output-on-failure -L large-screen
echo "Windows build and Wine tests: $(( $(date +%s) - started )) s"
