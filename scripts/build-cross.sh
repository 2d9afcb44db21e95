#!/usr/bin/env bash
# Builds Spirelle for another CPU with Debian's cross compiler, in build-cross/ARCH/, and with
# --test runs its tests under QEMU's user-mode emulator (CMAKE_CROSSCOMPILING_EMULATOR), as the
# Windows and web builds run theirs under Wine and Node. For arm64 and armhf that is the viewer
# too, linked with that architecture's own GL, GLU and GLUT: its suite drives it on Xvfb, and its
# frames are compared with this machine's test build (build/, built first if need be); for the
# others, whose GL libraries Debian cannot install beside amd64's, the arithmetic's and the
# galaxy's unit tests. An architecture, or its viewer, that cannot be installed is skipped; the
# skips are written to build-cross/skipped.txt and said last, loudly. With --clang, Debian's
# Clang builds instead of GCC, in build-cross/clang-ARCH/.
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

source scripts/architectures.sh
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
    viewer=OFF
    if [ -n "${has_viewer[$arch]:-}" ]; then
      if scripts/deps.sh "viewer-$arch" >"$log" 2>&1; then
        viewer=ON
      else
        echo "*** build-cross: the viewer for $name SKIPPED: its GL libraries could not be" \
          "installed ($(tail -n 1 "$log")); only its unit tests ran ***" | tee -a "$root/$skipped"
      fi
    fi
    # Libraries and headers come from these folders alone; with the viewer, also from the
    # architecture's multi-arch folders under /, found through its own pkg-config files.
    roots="$deps;/usr/$target"
    if [ "$viewer" = ON ]; then
      roots+=";/"
      export PKG_CONFIG_LIBDIR=/usr/lib/$target/pkgconfig:/usr/share/pkgconfig
    fi
    cxx=("-DCMAKE_CXX_COMPILER=$target-g++")
    [ "$compiler" = gcc ] || cxx=(-DCMAKE_CXX_COMPILER=clang++ "-DCMAKE_CXX_COMPILER_TARGET=$target")
    toolchain=(-DCMAKE_SYSTEM_NAME=Linux "-DCMAKE_SYSTEM_PROCESSOR=${processor[$arch]}" "${cxx[@]}"
               "-DCMAKE_FIND_ROOT_PATH=$roots"
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
    if [ "$viewer" = ON ]; then
      # The frames are compared with this machine's own test build.
      if [ ! -f build/CMakeCache.txt ]; then quietly scripts/test.sh --configure build; fi
      quietly cmake --build build -j "$jobs" --target spirelle_probe glspy ||
        fail "could not build this machine's test build to compare with"
    fi
    quietly cmake -S . -B "$work" "${toolchain[@]}" -DSPIRELLE_VIEWER=$viewer -DBUILD_TESTING=ON \
      -DSPIRELLE_WERROR=ON -DCMAKE_PREFIX_PATH="$deps" \
      "-DCMAKE_CROSSCOMPILING_EMULATOR=qemu-${qemu[$arch]}-static;-L;/usr/$target" ||
      fail "could not configure the $name build"
    quietly cmake --build "$work" -j "$jobs" || fail "could not build for $name"
    what="the unit tests"
    [ "$viewer" = OFF ] || what="the viewer and its tests"
    echo "Built $what for $name in build-cross/$name"
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
