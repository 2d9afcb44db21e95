#!/usr/bin/env bash
# Measures the page in headless Chromium beside a straightforward web build: frames per second
# and main-thread time per frame. Usage: scripts/bench-web.sh [--rounds N] [--seconds S]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-web.sh
scripts/deps.sh web-test
exec /usr/bin/python3 bench/web_frame_rate.py --site build-web --build-dir build-emscripten "$@"
