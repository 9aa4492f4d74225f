#!/usr/bin/env bash
# Runs the benchmarks (medians of five repetitions) and the window
# measurements, then rewrites docs/PERFORMANCE.md from both; last, measures
# this tree against the release before the faster drawing side by side
# (tools/bench_compare.sh), which rewrites its own section of the file.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
"$build/bench/qd5_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_display_aggregates_only=true --benchmark_out="$build/bench.json" --benchmark_out_format=json
tools/measure_window.sh "$build" 30 | tee "$build/window.txt"
# Written beside first: perf_table.py keeps sections of the current file.
tools/perf_table.py "$build/bench.json" "$build/window.txt" > "$build/PERFORMANCE.md"
mv "$build/PERFORMANCE.md" docs/PERFORMANCE.md
echo "docs/PERFORMANCE.md rewritten"
tools/bench_compare.sh "$build" 5
