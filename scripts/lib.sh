# Sourced by the build scripts: the steps they share. It sets spirelle_root (the tree) and
# spirelle_report (below), step sets spirelle_step and spirelle_log, and it defines:
#   step NAME LOG          names the step for its messages and sends quiet output to LOG
#   fail MESSAGE...        one line that names the step (and the log, if it has text); exits 1
#   quietly COMMAND...     runs COMMAND with its output in the step's log
#   configure_and_build PRESET [-B FOLDER] [CMAKE OPTIONS...]
#                          configures and builds a preset, in its folder or the one given
#   build_googletest PREFIX [CMAKE OPTIONS...]      GoogleTest from Debian's sources into
#                          PREFIX, unless it is there; CMAKE_LAUNCHER (emcmake, say) may
#                          come before cmake
#   run_tests STEP [CTEST OPTIONS...]               the step's tests, counted (ctest-step.py)
#   pack BUILD KIND        cpack's package of a build folder (KIND: deb or zip), made afresh in
#                          BUILD/packages/; prints its path
#   desktop_package        the desktop build's Debian package, made in build/packages/ from
#                          the desktop build, brought up to date first; prints its path
#   report_skip MESSAGE    a part of a step that did not run, said now and again at the end
#   report_counts PASSED FAILED SKIPPED             a step's counts, for a step not run by CTest
#   emscripten_environment the environment Debian's Emscripten needs
# A step's counts and skips go to one report, build/test-report.txt, which scripts/test.sh
# empties first and prints last.
spirelle_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
spirelle_report=$spirelle_root/build/test-report.txt

step() {
  spirelle_step=$1
  spirelle_log=$2
  mkdir -p "$(dirname "$spirelle_log")"
  rm -f "$spirelle_log"
}

fail() {
  if [ -s "$spirelle_log" ]; then echo "$spirelle_step: $* (details: $spirelle_log)"
  else echo "$spirelle_step: $*"; fi >&2
  exit 1
}

quietly() { "$@" >>"$spirelle_log" 2>&1; }

configure_and_build() {
  local preset=$1 build=(--preset "$1")
  shift
  # -B FOLDER: the preset's build in another folder.
  if [ "${1:-}" = -B ]; then
    build=("$2")
  fi
  quietly ${CMAKE_LAUNCHER:-} cmake --preset "$preset" "$@" ||
    fail "could not configure the $preset build"
  quietly cmake --build "${build[@]}" -j "$(nproc)" || fail "could not build the $preset build"
}

build_googletest() {
  local prefix=$1
  shift
  [ -f "$prefix/lib/libgtest.a" ] && return 0
  echo "$spirelle_step: building GoogleTest from Debian's sources"
  [ -f /usr/src/googletest/CMakeLists.txt ] || fail "GoogleTest's sources are missing (libgtest-dev)"
  quietly ${CMAKE_LAUNCHER:-} cmake -S /usr/src/googletest -B "$prefix/build-googletest" \
    -DBUILD_GMOCK=OFF -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_INSTALL_LIBDIR=lib "$@" &&
    quietly cmake --build "$prefix/build-googletest" -j "$(nproc)" &&
    quietly cmake --install "$prefix/build-googletest" || fail "could not build GoogleTest"
}

# CPack gives a .deb's ar members, and the directories it makes, the modes that the process's
# umask leaves, and no CPack setting reaches them: every package is packed under umask 022.
pack() {
  local build=$1 kind=$2
  rm -rf "$build/packages"
  (umask 022 && cd "$build" && cpack -B "$build/packages") >>"$spirelle_log" 2>&1 ||
    fail "cpack failed in $build"
  ls "$build/packages/"*."$kind"
}

desktop_package() {
  configure_and_build desktop
  pack "$spirelle_root/build" deb
}

run_tests() {
  mkdir -p "$(dirname "$spirelle_report")"
  "$spirelle_root/scripts/ctest-step.py" --report "$spirelle_report" "$@"
}

report_skip() {
  mkdir -p "$(dirname "$spirelle_report")"
  echo "*** $spirelle_step: $* ***" | tee -a "$spirelle_report" >&2
}

report_counts() {
  mkdir -p "$(dirname "$spirelle_report")"
  echo "$spirelle_step: $1 passed, $2 failed, $3 skipped" | tee -a "$spirelle_report"
}

# Debian's Emscripten needs Debian's acorn, which a Node.js from elsewhere does not look for.
emscripten_environment() {
  command -v emcc >/dev/null || fail "Emscripten's emcc is missing (apt-get install emscripten)"
  command -v node >/dev/null || fail "Node.js is missing, which Emscripten runs on"
  NODE_PATH=$(dirname "$(dpkg -L node-acorn | grep -m1 '/acorn/package.json$')")/..
  NODE_PATH=$(cd "$NODE_PATH" && pwd)
  export NODE_PATH
}
