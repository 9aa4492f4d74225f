#!/usr/bin/env bash
# Soak of the simulator window: powers the simulator on, then for SECONDS
# clicks at random like a fast user (the three key areas, "+" and "-", On and
# Off, the ZOLT check box, drags of all nine sliders with the extremes often,
# the wheel over the knob and the keys F1, F2, Enter, Up and Down), then watches
# it idle on the run screen and closes it with File, Exit. It checks behaviour
# only, so that a busy machine gives the same verdict as an idle one:
#   - the program never dies and ends with status 0 after File, Exit;
#   - it keeps responding: the heartbeat the window writes once a second from
#     its 100 ms timer (QD5_HEARTBEAT) never stops for STALL_MS, a bound that
#     only a hang reaches, and the run loop still makes passes after the
#     clicking;
#   - its resident memory stays within 5 MB of the value after warm-up;
#   - it prints no warning (Qt's messages carry their type here).
# Its CPU use, while clicked and idle, is printed as a figure and judged by no
# one here: `make bench` records it in docs/PERFORMANCE.md against its target.
# The clicks come from bash's RANDOM seeded with SEED (printed), so a failing
# sequence replays. Without DISPLAY it runs under its own Xvfb.
#
# Usage: tools/gui_soak.sh [QD5SIM_BINARY] [SECONDS] [SEED]
#   QD5SIM_BINARY  default build/host/qd5sim
#   SECONDS        clicking time, default 30
#   SEED           0..32767, or "random" for one from the clock; default
#                  QD5_SOAK_SEED, else the fixed seed of `make test` (4242)
#   QD5_SOAK_IDLE  idle seconds measured after the clicking (default
#                  SECONDS/10, at least 10 and at most 60)
set -uo pipefail
export LC_ALL=C

sim=${1:-build/host/qd5sim}
seconds=${2:-30}
seed=${3:-${QD5_SOAK_SEED:-4242}}
[[ $seed == random ]] && seed=$(((EPOCHSECONDS ^ $$) % 32768))

if [[ -z "${DISPLAY:-}" && -z "${QD5_SOAK_XVFB:-}" ]]; then
    QD5_SOAK_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$sim" "$seconds" "$seed"
fi

readonly RSS_LIMIT_KB=5120 # growth allowed after warm-up
readonly CPU_TARGET_PERCENT=10 # printed beside the CPU figures, not checked
# The longest silence of the heartbeat, of the passes after the clicking and
# of the window's start and exit: bounds on a hang, not on speed.
readonly STALL_MS=30000
# Warm-up ends after this many events, so that a fixed seed warms up on the
# same events whatever the machine's speed.
readonly WARM_UP_EVENTS=25

say() { echo "gui_soak: $*"; }
failures=0
fail() {
    say "FAIL: $*"
    failures=$((failures + 1))
}

if [[ ! -x "$sim" ]]; then
    say "no simulator at $sim"
    exit 2
fi
if ! [[ "$seconds" =~ ^[0-9]+$ && "$seed" =~ ^[0-9]+$ ]]; then
    echo "usage: $0 [QD5SIM_BINARY] [SECONDS] [SEED]" >&2
    exit 2
fi
idle_s=${QD5_SOAK_IDLE:-$((seconds / 10))}
((idle_s < 10 && ${QD5_SOAK_IDLE:-0} == 0)) && idle_s=10
((idle_s > 60 && ${QD5_SOAK_IDLE:-0} == 0)) && idle_s=60

work=$(mktemp -d)
heartbeat=$work/heartbeat
pid=
cleanup() {
    # Only a program that failed a check is still here; it may be hung.
    [[ -n "$pid" ]] && kill -KILL "$pid" 2> /dev/null
    rm -rf "$work"
}
trap cleanup EXIT

say "seed $seed, $seconds s of clicking, display $DISPLAY"
say "replay: $0 $sim $seconds $seed"

# A private runtime folder keeps Qt from warning about a missing one, so that
# any warning left is the program's own.
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR=$work/runtime QT_MESSAGE_PATTERN='%{type}: %{message}' \
    QD5_HEARTBEAT=$heartbeat "$sim" > "$work/log" 2>&1 &
pid=$!

# --- Probes of the running program (bash builtins only, no forks) ------------

hz=$(getconf CLK_TCK)
now_ms() { ms=$((${EPOCHREALTIME/./} / 1000)); }
read_rss() { # sets rss (kB), 0 when gone
    rss=0
    local key value rest
    while read -r key value rest; do
        [[ $key == VmRSS: ]] && rss=$value && return
    done 2> /dev/null < "/proc/$pid/status"
}
read_ticks() { # sets ticks, the CPU time used so far (user + system)
    local fields
    read -r -a fields 2> /dev/null < "/proc/$pid/stat" || fields=()
    ticks=$((${fields[13]:-0} + ${fields[14]:-0}))
}
beat=0 passes=0 beat_ms=0 longest_gap_ms=0
read_heartbeat() { # sets beat and passes; remembers when the beat last moved
    local b p
    now_ms
    if read -r b p 2> /dev/null < "$heartbeat" && [[ "$b" =~ ^[0-9]+$ ]]; then
        if ((b != beat)); then
            beat=$b
            passes=$p
            beat_ms=$ms
        fi
    fi
    local gap=$((ms - beat_ms))
    ((gap > longest_gap_ms)) && longest_gap_ms=$gap
}
# Ends a run that cannot go on (the program died, hung or never showed up).
abandon() {
    say "simulator output:"
    tail -20 "$work/log"
    say "RESULT: FAIL after $events events, seed $seed"
    exit 1
}
rss_max=0
check_alive() { # returns 1 once the program has died or stopped responding
    if ! kill -0 "$pid" 2> /dev/null; then
        wait "$pid"
        fail "the simulator died (status $?) after $events events"
        pid=
        return 1
    fi
    read_rss
    ((rss > rss_max)) && rss_max=$rss
    read_heartbeat
    if ((ms - beat_ms > STALL_MS)); then
        if ((beat == 0)); then
            fail "no heartbeat at all: a simulator built without QD5_HEARTBEAT?"
        else
            fail "no heartbeat for $(((ms - beat_ms) / 1000)) s (last beat $beat) after $events events"
        fi
        return 1
    fi
    return 0
}

# --- The window ---------------------------------------------------------------

events=0
wid=
now_ms
start_ms=$ms
beat_ms=$ms
until [[ -n "$wid" ]]; do
    check_alive || abandon
    now_ms
    if ((ms - start_ms > STALL_MS)); then
        fail "no window after $((STALL_MS / 1000)) s"
        abandon
    fi
    sleep 0.2
    wid=$(xdotool search --onlyvisible --pid "$pid" --name "^Nuva QD-5 Simulator$" 2> /dev/null | head -1)
done
eval "$(xdotool getwindowgeometry --shell "$wid")"
menu=$((HEIGHT - 329)) # the menu bar sits above the 503 by 329 client area
xdotool windowfocus "$wid" 2> /dev/null
sleep 0.5 # let the window settle before the first click

# Moves to a point of the client area and clicks it with button $3 (default 1).
click_at() { xdotool mousemove --window "$wid" "$1" $((menu + $2)) click "${3:-1}"; }
rnd() { r=$((RANDOM % $1)); } # no subshell, so the seeded sequence is kept
# Clicks a random point inside a control at (x, y) of size w by h.
click_in() {
    local x y
    rnd $(($3 - 6))
    x=$(($1 + 3 + r))
    rnd $(($4 - 6))
    y=$(($2 + 3 + r))
    click_at "$x" "$y"
}

# The sliders' rows (tops), and their geometry in the toolkit's style at this
# size: arrow buttons 14 pixels wide, a groove from x 366 to 474 and a handle
# 27 pixels wide, so the handle's centre runs from 379 to 461.
readonly SLIDER_TOPS=(8 32 56 80 104 176 200 224 248)
readonly SLIDER_NAMES=(ScrollBar29 ScrollBar30 ScrollBar1 ScrollBar2 ScrollBar3
    ScrollBar4 ScrollBar5 ScrollBar6 ScrollBar7)
readonly HANDLE_FIRST=379 HANDLE_LAST=461
declare -A sent=()

# A middle click centres the handle where it lands (the toolkit's absolute
# positioning), so the left button then grabs the handle wherever it was and
# drags it; two times in five the drop lies past one end of the bar.
drag_slider() {
    local s a b y
    rnd 9
    s=$r
    y=$((menu + SLIDER_TOPS[s] + 8))
    rnd $((HANDLE_LAST - HANDLE_FIRST + 1))
    a=$((HANDLE_FIRST + r))
    rnd 5
    case $r in
        0) rnd 20 && b=$((330 + r)) ;;
        1) rnd 12 && b=$((490 + r)) ;;
        *) rnd $((HANDLE_LAST - HANDLE_FIRST + 1)) && b=$((HANDLE_FIRST + r)) ;;
    esac
    xdotool mousemove --window "$wid" "$a" "$y" mousedown 2 mouseup 2 \
        mousedown 1 sleep 0.02 mousemove --window "$wid" $(((a + b) / 2)) "$y" \
        sleep 0.02 mousemove --window "$wid" "$b" "$y" mouseup 1
    sent[${SLIDER_NAMES[s]}]=$((${sent[${SLIDER_NAMES[s]}]:-0} + 1))
}

readonly KEYS=(F1 F2 Return Up Down)
one_event() {
    local kind
    rnd 100
    if ((r < 10)); then
        kind=Image2 && click_in 52 192 33 33
    elif ((r < 20)); then
        kind=Image8 && click_in 100 196 41 41
    elif ((r < 30)); then
        kind=Image3 && click_in 154 192 33 33
    elif ((r < 38)); then
        kind=Button3 && click_in 64 232 33 25
    elif ((r < 46)); then
        kind=Button4 && click_in 144 232 33 25
    elif ((r < 54)); then
        kind=On && click_in 64 272 75 25
    elif ((r < 56)); then
        kind=Off && click_in 160 272 75 25
    elif ((r < 60)); then
        kind=CheckBox2 && click_at 262 144
    elif ((r < 90)); then
        kind=drag && drag_slider
    elif ((r < 97)); then
        rnd ${#KEYS[@]}
        kind=key && xdotool key "${KEYS[r]}"
    else
        rnd 2
        kind=wheel && click_at 120 216 $((4 + r))
    fi
    sent[$kind]=$((${sent[$kind]:-0} + 1))
    events=$((events + 1))
}

# --- Clicking -----------------------------------------------------------------

click_at 101 284 # On
sent[On]=1
events=1
now_ms
click_start_ms=$ms
warm_ms=0 warm_ticks=0 rss_warm=0
while :; do
    now_ms
    # SECONDS of clicking, and on a slow machine as many events as the warm-up
    # and as many again after it.
    ((ms - click_start_ms >= seconds * 1000 && events >= 2 * WARM_UP_EVENTS)) && break
    if ((warm_ms == 0 && events >= WARM_UP_EVENTS)); then
        read_ticks
        read_rss
        warm_ms=$ms warm_ticks=$ticks rss_warm=$rss rss_max=$rss
    fi
    check_alive || abandon
    one_event
    # A fast human: a pause of 60 to 160 ms after each event.
    rnd 100
    printf -v pause '0.%03d' $((60 + r))
    sleep "$pause"
done
check_alive || abandon
read_ticks
now_ms
click_cpu=$(awk -v t=$((ticks - warm_ticks)) -v hz="$hz" -v ms=$((ms - warm_ms)) \
    'BEGIN { printf "%.1f", 100 * t / hz / (ms / 1000) }')
click_span_s=$(((ms - warm_ms) / 1000))
rss_after_clicking=$rss

# --- Idle on the run screen -----------------------------------------------------

click_at 101 284 # On, so that the idle figure is that of a running device
xdotool mousemove --window "$wid" 245 $((menu + 318)) # over the empty status bar
sleep 1
check_alive || abandon
read_ticks
now_ms
idle_start_ticks=$ticks idle_start_ms=$ms idle_start_passes=$passes
while :; do
    now_ms
    ((ms - idle_start_ms >= idle_s * 1000)) && break
    check_alive || abandon
    sleep 0.5
done
read_ticks
now_ms
idle_cpu=$(awk -v t=$((ticks - idle_start_ticks)) -v hz="$hz" -v ms=$((ms - idle_start_ms)) \
    'BEGIN { printf "%.1f", 100 * t / hz / (ms / 1000) }')
# The run loop is alive if the heartbeat shows passes made since the idle
# time began; a slow machine may need a few more beats for that.
wait_start_ms=$ms
while ((passes <= idle_start_passes && ms - wait_start_ms < STALL_MS)); do
    check_alive || abandon
    sleep 0.5
done
idle_passes=$((passes - idle_start_passes))
rss_end=$rss

# --- Closing with File, Exit ------------------------------------------------------

# Waits until the File menu is open (the program then shows two windows),
# STALL_MS at most.
wait_for_menu() {
    local waited=0
    while (($(xdotool search --onlyvisible --pid "$pid" "" 2> /dev/null | wc -l) < 2)); do
        ((waited >= STALL_MS)) && return 1
        sleep 0.1
        waited=$((waited + 100))
    done
}
status=
for attempt in keyboard mouse; do
    if [[ $attempt == keyboard ]]; then
        xdotool key alt+f
    else
        click_at 16 $((-menu / 2)) # the File menu, then its only item
    fi
    wait_for_menu && xdotool key e
    for _ in $(seq $((STALL_MS / 100))); do
        kill -0 "$pid" 2> /dev/null || break
        sleep 0.1
    done
    if ! kill -0 "$pid" 2> /dev/null; then
        wait "$pid"
        status=$?
        pid=
        break
    fi
done

# --- Summary ------------------------------------------------------------------

list=
for kind in Image2 Image8 Image3 Button3 Button4 On Off CheckBox2 drag key wheel "${SLIDER_NAMES[@]}"; do
    list+=" $kind ${sent[$kind]:-0},"
done
say "events sent: $events in $seconds s ($(awk -v e="$events" -v s="$seconds" \
    'BEGIN { printf "%.1f", e / (s ? s : 1) }')/s):${list%,}"
say "heartbeat: $beat beats, longest gap $longest_gap_ms ms (limit $STALL_MS); $idle_passes passes after the clicking"
say "RSS: warm-up $rss_warm kB (after $WARM_UP_EVENTS events), after clicking $rss_after_clicking kB, end $rss_end kB, max $rss_max kB (limit warm-up + $RSS_LIMIT_KB kB)"
say "CPU: $click_cpu% of one core while clicked ($click_span_s s after warm-up), $idle_cpu% idle on the run screen ($idle_s s); target under $CPU_TARGET_PERCENT%, a figure only"
say "exit status after File, Exit: ${status:-none, still running}"

((rss_end - rss_warm > RSS_LIMIT_KB)) && fail "resident memory grew by $((rss_end - rss_warm)) kB"
((rss_max - rss_warm > RSS_LIMIT_KB)) && fail "resident memory peaked $((rss_max - rss_warm)) kB above warm-up"
((idle_passes == 0)) && fail "no pass in $((STALL_MS / 1000)) s after the clicking"
[[ -z "$status" ]] && fail "File, Exit did not end the program"
[[ -n "$status" && "$status" != 0 ]] && fail "exit status $status"
if grep -qiE '^(warning|critical|fatal):|warning' "$work/log"; then
    fail "the simulator printed warnings:"
    grep -iE '^(warning|critical|fatal):|warning' "$work/log" | head -10
fi

((failures > 0)) && abandon
say "RESULT: PASS"
