#!/bin/sh
# Builds the Debian package in a build directory, installs it with apt-get as a user would,
# runs the installed programs in a fresh copy of the installed demo (without fonts.dat), and
# removes the package again. Needs root, Xvfb, xdotool and ImageMagick.
# Usage: check_package.sh [BUILD_DIR]   (default: build)
set -eu
tests=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
apt_get() { apt-get -y -o DPkg::Lock::Timeout=120 "$@"; }
fail() { echo "FAIL: $*"; exit 1; }

echo "+ cpack -G DEB in $build"
rm -f "$build"/vemora_*.deb
(cd "$build" && cpack -G DEB)
deb=$(echo "$build"/vemora_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
echo "$depends" | grep -q 'liballegro4\.4' || fail "the package does not depend on the Allegro library"

work=$(mktemp -d)
trap 'cd /; rm -rf "$work"; ! dpkg -s vemora >/dev/null 2>&1 || apt_get remove vemora >/dev/null' EXIT
# A leftover of the same version would stay in place of the new build.
! dpkg -s vemora >/dev/null 2>&1 || apt_get remove vemora
echo "+ apt-get install $deb"
apt_get install "$deb"
bin=$(dpkg -L vemora | grep '/bin/vemora$' | xargs dirname)
[ "$(command -v vemora)" = "$bin/vemora" ] || fail "vemora on PATH is not the installed $bin/vemora"
cp -r "$(dpkg -L vemora | grep '/share/vemora/demo$')" "$work/demo"
cd "$work/demo"
[ ! -e fonts.dat ] || fail "the installed demo holds fonts.dat"

echo "+ vemora-check in a copy of the demo: gaps, status 2"
status=0
vemora-check || status=$?
[ "$status" -eq 2 ] || fail "vemora-check ended with status $status, not 2"

echo "+ vemora in a copy of the demo, with the installed fonts, to its first frame"
man -w vemora >/dev/null || fail "man finds no page for vemora"
python3 "$tests/first_frame.py" "$(command -v vemora)" "$work/demo"

echo "+ apt-get remove vemora"
apt_get remove vemora
[ ! -e "$bin/vemora" ] || fail "$bin/vemora is still there after the removal"
echo "package check passed"
