#!/usr/bin/env bash
# Sets everything up (Debian packages, builds) and runs every test: the unit, headless-GL and
# end-to-end tests, the Windows build with its tests under Wine, then the sanitizer pass and
# the short fuzzing runs.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh
./scripts/build.sh build
ctest --test-dir build --output-on-failure -j2 -LE 'fuzz|benchmark|wine'
./scripts/test-windows.sh
CC=clang CXX=clang++ ./scripts/build.sh build-san -DLUMORA_SANITIZE=ON -DLUMORA_FUZZ=ON -DLUMORA_BENCH=OFF
ctest --test-dir build-san --output-on-failure -j2 -L 'asan|fuzz'
echo "All tests passed."
