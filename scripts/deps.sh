#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building, running or testing Spirelle needs.
# Usage: scripts/deps.sh run|test|bench|windows|windows-test|emulate-i386|web|web-test
# (only missing packages are installed)
set -euo pipefail

build=(cmake g++ make freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libgtest-dev python3)
run=(xvfb x11-utils xdotool imagemagick)
install=(dpkg-dev desktop-file-utils man-db groff-base lintian appstream)
windows=(cmake make g++-mingw-w64-i686-posix mingw-w64-i686-dev libgtest-dev dpkg-dev python3
         python3-pefile file)
# 32-bit Wine with the native wineserver (wine64), and Mesa's 32-bit OpenGL for the window.
wine=(wine wine64 wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386 "${run[@]}")
# Emscripten finds its JavaScript modules (acorn) among Debian's; the browser tests drive
# Debian's Chromium through its WebDriver with Selenium.
web=(emscripten node-acorn cmake make python3 libgtest-dev)
web_test=(chromium chromium-driver python3-selenium python3-pil)
declare -a want
case "${1:-test}" in
  run)   want=("${build[@]}" "${run[@]}") ;;
  test)  want=("${build[@]}" "${run[@]}" "${install[@]}") ;;
  bench) want=("${build[@]}" "${run[@]}" libbenchmark-dev) ;;
  windows) want=("${windows[@]}") ;;
  windows-test) want=("${wine[@]}") ;;
  emulate-i386) want=(qemu-user-static) ;;
  web) want=("${web[@]}") ;;
  web-test) want=("${web_test[@]}") ;;
  *) echo "usage: $0 run|test|bench|windows|windows-test|emulate-i386|web|web-test" >&2; exit 2 ;;
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
if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
