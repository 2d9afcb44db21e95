#!/usr/bin/env bash
# Measures the page in headless Chromium beside a straightforward web build and the floor (one
# WebGL draw of the same stars): frames per second and main-thread time per frame.
# Usage: scripts/bench-web.sh [--rounds N] [--seconds S]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-web.sh
scripts/deps.sh web-test
exec /usr/bin/python3 -m bench.web_frame_rate --site build-web --build-dir build-emscripten "$@"
