#!/usr/bin/env bash
# Serves the web build (build-web/, from scripts/build-web.sh) on localhost and prints the
# address to open; every file comes with the page's Content-Security-Policy as a header, as
# its index.html declares it. Usage: scripts/serve-web.sh [port]
set -euo pipefail
cd "$(dirname "$0")/.."
port=${1:-8480}
[ -f build-web/index.html ] || { echo "serve-web: no build-web/index.html; run scripts/build-web.sh first" >&2; exit 1; }
echo "Spirelle is at http://127.0.0.1:$port/ (Ctrl-C stops the server)"
exec python3 -m instruments.site build-web "$port"
