#!/usr/bin/env bash
# Measures this tree against an earlier release side by side on this machine:
# builds that release's qd5_bench and qd5run from a temporary git worktree with
# the same flags, then runs the text and run-screen pass benchmarks and qd5run
# over bench/hour_run_screen.yaml, old and new in turn, for ROUNDS rounds, and
# rewrites the "## Old against new" section of docs/PERFORMANCE.md from them.
# Usage: tools/bench_compare.sh [BUILD_DIR] [ROUNDS]
#   QD5_BENCH_BASE: the release to compare with (default 25a1bb8, the release
#   before the faster text drawing).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-5}
base=${QD5_BENCH_BASE:-25a1bb8}

if ! [[ "$rounds" =~ ^[1-9][0-9]?$ ]]; then
    echo "bench_compare: ROUNDS must be a number from 1 to 99, not '$rounds'" >&2
    exit 2
fi
if [[ ! -f "$build/CMakeCache.txt" ]]; then
    echo "bench_compare: '$build' is not a configured build folder (run make build or cmake first)" >&2
    exit 2
fi
if ! base_commit=$(git rev-parse --verify --quiet "$base^{commit}"); then
    echo "bench_compare: '$base' is not a commit of this repository" >&2
    exit 2
fi

cmake --build "$build" --target qd5_bench qd5run
out="$build/bench-compare"
rm -rf "$out/runs"
mkdir -p "$out/runs"

# The old binaries are kept by commit, so only the first comparison builds them.
base_bin="$out/base-$base_commit"
if [[ ! -x "$base_bin/qd5_bench" || ! -x "$base_bin/qd5run" ]]; then
    tree=$(mktemp -d)
    trap 'git worktree remove --force "$tree/src" 2>/dev/null || true; rm -rf "$tree"' EXIT
    echo "== Building qd5_bench and qd5run of $base (in $tree)"
    git worktree add --detach --quiet "$tree/src" "$base_commit"
    build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
    cmake -S "$tree/src" -B "$tree/build" -G Ninja -DCMAKE_BUILD_TYPE="${build_type:-RelWithDebInfo}" \
        -DQD5_BUILD_HOST=OFF -DQD5_BUILD_TESTS=OFF > /dev/null
    cmake --build "$tree/build" --target qd5_bench qd5run
    mkdir -p "$base_bin"
    cp "$tree/build/bench/qd5_bench" "$tree/build/qd5run" "$base_bin/"
    git worktree remove --force "$tree/src"
    rm -rf "$tree"
    trap - EXIT
fi

filter='^BM_lcd_text_size8_20_chars$|^BM_lcd_text_size34_4_digits$|^BM_run_screen_pass|^BM_qd5run_hour_run_screen'
measure() { # side bench_binary qd5run_binary round
    "$2" --benchmark_filter="$filter" --benchmark_min_time=0.2 \
        --benchmark_out="$out/runs/$1-$4.json" --benchmark_out_format=json > /dev/null
    /usr/bin/time -f '%e %U %S' -o "$out/runs/$1-$4.qd5run" \
        "$3" --out "$out/qd5run-out" bench/hour_run_screen.yaml > /dev/null
}
for round in $(seq "$rounds"); do
    echo "== Round $round of $rounds"
    # The order changes every round, so a drift of the machine's speed falls on both.
    if ((round % 2)); then
        measure base "$base_bin/qd5_bench" "$base_bin/qd5run" "$round"
        measure new "$build/bench/qd5_bench" "$build/qd5run" "$round"
    else
        measure new "$build/bench/qd5_bench" "$build/qd5run" "$round"
        measure base "$base_bin/qd5_bench" "$base_bin/qd5run" "$round"
    fi
done

tools/perf_table.py --compare "$out/runs" "$base_commit" "tools/bench_compare.sh $build $rounds" \
    > "$out/PERFORMANCE.md"
mv "$out/PERFORMANCE.md" docs/PERFORMANCE.md
echo "docs/PERFORMANCE.md: old against new rewritten"
