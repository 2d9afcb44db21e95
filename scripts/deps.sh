#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building, running or testing Spirelle needs.
# Usage: scripts/deps.sh run|test|bench|windows|windows-test|emulate-i386|web|web-test|web-engines|
#                        clang|reproducible|debian13|cross-ARCH|viewer-ARCH
#        (ARCH: arm64, armhf, ppc64el, riscv64 or s390x; viewer-ARCH: arm64 or armhf)
# (only missing packages are installed; nothing runs when none is missing)
set -euo pipefail

build=(cmake g++ make freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libgtest-dev python3)
run=(xvfb x11-utils xdotool imagemagick)
# The package test: building and checking the package (lintian, and devscripts'
# hardening-check), and what its files are checked with.
install=(dpkg-dev desktop-file-utils man-db groff-base lintian appstream devscripts)
windows=(cmake make g++-mingw-w64-i686-posix mingw-w64-i686-dev libgtest-dev dpkg-dev python3
         python3-pefile file)
# 32-bit Wine with the native wineserver (wine64), and Mesa's 32-bit OpenGL for the window.
wine=(wine wine64 wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386 "${run[@]}")
# Emscripten finds its JavaScript modules (acorn) among Debian's; the browser tests drive
# Debian's Chromium through its WebDriver with Selenium.
web=(emscripten node-acorn cmake make python3 libgtest-dev)
web_test=(chromium chromium-driver python3-selenium python3-pil)
# The other two engines: WebKitGTK's MiniBrowser through its WebDriver, and Firefox, which
# puppeteer-core (from npm, by scripts/build-web.sh) drives over WebDriver BiDi.
web_engines=(webkit2gtk-driver firefox-esr xvfb python3-selenium python3-pil)
# Another CPU's programs: Debian's cross compiler, and QEMU's user-mode emulators to run them;
# GoogleTest is built from its sources with the cross compiler. The viewer for another CPU:
# that architecture's GL, GLU and GLUT to link and run it under QEMU, and the tools that drive
# it on Xvfb.
source "$(dirname "$0")/architectures.sh"
declare -a want
case "${1:-test}" in
  cross-*)
    [ -n "${triple[${1#cross-}]:-}" ] || { echo "$0: no cross compiler for ${1#cross-}" >&2; exit 2; }
    want=("g++-${triple[${1#cross-}]}" qemu-user-static libgtest-dev cmake make python3) ;;
  viewer-*)
    arch=${1#viewer-}
    [ -n "${has_viewer[$arch]:-}" ] || { echo "$0: no viewer libraries for $arch" >&2; exit 2; }
    want=("freeglut3-dev:$arch" "libglu1-mesa-dev:$arch" "libgl1-mesa-dri:$arch"
          "${build[@]}" "${run[@]}" "${install[@]}") ;;
  run)   want=("${build[@]}" "${run[@]}") ;;
  test)  want=("${build[@]}" "${run[@]}" "${install[@]}") ;;
  bench) want=("${build[@]}" "${run[@]}" libbenchmark-dev) ;;
  windows) want=("${windows[@]}") ;;
  windows-test) want=("${wine[@]}") ;;
  emulate-i386) want=(qemu-user-static) ;;
  web) want=("${web[@]}") ;;
  web-test) want=("${web_test[@]}") ;;
  # Debian 12's nodejs only suggests npm, a package of its own; a Node.js that bundles npm
  # conflicts with Debian's, so it is asked for only where the command is missing.
  web-engines) want=("${web_engines[@]}")
               command -v npm >/dev/null || want+=(npm) ;;
  clang) want=(clang "${build[@]}") ;;
  reproducible) want=(diffoscope) ;;
  # A Debian 13 root of the project's own, made with Debian's keys for that release.
  debian13) want=(debootstrap debian-archive-keyring) ;;
  *) echo "usage: $0 run|test|bench|windows|windows-test|emulate-i386|web|web-test|web-engines|clang|reproducible|debian13|cross-ARCH|viewer-ARCH" >&2
     exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Another architecture's packages need it known to dpkg; that is all this changes.
for foreign in $(printf '%s\n' "${missing[@]}" | sed -n 's/^[^:]*://p' | sort -u); do
  dpkg --print-foreign-architectures | grep -qx "$foreign" || $sudo dpkg --add-architecture "$foreign"
done

# Every apt-get run is bounded: network time-outs, a bounded wait for dpkg's lock, and at most
# three tries with pauses of 10 and 20 seconds in between.
apt=($sudo timeout 600 apt-get -o Acquire::http::Timeout=30 -o Acquire::https::Timeout=30
     -o Acquire::Retries=2 -o DPkg::Lock::Timeout=120)
pauses=(10 20)
output=$(mktemp)
trap 'rm -f "$output"' EXIT

# The last error apt-get printed, without its addresses.
apt_error() {
  grep '^E: ' "$output" | tail -n 1 | sed -e 's/^E: //' -e 's| *\[IP: [^]]*\]||' -e 's|[a-z]*://[^ ]*||g'
}

# One line naming each index apt-get update could not fetch ("bookworm-security/main i386
# Packages") and why. Its "Err:" lines hold the address, then the index, and the next line
# the reason.
failed_indexes() {
  awk '/^Err:/ { $1 = ""; $2 = ""; sub(/^ +/, ""); index_name = $0; next }
       index_name != "" { sub(/^ +/, ""); sub(/ *\[IP: [^]]*\]/, "");
                          printf "%s%s (%s)", sep, index_name, $0; sep = "; "; index_name = "" }' \
    "$output"
}

# A failed index leaves the ones apt-get already has, which are often enough: a warning.
update_indexes() {
  local pause
  for pause in "${pauses[@]}" 0; do
    "${apt[@]}" update >"$output" 2>&1 && return 0
    [ "$pause" -eq 0 ] || sleep "$pause"
  done
  local failed
  failed=$(failed_indexes)
  echo "deps: warning: apt-get update could not fetch ${failed:-the package indexes ($(apt_error))};" \
    "installing from the indexes there are" >&2
}

# Skipped when this script updated the indexes in the last half hour for the same architectures,
# so that the steps of one test run update them once.
stamp=${SPIRELLE_APT_STAMP:-/var/lib/apt/lists/spirelle-updated}
architectures="$(dpkg --print-architecture) $(dpkg --print-foreign-architectures | xargs)"
if [ -z "$(find "$stamp" -mmin -30 2>/dev/null)" ] || [ "$(cat "$stamp")" != "$architectures" ]; then
  update_indexes
  echo "$architectures" | $sudo tee "$stamp" >/dev/null
fi

# When a suite's index for one architecture failed, its other architectures may offer a newer
# version of a multi-architecture library than this one can install, and apt-get then finds no
# solution. The release's main suite has every architecture; it is the fallback, never the
# first choice, since where every index is fine it would mismatch the versions the other way.
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
target=()
tries=0
# Never at the cost of a package already installed: --no-remove refuses any such solution.
until "${apt[@]}" install -y -q --no-install-recommends --no-remove "${target[@]}" "${missing[@]}" \
        >"$output" 2>&1
do
  tries=$((tries + 1))
  if [ ${#target[@]} -eq 0 ] && [ -n "$release" ] &&
     grep -qiE 'unmet dependencies|held broken packages' "$output"; then
    echo "deps: the architectures' versions of some packages disagree; installing again with" \
      "$release as the target release" >&2
    target=(-t "$release")
  elif [ "$tries" -le ${#pauses[@]} ] && grep -qE '^E: (Failed to fetch|Could not|Unable to fetch)' "$output"; then
    sleep "${pauses[tries - 1]}"
  else
    echo "deps: could not install ${missing[*]}: $(apt_error)" >&2
    exit 1
  fi
done
