#!/usr/bin/env python3
# e2e.py run EXE win32|win64: the built executable end to end.
#
# Under Wine (through wine-run.sh): each case sets the release Wine plays and the screen's
# resolution, runs the exe with a relay trace, takes a screenshot during its one-second pause and
# checks the calls, their order, the exit code and the screen. The built file itself is checked
# when it is built (tools/check_exe.py).
# Prints a line per check, naming the conditions that failed, then "e2e: N passed, M failed".
import contextlib
import os
import pathlib
import re
import shutil
import subprocess
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "../.."))
sys.path.insert(0, f"{ROOT}/tools")
from check_exe import check, results
import prefix as prefixes
from wine_calls import low, parse, pixel_at, reg, traced_run

OWN_PATH = r"C:\Program Files\EndNow\endnow.exe"
BLACK, WHITE = (0, 0, 0), (255, 255, 255)
# Windows' own numbers, as the trace shows them.
WS_EX_TOPMOST, WS_EX_TOOLWINDOW, WS_POPUP = 0x8, 0x80, 0x80000000
MB_ICONERROR, MB_SETFOREGROUND, MB_TOPMOST, FF_SWISS = 0x10, 0x10000, 0x40000, 0x20
DWMWA_WINDOW_CORNER_PREFERENCE, SHTDN_REASON_FLAG_PLANNED = 33, 0x80000000
# Wine's own 3D colours, as the notice's raised frame shows them from the inner area outward:
# face, then white and light at the top and left, grey and dark grey at the bottom and right
# (Windows' own scheme has black outermost there).
FACE, HILIGHT, LIGHT, SHADOW, DKSHADOW = (245,) * 3, WHITE, (227,) * 3, (166,) * 3, (106,) * 3
# Release (64-bit Windows began with XP x64), dpi, arguments, flags asked for, caption, and how:
# "covered" by another program that takes the foreground during the pause; "refused" by Wine,
# whose end of a session fails without wineboot; "unseen", started in a window station no one
# sees, as a task that runs whether or not its user is logged on, where the machine is ended by
# the system-shutdown call (Wine's does nothing and succeeds) and a log-off is refused. Arguments
# that start with the exe's own path are started as a Run key starts them: that path unquoted,
# spaces and all.
CASES = {
    "win32": [
        ("win98", 96, "shutdown", 0, None),
        ("nt40", 96, "/S", 1, "ShutDown !"),
        ("win2k", 96, "/p", 8, "ShutDown !"),
        ("win7", 144, "/S", 8, "ShutDown !", "covered"),
        ("win7", 96, OWN_PATH, 2, "ReBoot !"),
        ("win10", 96, "/S", 8, "ShutDown !"),
        ("winxp", 96, "/S", 1, "ShutDown !", "refused"),
        ("winxp", 96, "/S", 1, "ShutDown !", "unseen"),
        ("win7", 96, OWN_PATH, 2, "ReBoot !", "unseen"),
        ("win10", 96, "/P", 8, "ShutDown !", "unseen"),
        ("win2k", 96, "/S", 8, "ShutDown !", "unseen"),
        ("win7", 96, "/L", 0, "LogOff !", "unseen"),
    ],
    "win64": [
        ("winxp64", 96, "/S", 8, "ShutDown !"),
        ("win7", 96, "/x", 0, None),
    ],
}
# Other users logged on, as the stand-in wtsapi32.dll plays them (tests/e2e/Sessions.cpp), in a
# prefix of its own: the services' session with no user, the exe's own, others active (0) or
# disconnected (4); or the enumeration failing. "no" and "yes" answer the question with Return,
# as a key pressed by habit would, and with Y.
TWO, ONE = "0,4,;own,0,me;2,0,ann;3,4,bob", "0,4,;own,0,me;5,4,ann"
QUESTIONS = {
    "win32": [
        ("win10", 96, "/S", 8, "ShutDown !", "no", TWO),
        ("winxp", 96, "/S", 1, "ShutDown !", "yes", TWO),
        ("win10", 96, "", 2, "ReBoot !", "no", ONE),
        ("winxp", 96, "/L", 0, "LogOff !", "", TWO),
        ("win10", 96, "/S", 8, "ShutDown !", "unseen", TWO),
        ("win10", 96, "/S", 8, "ShutDown !", "", "fail"),
        ("win98", 96, "/S", 1, "ShutDown !", "", TWO),
        ("nt40", 96, "/S", 1, "ShutDown !", "", TWO),
    ],
    "win64": [("winxp64", 96, "/S", 8, "", "yes", ONE)],
}
WHO = {TWO: "2 other users are", ONE: "Another user is"}
MB_QUESTION = 0x4 | 0x30 | 0x100 | MB_SETFOREGROUND | MB_TOPMOST  # Yes/No, warning, No default
VISTA_ON = ("win7", "win10")  # the releases above with dwmapi
# The calls the relay trace shows, and those of them each run makes in a fixed order.
PRIVILEGE = ["LookupPrivilegeValueA", "OpenProcessToken", "AdjustTokenPrivileges"]
SYSTEM_SHUTDOWN = ["InitiateSystemShutdownExW", "InitiateSystemShutdownW"]
SEQUENCE = ["CreateWindowExA", "DwmSetWindowAttribute", "ShowWindow", "Sleep", *PRIVILEGE]
SEQUENCE += ["ExitWindowsEx", *SYSTEM_SHUTDOWN, "MessageBoxA", "DestroyWindow", "UnregisterClassA"]
# What no one saw, as Wine's event log shows it: the box's text.
NO_ONE_TO_LOG_OFF = "Error -2147219920 (0x80040630) in endnow.mShutDown\\r\\n\\r\\nCan't log off"
screen = {"dpi": None}


# A window manager on the display while the block runs: it keeps Wine's topmost windows above
# the others, as Windows itself does; without one, X stacks a later window on top.
@contextlib.contextmanager
def window_manager():
    command = ["openbox", "--sm-disable", "--startup", "echo managing"]
    with subprocess.Popen(command, stdout=subprocess.PIPE, text=True) as manager:
        while manager.stdout.readline() not in ("managing\n", ""):
            pass
        yield
        manager.terminate()


# Covers the screen, while the exe is stopped in its pause, with another program's window, made
# the foreground window; true when the cover had the foreground.
@contextlib.contextmanager
def covered(process):
    command = [os.environ["WINE"], f"{ROOT}/build/win32/tests/launch.exe", "-cover"]
    with subprocess.Popen(command, stdin=-1, stdout=-1, text=True) as cover:  # pipes
        yield cover.stdout.readline().strip() == "1"
        cover.communicate("")


# A box over the notice at 96 dpi, whose black bottom right corner still shows.
def box_over_the_notice(png):
    at = pixel_at(png)
    return min(at(512, 384)[:2]) > 128 and at(721, 454) == BLACK


# Runs the command traced, takes a screenshot once the exe has called wait_for (Sleep: stopped in
# its pause, covered if asked; MessageBoxA: once the box shows), and answers a box it shows with
# the key answer names: (exit code or None when it did not end, calls, pixel at, whether a cover
# had the foreground).
def run(out, name, command, environment, image, wait_for, cover, answer):
    manager = window_manager() if cover else contextlib.nullcontext()
    with open(f"{out}/{name}.log", "w") as log, manager:
        shown = box_over_the_notice if answer else None
        code, foreground = traced_run(
            *(command, log, image, f"{out}/{name}.png", wait_for, environment),
            hold=covered if cover else None,
            **dict(answer=answer, shown=shown, timeout=120),
        )
    return code, parse(log.name, image), pixel_at(f"{out}/{name}.png"), bool(foreground)


# The x of every pixel of that colour (or that like says yes to) in the rectangle.
def pixels(at, colour, x0, y0, width, height, like=None):
    like = like or (lambda c: c == colour)
    return [x for x in range(x0, x0 + width) for y in range(y0, y0 + height) if like(at(x, y))]


def set_dpi(dpi):
    if dpi != screen["dpi"]:
        reg(r"HKCU\Control Panel\Desktop", "LogPixels", dpi, "REG_DWORD")
        subprocess.run(["wineserver", "-w"], check=True)  # the next session reads it afresh
        screen["dpi"] = dpi


def request(out, exe, release, dpi, args, flags, caption, how="", sessions=None):
    label = f"{release} {dpi} dpi '{args}' {how} {sessions or ''}".strip()
    reg(r"HKCU\Software\Wine", "Version", release)
    set_dpi(dpi)
    refused, asked = how == "refused", how in ("no", "yes")
    box, unseen = refused or asked, how == "unseen"
    ends = refused or unseen and flags == 0  # with exit code 1, the notice left as it is
    command, image = [exe, *args.split()], "endnow.exe"
    if args.startswith(OWN_PATH) or unseen:  # as a Run key or a task starts it
        launch = [f"{os.path.dirname(exe)}/tests/launch.exe", *["-unseen"] * unseen, OWN_PATH]
        command = [*launch, *args.removeprefix(OWN_PATH).split()]
    if refused:  # the error names the program as it was run; the desktop wineboot would start
        command, image = [shutil.copy(exe, f"{out}/tool.exe"), *args.split()], "tool.exe"
        subprocess.run([os.environ["WINETOOL"], "cmd", "/c", "exit"], capture_output=True)
    overrides = os.environ["WINEDLLOVERRIDES"] + ";wineboot.exe=d" * refused
    overrides += ";wtsapi32=n" * bool(sessions)  # the stand-in, in the system folder
    environment = dict(os.environ, WINEDEBUG="+relay,+loaddll", WINEDLLOVERRIDES=overrides)
    environment["ENDNOW_SESSIONS"] = sessions or ""
    wait_for, answer = "MessageBoxA" if box else "Sleep", "y" if how == "yes" else "Return" * box
    name = re.sub(r"\W+", "_", label)
    code, calls, at, cover = run(
        out, name, command, environment, image, wait_for, how == "covered", answer
    )
    # A hidden topmost tool window (no taskbar button) with no frame of the system's, no caption,
    # menu or buttons; refused, the numbered error with the system's text in a topmost box,
    # under the name the program was run as.
    style = low(WS_EX_TOPMOST | WS_EX_TOOLWINDOW), low(WS_POPUP)
    made = rf'CreateWindowExA\({style[0]},\w+ "EndNowNotice",\w+ "",{style[1]},'
    # From Vista on it asks for square corners.
    corners = [rf"DwmSetWindowAttribute\(\w+,{low(DWMWA_WINDOW_CORNER_PREFERENCE)},\w+,{low(4)}\)"]
    corners *= release in VISTA_ON
    privilege = PRIVILEGE if release != "win98" and how != "no" else []
    # Other users logged on: a question before the machine ends; No asks nothing of Windows.
    verb, Verb = ("restarts", "Restart") if flags == 2 else ("shuts down", "Shut down")
    words = f"{WHO.get(sessions)} logged on to this computer. If it {verb} now, their programs are"
    words += f" closed and unsaved work may be lost.\\r\\n\\r\\n{Verb} anyway?"
    question = [rf'MessageBoxA\(\w+,\w+ "{re.escape(words)}",\w+ "endnow",{low(MB_QUESTION)}\)']
    question *= asked
    expected = [made, *corners, "ShowWindow", rf"Sleep\({low(1000)}\)", *question, *privilege]
    # Unseen: no dialog, nothing forced closed, a restart only for a restart, "Other (Planned)";
    # Wine has the Ex form even as 2000, which lacks it.
    none, reboot = ",".join([low(0)] * 4), low(int(flags == 2))
    ex = rf"InitiateSystemShutdownExW\({none},{reboot},{low(SHTDN_REASON_FLAG_PLANNED)}\)"
    older = rf"|InitiateSystemShutdownW\({none},{reboot}\)" * (release == "win2k")
    if unseen and flags:
        expected += [f"({ex}{older})"]
    elif not unseen and how != "no":
        expected += [rf"ExitWindowsEx\({low(flags)},{low(-1)}\)"]
    error = r"Error -2147219925 \(0x8004062B\) in tool\.mShutDown(\\r\\n){2}ShutdownSystem failed: "
    box_style = low(MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST)
    expected += [
        rf'MessageBoxA\(\w+,\w+ "{error}[^"\\]+\\r\\n",\w+ "tool",{box_style}\)$'
    ] * refused
    expected += ["DestroyWindow", r'UnregisterClassA\(\w+ "EndNowNotice"'] * (not ends)
    steps = [c for c in calls if c.split("(")[0] in SEQUENCE]
    # Centred on the 1024 x 768 screen at its size for the resolution (halves to even, as the layout
    # rounds), black at its outer edges, the words in white, the caption ending where the status
    # label's right edge is, whatever its length, in a raised frame of 60 twips.
    width, height = round(6300 * dpi / 1440), round(2145 * dpi / 1440)
    right, ring = round(6135 * dpi / 1440), round(60 * dpi / 1440)
    x, y = (1024 - width) // 2, (768 - height) // 2
    words = pixels(at, WHITE, x, y, width, int(60 * dpi / 96))
    status = pixels(at, WHITE, x, y + int(76 * dpi / 96), width, int(50 * dpi / 96))
    end = max(status, default=-1)
    caption_at_edge = x + right - 6 <= end <= x + right if caption else not status
    # The frame's left and bottom sides at their middles, from the inner area outward.
    left = [at(x - 1 - i, y + height // 2) for i in range(ring)]
    bottom = [at(x + width // 2, y + height + i) for i in range(ring)]
    lit, dark = [FACE] * (ring - 2) + [HILIGHT, LIGHT], [FACE] * (ring - 2) + [SHADOW, DKSHADOW]
    black_corners = at(x + width - 1, y + height - 1) == at(x + width - 1, y) == BLACK
    screenshot = {
        "raised_frame": left == lit and bottom == dark,
        "black_right_corners": black_corners,
        "white_words": len(words) >= 500,
        "caption_ends_at_the_label_edge": caption_at_edge,
    }
    if how == "covered":
        # In front: none of the white cover in the strip below the words. Only that: under load
        # the window manager may map the notice after its one paint, which then never reaches the
        # screen, and nothing can paint it again while it sleeps (Windows has no such window
        # manager between a program and the screen).
        strip = pixels(at, WHITE, x, y + height - int(8 * dpi / 96), width, int(8 * dpi / 96))
        screenshot = {"in_front": not strip, "black_right_corners": black_corners}
    if unseen:
        screenshot = {"nothing_on_the_screen": not pixels(at, WHITE, 0, 0, 1024, 768)}
    elif box:
        screenshot = {"box_over_the_notice": box_over_the_notice(f"{out}/{name}.png")}
    if asked:  # a warning's icon, orange where nothing of the notice is
        orange = pixels(at, None, 300, 300, 424, 160, lambda c: c[0] > 200 and c[2] < 100)
        screenshot["warning_icon"] = len(orange) >= 50
    # Of the Swiss family, so that where Comic Sans MS is missing a sans-serif face stands in.
    font = ",".join(low(v) for v in (-36 * dpi // 72, 0, 0, 0, 700, 1, 0, 0, 0, 0, 0, 0, FF_SWISS))
    trace = pathlib.Path(f"{out}/{name}.log").read_text(errors="replace")
    dwmapi = re.search(r"loaddll:\S+ Loaded L\"[^\"]*dwmapi\.dll\"", trace, re.I) is not None
    # wtsapi32 from 2000 on, to count the others before the machine ends where someone sees it:
    # the system folder's, the stand-in where there is one.
    counts = flags and not unseen and release not in ("win98", "nt40")
    loaded = re.findall(r'L"C:\\\\windows\\\\system32\\\\wtsapi32\.dll" at \w+: (\w+)', trace)
    # Unseen, an error is written to the Application log instead, as an error: Wine shows it.
    logged = re.findall(r":err:eventlog:ReportEventW L\"(.*)\"$", trace, re.M)
    # Each library by its full path in the system folder, never the one planted beside the exe.
    libraries = [c for c in calls if c.startswith("LoadLibraryA")]
    system = r'LoadLibraryA\(\w+ "C:\\\\windows\\\\system32\\\\\w+\.dll"\)'
    planted = re.search(r'Loaded L"[^"]*EndNow\\\\(dwmapi|wtsapi32)\.dll"', trace, re.I)
    check(
        f"{label}: exit code {code}, {steps}; {len(words)} white for the words, the caption up to "
        f"x {end} of {x + right}, a cover in the foreground: {cover}",
        calls_in_order=re.fullmatch("\n".join(e + ".*" for e in expected), "\n".join(steps)),
        exit_code=code == (2 if how == "no" else int(ends)),
        comic_sans_36_bold_italic_swiss=any(
            re.match(rf'CreateFontA\({font},\w+ "Comic Sans MS"\)', c) for c in calls
        ),
        dwmapi_only_from_vista_on=dwmapi == (release in VISTA_ON),
        wtsapi32_only_to_count_others=loaded == ["native" if sessions else "builtin"] * counts,
        libraries_from_the_system_folder=all(re.match(system, c, re.I) for c in libraries)
        and not planted,
        event_log_only_where_no_one_sees=[t[: len(NO_ONE_TO_LOG_OFF)] for t in logged]
        == [NO_ONE_TO_LOG_OFF] * (ends and unseen),
        covered_by_the_foreground_window=cover or how != "covered",
        **screenshot,
    )


# The trace's calls, the exe as installed, and beside it libraries of the late-bound names that
# are not known DLLs, planted; the resolution read afresh.
def install(exe):
    relayed = [*SEQUENCE, "CreateFontA", "LoadLibraryA"]
    reg(r"HKCU\Software\Wine\Debug", "RelayInclude", ";".join(relayed))
    installed = os.environ["WINEPREFIX"] + "/drive_c/Program Files/EndNow"
    os.makedirs(installed, exist_ok=True)
    shutil.copy(exe, f"{installed}/endnow.exe")
    for name in "dwmapi.dll", "wtsapi32.dll":
        shutil.copy(f"{ROOT}/build/win32/tests/launch.exe", f"{installed}/{name}")
    screen["dpi"] = None


def main():
    exe, arch = sys.argv[2:4]
    out = f"{ROOT}/build/e2e/{arch}"
    os.makedirs(out, exist_ok=True)
    install(exe)
    for case in CASES[arch]:
        request(out, exe, *case)
    # Other users logged on, in a prefix of their own with the stand-in for wtsapi32.dll in its
    # system folder: no other case sees it.
    base = f"{ROOT}/build/wine/base/{os.path.basename(os.environ['WINEPREFIX'])}"
    os.environ["WINEPREFIX"] += "-others"
    stand_in = f"{os.path.dirname(exe)}/tests/wtsapi32.dll"
    prefixes.copy_with(base, os.environ["WINEPREFIX"], stand_in, 32 if arch == "win32" else 64)
    install(exe)
    for case in QUESTIONS[arch]:
        request(out, exe, *case)
    subprocess.run(["wineserver", "-k"])
    print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
    return 1 if False in results else 0


if __name__ == "__main__":
    sys.exit(main())
