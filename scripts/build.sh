#!/usr/bin/env bash
# Configures and builds the project into the given directory: build.sh <dir> [cmake options]
# A folder is configured once; options given later configure it again with them.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
if [ ! -f "$dir/build.ninja" ] || [ $# -gt 0 ]; then
  cmake -S . -B "$dir" -G Ninja "$@"
fi
cmake --build "$dir" -j2
