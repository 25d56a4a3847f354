#!/bin/sh
# Installs a build into a scratch prefix: exactly the listed files (empty arguments skipped), the programs
# executable, the manual free of groff warnings and naming vemora-check for whatis.
# Usage: test_install.sh BUILD_DIR PATH...
set -eu
build=$1 tmp=$(mktemp -d)
shift
trap 'rm -rf "$tmp"' EXIT
"${CMAKE:-cmake}" --install "$build" --prefix "$tmp/prefix" >"$tmp/log" || { cat "$tmp/log"; exit 1; }
printf '%s\n' "$@" | grep . | sort >"$tmp/want"
(cd "$tmp/prefix" && find . ! -type d | sed 's|^\./||' | sort) | diff -u "$tmp/want" - || { echo "FAIL: installed files (-: missing, +: not expected)"; exit 1; }
for f in $(grep '^bin/' "$tmp/want"); do [ -x "$tmp/prefix/$f" ] || { echo "FAIL: $f is not executable"; exit 1; }; done
man=$tmp/prefix/share/man/man1/vemora.1
warnings=$(groff -man -ww -z "$man" 2>&1)
[ -z "$warnings" ] || { echo "FAIL: groff warns about vemora.1:"; echo "$warnings"; exit 1; }
lexgrog "$man" | grep -q 'vemora-check - ' || { echo "FAIL: whatis finds no vemora-check in vemora.1"; exit 1; }
