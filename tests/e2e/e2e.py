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
from wine_calls import low, parse, reg, traced_run

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


# Runs the command traced, takes a screenshot once the exe has called wait_for (Sleep: stopped in
# its pause, covered if asked; MessageBoxA: the box up), and presses Return for an error box it
# shows: (exit code or None when it did not end, calls, pixel at, whether a cover had the
# foreground).
def run(out, name, command, environment, image, wait_for, cover):
    manager = window_manager() if cover else contextlib.nullcontext()
    with open(f"{out}/{name}.log", "w") as log, manager:
        answer = wait_for == "MessageBoxA"
        code, foreground = traced_run(
            command,
            log,
            image,
            f"{out}/{name}.png",
            wait_for,
            environment,
            hold=covered if cover else None,
            answer=answer,
            timeout=120,
        )
    convert = ["convert", f"{out}/{name}.png", "-depth", "8", "rgb:-"]
    data = subprocess.run(convert, capture_output=True, check=True).stdout

    def at(x, y):
        return tuple(data[(y * 1024 + x) * 3 : (y * 1024 + x) * 3 + 3])

    return code, parse(log.name, image), at, bool(foreground)


# The x of every pixel of that colour in the rectangle.
def pixels(at, colour, x0, y0, width, height):
    return [x for x in range(x0, x0 + width) for y in range(y0, y0 + height) if at(x, y) == colour]


def set_dpi(dpi):
    if dpi != screen["dpi"]:
        reg(r"HKCU\Control Panel\Desktop", "LogPixels", dpi, "REG_DWORD")
        subprocess.run(["wineserver", "-w"], check=True)  # the next session reads it afresh
        screen["dpi"] = dpi


def request(out, exe, release, dpi, args, flags, caption, how=""):
    label = f"{release} {dpi} dpi '{args}' {how}".strip()
    reg(r"HKCU\Software\Wine", "Version", release)
    set_dpi(dpi)
    refused = box = how == "refused"
    unseen = how == "unseen"
    ends = refused or unseen and flags == 0  # with exit code 1, the notice left as it is
    command, image = [exe, *args.split()], "endnow.exe"
    if args.startswith(OWN_PATH) or unseen:  # as a Run key or a task starts it
        launch = [f"{os.path.dirname(exe)}/tests/launch.exe", *["-unseen"] * unseen, OWN_PATH]
        command = [*launch, *args.removeprefix(OWN_PATH).split()]
    if box:  # the error names the program as it was run
        command, image = [shutil.copy(exe, f"{out}/tool.exe"), *args.split()], "tool.exe"
    if refused:  # the desktop, which wineboot would start
        subprocess.run([os.environ["WINETOOL"], "cmd", "/c", "exit"], capture_output=True)
    overrides = os.environ["WINEDLLOVERRIDES"] + ";wineboot.exe=d" * refused
    environment = dict(os.environ, WINEDEBUG="+relay,+loaddll", WINEDLLOVERRIDES=overrides)
    wait_for = "MessageBoxA" if box else "Sleep"
    name = re.sub(r"\W+", "_", label)
    code, calls, at, cover = run(out, name, command, environment, image, wait_for, how == "covered")
    # A hidden topmost tool window (no taskbar button) with no frame of the system's, no caption,
    # menu or buttons; refused, the numbered error with the system's text in a topmost box,
    # under the name the program was run as.
    style = low(WS_EX_TOPMOST | WS_EX_TOOLWINDOW), low(WS_POPUP)
    made = rf'CreateWindowExA\({style[0]},\w+ "EndNowNotice",\w+ "",{style[1]},'
    # From Vista on it asks for square corners.
    corners = [rf"DwmSetWindowAttribute\(\w+,{low(DWMWA_WINDOW_CORNER_PREFERENCE)},\w+,{low(4)}\)"]
    corners *= release in VISTA_ON
    privilege = PRIVILEGE if release != "win98" else []
    expected = [made, *corners, "ShowWindow", rf"Sleep\({low(1000)}\)", *privilege]
    # Unseen: no dialog, nothing forced closed, a restart only for a restart, "Other (Planned)";
    # Wine has the Ex form even as 2000, which lacks it.
    none, reboot = ",".join([low(0)] * 4), low(int(flags == 2))
    ex = rf"InitiateSystemShutdownExW\({none},{reboot},{low(SHTDN_REASON_FLAG_PLANNED)}\)"
    older = rf"|InitiateSystemShutdownW\({none},{reboot}\)" * (release == "win2k")
    if not unseen:
        expected += [rf"ExitWindowsEx\({low(flags)},{low(-1)}\)"]
    elif flags:
        expected += [f"({ex}{older})"]
    error = r"Error -2147219925 \(0x8004062B\) in tool\.mShutDown(\\r\\n){2}ShutdownSystem failed: "
    box_style = low(MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST)
    expected += [rf'MessageBoxA\(\w+,\w+ "{error}[^"\\]+\\r\\n",\w+ "tool",{box_style}\)$'] * box
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
    elif box:  # over the notice, whose bottom right corner still shows
        screenshot = {"box_over_the_notice": min(at(512, 384)[:2]) > 128 and at(721, 454) == BLACK}
    # Of the Swiss family, so that where Comic Sans MS is missing a sans-serif face stands in.
    font = ",".join(low(v) for v in (-36 * dpi // 72, 0, 0, 0, 700, 1, 0, 0, 0, 0, 0, 0, FF_SWISS))
    trace = pathlib.Path(f"{out}/{name}.log").read_text(errors="replace")
    dwmapi = re.search(r"loaddll:\S+ Loaded L\"[^\"]*dwmapi\.dll\"", trace, re.I) is not None
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
        exit_code=code == int(ends),
        comic_sans_36_bold_italic_swiss=any(
            re.match(rf'CreateFontA\({font},\w+ "Comic Sans MS"\)', c) for c in calls
        ),
        dwmapi_only_from_vista_on=dwmapi == (release in VISTA_ON),
        libraries_from_the_system_folder=all(re.match(system, c, re.I) for c in libraries)
        and not planted,
        event_log_only_where_no_one_sees=[t[: len(NO_ONE_TO_LOG_OFF)] for t in logged]
        == [NO_ONE_TO_LOG_OFF] * (ends and unseen),
        covered_by_the_foreground_window=cover or how != "covered",
        **screenshot,
    )


def main():
    exe, arch = sys.argv[2:4]
    out = f"{ROOT}/build/e2e/{arch}"
    os.makedirs(out, exist_ok=True)
    relayed = [*SEQUENCE, "CreateFontA", "LoadLibraryA"]
    reg(r"HKCU\Software\Wine\Debug", "RelayInclude", ";".join(relayed))
    installed = os.environ["WINEPREFIX"] + "/drive_c/Program Files/EndNow"
    os.makedirs(installed, exist_ok=True)
    shutil.copy(exe, f"{installed}/endnow.exe")
    # Libraries of the late-bound names that are not known DLLs, planted beside the installed exe.
    for name in "dwmapi.dll", "wtsapi32.dll":
        shutil.copy(f"{ROOT}/build/win32/tests/launch.exe", f"{installed}/{name}")
    for case in CASES[arch]:
        request(out, exe, *case)
    print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
    return 1 if False in results else 0


if __name__ == "__main__":
    sys.exit(main())
