#!/bin/sh
# Installs a build into a scratch prefix: exactly the listed files (empty arguments skipped), the programs
# executable, the manual compressed (gzip -9n), free of groff warnings, naming vemora-check for whatis and
# linked as its page.
# Usage: test_install.sh BUILD_DIR PATH...
set -eu
build=$1 tmp=$(mktemp -d)
shift
trap 'rm -rf "$tmp"' EXIT
"${CMAKE:-cmake}" --install "$build" --prefix "$tmp/prefix" >"$tmp/log" || { cat "$tmp/log"; exit 1; }
printf '%s\n' "$@" | grep . | sort >"$tmp/want"
(cd "$tmp/prefix" && find . ! -type d | sed 's|^\./||' | sort) | diff -u "$tmp/want" - || { echo "FAIL: installed files (-: missing, +: not expected)"; exit 1; }
for f in $(grep '^bin/' "$tmp/want"); do [ -x "$tmp/prefix/$f" ] || { echo "FAIL: $f is not executable"; exit 1; }; done
man=$tmp/prefix/share/man/man1
warnings=$(zcat "$man/vemora.1.gz" | groff -man -ww -z 2>&1)
[ -z "$warnings" ] || { echo "FAIL: groff warns about vemora.1:"; echo "$warnings"; exit 1; }
fail() { echo "FAIL: $*"; exit 1; }
lexgrog "$man/vemora.1.gz" | grep -q 'vemora-check - ' || fail "whatis finds no vemora-check in vemora.1"
[ "$(readlink "$man/vemora-check.1.gz")" = vemora.1.gz ] || fail "vemora-check.1.gz is no link to vemora.1.gz"
for f in "$man/vemora.1.gz" "$tmp/prefix/share/doc/vemora/changelog.gz"; do # gzip -9n: no name, no time, best
    [ "$(od -An -tx1 -N9 "$f" | tr -d ' \n')" = 1f8b08000000000002 ] || fail "$f is not gzip -9n"
done
