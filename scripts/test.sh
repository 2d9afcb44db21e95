#!/usr/bin/env bash
# Builds Spirelle with its tests and runs them all, unit tests and end-to-end tests on Xvfb,
# twice: on the plain build, then on a build with AddressSanitizer and UBSan; then it builds
# the Windows program and tests it, under Wine where the kernel runs 32-bit programs; then the
# web build, its unit tests under Node and the page in headless Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
jobs=$(nproc)

cmake -S . -B build -DSPIRELLE_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure

cmake -S . -B build-sanitize -DSPIRELLE_WERROR=ON -DSPIRELLE_SANITIZE=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure

scripts/build-windows.sh --test-if-native

scripts/build-web.sh --test

# A skipped part of the Windows tests is said again last, where nobody can miss it.
skipped=build-windows/wine-tests-skipped.txt
if [ -f "$skipped" ]; then cat "$skipped"; fi
