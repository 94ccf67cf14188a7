#!/usr/bin/env bash
# Configures and builds into build/ (incremental after the first run).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${TB_BUILD_DIR:-$top/build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j "$(nproc)"
