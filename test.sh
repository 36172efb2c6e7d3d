#!/usr/bin/env bash
# Sets everything up (Debian packages, builds) and runs every test: the unit, headless-GL and
# end-to-end tests, the Debian packages, the Windows builds (64 and 32 bits) with their tests
# and installers under Wine, then the sanitizer pass and the short fuzzing runs.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh tests
# The build folder may hold the viewer's build alone (./run.sh): the tests and benchmarks join.
./scripts/build.sh build -DLUMORA_TESTS=ON -DLUMORA_BENCH=ON
ctest --test-dir build --output-on-failure -j2 -LE 'fuzz|benchmark|wine|debian'
# The Debian packages build on both cores of their own, after the other tests.
ctest --test-dir build --output-on-failure -L debian
./scripts/test-windows.sh
# The sanitizer build holds only what it runs: the test folders with tests labelled asan, and
# the fuzzers. A folder that labels a test asan is named here too.
CC=clang CXX=clang++ ./scripts/build.sh build-san -DLUMORA_SANITIZE=ON -DLUMORA_FUZZ=ON -DLUMORA_BENCH=OFF \
  -DLUMORA_TOOLS=OFF "-DLUMORA_ONLY=tests/lumora/tga;tests/lumora/bmp_check;tests/win32/image;tests/app/soak;fuzz"
asan_tests() { ctest --test-dir "$1" -N -L asan | grep -c 'Test *#' || true; }
if [ "$(asan_tests build-san)" != "$(asan_tests build)" ]; then
  echo "The sanitizer build has $(asan_tests build-san) of the $(asan_tests build) tests labelled asan: name their folders in LUMORA_ONLY"
  exit 1
fi
ctest --test-dir build-san --output-on-failure -j2 -L 'asan|fuzz'
echo "All tests passed."
