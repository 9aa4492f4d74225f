#!/usr/bin/env bash
# Measures the running simulator under its own Xvfb display:
#   1. time from start to the first frame drawn (five starts);
#   2. time to render one frame with points and with the texture;
#   3. CPU use over $2 seconds (default 30) on the run screen, per renderer.
# Usage: tools/measure_window.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-30}
sim="$build/host/qd5sim"

if [[ -z "${QD5_MEASURE_XVFB:-}" ]]; then
    QD5_MEASURE_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$seconds"
fi

pid=
trap '[[ -n "$pid" ]] && kill "$pid" 2>/dev/null || true' EXIT
log=$(mktemp)

echo "== Start to first frame"
for run in 1 2 3 4 5; do
    : > "$log"
    start_ms=$(date +%s%3N)
    QD5_FIRST_FRAME=1 "$sim" > "$log" 2>/dev/null &
    pid=$!
    for _ in $(seq 100); do grep -q "first frame" "$log" && break; sleep 0.05; done
    frame_ms=$(sed -n 's/.*epoch_ms=\([0-9]*\).*/\1/p' "$log")
    kill "$pid"; wait "$pid" 2>/dev/null || true; pid=
    echo "start $run: $((frame_ms - start_ms)) ms"
done

echo "== Render time of one frame (fastest of ten batches)"
QD5_BENCH_RENDER=2000 "$sim" 2>/dev/null
echo "== The same on a desktop scaled by 2 (four device pixels per display pixel)"
QT_SCALE_FACTOR=2 QD5_BENCH_RENDER=2000 "$sim" 2>/dev/null

# Clicks On (at client pixel 101, 284), on a desktop scaled by $1.
click_on() {
    local wid s=$1
    wid=$(xdotool search --sync --onlyvisible --name "^Nuva QD-5 Simulator$" | head -1)
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    xdotool mousemove --window "$wid" $((101 * s)) $((HEIGHT - 329 * s + 284 * s)) click 1
    xdotool mousemove --window "$wid" $((245 * s)) $((HEIGHT - 329 * s + 300 * s))
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# The panel repaints only frames that differ from the one shown; the :always
# runs repaint every pass, for comparison; :scale2 runs on a desktop scaled by 2.
for run in texture points texture:always points:always texture:scale2; do
    mode=${run%%:*}
    always=
    [[ $run == *:always ]] && always=1
    scale=1
    [[ $run == *:scale2 ]] && scale=2
    echo "== CPU use over $seconds s on the run screen, renderer $mode${always:+, every pass repainted}$([[ $scale != 1 ]] && echo ", desktop scale $scale")"
    QT_SCALE_FACTOR=$scale QD5_RENDER=$mode QD5_REDRAW_ALWAYS=$always "$sim" > /dev/null 2>&1 &
    pid=$!
    click_on "$scale"
    sleep 2
    before=$(cpu_ticks "$pid")
    sleep "$seconds"
    after=$(cpu_ticks "$pid")
    rss_kb=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
    kill "$pid"; wait "$pid" 2>/dev/null || true; pid=
    echo "resident memory: $rss_kb kB"
    awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
        'BEGIN { printf "%.1f%% of one core (%.2f s of CPU in %d s)\n", 100 * t / hz / s, t / hz, s }'
done
rm -f "$log"
