#!/usr/bin/env bash
# Builds Spirelle for another CPU with Debian's cross compiler, in build-cross/ARCH/, and with
# --test runs its tests under QEMU's user-mode emulator (CMAKE_CROSSCOMPILING_EMULATOR), as the
# Windows and web builds run theirs under Wine and Node. For arm64 and armhf that is the viewer
# too, linked with that architecture's own GL, GLU and GLUT: its suite drives it on Xvfb, and its
# frames are compared with this machine's test build (build/, built first if need be); for the
# others, whose GL libraries Debian cannot install beside amd64's, the arithmetic's and the
# galaxy's unit tests. An architecture, or its viewer, that cannot be installed is skipped, with
# one loud line that scripts/test.sh repeats at its end. With --clang, Debian's Clang builds
# instead of GCC, in build-cross/clang-ARCH/. The build is the cross preset, for the CPU this
# script names in its environment.
# Usage: scripts/build-cross.sh [--test] [--clang] ARCH... | all
#        (ARCH: arm64 armhf ppc64el riscv64 s390x)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
source scripts/architectures.sh

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
[ "$*" = all ] && set -- "${architectures[@]}"

for arch in "$@"; do
  [ -n "${triple[$arch]:-}" ] || { echo "$0: unknown architecture $arch" >&2; exit 2; }
done

failed=()
for arch in "$@"; do
  name=$arch
  [ "$compiler" = gcc ] || name=$compiler-$arch
  work=$spirelle_root/build-cross/$name
  deps=$work/deps
  # Each architecture is a step of its own, with its own log and its own failure line; one
  # that fails does not stop the others.
  (
    step "build-cross $name" "$work/last-step.log"
    # Clang links with the GCC cross toolchain's C++ library and start files.
    if ! quietly scripts/deps.sh "cross-$arch" ||
       { [ "$compiler" = clang ] && ! quietly scripts/deps.sh clang; }; then
      report_skip "$name SKIPPED: its cross compiler or QEMU could not be installed" \
        "($(tail -n 1 "$spirelle_log"))"
      exit 0
    fi
    viewer=OFF
    if [ -n "${has_viewer[$arch]:-}" ]; then
      if quietly scripts/deps.sh "viewer-$arch"; then
        viewer=ON
      else
        report_skip "the viewer for $name SKIPPED: its GL libraries could not be installed" \
          "($(tail -n 1 "$spirelle_log")); only its unit tests ran"
      fi
    fi
    cross_environment "$arch" "$compiler" "$viewer" "$deps"
    build_googletest "$deps" -DCMAKE_SYSTEM_NAME=Linux \
      "-DCMAKE_SYSTEM_PROCESSOR=${processor[$arch]}" "${cross_compiler[@]}" \
      "-DCMAKE_FIND_ROOT_PATH=$cross_roots" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
      -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
      -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY
    if [ "$viewer" = ON ]; then
      # The frames are compared with this machine's own test build.
      quietly cmake --preset desktop &&
        quietly cmake --build --preset desktop -j "$(nproc)" --target spirelle_probe glspy ||
        fail "could not build this machine's test build to compare with"
    fi
    configure_and_build cross "${cross_options[@]}"
    what="the unit tests"
    [ "$viewer" = OFF ] || what="the viewer and its tests"
    echo "Built $what for $name in build-cross/$name"
    if [ "$mode" = test ]; then
      run_tests "cross-$name" --preset cross -j "$(nproc)"
    fi
  ) || failed+=("$name")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "build-cross: failed for ${failed[*]}" >&2
  exit 1
fi
