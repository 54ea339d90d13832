#!/usr/bin/env bash
# Time from the program's start to its main window "LX-200 Vantor" being shown (mapped and
# viewable on the X display), over several runs; prints each run, the median and the worst,
# with the goal beside them.
#
#   bench/bench_startup.sh [build-dir] [--runs N] [--xwininfo]
#
# build-dir (default ./build) holds src/teleon and, when Xlib was found at build time,
# bench/bench_window_wait, which polls the display every millisecond over one X connection.
# Without it, or with --xwininfo, the script polls with xwininfo (x11-utils) itself: one new X
# client a poll, so the granularity is the time xwininfo takes (printed).
# With DISPLAY unset, a private Xvfb is started on :57. Every run gets the same private
# XDG_CONFIG_HOME (run 1 starts from an empty one and seeds the store), its own
# XDG_RUNTIME_DIR and no session bus. Exit status 1 when a goal is missed, 2 on set-up failure.
set -u

title="LX-200 Vantor"
goal_ms=400
timeout_ms=10000
runs=10
build=./build
force_xwininfo=0

while [ $# -gt 0 ]; do
    case "$1" in
    --runs)
        runs=${2:?--runs needs a number}
        shift 2
        ;;
    --xwininfo)
        force_xwininfo=1
        shift
        ;;
    -h | --help)
        sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    -*)
        echo "bench_startup: unknown option $1 (see --help)" >&2
        exit 2
        ;;
    *)
        build=$1
        shift
        ;;
    esac
done

program=$build/src/teleon
watcher=$build/bench/bench_window_wait
if [ ! -x "$program" ]; then
    echo "bench_startup: no program at $program (give the build directory)" >&2
    exit 2
fi
mode=watcher
if [ "$force_xwininfo" = 1 ] || [ ! -x "$watcher" ]; then
    mode=xwininfo
    if ! command -v xwininfo >/dev/null; then
        echo "bench_startup: needs xwininfo (x11-utils) or $watcher" >&2
        exit 2
    fi
fi

work=$(mktemp -d)
xvfb_pid=
program_pid=
# shellcheck disable=SC2317 # called by the trap
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 2' INT TERM

if [ -z "${DISPLAY:-}" ]; then
    if [ -e /tmp/.X11-unix/X57 ]; then
        echo "bench_startup: display :57 is taken; set DISPLAY to a display to use" >&2
        exit 2
    fi
    # -noreset: without it the server resets whenever its last client leaves (50-75 ms
    # here), and a reset still running when the program connects would be counted.
    Xvfb :57 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    export DISPLAY=:57
    for _ in $(seq 1 500); do
        [ -e /tmp/.X11-unix/X57 ] && break
        sleep 0.01
    done
    if [ ! -e /tmp/.X11-unix/X57 ]; then
        echo "bench_startup: Xvfb did not start" >&2
        cat "$work/xvfb.log" >&2
        exit 2
    fi
    sleep 0.2
    display_note="private Xvfb :57 (-noreset)"
else
    display_note="DISPLAY=$DISPLAY"
fi

mkdir -p "$work/config"
mkdir -m 700 "$work/run"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run DBUS_SESSION_BUS_ADDRESS=disabled:
export QT_QPA_PLATFORM=xcb

now_us() { echo "${EPOCHREALTIME/./}"; }
# Microseconds to milliseconds with three decimals.
ms() { awk -v u="$1" 'BEGIN { printf "%.3f", u / 1000 }'; }

# One run polled with xwininfo. Prints the same line as bench_window_wait.
run_with_xwininfo() {
    local t0 start end out prev_start=0 polls=0 sum=0 max=0 period
    t0=$(now_us)
    "$program" >"$work/program.log" 2>&1 &
    program_pid=$!
    while :; do
        start=$(now_us)
        out=$(xwininfo -name "$title" 2>/dev/null)
        end=$(now_us)
        if [ "$polls" -gt 0 ]; then
            period=$((start - prev_start))
            sum=$((sum + period))
            [ "$period" -gt "$max" ] && max=$period
        fi
        polls=$((polls + 1))
        if [[ $out == *"Map State: IsViewable"* ]]; then
            [ "$polls" -gt 1 ] || prev_start=$t0
            echo "shown_ms=$(ms $((end - t0))) earliest_ms=$(ms $((prev_start - t0)))" \
                "polls=$polls poll_mean_ms=$(ms $((polls > 1 ? sum / (polls - 1) : 0)))" \
                "poll_max_ms=$(ms "$max")"
            kill "$program_pid" 2>/dev/null
            wait "$program_pid" 2>/dev/null
            program_pid=
            return 0
        fi
        prev_start=$start
        if ! kill -0 "$program_pid" 2>/dev/null; then
            echo "bench_startup: the program ended before its window was shown" >&2
            program_pid=
            return 3
        fi
        if [ $((end - t0)) -gt $((timeout_ms * 1000)) ]; then
            echo "bench_startup: no window \"$title\" within $timeout_ms ms" >&2
            kill "$program_pid" 2>/dev/null
            wait "$program_pid" 2>/dev/null
            return 4
        fi
    done
}

echo "bench_startup: $program on $display_note, $runs runs, polling with $mode"
results=()
poll_means=()
poll_maxes=()
for i in $(seq 1 "$runs"); do
    if [ "$mode" = watcher ]; then
        line=$("$watcher" "$title" "$timeout_ms" 1 "$program" 2>"$work/watch.log")
    else
        line=$(run_with_xwininfo)
    fi
    rc=$?
    if [ $rc -ne 0 ] || [[ $line != shown_ms=* ]]; then
        echo "bench_startup: run $i failed (status $rc)" >&2
        cat "$work/watch.log" "$work/program.log" 2>/dev/null >&2
        exit 2
    fi
    declare -A f=()
    for kv in $line; do f[${kv%%=*}]=${kv#*=}; done
    results+=("${f[shown_ms]}")
    poll_means+=("${f[poll_mean_ms]}")
    poll_maxes+=("${f[poll_max_ms]}")
    note=""
    [ "$i" = 1 ] && note=", empty configuration folder"
    echo "  run $i: shown by ${f[shown_ms]} ms (mapped between ${f[earliest_ms]} and" \
        "${f[shown_ms]} ms; ${f[polls]} polls$note)"
    sleep 0.3
done

stats=$(printf '%s\n' "${results[@]}" | sort -g | awk '
    { v[NR] = $1 }
    END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print m, v[NR] }')
median=${stats% *}
worst=${stats#* }
poll_mean=$(printf '%s\n' "${poll_means[@]}" | awk '{ s += $1 } END { printf "%.3f", s / NR }')
poll_worst=$(printf '%s\n' "${poll_maxes[@]}" | sort -g | tail -n 1)
verdict() { awk -v v="$1" -v g="$goal_ms" 'BEGIN { print (v <= g) ? "PASS" : "MISS" }'; }

if [ "$mode" = watcher ]; then
    how="one X connection, a query of the root's children each poll, 1 ms sleep between"
else
    how="one xwininfo run each poll, no sleep between"
fi
echo "poll granularity: mean $poll_mean ms, worst $poll_worst ms between polls ($how);" \
    "each figure is the end of the first poll that saw the window"
m_verdict=$(verdict "$median")
w_verdict=$(verdict "$worst")
printf 'start to main window shown, median: %.1f ms   goal <= %d ms   %s\n' \
    "$median" "$goal_ms" "$m_verdict"
printf 'start to main window shown, worst:  %.1f ms   goal <= %d ms   %s\n' \
    "$worst" "$goal_ms" "$w_verdict"
[ "$m_verdict" = PASS ] && [ "$w_verdict" = PASS ] || exit 1
exit 0
