#!/usr/bin/env bash
# Builds Spirelle and runs it. Without a usable display it runs the viewer on a private
# Xvfb for a few seconds instead and saves a screenshot of its window as a PNG.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build >/dev/null
cmake --build build --target spirelle -j "$(nproc)" >/dev/null

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec build/spirelle "$@"
fi

seconds=5
shot="$PWD/build/spirelle-screenshot.png"
echo "No display available: running Spirelle on a private Xvfb for $seconds seconds and saving a screenshot."
source scripts/private_x.sh
start_xvfb
build/spirelle "$@" &
viewer=$!
window=$(viewer_window)
sleep "$seconds"
import -window "$window" "$shot"
xdotool mousemove --window "$window" 5 5 key Escape
await_exit "$viewer"
echo "$shot"
