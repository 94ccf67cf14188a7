#!/usr/bin/env bash
# Installs what is missing, builds and starts Tallowbrook. With --demo it also starts the phone
# simulator on 127.0.0.1, so every phone feature can be tried without a phone.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh"
build="${TB_BUILD_DIR:-$top/build}"
if [ -x "$top/scripts/tallowbrook-run.sh" ]; then
  exec bash "$top/scripts/tallowbrook-run.sh" "$build" "$@"
fi
exec "$build/bin/tallowbrook"
