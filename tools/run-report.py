#!/usr/bin/python3
# tools/run-report.py EXE [ARGS]: run.sh's run, under wine-run.sh: runs the exe with a relay
# trace (build/run/trace.log), and says afterwards what it asked Windows for and as which
# release. On a private display no one watches, it stops the exe in its one-second pause, as the
# end-to-end driver does, and takes a screenshot of the notice (build/run/notice.png). Exits
# with the exe's exit code.
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, f"{ROOT}/tools")
from wine_calls import parse, reg, traced_run

FLAGS = {1: "EWX_SHUTDOWN", 2: "EWX_REBOOT", 4: "EWX_FORCE", 8: "EWX_POWEROFF"}
RELEASES = {"win98": "98", "nt40": "NT 4.0", "win2k": "2000", "winxp": "XP", "winxp64": "XP x64"}
CALLS = ["Sleep", "ExitWindowsEx", "InitiateSystemShutdownExW", "InitiateSystemShutdownW"]


def request(call):  # the call as its documentation names its arguments
    name, args = re.match(r"(\w+)\((.*)\)", call).groups()
    values = [int(a, 16) & 0xFFFFFFFF for a in re.findall(r"\b[0-9a-f]+\b", args)]
    if name != "ExitWindowsEx":
        return call
    flags = " | ".join(n for bit, n in FLAGS.items() if values[0] & bit) or "EWX_LOGOFF"
    return f"ExitWindowsEx(flags {values[0]} = {flags}, reason 0x{values[1]:08X})"


def main():
    out, release = f"{ROOT}/build/run", os.environ.get("WINEVERSION", "win10")
    os.makedirs(out, exist_ok=True)
    reg(r"HKCU\Software\Wine\Debug", "RelayInclude", ";".join(CALLS))
    environment = dict(os.environ, WINEDEBUG="+relay,+loaddll")
    shot = "XVFB_PID" in os.environ and f"{out}/notice.png"  # wine-run.sh's own display
    if shot and os.path.exists(shot):
        os.remove(shot)
    with open(f"{out}/trace.log", "w") as log:
        # On the user's own display a box waits for them; on a private one no one can answer it.
        limit = 60 if shot else None
        code, _ = traced_run(
            sys.argv[1:], log, "endnow.exe", shot, "Sleep", environment, timeout=limit
        )
    asked = [request(c) for c in parse(log.name, "endnow.exe") if c.split("(")[0] in CALLS[1:]]
    played = f"Windows {RELEASES.get(release, release.removeprefix('win'))} ({release})"
    print(f"it asked Windows, as {played}: {'; '.join(asked) or 'nothing'}")
    if shot and os.path.exists(shot):
        print(f"the notice, during its pause: {os.path.relpath(shot)}")
    if code is None:
        print(f"it did not end within {limit} s, on a display no one sees: ended")
    return 3 if code is None else code


if __name__ == "__main__":
    sys.exit(main())
