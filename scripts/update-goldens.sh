#!/usr/bin/env bash
# Regenerates the viewer's golden pictures after an intended change of what it draws.
# The test that compares against them (tests/app/viewer/golden_test.cpp) makes each picture with
# the same settings as here.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh build
golden=$(pwd)/tests/app/viewer/golden
mkdir -p "$golden"
cd build/bin
./buggy-snapshot --output "$golden/first-frame.png"
./buggy-snapshot --left-drag 60,30 --output "$golden/left-drag.png"
./buggy-snapshot --right-drag 60 --output "$golden/right-drag.png"
echo "Golden pictures written to $golden"
