#!/usr/bin/env bash
# Installs what the project needs (tools/setup.sh) and builds qd5run alone
# into build/: what a CI job needs before it runs scenarios (docs/CI.md).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -G Ninja -DQD5_BUILD_HOST=OFF -DQD5_BUILD_TESTS=OFF -DQD5_BUILD_BENCH=OFF \
    -DQD5_BUILD_PYTHON=OFF > /dev/null
cmake --build build --target qd5run
