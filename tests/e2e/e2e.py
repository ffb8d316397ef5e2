"""The real executable under Wine, as users and scripts meet it. Each case sets
the release Wine plays and the screen's resolution, runs the exe with a relay
trace, takes a screenshot during its one-second pause, and checks the request,
its timing, the privilege steps and what the screen shows. Then a refused
request: the numbered error over the notice, and exit code 1.

    e2e.py EXE win32|win64      (run by e2e.sh, which sets up Wine and the display)
"""
import os
import re
import shutil
import subprocess
import sys
import time

EXE, WIN64 = sys.argv[1], sys.argv[2] == "win64"
WINE, TOOL = os.environ["WINE"], os.environ["WINETOOL"]
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../build/e2e", "win64" if WIN64 else "win32")
OWN_PATH = r"C:\Program Files\EndNow\endnow.exe"
RELAY = ("ExitWindowsEx;LookupPrivilegeValueA;OpenProcessToken;AdjustTokenPrivileges;MessageBoxA;CreateWindowExA;"
         "ShowWindow;DestroyWindow;CreateFontA;SetTextColor;GetTextExtentPoint32W")
# release, the version Wine then gives the exe, dpi, arguments, expected flags, caption
CASES = [("win98", "4.10 platform 1", 96, "", 2, "ReBoot !"), ("win98", "4.10 platform 1", 96, "/L", 0, "LogOff !"),
         ("win98", "4.10 platform 1", 96, "/S", 1, "ShutDown !"), ("win98", "4.10 platform 1", 96, "shutdown", 0, None),
         ("win2k", "5.0 platform 2", 96, "/S", 8, "ShutDown !"), ("win2k", "5.0 platform 2", 96, "/p", 8, "ShutDown !"),
         ("winxp", "5.1 platform 2", 96, "/S", 1, "ShutDown !"), ("winxp", "5.1 platform 2", 96, "s l", 0, "LogOff !"),
         ("win7", "6.1 platform 2", 96, "/x", 0, None), ("win7", "6.1 platform 2", 144, "/S", 8, "ShutDown !"),
         # Started as a Run key starts it: its path unquoted, with spaces.
         ("win7", "6.1 platform 2", 96, OWN_PATH, 2, "ReBoot !"), ("win7", "6.1 platform 2", 96, OWN_PATH + " /L", 0, "LogOff !")]
if WIN64:  # 64-bit Windows began with XP x64, 5.2, which no release test names: it powers off.
    CASES = [("winxp64", "5.2 platform 2", 96, "/S", 8, "ShutDown !"), ("winxp64", "5.2 platform 2", 96, "/l", 0, "LogOff !"),
             ("win7", "6.1 platform 2", 96, "", 2, "ReBoot !"), ("win7", "6.1 platform 2", 96, "/x", 0, None)]
passed = failed = 0


def check(what, condition):
    global passed, failed
    passed, failed = passed + bool(condition), failed + (not condition)
    print(("ok   - " if condition else "FAIL - ") + what)


def reg(key, name, kind, value):
    subprocess.run([TOOL, "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f"], capture_output=True)


def run(name, command, image="endnow.exe", wait_for="ShowWindow"):
    """Runs command traced; a screenshot once the exe has called wait_for. (exit code, parsed trace, screen)"""
    trace, shot = f"{OUT}/{name}.log", f"{OUT}/{name}.png"
    env = dict(os.environ, WINEDEBUG="+relay,+timestamp,+loaddll,+ver")
    with open(trace, "w") as log:
        process = subprocess.Popen([WINE] + command, stderr=log, env=env)
        for _ in range(1200):
            if process.poll() is not None or first(parse(open(trace, errors="replace").read(), image)[2], wait_for)[1]:
                break
            time.sleep(0.05)
        time.sleep(0.4)  # shown and drawn; the request is still more than half a second away
        subprocess.run(["import", "-window", "root", shot])
        for _ in range(40 if wait_for == "MessageBoxA" else 0):  # dismissed as a user would, with the Enter key
            if process.poll() is None and not subprocess.run(["xdotool", "search", "--name", "^tool$"], capture_output=True).returncode:
                subprocess.run(["xdotool", "key", "Return"])
            time.sleep(0.5)
        code = process.wait(timeout=300)
    return code, parse(open(trace, errors="replace").read(), image), screen(shot)


def parse(text, image):
    """The exe's release, load time and calls [(seconds, call)] from its own thread."""
    loaded = re.search(r"^([0-9.]+):([0-9a-f]+):trace:loaddll:build_module Loaded L\".*\\\\%s\" at" % image, text, re.M)
    if not loaded:
        return None, 0.0, []
    thread = loaded[2]
    release = re.search(rf"^[0-9.]+:{thread}:trace:ver:version_init got (\S+ platform \d+)", text, re.M)
    calls = re.findall(rf"^([0-9.]+):{thread}:Call \S+?\.(\w+\(.*\)) ret=\w+$", text, re.M)
    return release and release[1], float(loaded[1]), [(float(t), c) for t, c in calls]


def screen(shot):
    data = subprocess.run(["convert", shot, "-depth", "8", "rgb:-"], capture_output=True).stdout
    return lambda x, y: tuple(data[(y * 1024 + x) * 3:(y * 1024 + x) * 3 + 3])


def low(value):
    """A relay trace argument whose low 32 bits are value: 64-bit Wine shows the whole register."""
    return rf"\w*{value & 0xFFFFFFFF:08x}"


def first(calls, pattern):
    return next(((t, c) for t, c in calls if re.match(pattern, c)), (None, ""))


def count(at, colour, x0, y0, w, h):
    return [x for x in range(x0, x0 + w) for y in range(y0, y0 + h) if at(x, y) == colour]


def notice(label, at, dpi):
    """The notice centred on the 1024 x 768 screen: banded, framed, white text. The status label's left edge."""
    w, h = round(6300 * dpi / 1440), round(2145 * dpi / 1440)  # halves to even, as the layout rounds
    x, y, s = (1024 - w) // 2, (768 - h) // 2, dpi / 96
    check(f"{label}: {w} x {h} notice, black at its right corners, framed",
          at(x + w - 1, y + h - 1) == at(x + w - 1, y) == (0, 0, 0) != at(x + w, y + h - 1) and at(x + w - 1, y + h) != (0, 0, 0))
    if dpi == 96:
        check(f"{label}: top-left band blue 142", len(count(at, (0, 0, 142), x, y, 136, 1)) >= 100)
    words = count(at, (255, 255, 255), x, y, w, int(60 * s))
    check(f"{label}: white 'Windows will now' ({len(words)} pixels)", len(words) >= 500)
    return min(count(at, (255, 255, 255), x, y + int(76 * s), w, int(50 * s)), default=None)


def request_case(release, version, dpi, args, flags, caption):
    global screen_dpi
    label = f"{release} {dpi} dpi '{args}'"
    reg(r"HKCU\Software\Wine", "Version", "REG_SZ", release)
    if dpi != screen_dpi:
        reg(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", str(dpi))
        subprocess.run(["wineserver", "-w"])  # read afresh by the next Wine session
        screen_dpi = dpi
    command = [EXE] + args.split()
    if args.startswith(OWN_PATH):
        os.makedirs(os.path.dirname(own := os.environ["WINEPREFIX"] + "/drive_c/Program Files/EndNow/endnow.exe"), exist_ok=True)
        shutil.copy(EXE, own)
        command = [os.path.dirname(EXE) + "/tests/launch.exe", OWN_PATH] + args[len(OWN_PATH):].split()
    name = re.sub(r"\W+", "_", label)
    code, (seen, started, calls), at = run(name, command)
    check(f"{label}: exit code 0 (got {code}); the exe saw {version} (got {seen})", code == 0 and seen == version)
    asked, request = first(calls, r"ExitWindowsEx\(")
    requests = [c for _, c in calls if c.startswith("ExitWindowsEx(")]
    check(f"{label}: one ExitWindowsEx({flags},ffffffff) ({requests})",
          len(requests) == 1 and re.match(rf"ExitWindowsEx\({low(flags)},{low(-1)}\)", request))
    check(f"{label}: no error shown", not first(calls, "MessageBoxA")[1])
    shown, gone = first(calls, r"ShowWindow\(")[0], first(calls, r"DestroyWindow\(")[0]
    check(f"{label}: shown, asked at least 1 s later, then gone ({started} {shown} {asked} {gone})",
          None not in (shown, asked, gone) and started <= shown <= asked - 1.0 < gone - 1.0)
    before = [(t, c) for t, c in calls if asked and t <= asked]
    privilege = [first(before, p)[1] for p in (rf'LookupPrivilegeValueA\({low(0)},\w+ "SeShutdownPrivilege"',
                                               rf"OpenProcessToken\(\w+,{low(0x28)},", rf"AdjustTokenPrivileges\(\w+,{low(0)},\w+,{low(16)},")]
    nt = version.endswith("2")
    check(f"{label}: privilege enabled first: {'on NT' if nt else 'not on 9x'}", all(privilege) if nt else
          not any(re.match("LookupPriv|OpenProcessToken|AdjustToken", c) for _, c in calls))
    height = -round(36 * dpi / 72)
    check(f"{label}: Comic Sans MS, 36 pt ({height}), bold, italic, in white", first(
        calls, rf'CreateFontA\({low(height)},{low(0)},{low(0)},{low(0)},{low(700)},{low(1)},.*"Comic Sans MS"\)')[1]
          and first(calls, rf"SetTextColor\(\w+,{low(0xFFFFFF)}\)")[1])
    measured = re.findall(r'GetTextExtentPoint32W\(\w+,\w+ L"([^"]*)"', " ".join(c for _, c in calls))
    check(f"{label}: caption {caption!r} (measured {measured})", measured == ([caption] if caption else []))
    left = notice(label, at, dpi)
    check(f"{label}: {'a' if caption else 'no'} white caption below ({left})", (left is not None) == bool(caption))
    return left, f"{OUT}/{name}.png"


def refused_request():
    """Wine hands the end of a session to wineboot, and fails when it cannot start it."""
    reg(r"HKCU\Software\Wine", "Version", "REG_SZ", "winxp")
    subprocess.run([TOOL, "cmd", "/c", "exit"], capture_output=True)  # the desktop, started by wineboot
    tool = f"{OUT}/tool.exe"
    shutil.copy(EXE, tool)
    hidden = [f for d in ("system32", "syswow64") if os.path.exists(f := f"{os.environ['WINEPREFIX']}/drive_c/windows/{d}/wineboot.exe")]
    try:
        for f in hidden:
            os.rename(f, f + ".away")
        code, (_, _, calls), at = run("refused", [tool, "/S"], "tool.exe", "MessageBoxA")
    finally:
        for f in hidden:
            os.rename(f + ".away", f)
    refused = first(calls, r"ExitWindowsEx\(")[0]
    shown, box = first(calls, r"MessageBoxA\(")
    print("     " + box)
    check("refused: the numbered error, under the running name, with the system's text",
          refused and shown and re.search(r'"Error -2147219925 \(0x8004062B\) in tool\.mShutDown\\r\\n\\r\\n'
                                          r'ShutdownSystem failed: [^"\\]+\\r\\n"', box))
    check("refused: titled with the program's name, error icon", re.search(r',\w+ "tool",0*10010\)', box))
    check("refused: the box covers the notice's centre, the bands show around it", min(at(512, 384)[:2]) > 128
          and at(721, 454) == (0, 0, 0) and len(count(at, (0, 0, 142), 302, 312, 20, 1)) >= 15)
    check(f"refused: exit code 1 once dismissed (got {code})", code == 1)


os.makedirs(OUT, exist_ok=True)
reg(r"HKCU\Software\Wine\Debug", "RelayInclude", "REG_SZ", RELAY)
screen_dpi, lefts = 96, {}
for case in CASES:
    lefts.setdefault(case[3], request_case(*case))
if not WIN64:
    check("the caption grows leftward: 'ShutDown !' starts left of 'LogOff !'", lefts["/S"][0] < lefts["/L"][0])
    subprocess.run(["convert", lefts["/S"][1], "-crop", "436x159+294+304", "+repage", f"{OUT}/notice.png"])
    refused_request()
print(f"e2e: {passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
