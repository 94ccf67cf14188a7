#!/usr/bin/env bash
# Installs what is missing, builds and runs every test through CTest.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh"
build="${TB_BUILD_DIR:-$top/build}"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 600
