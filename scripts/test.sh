#!/usr/bin/env bash
# Builds Spirelle with its tests and runs them all, unit tests and end-to-end tests on Xvfb,
# twice: on the plain build, then on a build with AddressSanitizer and UBSan; then the unit
# tests and the viewer's own suite on a build with Clang; then it builds the Windows program
# and tests it, under Wine where the kernel runs 32-bit programs; then the web build, its unit
# tests under Node and the page in three browser engines; then, under QEMU, the viewer and the
# unit tests built for arm64 and the unit tests built for s390x. Each step prints a line of
# counts (scripts/ctest-step.py), and fails on a failure, on running no test, and on a skip
# that tests/expected_skips.txt does not list; the counts are repeated at the end.
# Usage: scripts/test.sh
#        scripts/test.sh --configure DIR [cmake options]: only configure a desktop build
#        folder as this script does
set -euo pipefail
cd "$(dirname "$0")/.."

# With its tests, whatever the folder's cache says: the install recipe turns them off.
configure() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DBUILD_TESTING=ON -DSPIRELLE_WERROR=ON "$@"
}
if [ "${1:-}" = --configure ]; then
  shift
  configure "$@"
  exit
fi

scripts/deps.sh test
jobs=$(nproc)
mkdir -p build
export SPIRELLE_STEP_COUNTS=$PWD/build/test-step-counts.txt
rm -f "$SPIRELLE_STEP_COUNTS"

durations=()
timed() {
  local name=$1 started=$SECONDS
  shift
  "$@"
  durations+=("$name $((SECONDS - started)) s")
}

desktop() {
  local step=$1 dir=$2 only=()
  shift 2
  configure "$dir" "$@"
  cmake --build "$dir" -j "$jobs"
  # Another compiler's build runs the unit tests and the viewer's suite, not the others.
  [ "$step" = clang ] && only=(-LE install -E '^(scripts|vectors)[.]|^e2e[.](storm|memory|environment)$')
  # One a core at a time: every wait in the end-to-end tests awaits what the viewer
  # guarantees, so the tests hold under each other's load.
  scripts/ctest-step.py "$step" --test-dir "$dir" --output-on-failure -j "$jobs" "${only[@]}"
}
timed desktop desktop desktop build
timed sanitize desktop sanitize build-sanitize -DSPIRELLE_SANITIZE=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The viewer and the unit tests built with Clang, the compiler of macOS: the unit tests, and
# the viewer's own suite, whose frames must carry the same vertices to the bit.
with_clang() {
  scripts/deps.sh clang
  desktop clang build-clang -DCMAKE_CXX_COMPILER=clang++
}
timed clang with_clang

timed windows scripts/build-windows.sh --test-if-native

timed web scripts/build-web.sh --test

# Other CPUs under QEMU: ARM (64-bit) whole, the viewer with its unit tests, and big-endian
# s390x's unit tests; scripts/build-cross.sh --test all runs armhf, ppc64el and riscv64 as well.
timed cross scripts/build-cross.sh --test arm64 s390x

echo
echo "The test command's steps, building included: $(IFS=,; echo "${durations[*]}" | sed 's/,/, /g')"
cat "$SPIRELLE_STEP_COUNTS"
awk '{ passed += $2; failed += $4; skipped += $6 }
     END { printf "total: %d passed, %d failed, %d skipped\n", passed, failed, skipped }' \
  "$SPIRELLE_STEP_COUNTS"
# A skipped part of the Windows or cross tests is said again last, where nobody can miss it.
for skipped in build-windows/wine-tests-skipped.txt build-cross/skipped.txt; do
  if [ -f "$skipped" ]; then cat "$skipped"; fi
done
