#!/usr/bin/env bash
# Builds the web edition with emscripten into $1 (default build-web); the page
# lands in $1/site. Usage: tools/build_web.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-web}

# Debian's emscripten runs its JavaScript optimizer under Node.js with the
# modules Debian keeps in /usr/share/nodejs; a Node.js from elsewhere on PATH
# does not look there by itself.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

emcmake cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQD5_BUILD_WEB=ON -DQD5_BUILD_HOST=OFF \
    -DQD5_BUILD_TESTS=OFF -DQD5_BUILD_BENCH=OFF "${launcher[@]}" > /dev/null
cmake --build "$build"
