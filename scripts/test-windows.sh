#!/usr/bin/env bash
# Cross-builds the Windows programs and their tests with MinGW-w64, 64-bit into build-win/ and
# 32-bit into build-win32/, and runs them under Wine: for each, the tests against the real
# Win32 API through CTest, the end-to-end tests of buggy.exe (and, 64-bit, of
# lumora-buttons-demo.exe and the queue order; from the Linux build, label "wine"), then its
# NSIS installer and zip, installed, run and uninstalled in a Wine prefix of their own
# (tests/package/windows_installer.sh). Each build gets its own Wine prefix (build-win/wine,
# build-win32/wine) and everything its own Xvfb. Expects ./scripts/setup-deps.sh tests and the
# Linux build in build/ (whose texture painter paints the Windows builds' images).
#   test-windows.sh [win64|win32]...   (default: both)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)
arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(win64 win32)

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

stop_wine() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
trap stop_wine EXIT

# 32-bit Wine runs the 32-bit build and the NSIS installers (32-bit programs on both builds).
# Without it (the setup could not install it) those are built and packed but not run, and the
# output says so.
wine32=yes
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" || wine32=
skipped() { echo "SKIPPED (32-bit Wine is not installed): $*"; }
# The NSIS installer and the zip alone, into $dir/packages, when they cannot be run.
pack() { (cd $dir && cpack -B "$root/$dir/packages" > cpack.log 2>&1) || { cat $dir/cpack.log; exit 1; }; }

for arch in "${arches[@]}"; do
  arch_started=$(date +%s)
  case $arch in
  win64) dir=build-win toolchain=mingw-w64.cmake ;;
  win32) dir=build-win32 toolchain=mingw-w32.cmake ;;
  *) echo "unknown architecture $arch (win64 or win32)" >&2; exit 2 ;;
  esac
  echo "== Windows build $arch in $dir"
  if [ ! -f $dir/build.ninja ]; then
    cmake -S . -B $dir -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
          -DLUMORA_HOST_PAINTER="$root/build/bin/texture-painter"
  fi
  cmake --build $dir -j2
  if [ $arch = win32 ] && [ -z "$wine32" ]; then
    pack
    skipped "the 32-bit build's tests and its installer under Wine (built and packed only)"
    continue
  fi

  export WINEPREFIX="$root/$dir/wine"
  export LUMORA_WINDOWS_BIN="$root/$dir/bin"
  if [ $arch = win32 ]; then export WINEARCH=win32; else unset WINEARCH; fi
  # A prefix made while Wine had no 32-bit side cannot start 32-bit programs (Wine says it
  # could not load kernel32.dll), the NSIS installers among them: make it again.
  if [ -n "$wine32" ] && [ -d "$WINEPREFIX" ] && [ $arch = win64 ] && [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    echo "Wine prefix $WINEPREFIX has no 32-bit side: making it again"
    rm -rf "$WINEPREFIX"
  fi
  mkdir -p "$WINEPREFIX"

  # Wine's server and its first process start outside CTest, on the display the tests use:
  # otherwise Wine's background processes hold CTest's output pipes open and it never finishes.
  # Wine keeps the screen size its server's first program met for as long as the server runs,
  # so the tests on a large screen (label "large-screen") get a server started on one.
  if [ $arch = win64 ]; then
    tests/support/xvfb.sh sh -c "
      wineserver -p
      wine cmd /c exit > /dev/null 2>&1
      ctest --test-dir $dir --output-on-failure"
  else
    # 32-bit Wine 8's X11 driver ends platform_test.exe with an X error (BadWindow on
    # ReparentWindow) after its last test has passed, before GoogleTest's summary: every test
    # that ran must have passed, and all of them must have run.
    tests/support/xvfb.sh sh -c "
      wineserver -p
      wine cmd /c exit > /dev/null 2>&1
      cd $dir && ctest --output-on-failure > platform-tests.log 2>&1" || true
    cat $dir/platform-tests.log
    count=$(sed -n 's/.*Running \([0-9]*\) tests from.*/\1/p' $dir/platform-tests.log | head -n 1)
    passed=$(grep -c '^\[       OK \]' $dir/platform-tests.log || true)
    if [ -z "$count" ] || [ "$passed" -ne "$count" ] || grep -q '^\[  FAILED  \]' $dir/platform-tests.log; then
      echo "32-bit platform tests: $passed of ${count:-?} passed"
      exit 1
    fi
    echo "32-bit platform tests: all $count passed"
  fi
  if [ $arch = win64 ]; then
    ctest --test-dir build --output-on-failure -L wine -LE large-screen
    stop_wine
    tests/support/xvfb.sh --screen 2560x1600 sh -c 'wineserver -p; wine cmd /c exit > /dev/null 2>&1'
    ctest --test-dir build --output-on-failure -L large-screen
  else
    # The 32-bit build: the viewer as a user drives it (its full-screen frame is not compared
    # with our subset's: the 32-bit compiler's x87 arithmetic rounds differently; the queue
    # order is not compared either: queue_order.cpp prints a 32-bit LPARAM sign-extended).
    ctest --test-dir build --output-on-failure -R '^wine_viewer_windowed$'
  fi
  stop_wine

  if [ -z "$wine32" ]; then
    pack
    skipped "the $arch installer under Wine (packed only)"
    echo "Windows $arch: $(( $(date +%s) - arch_started )) s"
    continue
  fi
  # The installer, on its own Wine prefix and Xvfb; its output goes to a file, not a pipe.
  log=$root/$dir/windows-installer.log
  tests/support/xvfb.sh tests/package/windows_installer.sh "$root/$dir" $arch "$root/build/bin/wine_e2e" \
      "$root/$dir/installer-test" > "$log" 2>&1 || true
  cat "$log"
  grep -q '^PASS$' "$log" && ! grep -q '^FAIL:' "$log" || { echo "windows_installer_$arch failed"; exit 1; }
  echo "Windows $arch: $(( $(date +%s) - arch_started )) s"
done
echo "Windows builds and Wine tests: $(( $(date +%s) - started )) s"
