#!/usr/bin/env bash
# Runs Spirelle's tests on Debian 13 (trixie) from a Debian 12 machine, in a Debian 13 root of
# the project's own, build-debian13/root/, made with debootstrap once and kept between runs. It
# copies this tree (every file git tracks or does not ignore, as it is now) into the root and
# there runs the desktop build with its tests (scripts/test.sh --quick); installs the amd64
# package built here, on Debian 12, with the root's apt-get, and runs the package test on it
# with Debian 13's lintian and libraries; and builds the page with Debian 13's Emscripten.
# With --prepare, it only makes the root and installs there what the step needs, which the
# test command does in the background from its start. With a COMMAND instead, it runs that in
# the root's copy of the tree (scripts/test.sh, say).
# Its mounts (/proc, /sys, /dev, /tmp) are made in a mount namespace of their own, so they
# never show outside it and end with it, whatever way the command ends. It runs as root.
# Usage: scripts/test-debian13.sh [--prepare | -- COMMAND...]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

mode=step
case "${1:-}" in
  "") ;;
  --prepare) mode=prepare; [ $# -eq 1 ] || mode=usage ;;
  --) shift; mode=run; [ $# -gt 0 ] || mode=usage ;;
  *) mode=usage ;;
esac
if [ "$mode" = usage ]; then
  echo "usage: $0 [--prepare | -- COMMAND...]" >&2
  exit 2
fi

work=$spirelle_root/build-debian13
root=$work/root
step debian13 "$work/$mode.log"
if [ "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")" = trixie ]; then
  [ "$mode" = prepare ] ||
    report_skip "this machine runs Debian 13 itself: the other steps are its tests there"
  exit 0
fi
[ "$(id -u)" -eq 0 ] || fail "debootstrap and chroot need root (sudo $0)"
quietly scripts/deps.sh debian13 || fail "could not install debootstrap"

mirror=http://deb.debian.org/debian
# A root is whole once debootstrap has finished and its sources are written; one that a stopped
# run left half made is made again.
if [ ! -f "$root/.spirelle-root" ]; then
  echo "$spirelle_step: making a Debian 13 root with debootstrap in $root"
  rm -rf "$root"
  mkdir -p "$work"
  quietly debootstrap --variant=minbase --include=ca-certificates trixie "$root" "$mirror" ||
    fail "debootstrap could not make a Debian 13 root"
  # The archive's suites of an installed system: the release, its updates and security's.
  rm -f "$root/etc/apt/sources.list"
  cat >"$root/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: trixie trixie-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: ${mirror}-security
Suites: trixie-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  # Packages installed there start no services.
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"
  touch "$root/.spirelle-root"
fi

# The tree as it is now, its build folders in the root kept for the next run.
tree=$root/spirelle
mkdir -p "$tree"
find "$tree" -mindepth 1 -maxdepth 1 ! -name 'build*' -exec rm -rf {} +
git ls-files -z --cached --others --exclude-standard |
  tar --null --files-from=- --ignore-failed-read -c | tar -x -C "$tree"

# COMMAND... in the root's tree, with a clean environment. /tmp is the machine's, so that the
# X servers of both sides pick display numbers from one set of lock files.
in_root() {
  # shellcheck disable=SC2016 # the inner script's variables are its own
  unshare --mount --propagation private -- bash -c '
    root=$1
    shift
    mount -t proc proc "$root/proc" && mount -t sysfs sysfs "$root/sys" &&
      mount --rbind /dev "$root/dev" && mount --bind /tmp "$root/tmp" || exit 1
    exec chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin \
      LANG=C.UTF-8 TERM="${TERM:-dumb}" bash -c "cd /spirelle && exec \"\$@\"" - "$@"
  ' - "$root" "$@"
}

# The root reaches the network as this machine does: through its name servers, and trusting
# the authorities that this machine adds to Debian's (a proxy's, say).
cp /etc/resolv.conf "$root/etc/resolv.conf"
if [ ! -x "$root/usr/sbin/update-ca-certificates" ]; then
  quietly in_root apt-get install -y -q --no-install-recommends ca-certificates ||
    fail "could not install ca-certificates in the Debian 13 root"
fi
[ ! -d /usr/local/share/ca-certificates ] ||
  cp -a /usr/local/share/ca-certificates/. "$root/usr/local/share/ca-certificates/"
quietly in_root update-ca-certificates || fail "could not update the root's certificates"

case "$mode" in
  run) exec > >(tee "$spirelle_log") 2>&1
       in_root "$@"
       exit ;;
  # Every package the step installs there, as the step's own commands would install them.
  prepare) quietly in_root scripts/deps.sh test && quietly in_root scripts/deps.sh web
           echo "$spirelle_step: the root was ready in $SECONDS s" >>"$spirelle_log"
           exit ;;
esac

# The desktop build and its tests, whose counts the root's run reports in its own tree.
started=$SECONDS
step debian13 "$work/desktop.log"
rm -f "$tree/build/test-report.txt"
in_root scripts/test.sh --quick >"$spirelle_log" 2>&1 ||
  echo "$spirelle_step: scripts/test.sh --quick failed on Debian 13 (details: $spirelle_log)" >&2
counts=$(grep -s '^desktop: ' "$tree/build/test-report.txt") ||
  fail "scripts/test.sh --quick ran no test on Debian 13"
read -r _ passed _ failed _ skipped _ <<<"$counts"
echo "$spirelle_step: scripts/test.sh --quick there: $counts ($((SECONDS - started)) s)"

# The package built here, on Debian 12, installed there by apt-get with its dependencies, and
# the package test on it there: lintian, its dependencies, its hardening, its window and disc.
started=$SECONDS
step debian13 "$work/package.log"
package=$(desktop_package)
cp "$package" "$tree/"
deb=/spirelle/$(basename "$package")
quietly in_root scripts/deps.sh test || fail "could not install the package test's tools there"
quietly in_root apt-get install -y -q --no-install-recommends "$deb" ||
  fail "apt-get could not install $(basename "$package") on Debian 13"
if quietly in_root python3 -m tests.e2e.test_install --package "$deb" \
     --counter /spirelle/build/instruments/libframecount.so Install.test_debian_package_installs_and_runs
then
  passed=$((passed + 1))
  echo "$spirelle_step: the Debian 12 package installed, passed lintian and drew there ($((SECONDS - started)) s)"
else
  failed=$((failed + 1))
  echo "$spirelle_step: the Debian 12 package failed its test on Debian 13 (details: $spirelle_log)" >&2
fi

# The page, with Debian 13's Emscripten.
started=$SECONDS
step debian13 "$work/web.log"
quietly in_root scripts/build-web.sh || fail "could not build the page with Debian 13's Emscripten"
echo "$spirelle_step: the page built there with Emscripten" \
  "$(in_root emcc -dumpversion 2>/dev/null) ($((SECONDS - started)) s)"
# The packages' downloads are of no further use there.
in_root apt-get clean
report_counts "$passed" "$failed" "$skipped"
[ "$failed" -eq 0 ]
