#!/usr/bin/env bash
# Runs the benchmarks with repetitions and prints the medians.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
"$build/bench/qd5_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_display_aggregates_only=true "${@:2}"
