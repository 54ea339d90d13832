#!/usr/bin/env bash
# Teleon started by a D-Bus call: a private session bus whose service folder names the built
# program, a fresh configuration store (the built-in simulator), and no Teleon running. A gdbus
# call must start the program and be answered; a Python client then drives the telescope to
# M 31 and sweeps every member with bad input; a second start of the program hands over to the
# running one and exits.
set -euo pipefail
teleon=$1
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
bus_pid=
cleanup() {
    [ -n "${teleon_pid:-}" ] && kill "$teleon_pid" 2>/dev/null || true
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

. "$here/../support/private_bus.sh"
start_private_bus "$tmp" "$teleon"
bus_pid=$BUS_PID

start=$(date +%s%N)
gdbus call --session --timeout 60 --dest org.marrick.Teleon \
    --object-path /org/marrick/Teleon/Scope \
    --method org.freedesktop.DBus.Properties.Get org.marrick.Teleon.Scope RightAscension
echo "activation to the first answer: $((($(date +%s%N) - start) / 1000000)) ms"
teleon_pid=$(owner_pid)

/usr/bin/python3 "$here/drive_over_bus.py" drive
# The README's Python example, as it stands.
sed -n '/^From Python/,/^###/p' "$here/../../README.md" | sed -n 's/^    //p' >"$tmp/example.py"
/usr/bin/python3 "$tmp/example.py" | tail -n 1 | grep -q '^M31'
# A script file loaded and run by a client, and one that fails with its place.
/usr/bin/python3 "$here/drive_over_bus.py" script "$tmp"
# Last, as it leaves the telescope in whatever state its extreme values set (high precision on).
/usr/bin/python3 "$here/drive_over_bus.py" sweep

# A second start while one runs must not open the port again: it hands over and exits.
timeout 20 "$teleon"
kill -0 "$teleon_pid"
echo "second start handed over to process $teleon_pid"
