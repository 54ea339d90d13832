#!/usr/bin/env python3
"""An outside LX-200 client against teleon-sim: the INDI "Standard LX200" driver connects to the
simulator's pseudo-terminal, reads the position, slews and syncs, while the simulator's control
channel ("status") tells where the telescope itself points.
Usage: indi_client_test.py <path of teleon-sim>. Exit 0 passed, 1 failed, 77 skipped (no indi-bin).
"""

import ctypes, math, os, re, shutil, signal, socket, subprocess, sys, tempfile, time

DEVICE = "Standard LX200"
COORD = DEVICE + ".EQUATORIAL_EOD_COORD"
TOOLS = ("indiserver", "indi_getprop", "indi_setprop", "indi_lx200generic")


class Failure(Exception):
    pass


def sexagesimal(text):
    """ "HH:MM:SS" or "sDD*MM'SS" as a number."""
    fields = [int(f) for f in re.findall(r"\d+", text)] + [0, 0]
    value = fields[0] + fields[1] / 60.0 + fields[2] / 3600.0
    return -value if text.startswith("-") else value


def gap_arcmin(ra1_hours, dec1_deg, ra2_hours, dec2_deg):
    r1, d1, r2, d2 = (math.radians(v) for v in (ra1_hours * 15, dec1_deg, ra2_hours * 15, dec2_deg))
    cos_gap = math.sin(d1) * math.sin(d2) + math.cos(d1) * math.cos(d2) * math.cos(r1 - r2)
    return math.degrees(math.acos(max(-1.0, min(1.0, cos_gap)))) * 60.0


def wait_until(what, seconds, probe):
    """Calls probe() until it returns (True, seen); fails with what did not happen."""
    deadline = time.monotonic() + seconds
    while not (result := probe())[0]:
        if time.monotonic() > deadline:
            raise Failure("%s within %d s; last seen: %s" % (what, seconds, result[1]))
        time.sleep(0.5)


def start(args, **kwargs):
    # A child that outlives this script (a ctest time-out) gets SIGTERM (PR_SET_PDEATHSIG).
    return subprocess.Popen(args, preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGTERM),
                            **kwargs)


def run(sim_path, work, children):
    link, control = os.path.join(work, "lx200"), os.path.join(work, "control")
    children.append(start([sim_path, "--link", link, "--control", control, "--fast"]))
    wait_until("teleon-sim made no control socket", 10, lambda: (os.path.exists(control), None))
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = str(s.getsockname()[1])
    with open(os.path.join(work, "indiserver.log"), "w") as log:
        children.append(start(["indiserver", "-v", "-p", port, TOOLS[3]], stdout=log,
                              stderr=subprocess.STDOUT, env=dict(os.environ, HOME=work)))

    def status():  # the telescope's own word
        with socket.socket(socket.AF_UNIX) as s:
            s.settimeout(5)
            s.connect(control)
            s.sendall(b"status\n")
            text = b""
            while not text.endswith(b"ok\n") and (chunk := s.recv(4096)):
                text += chunk
        return dict(re.findall(r"^(\S+) (.*)$", text.decode("latin-1"), re.M))

    def telescope_at(ra, dec):
        now = status()
        gap = gap_arcmin(sexagesimal(now["ra"]), sexagesimal(now["dec"]), ra, dec)
        return gap <= 1.0 and now["slewing"] == "no", now

    def get(*props):
        out = subprocess.run(["indi_getprop", "-p", port, "-t", "2"] + list(props),
                             capture_output=True, text=True, timeout=10).stdout
        return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)

    def put(prop):
        done = subprocess.run(["indi_setprop", "-p", port, DEVICE + "." + prop],
                              capture_output=True, text=True, timeout=10)
        if done.returncode != 0:
            raise Failure("indi_setprop %s: %s" % (prop, done.stderr.strip()))

    def client_at(ra, dec, tolerance_arcmin, states=("Ok",)):
        v = get(COORD + ".RA", COORD + ".DEC", COORD + "._STATE")
        if v.get(COORD + "._STATE") == "Alert":
            raise Failure("the driver reports EQUATORIAL_EOD_COORD Alert: %s" % v)
        if v.get(COORD + "._STATE") not in states:
            return False, v
        return gap_arcmin(float(v[COORD + ".RA"]), float(v[COORD + ".DEC"]), ra,
                          dec) <= tolerance_arcmin, v

    ra, dec = sexagesimal(status()["ra"]), sexagesimal(status()["dec"])
    connect = DEVICE + ".CONNECTION.CONNECT"
    wait_until("the driver did not appear", 15, lambda: (connect in (v := get(connect)), v))
    put("DEVICE_AUTO_SEARCH.INDI_ENABLED;INDI_DISABLED=Off;On")
    put("DEVICE_PORT.PORT=" + link)
    put("CONNECTION.CONNECT=On")
    state = DEVICE + ".CONNECTION._STATE"
    wait_until("the driver did not connect", 20, lambda: ((v := get(state)) == {state: "Ok"}, v))
    # Idle: the driver learns that the telescope tracks from its own go-to. The short position
    # form it reads first is good to 1.5'.
    wait_until("the driver did not read the position", 15,
               lambda: client_at(ra, dec, 3, ("Idle", "Ok")))

    for mode, (ra, dec), tolerance in (("Off;On;Off", ((ra - 1.0) % 24.0, 20.0), 3),  # go-to
                                       ("Off;Off;On", ((ra - 0.9) % 24.0, 20.5), 1)):  # sync
        action = "slew" if mode == "Off;On;Off" else "sync"
        put("ON_COORD_SET.TRACK;SLEW;SYNC=" + mode)
        put("EQUATORIAL_EOD_COORD.RA;DEC=%.6f;%.6f" % (ra, dec))
        wait_until("the telescope did not %s" % action, 30, lambda: telescope_at(ra, dec))
        wait_until("the driver did not follow the %s" % action, 15,
                   lambda: client_at(ra, dec, tolerance))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: indi_client_test.py <path of teleon-sim>")
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    if missing:
        print("SKIP: not installed: %s (Debian package indi-bin)" % ", ".join(missing))
        return 77
    children = []
    with tempfile.TemporaryDirectory(prefix="teleon-indi-") as work:
        try:
            run(os.path.abspath(sys.argv[1]), work, children)
            print("PASS: the INDI client connected, read the position, slewed and synced.")
            return 0
        except (Failure, OSError, subprocess.SubprocessError, KeyError, ValueError) as failure:
            print("FAIL: %s" % failure)
            log = os.path.join(work, "indiserver.log")
            if os.path.exists(log):
                with open(log, errors="replace") as f:
                    print("indiserver's log ends:\n" + "".join(f.readlines()[-30:]))
            return 1
        finally:
            for child in reversed(children):
                child.terminate()
                child.wait(timeout=5)


if __name__ == "__main__":
    sys.exit(main())
