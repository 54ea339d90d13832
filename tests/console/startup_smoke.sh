#!/usr/bin/env bash
# The real program on a real X display: it starts with a fresh configuration, seeds the store,
# shows its main window, and ends when asked. Needs DISPLAY (the test command runs under Xvfb).
set -u
program=$1
if [ -z "${DISPLAY:-}" ]; then
    echo "startup_smoke: no DISPLAY; run the tests under xvfb-run" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" DBUS_SESSION_BUS_ADDRESS=disabled: \
    QT_QPA_PLATFORM=xcb "$program" >"$work/log" 2>&1 &
pid=$!
shown=0
for _ in $(seq 1 200); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"LX-200 Vantor"'; then
        shown=1
        break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
if [ "$shown" != 1 ]; then
    echo "startup_smoke: the main window did not appear" >&2
    cat "$work/log" >&2
    exit 1
fi
if ! grep -q '^ComPort=Simulator' "$work/config/Marrick/Teleon.ini"; then
    echo "startup_smoke: the configuration store was not seeded" >&2
    exit 1
fi
kill -TERM "$pid"
wait "$pid" 2>/dev/null
echo "startup_smoke: main window shown, store seeded"
