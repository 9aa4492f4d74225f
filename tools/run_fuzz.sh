#!/usr/bin/env bash
# Runs every fuzz target of the build in $1 for $2 seconds, two at a time, each
# from its committed corpus, then merges the new inputs into the corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${2:-600}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_one() {
    local target=$1
    mkdir -p "fuzz/corpus/$target" "$work/$target"
    "$build/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
        -artifact_prefix="$work/$target-" "$work/$target" "fuzz/corpus/$target" \
        > "$work/$target.log" 2>&1 || { echo "$target FAILED"; tail -40 "$work/$target.log"; return 1; }
    grep -E '^#[0-9]+.*(DONE|pulse)' "$work/$target.log" | tail -1 | sed "s/^/$target: /"
    "$build/fuzz/$target" -merge=1 "fuzz/corpus/$target" "$work/$target" > /dev/null 2>&1
    echo "$target: corpus $(ls "fuzz/corpus/$target" | wc -l) inputs"
}

status=0
run_one fuzz_text & a=$!
run_one fuzz_sampling & b=$!
wait $a || status=1
wait $b || status=1
run_one fuzz_screens & a=$!
run_one fuzz_scenario & b=$!
wait $a || status=1
wait $b || status=1
run_one fuzz_flows & a=$!
run_one fuzz_report & b=$!
wait $a || status=1
wait $b || status=1
exit $status
