#!/usr/bin/python3
"""A client of Teleon on the session bus, as a planetarium program would be one.

drive   select M 31, slew to it, and check that the telescope points within 1' of it
sweep   call every member of every object with wrong types and extreme values: each call must
        get an answer (wrong types an error), and the program must still answer afterwards
"""
import math
import sys
import time
import xml.etree.ElementTree as ET

import dbus

NAME = "org.marrick.Teleon"
ROOT = "/org/marrick/Teleon"
bus = dbus.SessionBus()


def proxy(obj):
    return bus.get_object(NAME, ROOT + "/" + obj)


def get(obj, prop):
    return proxy(obj).Get(NAME + "." + obj, prop,
                          dbus_interface="org.freedesktop.DBus.Properties")


def fail(text):
    print("FAIL:", text)
    sys.exit(1)


def drive():
    scope = dbus.Interface(proxy("Scope"), NAME + ".Scope")
    try:
        scope.SelectObject("M ")
        fail("a blank Messier number was accepted")
    except dbus.exceptions.DBusException as e:
        if e.get_dbus_name() != NAME + ".Error.SelectObjectFailed":
            fail("unexpected error " + e.get_dbus_name())
    if not scope.SelectObject("M 31"):
        fail("M 31 not selected")
    info = get("Scope", "ObjectInformation")
    if not str(info).startswith("M31"):
        fail("object information " + str(info))
    ra_target = float(get("Scope", "ObjectRightAscension"))
    dec_target = float(get("Scope", "ObjectDeclination"))
    scope.SlewToCurrentObject(timeout=300)
    ra = float(get("Scope", "RightAscension"))
    dec = float(get("Scope", "Declination"))
    d_ra = (ra - ra_target) * 15 * math.cos(math.radians(dec_target)) * 60
    d_dec = (dec - dec_target) * 60
    off = math.hypot(d_ra, d_dec)
    print(f"M 31 at RA {ra_target:.5f} h Dec {dec_target:.4f} deg; scope at RA {ra:.5f} h "
          f"Dec {dec:.4f} deg; {off:.2f}' away")
    if off > 1.0:
        fail("the telescope is more than 1' from M 31")


DEFAULT = {"n": 0, "i": 0, "d": 0.0, "b": False, "s": ""}
WRONG = {"n": ["x", 1.5], "i": ["x", 2.5], "d": ["x", True], "b": ["x", 2.5], "s": [7, 2.5]}
EXTREME = {
    "n": [dbus.Int16(-32768), dbus.Int16(32767), dbus.Int64(1 << 40)],
    "i": [dbus.Int32(-2 ** 31), dbus.Int32(2 ** 31 - 1), dbus.Int64(1 << 40)],
    "d": [float("nan"), float("inf"), float("-inf"), 1e308, -1e308],
    "b": [True],
    "s": ["", "\x01#:Q#", "x" * (1 << 20)],
}
# Members that would move the telescope or wait for as long as asked, or show a message box to the
# user at the telescope, are swept for types only.
TYPES_ONLY = {"SlewToCurrentObject", "SlewToPosition", "SlewByOffset", "Slew", "FindFirstObject",
              "SyncPosition", "SyncPos", "SyncToPos", "SetLoc", "WaitForMilliseconds", "WaitFor",
              "WaitUntil", "alert", "confirm", "prompt"}


def signature_of(value):
    if isinstance(value, bool):
        return "b"
    return "i" if isinstance(value, int) else "d" if isinstance(value, float) else "s"


def typed(sig, value):
    return {"n": dbus.Int16, "i": dbus.Int32, "d": dbus.Double, "b": dbus.Boolean,
            "s": dbus.String}[sig](value) if not isinstance(value, dbus.Int64) else value


def call(obj, iface, member, args, sig):
    method = proxy(obj).get_dbus_method(member, iface)
    t0 = time.monotonic()
    try:
        method(*args, signature=sig, timeout=60)
        return None
    except dbus.exceptions.DBusException as e:
        return e.get_dbus_name()
    finally:
        if time.monotonic() - t0 > 2:
            shown = [a if not isinstance(a, str) or len(a) < 20 else a[:8] + "..." for a in args]
            print(f"slow: {obj}.{member}{tuple(shown)} took {time.monotonic() - t0:.1f} s",
                  flush=True)


def sweep():
    calls = errors = 0
    for obj in ("Scope", "Util", "IPlanetarium"):
        xml = proxy(obj).Introspect(dbus_interface="org.freedesktop.DBus.Introspectable")
        iface = next(i for i in ET.fromstring(xml).iter("interface")
                     if i.get("name") == NAME + "." + obj)
        for m in iface.iter("method"):
            ins = [a.get("type") for a in m.iter("arg") if a.get("direction", "in") == "in"]
            name = m.get("name")
            for k, sig in enumerate(ins):
                for bad in WRONG[sig]:
                    args = [DEFAULT[s] for s in ins]
                    args[k] = bad
                    wrong_sig = "".join(signature_of(a) for a in args)
                    calls += 1
                    if call(obj, iface.get("name"), name, args, wrong_sig) is None:
                        fail(f"{obj}.{name} accepted {wrong_sig} for {''.join(ins)}")
                    errors += 1
                if name in TYPES_ONLY:
                    continue
                for value in EXTREME[sig]:
                    args = [typed(s, DEFAULT[s]) for s in ins]
                    args[k] = value
                    sig_now = "".join("x" if isinstance(a, dbus.Int64) else s
                                      for a, s in zip(args, ins))
                    calls += 1
                    if call(obj, iface.get("name"), name, args, sig_now):
                        errors += 1
        for p in iface.iter("property"):
            sig, name = p.get("type"), p.get("name")
            values = WRONG.get(sig, []) + (EXTREME.get(sig, []) if "write" in p.get("access")
                                           else [])
            for value in values:
                calls += 1
                try:
                    proxy(obj).Set(iface.get("name"), name, value,
                                   dbus_interface="org.freedesktop.DBus.Properties", timeout=60)
                except dbus.exceptions.DBusException:
                    errors += 1
    # Still answering, with the telescope still there.
    get("Scope", "RightAscension")
    print(f"sweep: {calls} calls, {errors} error replies, the program still answers")


def script(folder):
    """Load and run a script that works, then one whose main fails at a known place."""
    import os
    util = dbus.Interface(proxy("Util"), NAME + ".Util")
    good, bad = os.path.join(folder, "good.js"), os.path.join(folder, "bad.pys")
    with open(good, "w") as f:
        f.write("function main() { Console.PrintLine(Scope.ObjectInformation); }\n")
    with open(bad, "w") as f:
        f.write("def main():\n    x = 1\n    return x / 0\n")
    util.LoadScript(good)
    util.RunScript(timeout=120)
    util.LoadScript(bad)
    if get("Util", "ScriptLanguage") != "Python":
        fail("the .pys file did not select Python")
    try:
        util.RunScript(timeout=120)
        fail("a failing script was reported as success")
    except dbus.exceptions.DBusException as e:
        text = e.get_dbus_message()
        if e.get_dbus_name() != NAME + ".Error.ScriptError" or "at line 3 col " not in text:
            fail("unexpected script error " + e.get_dbus_name() + ": " + text)
        print("failing script:", text.replace("\r\n", " | "))


if __name__ == "__main__":
    {"drive": drive, "sweep": sweep, "script": script}[sys.argv[1]](*sys.argv[2:])
