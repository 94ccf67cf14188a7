#!/bin/sh
# Takes the documentation's screenshots (docs/screenshots/*.png) on a virtual X server.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build; builds the ui_screenshots target)
# Needs Xvfb (Debian: apt-get install xvfb); the pictures need a real X server, not offscreen.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
out="$here/docs/screenshots"

if ! command -v Xvfb >/dev/null 2>&1; then
    echo "Xvfb is missing; install it with: apt-get install xvfb" >&2
    exit 1
fi

cmake --build "$build" --target ui_screenshots -j2
program="$build/tools/screenshots/ui_screenshots"
mkdir -p "$out"

# A free display number of our own.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done

Xvfb ":$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT INT TERM
# Wait for the server's socket.
tries=0
while [ ! -e "/tmp/.X11-unix/X$display" ] && [ $tries -lt 50 ]; do
    sleep 0.1
    tries=$((tries + 1))
done

DISPLAY=":$display" QT_QPA_PLATFORM=xcb "$program" "$out"
echo "Screenshots in $out"
