#!/usr/bin/env bash
# Runs the benchmarks (medians of five repetitions), the window measurements
# and the window soak's CPU figures, then rewrites docs/PERFORMANCE.md from
# them; last, measures this tree against the release before the faster drawing
# side by side (tools/bench_compare.sh), which rewrites its own section.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
"$build/bench/qd5_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_display_aggregates_only=true --benchmark_out="$build/bench.json" --benchmark_out_format=json
tools/measure_window.sh "$build" 30 | tee "$build/window.txt"
# The window's CPU use while clicked like a fast user and idle after it: the
# figures of the window soak (its fixed seed), which `make test` does not judge.
tools/gui_soak.sh "$build/host/qd5sim" 30 | tee -a "$build/window.txt"
# Written beside first: perf_table.py keeps sections of the current file.
tools/perf_table.py "$build/bench.json" "$build/window.txt" > "$build/PERFORMANCE.md"
mv "$build/PERFORMANCE.md" docs/PERFORMANCE.md
echo "docs/PERFORMANCE.md rewritten"
tools/bench_compare.sh "$build" 5
