#!/bin/sh
# Installs a build into a scratch prefix: exactly these files, the programs executable, the manual gzip -9n, free of
# groff warnings, naming vemora-check for whatis and linked as its page; with "moved", the install moved elsewhere
# opens the editor under Xvfb on a copy of its demo. Usage: test_install.sh BUILD_DIR [moved]
set -eu
here=$(cd "$(dirname "$0")" && pwd) tmp=$(mktemp -d) && prefix=$tmp/prefix man=$tmp/prefix/share/man/man1
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
"${CMAKE:-cmake}" --install "$1" --prefix "$prefix" >"$tmp/log" || { cat "$tmp/log"; exit 1; }
printf '%s\n' bin/vemora bin/vemora-check share/man/man1/vemora.1.gz share/man/man1/vemora-check.1.gz \
    share/doc/vemora/README.md share/doc/vemora/copyright share/doc/vemora/changelog.gz share/vemora/fonts.dat \
    share/vemora/demo/vemora.cfg share/vemora/demo/trace.txt share/vemora/demo/track.trk \
    share/vemora/demo/tracepos.txt share/vemora/demo/radius.txt share/vemora/demo/altref.txt | sort >"$tmp/want"
(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort) | diff -u "$tmp/want" - ||
    fail "installed files (-: missing, +: not expected)"
[ -x "$prefix/bin/vemora" ] && [ -x "$prefix/bin/vemora-check" ] || fail "a program is not executable"
! zcat "$man/vemora.1.gz" | groff -man -ww -z 2>&1 | grep . || fail "groff warns about vemora.1"
lexgrog "$man/vemora.1.gz" | grep -q 'vemora-check - ' || fail "whatis finds no vemora-check in vemora.1"
[ "$(readlink "$man/vemora-check.1.gz")" = vemora.1.gz ] || fail "vemora-check.1.gz is no link to vemora.1.gz"
for f in "$man/vemora.1.gz" "$prefix/share/doc/vemora/changelog.gz"; do # gzip -9n: no name, no time, best
    [ "$(od -An -tx1 -N9 "$f" | tr -d ' \n')" = 1f8b08000000000002 ] || fail "$f is not gzip -9n"
done
[ "${2:-}" = moved ] || exit 0
mv "$prefix" "$tmp/moved" && cp -r "$tmp/moved/share/vemora/demo" "$tmp/demo" && cd "$tmp/demo"
python3 -B "$here/../e2e/harness.py" "$tmp/moved/bin/vemora"
