#!/usr/bin/env bash
# Runs the generators built in $1 and rewrites the generated sources.
set -euo pipefail
cd "$(dirname "$0")/.."
tools_build=${1:-build-tools}
[[ -x "$tools_build/tools/make_fonts" ]] && "$tools_build/tools/make_fonts" \
    /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf display/fonts_data.cpp
[[ -x "$tools_build/tools/make_icons" ]] && "$tools_build/tools/make_icons" tools/icons display/icons_data.cpp
[[ -x "$tools_build/tools/make_front" ]] && "$tools_build/tools/make_front" host/panel/front.jpg packaging/icons
exit 0
