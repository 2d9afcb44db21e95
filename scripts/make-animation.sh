#!/usr/bin/env bash
# Makes docs/spirelle.gif, the README's moving picture, from the real viewer on a private
# Xvfb: the disc zoomed out and tilted, paused, then advanced one press of Right at a time.
# While paused, a press moves every star as time would (its phase is tick x rate), so each
# frame of the picture is one exact step, however fast the machine draws.
# Usage: scripts/make-animation.sh [frames, default 90]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-90}
scripts/deps.sh run
cmake -S . -B build >/dev/null
cmake --build build --target spirelle -j "$(nproc)" >/dev/null

source scripts/private_x.sh
start_xvfb
work=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
build/spirelle &
viewer=$!
window=$(viewer_window)
timeout 30 xdotool windowfocus --sync "$window" ||
  { echo "make-animation: the viewer's window took no focus within 30 s" >&2; exit 1; }
xdotool key space
xdotool key --delay 2 $(printf 'Up %.0s' $(seq 110))
xdotool mousemove --window "$window" 240 100 mousedown 1 mousemove --window "$window" 240 140 \
  mouseup 1

# Each frame once it differs from the one before: the press has been handled and drawn.
previous=
for frame in $(seq -w 1 "$frames"); do
  xdotool key Right
  for _ in $(seq 100); do
    import -window "$window" "$work/$frame.png"
    sum=$(convert "$work/$frame.png" rgb:- | md5sum)
    [ "$sum" != "$previous" ] && break
    sleep 0.02
  done
  [ "$sum" != "$previous" ] ||
    { echo "make-animation: frame $frame did not change within 2 s" >&2; exit 1; }
  previous=$sum
done
xdotool key Escape
await_exit "$viewer"

# White points on black: two colours, no dithering; 25 frames a second, looping.
convert -delay 4 -loop 0 "$work"/*.png -colors 2 +dither -layers OptimizeTransparency \
  docs/spirelle.gif
ls -l docs/spirelle.gif
