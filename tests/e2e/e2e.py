#!/usr/bin/env python3
# e2e.py files|run EXE win32|win64: the built executable end to end.
#
# files  its manifest, size and link map; for the 32-bit exe also its instructions and imports.
# run    under Wine (through wine-run.sh): each case sets the release Wine plays and the screen's
#        resolution, runs the exe with a relay trace, takes a screenshot during its one-second
#        pause and checks the request, the order and timing of the calls, and the screen; then a
#        refused request: the error over the notice, and exit code 1.
# Prints a line per check, naming the conditions that failed, then "e2e: N passed, M failed".
import collections
import contextlib
import os
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "../.."))
OWN_PATH = r"C:\Program Files\EndNow\endnow.exe"
BLACK, WHITE = (0, 0, 0), (255, 255, 255)
# Wine's trace clock and its Sleep disagree by a few milliseconds (-2 to +24 ms seen): a notice
# shown for the whole second passes, one shown for 0.9 s does not.
CLOCK_SLACK = 0.05
# The error box takes the focus, whatever its title.
DISMISS = ["xdotool", "key", "Return"]
# Wine's own 3D colours, in the order the notice's raised frame shows them from its outer edge
# in: light and white at the top and left, black and dark grey at the bottom and right, then the
# face colour up to the inner area.
LIGHT, HILIGHT, FACE, SHADOW, DKSHADOW = (227,) * 3, (255,) * 3, (245,) * 3, (166,) * 3, (106,) * 3
# Release (64-bit Windows began with XP x64), dpi, arguments, flags asked for, caption, and whether
# another program covers the screen and takes the foreground during the pause.
# Arguments that start with the exe's own path are started as a Run key starts them: that path
# unquoted, spaces and all.
CASES = {
    "win32": [
        ("win98", 96, "", 2, "ReBoot !"),
        ("win98", 96, "shutdown", 0, None),
        ("nt40", 96, "/S", 1, "ShutDown !"),
        ("win2k", 96, "/p", 8, "ShutDown !"),
        ("winxp", 96, "/S", 1, "ShutDown !"),
        ("win7", 144, "/S", 8, "ShutDown !", True),
        ("win7", 96, OWN_PATH, 2, "ReBoot !"),
        ("win7", 96, OWN_PATH + " /L", 0, "LogOff !"),
    ],
    "win64": [
        ("winxp64", 96, "/S", 8, "ShutDown !"),
        ("win7", 96, "/x", 0, None),
    ],
}
# The calls the relay trace shows, and those of them each run makes in a fixed order.
PRIVILEGE_STEPS = "LookupPrivilegeValueA OpenProcessToken AdjustTokenPrivileges"
SEQUENCE = f"CreateWindowExA ShowWindow Sleep {PRIVILEGE_STEPS} ExitWindowsEx DestroyWindow"
SEQUENCE += " UnregisterClassA"
TRACED = f"{SEQUENCE} MessageBoxA CreateFontA GetUserObjectInformationA"
results = []
screen = {"dpi": None}


# One check: passes when every named condition holds, else names those that do not.
def check(what, **conditions):
    failed = [name.replace("_", " ") for name, holds in conditions.items() if not holds]
    results.append(not failed)
    print(("FAIL - " if failed else "ok   - ") + what)
    if failed:
        print("       failed: " + ", ".join(failed))


def files(exe, arch):
    import pefile

    with open(exe, "rb") as f:
        image = f.read()
    check(
        "manifest: run as invoker, DPI-aware",
        as_invoker=b'level="asInvoker"' in image,
        dpi_aware=b"<ws:dpiAware>true</ws:dpiAware>" in image,
    )
    with open(f"{os.path.dirname(exe)}/endnow.map") as f:
        link_map = f.read()
    size = len(image)
    unwinder = r"\b(_Unwind_\w+|__gxx_personality\w*|__cxa_throw|__cxa_allocate_exception)\b"
    check(
        f"{size} bytes, no exception runtime and no static constructor (nothing runs them)",
        at_most_24_KiB=size <= 24 * 1024,
        no_exception_runtime=not re.search(unwinder, link_map),
        no_static_constructor=not re.search(r"^ \.[cd]tors?\S*\s+0x\w+\s+0x\w+\s", link_map, re.M),
    )
    if arch == "win32":
        instructions(exe, link_map)
        imports(pefile.PE(exe))


# Every instruction of the 80386 and the 80387 that a program can use in the flat 32-bit user
# mode Windows runs it in, as objdump names them in Intel syntax: segment loads and the system's
# own instructions would fault there. The 486 added bswap, cmpxchg and xadd; the Pentium
# cmpxchg8b, cpuid and rdtsc; the Pentium Pro cmov, fcmov, fcomi, fucomi, the long nop and
# sysenter; later processors MMX and SSE.
I386 = set(
    """aaa aad aam aas adc add and bsf bsr bt btc btr bts call cbw cdq clc cld cmc cmp cmps cwd
    cwde daa das dec div enter idiv imul inc int int3 ja jae jb jbe jcxz je jecxz jg jge jl jle jmp
    jne jno jnp jns jo jp js lahf lea leave lods loop loope loopne mov movs movsx movzx mul neg nop
    not or pop popa popad popf popfd push pusha pushad pushf pushfd rcl rcr ret rol ror sahf sal
    sar sbb scas seta setae setb setbe sete setg setge setl setle setne setno setnp setns seto setp
    sets shl shld shr shrd stc std stos sub test xchg xlat xor f2xm1 fabs fadd faddp fbld fbstp
    fchs fclex fcom fcomp fcompp fcos fdecstp fdiv fdivp fdivr fdivrp ffree fiadd ficom ficomp
    fidiv fidivr fild fimul fincstp finit fist fistp fisub fisubr fld fld1 fldcw fldenv fldl2e
    fldl2t fldlg2 fldln2 fldpi fldz fmul fmulp fnclex fninit fnop fnsave fnstcw fnstenv fnstsw
    fpatan fprem fprem1 fptan frndint frstor fsave fscale fsin fsincos fsqrt fst fstcw fstenv fstp
    fstsw fsub fsubp fsubr fsubrp ftst fucom fucomp fucompp fwait fxam fxch fxtract fyl2x
    fyl2xp1""".split()
)
PREFIXES = r"^((rep\w*|lock|data16|addr16|[c-gs]s)\s+)*"


# Fails on any instruction a 386 with a 387 lacks, up to the constructor lists the linker
# puts after the code.
def instructions(exe, link_map):
    end = re.search(r"^\s+(0x\w+)\s+__CTOR_LIST__ = \.", link_map, re.M)[1]
    objdump = ["i686-w64-mingw32-objdump", "-d", "-M", "intel", f"--stop-address={end}", exe]
    listing = subprocess.run(objdump, capture_output=True, text=True, check=True).stdout
    decoded = re.findall(r"^ +\w+:\t[0-9a-f ]+\t(.+)$", listing, re.M)
    newer = collections.Counter()
    for text in decoded:
        mnemonic, _, operands = re.sub(PREFIXES, "", text).partition(" ")
        # A nop with an operand is the long nop (0F 1F).
        if mnemonic not in I386 or (mnemonic == "nop" and operands.strip()):
            newer[mnemonic] += 1
        elif re.search(r"\b[xyz]?mm\d", operands):
            newer[mnemonic + " on MMX or SSE registers"] += 1
    check(
        f"{len(decoded)} instructions, none that a 386 with a 387 lacks {dict(newer)}",
        disassembled=len(decoded) > 1000,
        only_386_and_387=not newer,
    )


# The load-time imports against res/imports.txt, whose rows give each one's oldest Windows.
def imports(pe):
    found = {
        (d.dll.decode(), f.name.decode()) for d in pe.DIRECTORY_ENTRY_IMPORT for f in d.imports
    }
    with open(f"{ROOT}/res/imports.txt") as f:
        rows = [line.split() for line in f if line.strip() and not line.startswith("#")]
    listed = {(dll, function) for dll, function, _, _ in rows}
    # Windows 95 implements only these of the wide functions; the rest are stubs that fail.
    wide = "GetCommandLineW MessageBoxW lstrlenW TextOutW ExtTextOutW GetTextExtentPoint32W".split()
    check(
        f"{len(found)} imports, as res/imports.txt lists them {sorted(found ^ listed)}",
        as_listed=found == listed,
        only_kernel32_user32_gdi32={d for d, _ in found}
        == {"KERNEL32.dll", "USER32.dll", "GDI32.dll"},
        all_in_95_and_NT_4=all(row[2] == "95" and float(row[3]) <= 4 for row in rows),
        no_wide_that_95_stubs=all(f in wide for _, f in found if re.search(r"[a-z0-9]W$", f)),
    )


def wine_tool(*args):
    subprocess.run([os.environ["WINETOOL"], *args], capture_output=True, check=True)


def reg(key, name, value, kind="REG_SZ"):
    wine_tool("reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f")


# A traced argument whose low 32 bits are value: 64-bit Wine shows the whole register.
def low(value):
    return rf"\w*{value & 0xFFFFFFFF:08x}"


# (time, call) of the first call that matches, or (None, "").
def first(calls, pattern):
    return next(((t, c) for t, c in calls if re.match(pattern, c)), (None, ""))


# The calls [(seconds, call)] the exe's own code makes: Wine's DLLs call some of these too.
def parse(trace, image):
    with open(trace, errors="replace") as f:
        text = f.read()
    loaded = re.search(
        rf"^[0-9.]+:(\w+):trace:loaddll:\S+ Loaded L\".*\\\\{image}\" at (\w+)", text, re.M
    )
    if not loaded:
        return []
    calls = re.findall(rf"^([0-9.]+):{loaded[1]}:Call \S+?\.(\w+\(.*\)) ret=(\w+)$", text, re.M)
    return [(float(t), c) for t, c, r in calls if 0 <= int(r, 16) - int(loaded[2], 16) < 1 << 20]


# A window manager for the X display while the block runs, when asked for: it keeps Wine's
# topmost windows above the others, as Windows itself does; Wine alone stacks a window that comes
# later above them.
@contextlib.contextmanager
def window_manager(wanted):
    if not wanted:
        yield
        return
    manager = subprocess.Popen(["openbox", "--sm-disable"], stderr=subprocess.DEVNULL)
    check_wm = ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]
    for _ in range(100):
        if "window id" in subprocess.run(check_wm, capture_output=True, text=True).stdout:
            break
        time.sleep(0.1)
    try:
        yield
    finally:
        manager.terminate()
        manager.wait()


# Runs the command traced and takes a screenshot once the exe has called wait_for, dismissing
# a message box it waits for: (exit code, calls, pixel at, whether the cover had the foreground).
# With cover, the exe is stopped in its pause while another program covers the screen and takes
# the foreground, so that the screenshot shows what the pause shows, however slow the machine.
def run(out, name, command, image="endnow.exe", wait_for="ShowWindow", cover=False):
    environment = dict(os.environ, WINEDEBUG="+relay,+timestamp,+loaddll")
    with open(f"{out}/{name}.log", "w") as log, window_manager(cover):
        process = subprocess.Popen([os.environ["WINE"], *command], stderr=log, env=environment)
        wait_for = "Sleep" if cover else wait_for  # drawn before the pause
        for _ in range(1200):
            if process.poll() is not None or first(parse(log.name, image), wait_for)[1]:
                break
            time.sleep(0.05)
        if cover:
            os.kill(process.pid, signal.SIGSTOP)
            covering = subprocess.Popen(
                [os.environ["WINE"], f"{ROOT}/build/win32/tests/cover.exe"],
                stdin=subprocess.PIPE,
                stdout=subprocess.PIPE,
                text=True,
            )
            foreground = covering.stdout.readline().strip() == "1"
        time.sleep(0.4)  # shown and drawn; a request is still more than half a second away
        subprocess.run(["import", "-window", "root", f"{out}/{name}.png"], check=True)
        if cover:
            covering.communicate("")
            os.kill(process.pid, signal.SIGCONT)
        for _ in range(40 if wait_for == "MessageBoxA" else 0):
            if process.poll() is not None:
                break
            subprocess.run(DISMISS, capture_output=True)
            time.sleep(0.5)
        code = process.wait(timeout=300)
    convert = ["convert", f"{out}/{name}.png", "-depth", "8", "rgb:-"]
    data = subprocess.run(convert, capture_output=True, check=True).stdout

    def at(x, y):
        return tuple(data[(y * 1024 + x) * 3 : (y * 1024 + x) * 3 + 3])

    return code, parse(log.name, image), at, cover and foreground


# The x of every pixel of that colour in the rectangle.
def pixels(at, colour, x0, y0, width, height):
    return [x for x in range(x0, x0 + width) for y in range(y0, y0 + height) if at(x, y) == colour]


def set_dpi(dpi):
    if dpi != screen["dpi"]:
        reg(r"HKCU\Control Panel\Desktop", "LogPixels", dpi, "REG_DWORD")
        subprocess.run(["wineserver", "-w"], check=True)  # the next session reads it afresh
        screen["dpi"] = dpi


# The colours of the frame's four sides, from the inner area outward, at their middles.
def sides(at, x, y, width, height, ring):
    mid_x, mid_y = x + width // 2, y + height // 2
    steps = range(ring)
    return [
        [at(x - 1 - i, mid_y) for i in steps],
        [at(mid_x, y - 1 - i) for i in steps],
        [at(x + width + i, mid_y) for i in steps],
        [at(mid_x, y + height + i) for i in steps],
    ]


def request(out, exe, release, dpi, args, flags, caption, cover=False):
    label = f"{release} {dpi} dpi '{args}'" + (" covered" if cover else "")
    reg(r"HKCU\Software\Wine", "Version", release)
    set_dpi(dpi)
    command = [exe, *args.split()]
    if args.startswith(OWN_PATH):
        launch = f"{os.path.dirname(exe)}/tests/launch.exe"
        command = [launch, OWN_PATH, *args[len(OWN_PATH) :].split()]
    code, calls, at, foreground = run(out, re.sub(r"\W+", "_", label), command, cover=cover)
    # A hidden topmost tool window (no taskbar button) with no frame of the system's, no caption,
    # menu or buttons.
    made = rf'CreateWindowExA\({low(0x88)},\w+ "EndNowNotice",\w+ "",{low(0x80000000)},'
    privilege = PRIVILEGE_STEPS.split() if release != "win98" else []
    expected = [made, "ShowWindow", rf"Sleep\({low(1000)}\)", *privilege]
    expected += [rf"ExitWindowsEx\({low(flags)},{low(-1)}\)", "DestroyWindow"]
    expected += [r'UnregisterClassA\(\w+ "EndNowNotice"']
    steps = [(t, c) for t, c in calls if c.split("(")[0] in SEQUENCE.split()]
    shown, asked = (first(steps, e)[0] or 0 for e in ("ShowWindow", "ExitWindowsEx"))
    check(
        f"{label}: the notice shown, a second's pause, ExitWindowsEx({flags}, 0xFFFFFFFF), "
        f"the notice gone, exit code 0 ({code}, {[c for _, c in steps]})",
        calls_in_order=len(steps) == len(expected)
        and all(re.match(e, c) for e, (_, c) in zip(expected, steps)),
        request_a_second_after_shown=asked - shown >= 1 - CLOCK_SLACK,
        exit_code_0=code == 0,
    )
    # Centred on the 1024 x 768 screen at its size for the resolution (halves to even, as the layout
    # rounds), black at its outer edges, the words in white, the caption ending where the
    # status label's right edge is, whatever its length.
    width, height = round(6300 * dpi / 1440), round(2145 * dpi / 1440)
    right = round(6135 * dpi / 1440)
    x, y = (1024 - width) // 2, (768 - height) // 2
    scale = dpi / 96
    words = pixels(at, WHITE, x, y, width, int(60 * scale))
    status = pixels(at, WHITE, x, y + int(76 * scale), width, int(50 * scale))
    end = max(status, default=None)
    ring = round(60 * dpi / 1440)
    lit, dark = [FACE] * (ring - 2) + [HILIGHT, LIGHT], [FACE] * (ring - 2) + [SHADOW, DKSHADOW]
    size_weight_italic = ",".join(low(v) for v in (-36 * dpi // 72, 0, 0, 0, 700, 1))
    font = rf'CreateFontA\({size_weight_italic},.*"Comic Sans MS"\)'
    check(
        f"{label}: a {width} x {height} notice, 'Windows will now' ({len(words)} white) "
        f"and {caption!r} ({len(status)}, up to x {end} of {x + right}) in a raised frame of "
        f"{ring} pixels" + (f", over a cover{' in the foreground' * foreground}" if cover else ""),
        raised_frame=sides(at, x, y, width, height, ring) == [lit, lit, dark, dark],
        covered_by_the_foreground_window=foreground or not cover,
        black_right_corners=at(x + width - 1, y + height - 1) == at(x + width - 1, y) == BLACK,
        blue_142_top_left=dpi != 96 or len(pixels(at, (0, 0, 142), x, y, 136, 1)) >= 100,
        white_words=len(words) >= 500,
        comic_sans_36_bold_italic=first(calls, font)[1],
        caption_ends_at_the_label_edge=x + right - 6 <= end <= x + right if caption else not status,
    )


# Wine hands the end of a session to wineboot, and fails when it cannot start it.
def refused(out, exe):
    reg(r"HKCU\Software\Wine", "Version", "winxp")
    set_dpi(96)
    wine_tool("cmd", "/c", "exit")  # the desktop, which wineboot starts
    shutil.copy(exe, f"{out}/tool.exe")
    os.environ["WINEDLLOVERRIDES"] += ";wineboot.exe=d"
    code, calls, at, _ = run(out, "refused", [f"{out}/tool.exe", "/S"], "tool.exe", "MessageBoxA")
    box = first(calls, r"MessageBoxA\(")[1]
    number = r'"Error -2147219925 \(0x8004062B\) in tool\.mShutDown\\r\\n\\r\\n'
    text = number + r'ShutdownSystem failed: [^"\\]+\\r\\n"'
    check(
        f"refused: the numbered error with the system's text over the notice, exit code 1 ({code})",
        numbered_under_the_running_name=re.search(text + r',\w+ "tool",', box),
        topmost_with_error_icon=re.search(rf",{low(0x50010)}\)$", box),
        box_over_the_notice=min(at(512, 384)[:2]) > 128 and at(721, 454) == BLACK,
        exit_code_1=code == 1,
    )


# Started as a task that runs whether or not its user is logged on: in a window station no one
# sees. The request is made as anywhere; refused, the run ends by itself, showing nothing.
def unseen(out, exe):
    reg(r"HKCU\Software\Wine", "Version", "winxp")
    launch = [f"{os.path.dirname(exe)}/tests/launch.exe", "-unseen", OWN_PATH, "/S"]
    for refused, expected in ((False, 0), (True, 1)):
        overrides = os.environ["WINEDLLOVERRIDES"] + ";wineboot.exe=d" * refused
        env = dict(os.environ, WINEDEBUG="+relay,+timestamp,+loaddll", WINEDLLOVERRIDES=overrides)
        what = "refused" if refused else "accepted"
        started = time.monotonic()
        with open(f"{out}/unseen_{what}.log", "w") as log:
            process = subprocess.Popen([os.environ["WINE"], *launch], stderr=log, env=env)
            try:
                code = process.wait(timeout=120)
            except subprocess.TimeoutExpired:
                process.kill()
                code = None
        calls = parse(log.name, "endnow.exe")
        check(
            f"unseen: {what}, /S ends with exit code {expected}, showing nothing "
            f"({code}, in {time.monotonic() - started:.1f} s)",
            requested=first(calls, rf"ExitWindowsEx\({low(1)},")[1],
            ended_by_itself=code is not None,
            exit_code=code == expected,
            asked_its_window_station=first(calls, r"GetUserObjectInformationA\(")[1] or not refused,
            no_message_box=not first(calls, r"MessageBoxA\(")[1],
        )


def main():
    mode, exe, arch = sys.argv[1:4]
    if mode == "files":
        files(exe, arch)
    else:
        out = f"{ROOT}/build/e2e/{arch}"
        os.makedirs(out, exist_ok=True)
        reg(r"HKCU\Software\Wine\Debug", "RelayInclude", ";".join(TRACED.split()))
        installed = os.environ["WINEPREFIX"] + "/drive_c/Program Files/EndNow"
        os.makedirs(installed, exist_ok=True)
        shutil.copy(exe, f"{installed}/endnow.exe")
        for case in CASES[arch]:
            request(out, exe, *case)
        if arch == "win32":
            unseen(out, exe)
            refused(out, exe)
        reg(r"HKCU\Control Panel\Desktop", "LogPixels", 96, "REG_DWORD")  # as other runs expect
    print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
    return 1 if False in results else 0


if __name__ == "__main__":
    sys.exit(main())
