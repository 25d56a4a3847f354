#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on a copy of its seed corpus; fails on any finding, kept in
# FUZZ_BUILD_DIR/findings. Usage: run_fuzzers.sh FUZZ_BUILD_DIR [SECONDS_PER_TARGET]
set -uo pipefail
build=$1 seconds=${2:-60} here=$(cd "$(dirname "$0")" && pwd) work=$(mktemp -d) status=0
trap 'rm -rf "$work"' EXIT
for target in trace_data config trk tracepos radius altref; do
  mkdir -p "$work/$target" "$work/$target-findings" && cp "$here/corpus/$target"/* "$work/$target/"
  (cd "$work/$target-findings" && exec "$build/fuzz_$target" -max_total_time="$seconds" -close_fd_mask=1 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 "$work/$target") 2>&1 | grep -E 'stat::number_of_exec|ERROR|SUMMARY|runtime error' | sed "s/^/fuzz_$target: /"
  if [ "${PIPESTATUS[0]}" != 0 ] || compgen -G "$work/$target-findings/*" >/dev/null; then
    echo "fuzz_$target failed; its findings:" && ls "$work/$target-findings"
    mkdir -p "$build/findings" && cp "$work/$target-findings"/* "$build/findings/" 2>/dev/null
    status=1
  fi
done
exit $status
