#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building, running or testing Spirelle needs.
# Usage: scripts/deps.sh run|test|bench|package   (only missing packages are installed)
set -euo pipefail

build=(cmake g++ make pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri)
run=(xvfb x11-utils imagemagick)
declare -a want
case "${1:-test}" in
  run)     want=("${build[@]}" "${run[@]}") ;;
  test)    want=("${build[@]}" "${run[@]}" libgtest-dev xdotool python3 desktop-file-utils man-db dpkg-dev file) ;;
  bench)   want=("${build[@]}" "${run[@]}" libbenchmark-dev) ;;
  package) want=("${build[@]}" dpkg-dev file) ;;
  *) echo "usage: $0 run|test|bench|package" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
