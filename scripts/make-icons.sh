#!/usr/bin/env bash
# Makes the application icons from a real frame of the viewer: zoomed out until the whole
# disc shows, paused, cropped to the disc and scaled to the usual icon sizes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build >/dev/null
cmake --build build --target spirelle -j "$(nproc)" >/dev/null

source scripts/private_x.sh
start_xvfb
build/spirelle &
viewer=$!
window=$(viewer_window)
timeout 30 xdotool windowsize --sync "$window" 480 480 windowfocus --sync "$window" ||
  { echo "make-icons: the viewer's window could not be resized within 30 s" >&2; exit 1; }
sleep 2
xdotool key --delay 2 $(printf 'Up %.0s' $(seq 110)) space
sleep 1
frame=$(mktemp --suffix=.png)
import -window "$window" "$frame"
xdotool key Escape
await_exit "$viewer"
# The desktop's sizes, and the web app's (192 and 512, the largest scaled up from the frame).
for size in 48 128 192 256 512; do
  convert "$frame" -gravity center -crop 420x420+0+0 +repage -resize "${size}x${size}" \
    -strip "data/icons/spirelle-$size.png"
done
# Windows takes one .ico with several sizes; the largest is kept as PNG inside it.
convert data/icons/spirelle-256.png -alpha on -define png:color-type=6 \
  -define icon:auto-resize=256,48,32,16 data/icons/spirelle.ico
rm -f "$frame"
ls -l data/icons
