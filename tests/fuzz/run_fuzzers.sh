#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on a copy of its seed corpus, as many at once as there are
# processors; fails on any finding, kept in FUZZ_BUILD_DIR/findings.
# Usage: run_fuzzers.sh FUZZ_BUILD_DIR [SECONDS_PER_TARGET]
set -uo pipefail
build=$1 seconds=${2:-60} here=$(cd "$(dirname "$0")" && pwd) work=$(mktemp -d) status=0
trap 'rm -rf "$work"' EXIT
fuzz() { # TARGET: its stats and errors, prefixed with its name; its status
  mkdir -p "$work/$1" "$work/$1-findings" && cp "$here/corpus/$1"/* "$work/$1/"
  (cd "$work/$1-findings" && exec "$build/fuzz_$1" -max_total_time="$seconds" -close_fd_mask=1 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 "$work/$1") 2>&1 |
    grep -E 'stat::number_of_exec|ERROR|SUMMARY|runtime error' | sed "s/^/fuzz_$1: /"
  [ "${PIPESTATUS[0]}" = 0 ] && ! compgen -G "$work/$1-findings/*" >/dev/null
}
targets=(trace_data config trk tracepos radius altref) jobs=$(nproc)
for target in "${targets[@]}"; do
  [ "$(jobs -rp | wc -l)" -lt "$jobs" ] || wait -n
  { fuzz "$target" || touch "$work/$target.failed"; } &
done
wait
for target in "${targets[@]}"; do
  if [ -e "$work/$target.failed" ]; then
    echo "fuzz_$target failed; its findings:" && ls "$work/$target-findings"
    mkdir -p "$build/findings" && cp "$work/$target-findings"/* "$build/findings/" 2>/dev/null
    status=1
  fi
done
exit $status
