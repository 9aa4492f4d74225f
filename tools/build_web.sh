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

# yaml-cpp and RE2, which the scenario language needs, are not packaged for
# emscripten: Debian's own sources of them are fetched once into the build.
sources=$build/sources
tools/fetch_debian_source.sh yaml-cpp "$sources"
tools/fetch_debian_source.sh re2 "$sources"
# Debian's RE2 source leaves out its generated tables, which its build makes
# from Debian's Unicode data (REBUILD_TABLES in debian/rules): so does this one.
if [[ ! -f $sources/re2/re2/perl_groups.cc ]]; then
    (cd "$sources/re2" && perl re2/make_perl_groups.pl > re2/perl_groups.cc.new &&
        /usr/bin/python3 re2/make_unicode_casefold.py > re2/unicode_casefold.cc.new &&
        /usr/bin/python3 re2/make_unicode_groups.py > re2/unicode_groups.cc.new)
    for table in perl_groups unicode_casefold unicode_groups; do
        mv "$sources/re2/re2/$table.cc.new" "$sources/re2/re2/$table.cc"
    done
fi

emcmake cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQD5_BUILD_WEB=ON -DQD5_BUILD_HOST=OFF \
    -DQD5_BUILD_TESTS=OFF -DQD5_BUILD_BENCH=OFF -DQD5_WEB_SOURCES="$(realpath "$sources")" "${launcher[@]}" > /dev/null
cmake --build "$build"
