#!/usr/bin/env bash
# Builds Spirelle for the browser with Debian's Emscripten, from the same app/, model/ and
# numerics/ sources: build-web/ then holds index.html, spirelle.js and spirelle.wasm, a
# static folder that any web server can serve (scripts/serve-web.sh does so on localhost).
# With --test it also runs the unit tests under Node and the page in headless Chromium, in
# WebKitGTK's MiniBrowser and in Firefox.
# Usage: scripts/build-web.sh [--test]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
work=$spirelle_root/build-emscripten
site=$spirelle_root/build-web
step build-web "$work/last-step.log"

case "${1:-}" in
  "") mode=build ;;
  --test) mode=test ;;
  *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac

quietly scripts/deps.sh web || fail "could not install Emscripten (apt-get install emscripten)"
emscripten_environment

CMAKE_LAUNCHER=emcmake build_googletest "$work/deps" -Dgtest_disable_pthreads=ON
# The web preset, with Node.js named by its path for CTest to run the unit tests with.
CMAKE_LAUNCHER=emcmake configure_and_build web \
  "-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch"
rm -rf "$site"
quietly cmake --install "$work" --prefix "$site" || fail "could not lay out $site"
echo "Built $site: $(cd "$site" && echo *)"
[ "$mode" = build ] && exit 0

quietly scripts/deps.sh web-test ||
  fail "could not install Chromium, its WebDriver and Selenium for the browser tests"
command -v chromium >/dev/null || fail "Chromium is missing (apt-get install chromium)"
command -v chromedriver >/dev/null || fail "ChromeDriver is missing (apt-get install chromium-driver)"
quietly scripts/deps.sh web-engines ||
  fail "could not install WebKitGTK's WebDriver and Firefox for the browser tests"
# puppeteer-core drives Firefox (24.x is the last to run on Node 18 and 20), installed with
# npm ci from instruments/package-lock.json, which fixes every package and its integrity hash;
# again only when the lock file changes. At most three tries, each bounded, with pauses of 10
# and 20 seconds.
npm_dir=$work/npm
if ! cmp -s instruments/package-lock.json "$npm_dir/package-lock.json" ||
   [ ! -d "$npm_dir/node_modules/puppeteer-core" ]; then
  command -v npm >/dev/null || fail "npm is missing, which installs puppeteer-core for Firefox"
  echo "Installing puppeteer-core from npm (npm ci, instruments/package-lock.json)"
  mkdir -p "$npm_dir"
  cp instruments/package.json instruments/package-lock.json "$npm_dir/"
  for pause in 10 20 0; do
    (cd "$npm_dir" && timeout 300 npm ci --no-audit --no-fund --loglevel=error) \
      >"$spirelle_log" 2>&1 && break
    [ "$pause" -eq 0 ] && fail "could not install puppeteer-core from npm"
    sleep "$pause"
  done
fi
run_tests web --preset web
