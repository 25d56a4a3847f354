#!/bin/sh
# vemora-check on a copy of the demo without fonts and display: what it lists, its exit statuses,
# and a clean re-run after its fix. Usage: check_tool.sh BUILD_DIR
tool="$(cd "$1" && pwd)/vemora-check" work=$(mktemp -d) failed=0
trap 'rm -rf "$work"' EXIT
cd "$(dirname "$0")/../../examples/demo" && cp vemora.cfg trace.txt track.trk tracepos.txt radius.txt altref.txt "$work" &&
    cd "$work" || exit 1
expect() { # STATUS PATTERN ARGS...: the status, and a grep -E pattern for the output
    want=$1 pattern=$2
    shift 2
    env -u DISPLAY "$tool" "$@" >out.txt 2>&1
    got=$?
    [ "$got" -eq "$want" ] && grep -Eq "$pattern" out.txt || { echo "FAIL: vemora-check $*: $got, not $want"; cat out.txt; failed=1; }
}
listed() { [ "$(grep -E "^$1 " out.txt | cut -d' ' -f2 | tr '\n' ' ')" = "$2" ] || { echo "FAIL: $1 listed"; failed=1; }; }
expect 2 '^4 sections had gradient breaks\.$'
listed gap "12 58 87 126 149 "
listed kink "31 58 104 149 "
expect 2 '^gap 58 traces 1,2,3,4,5 max 0\.150 m$'
expect 2 '^kink 104 traces 5 max 1\.200 %$'
expect 0 '^Saving trace data to >trace_new\.txt<$' --fix
cp trace_new.txt trace.txt
expect 0 '^No height gaps found\.$'
grep -q '^No gradient breaks found\.$' out.txt || { echo "FAIL: gradient breaks after the fix"; failed=1; }
expect 0 '^Usage: vemora-check \[--fix\]$' --help
expect 64 '^Usage: vemora-check \[--fix\]$' --fx
expect 64 '^Usage: vemora-check \[--fix\]$' --fix --fix
sed -i 's|^OUTFILE .*|OUTFILE no/such/dir/out.txt|' vemora.cfg
expect 1 '^Warning: Could not save to >no/such/dir/out\.txt<: No such file or directory$' --fix
sed -i 's/^INFILE .*/INFILE missing.txt/' vemora.cfg
expect 1 '^Fatal error: Did not find >missing\.txt<$'
exit $failed
