#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on a copy of its seed corpus; fails on any finding.
# Usage: run_fuzzers.sh FUZZ_BUILD_DIR [SECONDS_PER_TARGET]
set -euo pipefail
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in trace_data config trk tracepos radius altref; do
  mkdir -p "$work/$target" "$work/$target-findings"
  cp "$here/corpus/$target"/* "$work/$target/"
  echo "== fuzz_$target for ${seconds}s"
  if ! (cd "$work/$target-findings" && "$build/fuzz_$target" -max_total_time="$seconds" -close_fd_mask=1 \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work/$target" 2>&1 | \
        grep -E 'stat::number_of_executed_units|stat::new_units_added|ERROR|SUMMARY|runtime error|Test unit written|Done [0-9]+ runs'); then
    :
  fi
  if ls "$work/$target-findings"/crash-* "$work/$target-findings"/leak-* "$work/$target-findings"/timeout-* \
        "$work/$target-findings"/oom-* >/dev/null 2>&1; then
    echo "fuzz_$target found a failing input:"
    ls "$work/$target-findings"
    mkdir -p "$build/findings" && cp "$work/$target-findings"/* "$build/findings/" || true
    status=1
  fi
done
exit $status
