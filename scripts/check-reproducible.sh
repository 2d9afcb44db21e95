#!/usr/bin/env bash
# Checks that the same sources make the same bytes: each artifact, as its usual build folder
# made it (build/, build-windows/, build-emscripten/, build-cross/ARCH/), against a second
# build without tests, configured, built and packed wholly in another environment: a folder of
# another path, a later time, umask 002 (a user's own on a system of user-private groups),
# the time zone UTC+14 and the C locale. Equal files pass; for files that part, diffoscope
# prints where. Run the artifact's build script first (scripts/test.sh does).
# Usage: scripts/check-reproducible.sh ARTIFACT...
#   deb-amd64 (the viewer's Debian package), windows (its zip), web (the page's zip),
#   deb-arm64, deb-armhf (the other CPUs' Debian packages)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/architectures.sh
[ $# -gt 0 ] || { echo "usage: $0 deb-amd64|windows|web|deb-arm64|deb-armhf..." >&2; exit 2; }
step reproducible "$spirelle_root/build/reproducible.log"
quietly scripts/deps.sh reproducible || fail "could not install diffoscope"
second=$(mktemp -d /tmp/spirelle-second-build-XXXXXX)
trap 'rm -rf "$second"' EXIT

# The second build of an artifact, into the folder given, by the same preset as the first, and
# its package; prints the package's path.
second_build() (
  local artifact=$1 kind=$2 dir=$3 deps
  umask 002
  export TZ=UTC-14 LC_ALL=C
  case "$artifact" in
    deb-amd64) configure_and_build desktop -B "$dir" -DBUILD_TESTING=OFF ;;
    windows) configure_and_build windows -B "$dir" -DBUILD_TESTING=OFF ;;
    web) emscripten_environment
         CMAKE_LAUNCHER=emcmake configure_and_build web -B "$dir" -DBUILD_TESTING=OFF ;;
    deb-*) deps=$spirelle_root/build-cross/${artifact#deb-}/deps
           cross_environment "${artifact#deb-}" gcc ON "$deps"
           configure_and_build cross -B "$dir" "${cross_options[@]}" -DBUILD_TESTING=OFF ;;
  esac
  pack "$dir" "$kind"
)

first_folder() {
  case "$1" in
    deb-amd64) echo build ;;
    windows) echo build-windows ;;
    web) echo build-emscripten ;;
    deb-*) echo "build-cross/${1#deb-}" ;;
  esac
}

passed=0
failed=0
for artifact in "$@"; do
  case "$artifact" in
    deb-amd64 | windows | web | deb-arm64 | deb-armhf) ;;
    *) echo "$0: unknown artifact $artifact" >&2; exit 2 ;;
  esac
  kind=deb
  [ "${artifact#deb-}" != "$artifact" ] || kind=zip
  first=$spirelle_root/$(first_folder "$artifact")
  [ -f "$first/CMakeCache.txt" ] || fail "no first build of $artifact in $first"
  one=$(pack "$first" "$kind")
  other=$(second_build "$artifact" "$kind" "$second/$artifact")
  if cmp -s "$one" "$other"; then
    echo "$spirelle_step: $artifact: the same bytes, $(sha256sum "$one" | cut -c1-16)..."
    passed=$((passed + 1))
  else
    echo "$spirelle_step: $artifact: THE TWO BUILDS DIFFER: $one and $other" >&2
    diffoscope --text - "$one" "$other" | head -n 200 >&2 || true
    failed=$((failed + 1))
  fi
done
report_counts "$passed" "$failed" 0
[ "$failed" -eq 0 ]
