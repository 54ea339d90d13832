#!/usr/bin/env bash
# Teleon started by a D-Bus client: the time from a `gdbus call` of Scope.RightAscension, with
# the program not running, to its answer (the program started by the bus, its one-second
# start-up timer, the connect to the built-in simulator), over several runs; then the program's
# resident memory alone and with ten clients attached (each holding a CoordinateTransform).
#
#   bench/bench_activation.sh [build-dir] [--runs N]
#
# A private session bus and a fresh XDG_CONFIG_HOME; with DISPLAY unset, a private Xvfb on :58.
# Exit status 1 when a goal is missed, 2 on set-up failure.
set -u
build=./build
runs=5
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=${2:?}; shift 2 ;;
    -h | --help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) build=$1; shift ;;
    esac
done
teleon=$(cd "$build" 2>/dev/null && pwd)/src/teleon
[ -x "$teleon" ] || { echo "bench_activation: no $teleon (build it first)" >&2; exit 2; }

tmp=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    rm -rf "$tmp"
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    Xvfb :58 -screen 0 1280x1024x24 >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=:58
    sleep 1
fi
. "$(dirname "$0")/../tests/support/private_bus.sh"
start_private_bus "$tmp" "$teleon"
pids+=("$BUS_PID")

read_ra() {
    gdbus call --session --timeout 60 --dest org.marrick.Teleon \
        --object-path /org/marrick/Teleon/Scope --method org.freedesktop.DBus.Properties.Get \
        org.marrick.Teleon.Scope RightAscension >/dev/null
}

miss=0
times=()
for run in $(seq "$runs"); do
    t0=$(date +%s%N)
    read_ra || { echo "bench_activation: run $run got no answer" >&2; exit 2; }
    ms=$((($(date +%s%N) - t0) / 1000000))
    times+=("$ms")
    echo "run $run: activation to the first answer of Scope.RightAscension: $ms ms"
    pid=$(owner_pid)
    if [ "$run" -lt "$runs" ]; then
        kill "$pid"
        while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
    fi
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
median=${sorted[$((${#sorted[@]} / 2))]}
worst=${sorted[-1]}
verdict=PASS; [ "$median" -le 2500 ] || { verdict=MISS; miss=1; }
echo "activation: median $median ms, worst $worst ms (goal: median <= 2500 ms) $verdict"

pid=$(owner_pid)
pids+=("$pid")
rss() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }
alone=$(rss "$pid")
for _ in $(seq 10); do
    /usr/bin/python3 - <<'PY' &
import dbus, time
bus = dbus.SessionBus()
util = bus.get_object("org.marrick.Teleon", "/org/marrick/Teleon/Util")
scope = bus.get_object("org.marrick.Teleon", "/org/marrick/Teleon/Scope")
scope.Get("org.marrick.Teleon.Scope", "RightAscension", dbus_interface="org.freedesktop.DBus.Properties")
util.NewCTHereAndNow(dbus_interface="org.marrick.Teleon.Util")
time.sleep(6)
PY
    pids+=($!)
done
sleep 4
with=$(rss "$pid")
echo "resident memory: $((alone / 1024)) MiB alone, $((with / 1024)) MiB with ten clients attached (+$(((with - alone))) KiB)"
wait "${pids[@]: -10}" 2>/dev/null
exit $miss
