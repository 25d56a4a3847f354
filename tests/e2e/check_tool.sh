#!/bin/sh
# vemora-check on a scratch copy of the demo (without fonts and without a display):
# what it lists, its exit statuses, and that its fix leaves nothing to find.
# Usage: check_tool.sh BUILD_DIR
tool="$(cd "$1" && pwd)/vemora-check"
demo="$(dirname "$0")/../../examples/demo"
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
cp "$demo"/vemora.cfg "$demo"/trace.txt "$demo"/track.trk "$demo"/tracepos.txt "$demo"/radius.txt \
   "$demo"/altref.txt "$work"/ || exit 1
cd "$work" || exit 1
failed=0

# expect STATUS OUTPUT_PATTERN ARGS...: the status, and a grep -E pattern for the output.
expect() {
    want=$1 pattern=$2
    shift 2
    env -u DISPLAY "$tool" "$@" >out.txt 2>err.txt
    got=$?
    if [ "$got" -ne "$want" ] || ! grep -Eq "$pattern" out.txt err.txt; then
        echo "FAIL: vemora-check $* gave status $got (wanted $want), output:"
        cat out.txt err.txt
        failed=1
    fi
}

listed() { grep -E "^$1 " out.txt | cut -d' ' -f2 | tr '\n' ' '; }

expect 2 '^4 sections had gradient breaks\.$'
[ "$(listed gap)" = "12 58 87 126 149 " ] || { echo "FAIL: gaps listed: $(listed gap)"; failed=1; }
[ "$(listed kink)" = "31 58 104 149 " ] || { echo "FAIL: kinks listed: $(listed kink)"; failed=1; }
expect 2 '^gap 58 traces 1,2,3,4,5 max 0\.150 m$'
expect 2 '^kink 104 traces 5 max 1\.200 %$'
expect 0 '^Saving trace data to >trace_new\.txt<$' --fix
cp trace_new.txt trace.txt
expect 0 '^No height gaps found\.$'
expect 0 '^No gradient breaks found\.$'
expect 0 '^Usage: vemora-check \[--fix\]$' --help
expect 64 '^Usage: vemora-check \[--fix\]$' --fx
expect 64 '^Usage: vemora-check \[--fix\]$' --fix --fix
sed -i 's|^OUTFILE .*|OUTFILE no/such/dir/out.txt|' vemora.cfg
expect 1 '^Warning: Could not save to >no/such/dir/out\.txt<$' --fix
sed -i 's/^INFILE .*/INFILE missing.txt/' vemora.cfg
expect 1 '^Fatal error: Did not find >missing\.txt<$'
exit $failed
