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
CC=clang CXX=clang++ ./scripts/build.sh build-san -DLUMORA_SANITIZE=ON -DLUMORA_FUZZ=ON -DLUMORA_BENCH=OFF
ctest --test-dir build-san --output-on-failure -j2 -L 'asan|fuzz'
echo "All tests passed."
