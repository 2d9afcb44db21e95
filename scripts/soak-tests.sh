#!/usr/bin/env bash
# Runs end-to-end suites again and again, to show that they fail only when the program does:
# each suite RUNS times in a row (20 by default), stopping at its first failure, with one line
# per run. With --load, one busy process per core runs meanwhile. The suites run the builds
# that scripts/test.sh made (run it first):
#   desktop   the plain build's end-to-end tests (build/), but the long memory run, one a
#             core at a time as the test command runs them
#   sanitize  the same on the sanitized build (build-sanitize/)
#   memory    the plain build's 20,000-frame memory run, about a minute each
#   web       the page in headless Chromium, WebKitGTK and Firefox (build-emscripten/)
#   arm64     arm64's viewer under QEMU and its frames against this machine's
#             (build-cross/arm64/, made by scripts/build-cross.sh)
# Usage: scripts/soak-tests.sh [--runs N] [--load] [SUITE...]  (default: desktop sanitize web)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=20
load=no
suites=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --load) load=yes; shift ;;
    desktop | sanitize | memory | web | arm64) suites+=("$1"); shift ;;
    *) echo "usage: $0 [--runs N] [--load] [desktop] [sanitize] [memory] [web] [arm64]" >&2; exit 2 ;;
  esac
done
[ ${#suites[@]} -gt 0 ] || suites=(desktop sanitize web)

# Each suite's tests, in the test presets' builds.
export SPIRELLE_CROSS_BUILD=arm64
selection() {
  case "$1" in
    desktop) echo "--preset desktop -L e2e -E ^e2e\.memory$ -j $(nproc)" ;;
    sanitize) echo "--preset sanitize -L e2e -E ^e2e\.memory$ -j $(nproc)" ;;
    memory) echo "--preset desktop -R ^e2e\.memory$" ;;
    web) echo "--preset web -R ^web\.(site|page|webkit|firefox)$" ;;
    arm64) echo "--preset cross -L e2e -j $(nproc)" ;;
  esac
}

busy=()
stop_load() { if [ ${#busy[@]} -gt 0 ]; then kill "${busy[@]}" 2>/dev/null || true; fi; }
trap stop_load EXIT
if [ "$load" = yes ]; then
  for _ in $(seq "$(nproc)"); do
    (while :; do :; done) &
    busy+=($!)
  done
fi

logs=build-soak
mkdir -p "$logs"
echo "Soaking ${suites[*]}: $runs runs each, $([ "$load" = yes ] && echo "with $(nproc) busy processes" || echo "without load"), $(date -u '+%Y-%m-%d %H:%M UTC')"
for suite in "${suites[@]}"; do
  total=0
  for run in $(seq "$runs"); do
    log=$logs/$suite-$run.log
    started=$(date +%s)
    # shellcheck disable=SC2046  # the selection is several words on purpose
    if ! ctest --no-tests=error --output-on-failure $(selection "$suite") >"$log" 2>&1; then
      echo "$suite: run $run of $runs FAILED after $((run - 1)) passes (details: $log)"
      grep -h '^seed ' "$log" || true
      exit 1
    fi
    seconds=$(($(date +%s) - started))
    total=$((total + seconds))
    echo "$suite: run $run of $runs passed in $seconds s"
  done
  echo "$suite: $runs of $runs passed in a row, $((total / runs)) s a run on average"
done
