#!/usr/bin/env bash
# Cross-builds Spirelle as a 32-bit Windows console program with mingw-w64: freeglut (from
# Debian's source package) and GoogleTest as static libraries, then build-windows/spirelle.exe
# and its zip, and checks how the program was built. With --test it also runs the unit tests
# under Wine, and the zip end to end on a private Xvfb; --test-if-native does so only where
# the kernel runs 32-bit programs itself, since Wine under QEMU's emulation is too slow and
# unsteady for every run.
# Usage: scripts/build-windows.sh [--test | --test-if-native]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
build=$spirelle_root/build-windows
deps=$build/deps
step build-windows "$build/last-step.log"

case "${1:-}" in
  "") mode=build ;;
  --test) mode=test ;;
  --test-if-native) mode=test-if-native ;;
  *) echo "usage: $0 [--test | --test-if-native]" >&2; exit 2 ;;
esac

scripts/deps.sh windows || fail "could not install the mingw-w64 cross compiler and build tools"
command -v i686-w64-mingw32-g++-posix >/dev/null || fail "the i686 mingw-w64 cross compiler is missing"
mkdir -p "$deps/src"

# freeglut's source comes from Debian; apt-get source needs a deb-src entry for that.
add_source_entries() {
  local entries=/etc/apt/sources.list.d/spirelle-deb-src
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$entries.sources"
  else
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list >"$entries.list"
  fi
  apt-get update -qq
}

freeglut_source() {
  local found=("$deps"/src/freeglut-*/CMakeLists.txt)
  if [ ! -f "${found[0]}" ]; then
    apt-get source --print-uris freeglut >/dev/null 2>&1 || add_source_entries >/dev/null 2>&1 || true
    (cd "$deps/src" && apt-get source -qq freeglut >/dev/null 2>&1) ||
      fail "could not fetch freeglut's Debian source package (apt-get source freeglut)"
    found=("$deps"/src/freeglut-*/CMakeLists.txt)
  fi
  dirname "${found[0]}"
}

toolchain=-DCMAKE_TOOLCHAIN_FILE=$spirelle_root/cmake/i686-w64-mingw32.cmake
if [ ! -f "$deps/lib/libglut.a" ]; then
  echo "Building freeglut for Windows"
  quietly cmake -S "$(freeglut_source)" -B "$deps/build-freeglut" "$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
    -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_REPLACE_GLUT=ON &&
    quietly cmake --build "$deps/build-freeglut" -j "$(nproc)" &&
    quietly cmake --install "$deps/build-freeglut" || fail "could not build freeglut for Windows"
fi
build_googletest "$deps" "$toolchain"

# The program (the windows preset). The tests run on Debian's Python, which has the Python
# packages that scripts/deps.sh installs.
configure_and_build windows
zip=$(pack "$build" zip)
echo "Built $build/spirelle.exe and $zip"
run_tests windows-build --preset windows -R '^windows\.binary$'
[ "$mode" = build ] && exit 0

# With --test-if-native, a machine that cannot run the Wine tests still passes, with one loud
# line that says why, which scripts/test.sh repeats at its end.
skip_wine_tests() {
  report_skip "THE WINE TESTS DID NOT RUN: $*; the Windows program was built and checked, not run"
  exit 0
}
if ! scripts/deps.sh windows-test; then
  [ "$mode" = test-if-native ] || fail "could not install Wine, Xvfb and the tools the tests need"
  skip_wine_tests "Wine could not be installed (the deps line above says why)"
fi
if [ "$mode" = test-if-native ] &&
  { [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; }; then
  skip_wine_tests "this kernel runs no 32-bit programs (scripts/build-windows.sh --test runs" \
    "them under Wine through QEMU)"
fi
# Some kernels run no 32-bit x86 programs; QEMU then runs 32-bit Wine for them, through
# binfmt_misc (the same entry as Debian's qemu-user-binfmt makes for foreign systems).
emulate_i386() {
  local binfmt=/proc/sys/fs/binfmt_misc
  scripts/deps.sh emulate-i386 || return 1
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" || return 1
  [ -e "$binfmt/qemu-i386" ] ||
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >"$binfmt/register"
}
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "This kernel runs no 32-bit programs: running them through QEMU"
  emulate_i386 && /usr/lib/wine/wine --version >/dev/null 2>&1 ||
    fail "this kernel runs no 32-bit programs, and QEMU could not be set up to run them"
fi
export WINEPREFIX=$build/wine WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's server and services outlive the programs they served; end them with this script.
trap 'wineserver -k 2>/dev/null || true' EXIT
# One persistent server, with Wine's services, for the prefix and every test: each new
# server starts them all again. It is ended when the script ends; a server that is already
# running makes wineserver -p fail, and is kept.
start_server() {
  mkdir -p "$WINEPREFIX"
  wineserver -p 2>/dev/null || true
}
# QEMU's user-mode emulation now and then crashes a Wine process. Making a prefix starts a
# dozen of them, so it gets three tries of at most 20 minutes (about 10 under QEMU), each
# with a server of its own, and under QEMU each test a second run if its first fails.
make_prefix() {
  local attempt
  for attempt in 1 2 3; do
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    start_server
    quietly timeout 1200 wine wineboot --init && touch "$WINEPREFIX/.made" && return 0
  done
  return 1
}
if [ -f "$WINEPREFIX/.made" ]; then
  # Wine's services start with the prefix's first program and keep its standard error. Here,
  # not inside a test, or ctest would wait for them to close its output.
  start_server
  quietly timeout 1200 wine wineboot || fail "Wine did not start"
else
  echo "Making a Wine prefix (slow where QEMU runs Wine)"
  make_prefix || fail "Wine did not start"
fi
# QEMU's crashes earn a test a second run; where Wine runs natively, a failure is a failure.
retry=()
[ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || retry=(--repeat until-pass:2)
run_tests windows --preset windows "${retry[@]}" -R '^(numerics|unit|windows\.zip)$'
