#!/bin/sh
# vemora-check without graphics library, fonts and display: the report alone on standard output, options, exit statuses,
# the fix, the least fault, closed and full descriptors, a run killed while saving; the editor's options and fatal
# start-ups. Usage: check_tool.sh BUILD
build="$(cd "$1" && pwd)" work=$(mktemp -d) failed=0 && tool=$build/vemora-check
trap 'rm -rf "$work"' EXIT
cd "$(dirname "$0")/../../examples/demo" &&
    cp vemora.cfg trace.txt track.trk tracepos.txt radius.txt altref.txt "$work" && cd "$work" || exit 1
fail() { echo "FAIL: $*"; echo "standard output:"; cat out.txt; echo "standard error:"; cat err.txt; failed=1; }
has() { [ "$1" = - ] || grep -Eq "$1" "$2"; } # PATTERN FILE; - for any
expect() { # STATUS OUT ERR ARGS...: the status, and grep -E patterns for standard output and standard error
    want=$1 out=$2 err=$3 && shift 3
    env -u DISPLAY "$tool" "$@" >out.txt 2>err.txt
    got=$? && [ $got -eq "$want" ] && has "$out" out.txt && has "$err" err.txt || fail "${tool##*/} $*: $got, not $want"
}
report_only() { ! grep -Evq '^(gap|kink) [0-9]+ traces [0-9,]+ max [0-9.]+ (m|%)$|^[0-9]+ sections had ' out.txt ||
    fail "more than the report on standard output"; }
ldd "$tool" | grep -Ei 'alleg|libX11' && fail "vemora-check links a graphics library"
expect 2 '^4 sections had gradient breaks\.$' '^Reading config file$' --
report_only
[ "$(cut -d' ' -f1,2 out.txt | tr '\n' ,)" = "gap 12,kink 31,gap 58,kink 58,gap 87,kink 104,gap 126,gap 149,kink 149,\
5 sections,4 sections," ] || fail "sections listed"
[ "$(grep -cxE 'gap 58 traces 1,2,3,4,5 max 0\.150 m|kink 104 traces 5 max 1\.200 %' out.txt)" = 2 ] || fail "lines"
env -u DISPLAY "$tool" 2>&- >out.txt; report_only # without standard error
expect 0 '^gap 58 ' '^Saving trace data to >trace_new\.txt<$' --fix
report_only
cp trace_new.txt trace.txt
expect 0 - '^Vemora v\. '
[ "$(cat out.txt)" = "$(printf 'No height gaps found.\nNo gradient breaks found.')" ] || fail "not clean after the fix"
for o in --help -h; do expect 0 '^Usage: vemora-check \[--fix\]$' - $o; done
expect 0 '^vemora-check 0\.99$' - --version
for bad in "unknown option '-x'=-x" "extra argument 'x'=x" "extra argument '--fix'=-- --fix"; do
    expect 64 - "^vemora-check: ${bad%%=*}\$" ${bad#*=}
    [ ! -s out.txt ] && grep -qx "Try 'vemora-check --help' for more information." err.txt || fail "$bad"
done
sed -i 's|^OUTFILE .*|OUTFILE no/such/dir/out.txt|' vemora.cfg
expect 1 '^No height gaps found' '^Warning: Could not save to >no/such/dir/out\.txt<: No such file or directory$' --fix
# 400 sections, each 2 track units (0.1 mm, the least fault) above the last: a save of 130 kB, more than a pipe holds.
{ printf ' 400 16%s\n' "$(printf ' 0%.0s' $(seq 80))" && seq 0 2 798 |
    sed "s/.*/ & 19685$(printf ' & 0 0 0 0.0%.0s' $(seq 16))/"; } >faulty.txt # the number of a section is not read
printf 'INFILE t.txt\nOUTFILE fixed.txt\n' >vemora.cfg && cp faulty.txt t.txt
expect 0 '^gap 0 traces [0-9,]+ max 0\.0001 m$' '^Saving trace data to >fixed\.txt<$' --fix
sed -i 's/fixed/t/' vemora.cfg
# Started with descriptors closed it saves exactly the trace data; output it cannot write fails the run, and says so.
for case in '0 <&- >&- 2>/dev/null' '0 >&- 2>&-' '1 >/dev/full 2>err.txt'; do
    cp faulty.txt t.txt && eval "\"\$tool\" --fix ${case#? }"
    [ $? -eq "${case%% *}" ] && cmp -s t.txt fixed.txt || fail "vemora-check --fix ${case#? }"
done
grep -q '^vemora-check: write error' err.txt || fail "no write error reported for /dev/full"
# Output goes out line by line: a run killed while it saves (to a FIFO whose reader takes nothing) has printed all.
sed -i 's/^OUTFILE .*/OUTFILE fifo/' vemora.cfg && mkfifo fifo && exec 3<>fifo
"$tool" --fix >out.txt 2>&1 3<&- &
i=0; until grep -q '^Saving trace data to >fifo<$' out.txt || [ $((i += 1)) -gt 600 ]; do sleep 0.1; done
kill -9 $! 2>/dev/null; { wait $!; } 2>/dev/null
[ $? -eq 137 ] && grep -A1 '^No gradient breaks found\.$' out.txt | grep -q '^Saving trace data to >fifo<$' ||
    fail "a run killed while it saves lost what it printed"
# The editor's options; its start-up ends without vemora.cfg, and at once on an endless file in 400 MB of address space.
tool=$build/vemora && rm vemora.cfg
v=$(env -u DISPLAY "$tool" --bogus --version 2>&1) && [ "$v" = "vemora 0.99" ] || fail "vemora --bogus --version: $v"
expect 0 '^Usage: vemora$' - -h
expect 1 '^Fatal error: Did not find >vemora\.cfg<$' - --bogus -- --help
ldd "$tool" | grep -q libasan || space='ulimit -v 400000' # the sanitizers reserve far more than that
echo 'INFILE /dev/zero' >vemora.cfg && (ulimit -t 20 && ${space:-:} && env -u DISPLAY "$tool" >out.txt 2>&1)
[ $? -eq 1 ] && [ "$(tr '\n' '|' <out.txt)" = "Vemora v. 0.99|Reading config file|Reading trace data from >/dev/zero<|\
Fatal error: Trace data file >/dev/zero< is not usable: no section count|" ] || fail "vemora on an endless file"
exit $failed
