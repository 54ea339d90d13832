#!/usr/bin/env python3
"""An outside LX-200 client against teleon-sim: the INDI "Standard LX200" driver.

Starts teleon-sim on a pseudo-terminal and indiserver with indi_lx200generic on a free TCP port,
connects the driver to the terminal with indi_setprop, and checks with indi_getprop that the
driver reads the telescope's position, site and clock, follows a go-to to its end and follows a
sync. Before and after the driver holds the line, the test asks the telescope itself (":GR#",
":GD#") where it points, so each reading of the driver is compared with the telescope's own.

Usage: indi_client_test.py <path of teleon-sim>
With TELEON_INDI_KEEP=1 the work folder (indiserver.log, the client's -vvv log) is kept.
Exit status: 0 passed, 1 failed, 77 skipped (the INDI tools are not installed).
"""

import ctypes
import datetime
import math
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import termios
import time
import tty

DEVICE = "Standard LX200"
DRIVER = "indi_lx200generic"
SKIP = 77
DEADLINE_S = 100  # the whole test, below the ctest time-out, so it always cleans up itself
STARTED = time.monotonic()


class Failure(Exception):
    pass


def log(text):
    print(text, flush=True)


def time_left():
    return DEADLINE_S - (time.monotonic() - STARTED)


def bounded(seconds):
    """A wait of at most seconds that also ends with the test's overall deadline."""
    return min(seconds, max(time_left(), 0.0))


# ---- Angles ---------------------------------------------------------------------------------


def hms(hours):
    total = round((hours % 24.0) * 3600)
    return "%02d:%02d:%02d" % (total // 3600 % 24, total // 60 % 60, total % 60)


def dms(degrees):
    total = round(abs(degrees) * 3600)
    return "%s%02d*%02d'%02d" % ("-" if degrees < 0 else "+", total // 3600, total // 60 % 60,
                                 total % 60)


def ra_gap_arcmin(a_hours, b_hours):
    """Separation of two right ascensions on the sky's hour circle, in arc-minutes of angle."""
    gap = (a_hours - b_hours + 12.0) % 24.0 - 12.0
    return abs(gap) * 15.0 * 60.0


def sky_gap_arcmin(ra1_hours, dec1_deg, ra2_hours, dec2_deg):
    """Angular distance between two points, in arc-minutes."""
    r1, d1 = math.radians(ra1_hours * 15.0), math.radians(dec1_deg)
    r2, d2 = math.radians(ra2_hours * 15.0), math.radians(dec2_deg)
    cos_gap = (math.sin(d1) * math.sin(d2) + math.cos(d1) * math.cos(d2) * math.cos(r1 - r2))
    return math.degrees(math.acos(max(-1.0, min(1.0, cos_gap)))) * 60.0


def local_sidereal_hours(utc, longitude_west_deg):
    """Mean sidereal time at a longitude (west positive), from the IAU 1982 GMST expression
    (accurate to about a second, far below the test's tolerance)."""
    j2000 = datetime.datetime(2000, 1, 1, 12, tzinfo=datetime.timezone.utc)
    days = (utc - j2000).total_seconds() / 86400.0
    gmst_hours = 18.697374558 + 24.06570982441908 * days
    return (gmst_hours - longitude_west_deg / 15.0) % 24.0


def altitude_deg(ra_hours, dec_deg, lst_hours, latitude_deg):
    ha = math.radians((lst_hours - ra_hours) * 15.0)
    lat, dec = math.radians(latitude_deg), math.radians(dec_deg)
    return math.degrees(
        math.asin(math.sin(lat) * math.sin(dec) + math.cos(lat) * math.cos(dec) * math.cos(ha)))


# ---- The telescope's own answers, straight from the terminal --------------------------------

# "HH:MM.T#" (low precision) or "HH:MM:SS#"
RA_REPLY = re.compile(rb"^(\d{2}):(\d{2})(?:\.(\d)|:(\d{2}))#$")
# "sDD<deg>MM#" or "sDD<deg>MM'SS#", the degree sign 0xDF or "*"; longitudes have three digits
ANGLE_REPLY = re.compile(rb"^([+-]?)(\d{2,3})[\xdf*](\d{2})(?:[:'](\d{2}))?#$")


def parse_ra_reply(reply):
    m = RA_REPLY.match(reply)
    if not m:
        raise Failure("the telescope answered :GR# with %r, not a right ascension" % reply)
    hours, minutes = int(m.group(1)), int(m.group(2))
    seconds = int(m.group(3)) * 6 if m.group(3) is not None else int(m.group(4))
    return hours + minutes / 60.0 + seconds / 3600.0


def parse_angle_reply(command, reply):
    m = ANGLE_REPLY.match(reply)
    if not m:
        raise Failure("the telescope answered %s with %r, not an angle" % (command, reply))
    value = int(m.group(2)) + int(m.group(3)) / 60.0 + int(m.group(4) or 0) / 3600.0
    return -value if m.group(1) == b"-" else value


def open_line(device):
    """The test's own line to the telescope, opened before the client's and kept open: a
    client that takes the terminal for exclusive use (TIOCEXCL, as serial programs do) keeps
    later openers out while the simulator holds the terminal, even after the client closes."""
    fd = os.open(device, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    tty.setraw(fd)
    return fd


def ask_telescope(fd, commands):
    """Sends each command on the line and returns the replies (each up to its "#"). Only while
    no client has the terminal: the line is not read otherwise."""
    tty.setraw(fd)  # the client may have set the terminal its way
    termios.tcflush(fd, termios.TCIOFLUSH)
    replies = []
    for command in commands:
        os.write(fd, command)
        reply = b""
        deadline = time.monotonic() + bounded(3.0)
        while not reply.endswith(b"#"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                raise Failure("the telescope did not answer %s (got %r)" %
                              (command.decode(), reply))
            reply += os.read(fd, 64)
        replies.append(reply)
    return replies


def telescope_position(fd):
    ra_reply, dec_reply = ask_telescope(fd, [b":GR#", b":GD#"])
    ra, dec = parse_ra_reply(ra_reply), parse_angle_reply(":GD#", dec_reply)
    log("  telescope itself: :GR# -> %r, :GD# -> %r  (RA %s, Dec %s)" %
        (ra_reply, dec_reply, hms(ra), dms(dec)))
    return ra, dec


# ---- Child processes ------------------------------------------------------------------------

LIBC = ctypes.CDLL(None, use_errno=True)
PR_SET_PDEATHSIG = 1


def die_with_parent():
    # A child outlives nothing: if this script is killed (a ctest time-out), its children get
    # SIGTERM from the kernel. indiserver's driver then sees its pipe close and exits too.
    LIBC.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class Children:

    def __init__(self):
        self.processes = []

    def start(self, args, **kwargs):
        try:
            process = subprocess.Popen(args, preexec_fn=die_with_parent, **kwargs)
        except OSError as e:
            raise Failure("cannot start %s: %s" % (args[0], e))
        self.processes.append(process)
        return process

    def stop_all(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
        for process in reversed(self.processes):
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait(timeout=5)


def free_tcp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("", 0))
        return s.getsockname()[1]


def start_simulator(children, sim_path, link, mode):
    process = children.start([sim_path, "--link", link, "--mode", mode],
                             stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT)
    line = b""
    deadline = time.monotonic() + bounded(10.0)
    while not line.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([process.stdout], [], [], left)[0]:
            raise Failure("teleon-sim did not say where it serves within 10 s (%r)" % line)
        chunk = os.read(process.stdout.fileno(), 256)
        if not chunk:
            raise Failure("teleon-sim ended at start (exit %s): %r" % (process.wait(), line))
        line += chunk
    log(line.decode().strip())
    if not os.path.exists(link):
        raise Failure("teleon-sim made no link at %s" % link)
    return process


# ---- The INDI client tools ------------------------------------------------------------------


class Indi:

    def __init__(self, port, server, server_log):
        self.port = port
        self.server = server
        self.server_log = server_log

    def _run(self, tool, args, timeout_s):
        try:
            return subprocess.run([tool, "-h", "127.0.0.1", "-p", str(self.port)] + args,
                                  capture_output=True,
                                  text=True,
                                  timeout=bounded(timeout_s) + 1.0)
        except subprocess.TimeoutExpired:
            raise Failure("%s %s did not return" % (tool, " ".join(args)))

    def get(self, *props, wait_s=2):
        """The values of device.property.element props, as a dict; a prop not found is missing
        from it. Without wildcards indi_getprop returns as soon as it has them all."""
        result = self._run("indi_getprop", ["-t", str(wait_s)] + list(props), wait_s + 3)
        values = {}
        for line in result.stdout.splitlines():
            name, _, value = line.partition("=")
            if name.startswith(DEVICE + "."):
                values[name[len(DEVICE) + 1:]] = value
        return values

    def set(self, prop):
        log("  indi_setprop \"%s\"" % prop)
        result = self._run("indi_setprop", [prop], 5)
        if result.returncode != 0:
            raise Failure("indi_setprop \"%s\" failed (exit %d): %s" %
                          (prop, result.returncode, result.stderr.strip()))

    def check_alive(self):
        if self.server.poll() is not None:
            raise Failure("indiserver ended (exit %s)" % self.server.returncode)

    def driver_messages(self):
        """The messages the driver sent its clients ("[ERROR] ...", "[DEBUG] CMD <...>")."""
        try:
            with open(self.server_log, encoding="utf-8", errors="replace") as f:
                text = f.read()
        except OSError:
            return []
        # indiserver -vvv logs each message twice (read from the driver, queued to clients).
        messages = []
        for m in re.finditer(r"read message %s +'(.*)'$" % re.escape(DEVICE), text, re.M):
            if not messages or messages[-1] != m.group(1):
                messages.append(m.group(1))
        return messages

    def coordinates(self):
        v = self.get(*(DEVICE + ".EQUATORIAL_EOD_COORD." + e for e in ("RA", "DEC", "_STATE")))
        try:
            return float(v["EQUATORIAL_EOD_COORD.RA"]), float(
                v["EQUATORIAL_EOD_COORD.DEC"]), v.get("EQUATORIAL_EOD_COORD._STATE", "?")
        except (KeyError, ValueError):
            raise Failure("the driver reports no EQUATORIAL_EOD_COORD (got %r)" % v)


def start_indiserver(children, home, log_path):
    """indiserver with the driver on a free port; a port taken in between is tried again."""
    for _ in range(3):
        port = free_tcp_port()
        log_file = open(log_path, "w")
        os.makedirs(home, exist_ok=True)
        env = dict(os.environ, HOME=home)
        server = children.start(["indiserver", "-vvv", "-p", str(port), DRIVER],
                                stdout=log_file,
                                stderr=subprocess.STDOUT,
                                env=env)
        log_file.close()
        indi = Indi(port, server, log_path)
        deadline = time.monotonic() + bounded(15.0)
        while time.monotonic() < deadline and server.poll() is None:
            if "CONNECTION.CONNECT" in indi.get(DEVICE + ".CONNECTION.CONNECT", wait_s=1):
                log("indiserver on port %d with %s (device \"%s\")" % (port, DRIVER, DEVICE))
                return indi
            time.sleep(0.2)
        if server.poll() is None:
            raise Failure("indiserver on port %d: device \"%s\" did not appear within 15 s" %
                          (port, DEVICE))
        log("indiserver on port %d ended (exit %s); trying another port" %
            (port, server.returncode))
    raise Failure("indiserver would not start")


def wait_for(what, seconds, probe, indi):
    """Calls probe() until it returns a true value; fails saying what did not happen, with the
    last thing probe() saw."""
    deadline = time.monotonic() + bounded(seconds)
    last = None
    while True:
        indi.check_alive()
        done, last = probe()
        if done:
            return last
        if time.monotonic() >= deadline:
            seen = last if last else "nothing (the driver did not answer indi_getprop)"
            why = " (the test's %d s ran out)" % DEADLINE_S if time_left() <= 0 else ""
            raise Failure("%s within %d s%s; last seen: %s" % (what, seconds, why, seen))
        time.sleep(0.5)


# ---- The test -------------------------------------------------------------------------------

POSITION_TOLERANCE_ARCMIN = 3.0


def run(sim_path, workdir):
    children = Children()
    indi = None
    line = None
    try:
        link = os.path.join(workdir, "telescope")
        start_simulator(children, sim_path, link, "A")
        line = open_line(link)

        # The telescope, freshly started, tracks the meridian's point on the equator: RA = local
        # sidereal time at its site, Dec 0.
        log("Before the client connects:")
        lat_reply, lon_reply = ask_telescope(line, [b":Gt#", b":Gg#"])
        site_lat = parse_angle_reply(":Gt#", lat_reply)
        site_lon_west = parse_angle_reply(":Gg#", lon_reply)
        log("  telescope itself: site latitude %r (%.4f), longitude %r (%.4f W)" %
            (lat_reply, site_lat, lon_reply, site_lon_west))
        start_ra, start_dec = telescope_position(line)
        lst = local_sidereal_hours(datetime.datetime.now(datetime.timezone.utc), site_lon_west)
        if ra_gap_arcmin(start_ra, lst) > 15.0 or abs(start_dec) > 1.0 / 60.0:  # 1 min of time
            raise Failure("the telescope starts at RA %s Dec %s, not at the local sidereal time "
                          "%s on the equator" % (hms(start_ra), dms(start_dec), hms(lst)))

        indi = start_indiserver(children, os.path.join(workdir, "home"),
                                os.path.join(workdir, "indiserver.log"))
        # Debug output first, so the log holds the driver's whole conversation.
        indi.set(DEVICE + ".DEBUG.ENABLE;DISABLE=On;Off")
        indi.set(DEVICE + ".DEBUG_LEVEL.DBG_DEBUG;DBG_EXTRA_1=On;On")
        indi.set(DEVICE + ".DEVICE_AUTO_SEARCH.INDI_ENABLED;INDI_DISABLED=Off;On")
        indi.set(DEVICE + ".DEVICE_PORT.PORT=" + link)
        indi.set(DEVICE + ".CONNECTION.CONNECT=On")

        def connected():
            v = indi.get(DEVICE + ".CONNECTION.CONNECT", DEVICE + ".CONNECTION._STATE")
            state = v.get("CONNECTION._STATE")
            if state == "Alert":
                raise Failure("the driver could not connect: CONNECTION became Alert")
            return v.get("CONNECTION.CONNECT") == "On" and state == "Ok", v

        wait_for("CONNECTION did not become On and Ok", 20, connected, indi)
        log("Connected.")

        # What the driver read from the telescope at connection.
        def position_polled():
            ra, dec, state = indi.coordinates()
            # Idle: the driver does not know yet that the telescope tracks (it learns that from
            # its own go-to); the numbers are read all the same.
            return state in ("Idle", "Ok") and (ra, dec) != (0.0, 0.0), (ra, dec, state)

        ra, dec, state = wait_for("EQUATORIAL_EOD_COORD did not report a position", 15,
                                  position_polled, indi)
        log("  client sees: RA %s Dec %s (%s)" % (hms(ra), dms(dec), state))
        gap = sky_gap_arcmin(ra, dec, start_ra, start_dec)
        # The telescope's own answer was low precision (tenths of a minute of time: 1.5').
        if gap > POSITION_TOLERANCE_ARCMIN:
            raise Failure("the client's position RA %s Dec %s is %.1f' from the telescope's own "
                          "RA %s Dec %s" % (hms(ra), dms(dec), gap, hms(start_ra), dms(start_dec)))

        site = indi.get(*(DEVICE + "." + p for p in ("GEOGRAPHIC_COORD.LAT",
                                                     "GEOGRAPHIC_COORD.LONG", "TIME_UTC.UTC",
                                                     "TIME_UTC.OFFSET")))
        log("  client sees: site %s, clock %s" % (
            {k: v for k, v in site.items() if k.startswith("GEO")},
            {k: v for k, v in site.items() if k.startswith("TIME")}))
        try:
            client_lat = float(site["GEOGRAPHIC_COORD.LAT"])
            client_lon = float(site["GEOGRAPHIC_COORD.LONG"])  # east positive, or 0..360
            client_utc = datetime.datetime.fromisoformat(
                site["TIME_UTC.UTC"]).replace(tzinfo=datetime.timezone.utc)
        except (KeyError, ValueError):
            raise Failure("the driver reports no GEOGRAPHIC_COORD or TIME_UTC (got %r)" % site)
        lon_gap = (client_lon + site_lon_west + 180.0) % 360.0 - 180.0
        if abs(client_lat - site_lat) > 1.0 / 60.0 or abs(lon_gap) > 1.0 / 60.0:
            raise Failure("the client reads the site as %.4f, %.4f; the telescope holds %.4f N, "
                          "%.4f W" % (client_lat, client_lon, site_lat, site_lon_west))
        clock_gap_s = abs(
            (client_utc - datetime.datetime.now(datetime.timezone.utc)).total_seconds())
        if clock_gap_s > 120:
            raise Failure("the client reads the telescope's clock as %s UTC, %d s off" %
                          (site["TIME_UTC.UTC"], clock_gap_s))

        # A go-to: an hour west of the meridian, 20 degrees north (high in the sky).
        target_ra, target_dec = (ra - 1.0) % 24.0, 20.0
        now_lst = local_sidereal_hours(datetime.datetime.now(datetime.timezone.utc), site_lon_west)
        log("Go-to RA %s Dec %s (altitude %.0f deg):" %
            (hms(target_ra), dms(target_dec),
             altitude_deg(target_ra, target_dec, now_lst, site_lat)))
        indi.set(DEVICE + ".ON_COORD_SET.TRACK;SLEW;SYNC=Off;On;Off")
        indi.set(DEVICE + ".EQUATORIAL_EOD_COORD.RA;DEC=%.6f;%.6f" % (target_ra, target_dec))
        seen = []

        def arrived():
            ra, dec, state = indi.coordinates()
            if state == "Alert":
                raise Failure("the go-to failed: EQUATORIAL_EOD_COORD became Alert at RA %s "
                              "Dec %s" % (hms(ra), dms(dec)))
            gap = sky_gap_arcmin(ra, dec, target_ra, target_dec)
            if not seen or seen[-1] != (ra, dec, state):
                log("  client sees: RA %s Dec %s (%s), %.1f' from the target" %
                    (hms(ra), dms(dec), state, gap))
            seen.append((ra, dec, state))
            return state == "Ok" and gap <= POSITION_TOLERANCE_ARCMIN, (ra, dec, state, gap)

        # Both axes at 4 deg/s (an alt-azimuth mount near the zenith turns far in azimuth), then
        # the driver's once-a-second poll: some 5 to 15 s.
        ra, dec, state, gap = wait_for(
            "EQUATORIAL_EOD_COORD did not become Ok within %.0f' of the target" %
            POSITION_TOLERANCE_ARCMIN, 40, arrived, indi)
        if not any(state == "Busy" for _, _, state in seen):
            raise Failure("the client never reported the go-to as Busy (states seen: %s)" %
                          sorted(set(state for _, _, state in seen)))

        # A sync to a nearby point: the telescope takes it as its position and the client's
        # coordinates follow.
        sync_ra, sync_dec = (target_ra + 0.1) % 24.0, 20.5
        log("Sync to RA %s Dec %s:" % (hms(sync_ra), dms(sync_dec)))
        indi.set(DEVICE + ".ON_COORD_SET.TRACK;SLEW;SYNC=Off;Off;On")
        indi.set(DEVICE + ".EQUATORIAL_EOD_COORD.RA;DEC=%.6f;%.6f" % (sync_ra, sync_dec))

        def synced():
            ra, dec, state = indi.coordinates()
            if state == "Alert":
                raise Failure("the sync failed: EQUATORIAL_EOD_COORD became Alert")
            gap = sky_gap_arcmin(ra, dec, sync_ra, sync_dec)
            log("  client sees: RA %s Dec %s (%s), %.1f' from the sync point" %
                (hms(ra), dms(dec), state, gap))
            return state == "Ok" and gap <= 1.0, (ra, dec, state, gap)

        wait_for("EQUATORIAL_EOD_COORD did not follow the sync (Ok within 1')", 15, synced, indi)
        # The driver shows the synced coordinates at once; two polls later they are the
        # telescope's own answers.
        time.sleep(bounded(2.5))
        ok, (ra, dec, state, gap) = synced()
        if not ok:
            raise Failure("two polls after the sync the client sees RA %s Dec %s (%s), %.1f' "
                          "from the sync point" % (hms(ra), dms(dec), state, gap))

        # The client lets go of the line; the telescope itself must hold the synced position.
        indi.set(DEVICE + ".CONNECTION.CONNECT;DISCONNECT=Off;On")

        def disconnected():
            v = indi.get(DEVICE + ".CONNECTION.DISCONNECT")
            return v.get("CONNECTION.DISCONNECT") == "On", v

        wait_for("CONNECTION did not become DISCONNECT", 10, disconnected, indi)
        log("After the client disconnected:")
        own_ra, own_dec = telescope_position(line)
        gap = sky_gap_arcmin(own_ra, own_dec, sync_ra, sync_dec)
        if gap > 1.0:
            raise Failure("after the sync the telescope itself points at RA %s Dec %s, %.1f' "
                          "from the sync point" % (hms(own_ra), dms(own_dec), gap))

        errors = [m for m in indi.driver_messages() if m.startswith("[ERROR]")]
        if errors:
            log("The driver reported (not fatal for it): %s" % "; ".join(errors))
        log("PASS: the INDI client connected, read the position, site and clock, "
            "slewed and synced.")
        return 0
    except Failure as failure:
        log("FAIL: %s" % failure)
        if indi is not None:
            messages = indi.driver_messages()
            log("The driver's last messages (of %d; whole log: indiserver -vvv):" % len(messages))
            for message in messages[-40:]:
                log("  " + message)
        return 1
    finally:
        if line is not None:
            os.close(line)
        children.stop_all()


def main():
    if len(sys.argv) != 2:
        print("usage: indi_client_test.py <path of teleon-sim>", file=sys.stderr)
        return 2
    missing = [t for t in ("indiserver", "indi_getprop", "indi_setprop", DRIVER)
               if shutil.which(t) is None]
    if missing:
        log("SKIP: not installed: %s (Debian package indi-bin)" % ", ".join(missing))
        return SKIP
    # Stopped from outside: report and leave through the finally blocks, which stop the children.
    def stopped(number, _frame):
        raise Failure("stopped by signal %d" % number)

    signal.signal(signal.SIGTERM, stopped)
    signal.signal(signal.SIGINT, stopped)
    workdir = tempfile.mkdtemp(prefix="teleon-indi-")
    try:
        return run(os.path.abspath(sys.argv[1]), workdir)
    finally:
        if os.environ.get("TELEON_INDI_KEEP"):
            log("Kept %s" % workdir)
        else:
            shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
