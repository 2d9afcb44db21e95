#!/usr/bin/env bash
# Builds the arithmetic's and the galaxy's unit tests for another CPU with Debian's cross
# compiler, in build-cross/ARCH/, and with --test runs them under QEMU's user-mode emulator
# (CMAKE_CROSSCOMPILING_EMULATOR), as the Windows and web builds run theirs under Wine and
# Node. An architecture whose compiler or emulator cannot be installed is skipped; the skips
# are written to build-cross/skipped.txt and said last, loudly. With --clang, Debian's Clang
# builds them instead of GCC, in build-cross/clang-ARCH/.
# Usage: scripts/build-cross.sh [--test] [--clang] ARCH... | all
#        (ARCH: arm64 armhf ppc64el riscv64 s390x)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

mode=build
compiler=gcc
while [ $# -gt 0 ]; do
  case "$1" in
    --test) mode=test ;;
    --clang) compiler=clang ;;
    *) break ;;
  esac
  shift
done
[ $# -gt 0 ] || { echo "usage: $0 [--test] [--clang] ARCH... | all" >&2; exit 2; }
[ "$*" = all ] && set -- arm64 armhf ppc64el riscv64 s390x

declare -A triple=([arm64]=aarch64-linux-gnu [armhf]=arm-linux-gnueabihf
                   [ppc64el]=powerpc64le-linux-gnu [riscv64]=riscv64-linux-gnu
                   [s390x]=s390x-linux-gnu)
declare -A qemu=([arm64]=aarch64 [armhf]=arm [ppc64el]=ppc64le [riscv64]=riscv64 [s390x]=s390x)
declare -A processor=([arm64]=aarch64 [armhf]=armv7l [ppc64el]=ppc64le [riscv64]=riscv64
                      [s390x]=s390x)

mkdir -p build-cross
skipped=build-cross/skipped.txt
rm -f "$skipped"
for arch in "$@"; do
  [ -n "${triple[$arch]:-}" ] || { echo "$0: unknown architecture $arch" >&2; exit 2; }
done

failed=()
for arch in "$@"; do
  name=$arch
  [ "$compiler" = gcc ] || name=$compiler-$arch
  work=$root/build-cross/$name
  deps=$work/deps
  target=${triple[$arch]}
  # Each architecture is a step of its own, with its own log and its own failure line; one
  # that fails does not stop the others.
  (
    source scripts/steps.sh "build-cross $name" "$work/last-step.log"
    # Clang links with the GCC cross toolchain's C++ library and start files.
    if ! { scripts/deps.sh "cross-$arch" && { [ "$compiler" = gcc ] || scripts/deps.sh clang; }; } \
         >"$log" 2>&1; then
      echo "*** build-cross: $name SKIPPED: its cross compiler or QEMU could not be installed" \
        "($(tail -n 1 "$log")) ***" | tee -a "$root/$skipped"
      exit 0
    fi
    cxx=("-DCMAKE_CXX_COMPILER=$target-g++")
    [ "$compiler" = gcc ] || cxx=(-DCMAKE_CXX_COMPILER=clang++ "-DCMAKE_CXX_COMPILER_TARGET=$target")
    toolchain=(-DCMAKE_SYSTEM_NAME=Linux "-DCMAKE_SYSTEM_PROCESSOR=${processor[$arch]}" "${cxx[@]}"
               "-DCMAKE_FIND_ROOT_PATH=$deps;/usr/$target"
               -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY
               -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY
               -DCMAKE_BUILD_TYPE=Release)
    if [ ! -f "$deps/lib/libgtest.a" ]; then
      echo "Building GoogleTest for $arch"
      [ -f /usr/src/googletest/CMakeLists.txt ] || fail "GoogleTest's sources are missing (libgtest-dev)"
      quietly cmake -S /usr/src/googletest -B "$deps/build-googletest" "${toolchain[@]}" \
        -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$deps" -DCMAKE_INSTALL_LIBDIR=lib &&
        quietly cmake --build "$deps/build-googletest" -j "$jobs" &&
        quietly cmake --install "$deps/build-googletest" || fail "could not build GoogleTest for $arch"
    fi
    quietly cmake -S . -B "$work" "${toolchain[@]}" -DSPIRELLE_VIEWER=OFF -DBUILD_TESTING=ON \
      -DSPIRELLE_WERROR=ON -DCMAKE_PREFIX_PATH="$deps" \
      "-DCMAKE_CROSSCOMPILING_EMULATOR=qemu-${qemu[$arch]}-static;-L;/usr/$target" ||
      fail "could not configure the $name build"
    quietly cmake --build "$work" -j "$jobs" || fail "could not build for $name"
    echo "Built the unit tests for $name in build-cross/$name"
    if [ "$mode" = test ]; then
      scripts/ctest-step.py "cross-$name" --test-dir "$work" --output-on-failure -j "$jobs"
    fi
  ) || failed+=("$name")
done
if [ -f "$skipped" ]; then cat "$skipped"; fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "build-cross: failed for ${failed[*]}" >&2
  exit 1
fi
