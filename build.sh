#!/usr/bin/env bash
# Teleon's one entry point for a fresh Debian 12 machine.
#   ./build.sh run    install the packages, build, and run Teleon against the built-in simulator
#   ./build.sh test   install the packages, build, and run every test
# Packages are installed with apt-get (through sudo when not root). BUILD_DIR overrides ./build.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${BUILD_DIR:-$here/build}
what=${1:-}

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev libgmock-dev liberfa-dev
    locales xvfb x11-utils xauth python3 indi-bin
    dbus-daemon dbus-bin libglib2.0-bin python3-dbus
    qt6-declarative-dev pybind11-dev python3-dev
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

install_packages() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}"
    fi
    # The number-format tests need a locale whose decimal mark is a comma.
    if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
        as_root sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        as_root locale-gen >/dev/null
    fi
}

configure_and_build() {
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j "$(nproc)"
}

case "$what" in
run)
    install_packages
    configure_and_build
    # Let D-Bus clients of this user start this build (no root needed): the session bus reads
    # service files from $XDG_DATA_HOME/dbus-1/services.
    services=${XDG_DATA_HOME:-$HOME/.local/share}/dbus-1/services
    mkdir -p "$services"
    cp "$build/src/org.marrick.Teleon.service" "$services/"
    # The store's default port is the built-in simulator; a display is needed for the window.
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display: starting Teleon under Xvfb (screen :55)." >&2
        exec xvfb-run -n 55 -s "-screen 0 1280x1024x24" "$build/src/teleon"
    fi
    exec "$build/src/teleon"
    ;;
test)
    install_packages
    configure_and_build
    export QT_QPA_PLATFORM=offscreen
    export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
    chmod 700 "$XDG_RUNTIME_DIR"
    # No shared session bus: the D-Bus tests start private buses of their own.
    export DBUS_SESSION_BUS_ADDRESS=disabled:
    # The start-up test runs the real program on a virtual X display.
    exec xvfb-run -a -s "-screen 0 1280x1024x24" \
        ctest --test-dir "$build" --output-on-failure -j 2 --timeout 300
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
