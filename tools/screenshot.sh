#!/usr/bin/env bash
# Takes a picture of the whole simulator window after power-on, under its own
# Xvfb display, into docs/screenshot.png (or $2). Usage:
#   tools/screenshot.sh [BUILD_DIR] [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/screenshot.png}

if [[ -z "${QD5_SCREENSHOT_XVFB:-}" ]]; then
    QD5_SCREENSHOT_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$out"
fi

"$build/host/qd5sim" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
wid=$(xdotool search --sync --onlyvisible --name "^Nuva QD-5 Simulator$" | head -1)
sleep 1
eval "$(xdotool getwindowgeometry --shell "$wid")"
menu=$((HEIGHT - 329)) # the menu bar sits above the 503 by 329 client area

# Some wiring first: drag each raw slider's handle to a share of its track
# (the track lies between the two 17-pixel arrow buttons).
drag_slider() { # top of the slider, share of the range in percent
    local y=$((menu + $1 + 8)) x
    x=$((352 + 17 + 6 + (137 - 34 - 12) * $2 / 100))
    xdotool mousemove --window "$wid" $((352 + 17 + 6)) "$y" mousedown 1
    xdotool mousemove --window "$wid" "$x" "$y" mouseup 1
}
drag_slider 8 "${QD5_SHOT_CH1:-5}"
drag_slider 32 "${QD5_SHOT_CH2:-6}"
drag_slider 56 "${QD5_SHOT_CH3:-55}"
drag_slider 80 "${QD5_SHOT_CH4:-30}"
drag_slider 104 "${QD5_SHOT_VOLTS:-30}"
# On, then wait for a sampling tick and a few blinks.
xdotool mousemove --window "$wid" $((64 + 37)) $((menu + 272 + 12)) click 1
sleep 2.5
# Move the pointer off the controls so that no tooltip or hover shows.
xdotool mousemove --window "$wid" 245 $((menu + 300))
sleep 0.5
import -window "$wid" "$out"
echo "wrote $out"
