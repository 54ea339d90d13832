# Sourced by scripts that start Teleon through D-Bus: start_private_bus DIR PROGRAM starts a
# private session bus whose service folder (DIR/services) names PROGRAM for org.marrick.Teleon,
# gives the started program a configuration store of its own (DIR/config, so the built-in
# simulator), and exports DBUS_SESSION_BUS_ADDRESS. The daemon's process id is in BUS_PID.
# owner_pid prints the process id of the program that owns the name.
start_private_bus() {
    local dir=$1 program=$2
    mkdir -p "$dir/services" "$dir/config"
    printf '[D-BUS Service]\nName=org.marrick.Teleon\nExec=%s\n' "$program" \
        >"$dir/services/org.marrick.Teleon.service"
    cat >"$dir/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$dir</listen>
  <servicedir>$dir/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    # The started program inherits the bus's environment: the display, its own store.
    export XDG_CONFIG_HOME=$dir/config
    if [ -n "${DISPLAY:-}" ]; then unset QT_QPA_PLATFORM; fi
    dbus-daemon --config-file="$dir/session.conf" --nofork --print-address=3 3>"$dir/address" &
    BUS_PID=$!
    for _ in $(seq 50); do [ -s "$dir/address" ] && break; sleep 0.1; done
    DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$dir/address")
    export DBUS_SESSION_BUS_ADDRESS
}

owner_pid() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.GetConnectionUnixProcessID org.marrick.Teleon 2>/dev/null |
        tr -dc '0-9 ' | awk '{print $NF}'
}
