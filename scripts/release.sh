#!/usr/bin/env bash
# Makes a release in dist/: the Debian packages for amd64, arm64 and armhf, the Windows zip and
# the page's zip, each built from this commit and found to be the same bytes when built a
# second time elsewhere (scripts/check-reproducible.sh), with SHA256SUMS beside them. It
# refuses a tree with uncommitted changes, whose files would not be the commit's.
# Usage: scripts/release.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
step release "$spirelle_root/build/release.log"
[ -z "$(git status --porcelain)" ] ||
  fail "the tree has uncommitted changes; a release is made from a commit alone (git status)"
commit=$(git rev-parse HEAD)

quietly scripts/deps.sh test || fail "could not install the build tools"
configure_and_build desktop
scripts/build-windows.sh
scripts/build-web.sh
scripts/build-cross.sh arm64 armhf
for arch in arm64 armhf; do
  [ -f "build-cross/$arch/CMakeCache.txt" ] &&
    grep -q '^SPIRELLE_VIEWER:BOOL=ON$' "build-cross/$arch/CMakeCache.txt" ||
    fail "no viewer for $arch: its cross compiler or GL libraries could not be installed"
done
scripts/check-reproducible.sh deb-amd64 windows web deb-arm64 deb-armhf

rm -rf dist
mkdir dist
cp build/packages/*.deb build-cross/arm64/packages/*.deb build-cross/armhf/packages/*.deb \
   build-windows/packages/*.zip build-emscripten/packages/*.zip dist/
(cd dist && sha256sum -- * >SHA256SUMS)
echo "Released commit $commit in dist/:"
cat dist/SHA256SUMS
