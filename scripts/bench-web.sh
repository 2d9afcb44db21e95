#!/usr/bin/env bash
# Measures the page in headless Chromium beside a straightforward web build and the floor (one
# WebGL draw of the same stars): frames per second and main-thread time per frame. With --start,
# the time to the first frame on a desktop and a phone profile instead.
# Usage: scripts/bench-web.sh [--rounds N] [--seconds S]
#        scripts/bench-web.sh --start [--runs N] [--trace]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-web.sh
scripts/deps.sh web-test
if [ "${1:-}" = --start ]; then
  exec /usr/bin/python3 -m bench.web_start --site build-web "${@:2}"
fi
exec /usr/bin/python3 -m bench.web_frame_rate --site build-web --build-dir build-emscripten "$@"
