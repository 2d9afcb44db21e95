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
exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null)
xvfb=$!
read -r number <&3
export DISPLAY=":$number"
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
build/spirelle "$@" &
viewer=$!
window=$(xdotool search --sync --name '^Spirelle$' | head -n 1)
sleep "$seconds"
import -window "$window" "$shot"
xdotool mousemove --window "$window" 5 5 key Escape
wait "$viewer"
echo "$shot"
