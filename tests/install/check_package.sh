#!/bin/sh
# Builds, installs (apt-get) and removes the Debian package; runs the programs in a copy of the installed demo.
# Needs root, Xvfb, xdotool, ImageMagick. Usage: check_package.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd) build=$(cd "${1:-build}" && pwd)
apt_get() { apt-get -y -o DPkg::Lock::Timeout=120 "$@"; }
fail() { echo "FAIL: $*"; exit 1; }
rm -f "$build"/vemora_*.deb && (cd "$build" && cpack -G DEB)
deb=$(echo "$build"/vemora_*.deb)
dpkg-deb -f "$deb" Depends | grep -q 'liballegro4\.4' || fail "the package does not depend on the Allegro library"
work=$(mktemp -d)
trap 'cd /; rm -rf "$work"; ! dpkg -s vemora >/dev/null 2>&1 || apt_get remove vemora >/dev/null' EXIT
! dpkg -s vemora >/dev/null 2>&1 || apt_get remove vemora  # a leftover of the same version would stay
apt_get install "$deb"
bin=$(command -v vemora)
[ "$bin" = "$(dpkg -L vemora | grep '/bin/vemora$')" ] || fail "vemora on PATH is not the installed one"
for page in vemora vemora-check; do man -w $page >/dev/null || fail "man finds no page for $page"; done
[ "$(vemora --version)" = "vemora $(dpkg-deb -f "$deb" Version)" ] || fail "vemora --version is not the package's"
cp -r "$(dpkg -L vemora | grep '/share/vemora/demo$')" "$work/demo" && cd "$work/demo"
status=$(vemora-check >/dev/null 2>&1 || echo $?) && [ "$status" = 2 ] || fail "vemora-check: status '$status', not 2"
python3 -B "$here/../e2e/harness.py" "$bin"
apt_get remove vemora
[ ! -e "$bin" ] || fail "$bin is still there after the removal"
