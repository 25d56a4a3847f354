#!/bin/sh
# An install moved after `cmake --install` still finds its fonts.dat: the moved editor opens on a copy of the
# moved demo (without fonts.dat) under Xvfb. Usage: test_relocated.sh BUILD_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd) tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"${CMAKE:-cmake}" --install "$1" --prefix "$tmp/prefix" >/dev/null
mv "$tmp/prefix" "$tmp/moved"
cp -r "$tmp/moved/share/vemora/demo" "$tmp/demo"
cd "$tmp/demo"
python3 -B "$here/first_frame.py" "$tmp/moved/bin/vemora"
