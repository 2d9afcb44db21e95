#!/usr/bin/env bash
# Builds Spirelle with its tests and runs them all, step by step: the desktop build (unit tests
# and end-to-end tests on Xvfb), the same with AddressSanitizer and UBSan, the unit tests and
# the viewer's own suite with Clang, the Windows program (under Wine where the kernel runs
# 32-bit programs), the page (unit tests under Node, three browser engines), the same bytes
# from a second build of the package and the two zips, Debian 13 in a root of its own (the
# desktop tests, the package built here, the page's build), and, under QEMU, arm64 whole and
# s390x's unit tests. Each step prints a line of counts and fails on a failure,
# on running no test, and on a skip that tests/expected_skips.txt does not list; the counts
# and any part of a step that did not run are repeated at the end.
# What the whole command changes on the machine is in docs/testing.md. With --quick, only the
# desktop build and its tests, but for the package's: it installs no more than the desktop's
# build and test tools (and the package index's update before them), and changes nothing else.
# Usage: scripts/test.sh [--quick]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

case "$*" in
  "" | --quick) ;;
  *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac
if [ "${1:-}" = --quick ]; then
  scripts/deps.sh run
  step desktop build/desktop-step.log
  configure_and_build desktop
  rm -f "$spirelle_report"
  run_tests desktop --preset desktop -j "$(nproc)" -LE install
  exit
fi
scripts/deps.sh test
rm -f "$spirelle_report"

# Debian 13's root is made, and its packages installed, beside the first steps, since most of
# that is waiting on the archive; the debian13 step awaits it and does whatever it left undone.
# A run that ends before then stops it, and has the root made again next time, as a root whose
# packages were being installed may be left broken.
setsid scripts/test-debian13.sh --prepare >/dev/null 2>&1 &
preparing=$!
# Its processes are those of its session: apt-get runs under timeout, in a group of its own.
stop_preparing() {
  if kill -0 "$preparing" 2>/dev/null; then
    pkill -TERM -s "$preparing" || true
    rm -f build-debian13/root/.spirelle-root
  fi
}
trap stop_preparing EXIT

durations=()
timed() {
  local name=$1 started=$SECONDS
  shift
  "$@"
  durations+=("$name $((SECONDS - started)) s")
}

# A desktop build's step: one test a core at a time, since every wait in the end-to-end tests
# awaits what the viewer guarantees, so the tests hold under each other's load.
desktop() {
  local preset=$1
  step "$preset" "build/$preset-step.log"
  [ "$preset" != clang ] || scripts/deps.sh clang
  configure_and_build "$preset"
  run_tests "$preset" --preset "$preset" -j "$(nproc)"
}
timed desktop desktop desktop
timed sanitize desktop sanitize
# Clang, the compiler of macOS: its test preset runs the unit tests and the viewer's own
# suite, whose frames must carry the same vertices to the bit.
timed clang desktop clang
timed windows scripts/build-windows.sh --test-if-native
timed web scripts/build-web.sh --test
# The Debian package, the Windows zip and the page's zip, built a second time elsewhere, later,
# with another umask, time zone and locale: the same bytes (scripts/release.sh checks all five).
timed reproducible scripts/check-reproducible.sh deb-amd64 windows web
# Debian 13, in a root of its own: the desktop build and its tests, the package built here, and
# the page with that release's Emscripten.
started=$SECONDS
wait "$preparing" || true
echo "debian13: $((SECONDS - started)) s waited for its root, made beside the steps before"
timed debian13 scripts/test-debian13.sh
# Other CPUs under QEMU: ARM (64-bit) whole, the viewer with its unit tests, and big-endian
# s390x's unit tests; scripts/build-cross.sh --test all runs armhf, ppc64el and riscv64 as well.
timed cross scripts/build-cross.sh --test arm64 s390x

echo
echo "The test command's steps, building included: $(IFS=,; echo "${durations[*]}" | sed 's/,/, /g')"
grep -v '^\*\*\*' "$spirelle_report"
awk '/^[^*].* passed, / { passed += $2; failed += $4; skipped += $6 }
     END { printf "total: %d passed, %d failed, %d skipped\n", passed, failed, skipped }' \
  "$spirelle_report"
# What did not run is said again last, where nobody can miss it.
grep '^\*\*\*' "$spirelle_report" || true
