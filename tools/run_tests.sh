#!/usr/bin/env bash
# Runs every test of the build in $1, then builds $2 with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the unit tests there too. GUI tests need
# a display: where none is set, the whole run goes under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
asan_build=${2:-build-asan}

if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$asan_build"
fi

echo "== Tests (display $DISPLAY)"
ctest --test-dir "$build" --output-on-failure -j2

echo "== Unit tests under AddressSanitizer and UBSan"
cmake -S . -B "$asan_build" -G Ninja -DQD5_SANITIZE=ON -DQD5_BUILD_HOST=OFF -DQD5_BUILD_BENCH=OFF > /dev/null
cmake --build "$asan_build"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$asan_build" --output-on-failure -j2 -L unit
