#!/usr/bin/env python3
# e2e.py files|run EXE win32|win64: the built executable end to end.
#   files  its resources, size, runtime and load-time imports;
#   run    under Wine (through wine-run.sh): each case sets the release Wine plays and the screen's resolution, runs
#          the exe with a relay trace, takes a screenshot during its one-second pause and checks the request, its
#          timing, the privilege steps and what the screen shows; then a refused request: the error over the notice,
#          and exit code 1.
# Prints a line per check and "e2e: N passed, M failed".
import os, re, shutil, struct, subprocess, sys, time

MODE, EXE, ARCH = sys.argv[1:4]
ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "../.."))
OUT, OWN_PATH, BLACK, WHITE = (
    f"{ROOT}/build/e2e/{ARCH}",
    r"C:\Program Files\EndNow\endnow.exe",
    (0, 0, 0),
    (255,) * 3,
)
# The version each release gives a program. 64-bit Windows began with XP x64, 5.2, which no release test names.
SEEN = {
    "win98": "4.10 platform 1",
    "win2k": "5.0 platform 2",
    "winxp": "5.1 platform 2",
    "winxp64": "5.2 platform 2",
    "win7": "6.1 platform 2",
}
# release, dpi, arguments (after the exe's own path: started as a Run key starts it, unquoted), flags, caption
CASES = {
    "win32": [
        ("win98", 96, "", 2, "ReBoot !"),
        ("win98", 96, "/L", 0, "LogOff !"),
        ("win98", 96, "/S", 1, "ShutDown !"),
        ("win98", 96, "shutdown", 0, None),
        ("win2k", 96, "/S", 8, "ShutDown !"),
        ("win2k", 96, "/p", 8, "ShutDown !"),
        ("winxp", 96, "/S", 1, "ShutDown !"),
        ("winxp", 96, "s l", 0, "LogOff !"),
        ("win7", 96, "/x", 0, None),
        ("win7", 144, "/S", 8, "ShutDown !"),
        ("win7", 96, OWN_PATH, 2, "ReBoot !"),
        ("win7", 96, OWN_PATH + " /L", 0, "LogOff !"),
    ],
    "win64": [
        ("winxp64", 96, "/S", 8, "ShutDown !"),
        ("winxp64", 96, "/l", 0, "LogOff !"),
        ("win7", 96, "", 2, "ReBoot !"),
        ("win7", 96, "/x", 0, None),
    ],
}[ARCH]
results = []


def check(what, condition, details=""):
    results.append(bool(condition))
    print(
        ("ok   - " if condition else "FAIL - ")
        + what
        + (f"\n       {details}" if details and not condition else "")
    )


def files():
    import pefile

    pe = pefile.PE(EXE)
    res = {
        k.id: {
            e.id: pe.get_data(
                e.directory.entries[0].data.struct.OffsetToData,
                e.directory.entries[0].data.struct.Size,
            )
            for e in k.directory.entries
        }
        for k in pe.DIRECTORY_ENTRY_RESOURCE.entries
    }
    v, info = pe.VS_FIXEDFILEINFO[0], {i.Key: i for i in pe.FileInfo[0]}
    strings = {
        t.LangID: {k.decode(): v.decode() for k, v in t.entries.items()}
        for t in info[b"StringFileInfo"].StringTable
    }
    check(
        "version 2,0,0,0; one US English string table; Translation 0x0409, 1200",
        strings
        == {
            b"040904B0": {
                "CompanyName": "EndNow",
                "FileDescription": "EndNow: log off, restart or shut down Windows",
                "FileVersion": "2.00",
                "InternalName": "endnow",
                "OriginalFilename": "endnow.exe",
                "ProductName": "EndNow",
                "ProductVersion": "2.00",
            }
        }
        and (v.FileVersionMS, v.FileVersionLS, v.ProductVersionMS, v.ProductVersionLS)
        == (0x20000, 0, 0x20000, 0)
        and [x.entry[b"Translation"] for x in info[b"VarFileInfo"].Var] == ["0x0409 0x04b0"],
        strings,
    )
    # The icon: one 32 x 32 16-colour image, the one make_icon.py draws, transparent around its triangle.
    _, _, count, width, height, colours, _, _, bits, _, icon = struct.unpack_from(
        "<3H4B2HIH", res.get(14, {}).get(1, bytes(20))
    )
    image = res.get(3, {}).get(icon, b"")
    transparent = sum(
        bin(b).count("1") for b in image[40 + 64 + 32 * 16 :]
    )  # the mask, after header, palette and colours
    sys.path.insert(0, f"{ROOT}/res")
    check(
        f"icon 1: one 32 x 32 16-colour image ({count}: {width} x {height}, {colours}, {bits} bits) as drawn, "
        f"{transparent} of 1024 pixels transparent",
        200 < transparent < 900
        and (count, width, height, colours, bits, image)
        == (1, 32, 32, 16, 4, __import__("make_icon").image()),
    )
    manifest = res.get(24, {}).get(1, b"").decode()
    ids = re.findall(r'supportedOS Id="\{(\w+)', manifest)
    check(
        f"manifest 1: asInvoker, DPI-aware, Vista to 10/11 {ids}",
        'level="asInvoker"' in manifest
        and "dpiAware>true<" in manifest
        and len(ids) == 5
        and ids[0] == "e2011457"
        and ids[-1] == "8e0f7a12",
    )
    link_map = open(f"{os.path.dirname(EXE)}/endnow.map").read()
    runtime = set(
        re.findall(
            r"\b(_Unwind_\w+|__gxx_personality\w*|__cxa_throw|__cxa_allocate_exception)\b", link_map
        )
    )
    # Nothing runs static constructors or destructors: the exe has its own start-up and no C run-time.
    statics = re.findall(r"^ (\.c?[cd]tors?(?:\.\S+)?)\s+0x\w+\s+0x\w+\s+(\S+)", link_map, re.M)
    check(
        f"{os.path.getsize(EXE)} bytes, at most 24 KiB; no exception runtime {runtime or ''} and no static "
        f"constructor or destructor {statics} in the link map",
        os.path.getsize(EXE) <= 24576
        and not runtime
        and not statics
        and "__CTOR_LIST__" in link_map,
    )
    if ARCH == "win64":
        return
    instructions(link_map)
    found = {
        (d.dll.decode().lower(), f.name.decode())
        for d in pe.DIRECTORY_ENTRY_IMPORT
        for f in d.imports
    }
    listed = {
        (d.lower(), f): (nine_x, nt)
        for d, f, nine_x, nt in filter(
            None, (line.split("#")[0].split() for line in open(f"{ROOT}/res/imports.txt"))
        )
    }
    new = [
        k
        for k, (nine_x, nt) in listed.items()
        if nine_x != "95" or nt not in ("3.1", "3.5", "3.51", "4.0")
    ]
    # Windows 95 implements only these of the wide functions; the rest are stubs that fail.
    wide = [
        f
        for d, f in found
        if re.search(r"[a-z0-9]W$", f)
        and f
        not in {
            "GetCommandLineW",
            "MessageBoxW",
            "lstrlenW",
            "TextOutW",
            "ExtTextOutW",
            "GetTextExtentPoint32W",
        }
    ]
    check(
        f"{len(found)} imports, only from kernel32, user32 and gdi32, each in Windows 95 and NT 4.0 by "
        "res/imports.txt, which lists no more, and no wide function that 95 only stubs",
        len(found) > 20
        and {d for d, _ in found} <= {"kernel32.dll", "user32.dll", "gdi32.dll"}
        and found == listed.keys()
        and not new
        and not wide,
        (sorted(found ^ listed.keys()), new, wide),
    )


# Every instruction of the 80386 and the 80387, as objdump names them in Intel syntax (string instructions without
# their size letter). The 486 added bswap, cmpxchg and xadd; the Pentium cmpxchg8b, cpuid and rdtsc; the Pentium Pro
# cmov, fcmov, fcomi, fucomi, the long nop and sysenter; later processors MMX and SSE.
I386 = set(
    """aaa aad aam aas adc add and arpl bound bsf bsr bt btc btr bts call cbw cdq clc cld cli clts cmc cmp cmps cwd
    cwde daa das dec div enter hlt idiv imul in inc ins int int3 into iret iretd ja jae jb jbe jcxz je jecxz jg jge jl
    jle jmp jne jno jnp jns jo jp js lahf lar lds lea leave les lfs lgdt lgs lidt lldt lmsw lods loop loope loopne lsl
    lss ltr mov movs movsx movzx mul neg nop not or out outs pop popa popad popf popfd push pusha pushad pushf pushfd
    rcl rcr ret retf rol ror sahf sal sar sbb scas seta setae setb setbe sete setg setge setl setle setne setno setnp
    setns seto setp sets sgdt shl shld shr shrd sidt sldt smsw stc std sti stos str sub test verr verw xchg xlat xor
    f2xm1 fabs fadd faddp fbld fbstp fchs fclex fcom fcomp fcompp fcos fdecstp fdiv fdivp fdivr fdivrp ffree fiadd
    ficom ficomp fidiv fidivr fild fimul fincstp finit fist fistp fisub fisubr fld fld1 fldcw fldenv fldl2e fldl2t
    fldlg2 fldln2 fldpi fldz fmul fmulp fnclex fninit fnop fnsave fnstcw fnstenv fnstsw fpatan fprem fprem1 fptan
    frndint frstor fsave fscale fsin fsincos fsqrt fst fstcw fstenv fstp fstsw fsub fsubp fsubr fsubrp ftst fucom
    fucomp fucompp fwait fxam fxch fxtract fyl2x fyl2xp1""".split()
)
PREFIXES = {
    "rep",
    "repz",
    "repnz",
    "repe",
    "repne",
    "lock",
    "data16",
    "addr16",
    "cs",
    "ds",
    "es",
    "fs",
    "gs",
    "ss",
}


def instructions(link_map):
    # The code, up to the constructor lists the linker puts after it in .text.
    end = re.search(r"^\s+(0x\w+)\s+__CTOR_LIST__ = \.", link_map, re.M)[1]
    listing = subprocess.run(
        ["i686-w64-mingw32-objdump", "-d", "-M", "intel", f"--stop-address={end}", EXE],
        capture_output=True,
        text=True,
        check=True,
    ).stdout
    newer, seen = {}, 0
    for line in listing.splitlines():
        fields = line.split("\t")
        if len(fields) < 3 or not fields[2].strip():
            continue
        words = fields[2].split()
        while words[0] in PREFIXES and len(words) > 1:
            words.pop(0)
        seen += 1
        operands = " ".join(words[1:])
        # A nop with an operand is the Pentium Pro's long nop (0F 1F); the others are MMX and SSE registers.
        if (
            words[0] not in I386
            or (words[0] == "nop" and operands)
            or re.search(r"\b[xyz]?mm\d", operands)
        ):
            newer[words[0]] = newer.get(words[0], 0) + 1
    check(
        f"{seen} instructions up to {end}, none that a 386 with a 387 lacks {newer or ''}",
        seen > 1000 and not newer,
    )


def reg(key, name, value, kind="REG_SZ"):
    subprocess.run(
        [os.environ["WINETOOL"], "reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f"],
        capture_output=True,
    )


def low(
    value,
):  # a traced argument whose low 32 bits are value: 64-bit Wine shows the whole register
    return rf"\w*{value & 0xFFFFFFFF:08x}"


def first(calls, pattern):
    return next(((t, c) for t, c in calls if re.match(pattern, c)), (None, ""))


def parse(
    trace, image
):  # the exe's release, load time and calls [(seconds, call)] from its own thread
    text = open(trace, errors="replace").read()
    loaded = re.search(
        r"^([0-9.]+):([0-9a-f]+):trace:loaddll:build_module Loaded L\".*\\\\%s\" at" % image,
        text,
        re.M,
    )
    if not loaded:
        return None, 0.0, []
    seen = re.search(
        rf"^[0-9.]+:{loaded[2]}:trace:ver:version_init got (\S+ platform \d+)", text, re.M
    )
    calls = re.findall(rf"^([0-9.]+):{loaded[2]}:Call \S+?\.(\w+\(.*\)) ret=\w+$", text, re.M)
    return seen and seen[1], float(loaded[1]), [(float(t), c) for t, c in calls]


def run(name, command, image="endnow.exe", wait_for="ShowWindow"):
    # Runs the command traced, takes a screenshot once the exe has called wait_for: (exit code, parsed trace, pixels).
    with open(f"{OUT}/{name}.log", "w") as log:
        process = subprocess.Popen(
            [os.environ["WINE"]] + command,
            stderr=log,
            env=dict(os.environ, WINEDEBUG="+relay,+timestamp,+loaddll,+ver"),
        )
        for _ in range(1200):
            if process.poll() is not None or first(parse(log.name, image)[2], wait_for)[1]:
                break
            time.sleep(0.05)
        time.sleep(0.4)  # shown and drawn; a request is still more than half a second away
        subprocess.run(["import", "-window", "root", f"{OUT}/{name}.png"])
        for _ in range(
            40 if wait_for == "MessageBoxA" and process.poll() is None else 0
        ):  # dismissed with the Enter key
            subprocess.run(
                "xdotool search --name '^tool$' && xdotool key Return",
                shell=True,
                capture_output=True,
            )
            if process.poll() is not None:
                break
            time.sleep(0.5)
        code = process.wait(timeout=300)
    data = subprocess.run(
        ["convert", f"{OUT}/{name}.png", "-depth", "8", "rgb:-"], capture_output=True
    ).stdout
    return (
        code,
        parse(log.name, image),
        lambda x, y: tuple(data[(y * 1024 + x) * 3 : (y * 1024 + x) * 3 + 3]),
    )


def count(at, colour, x0, y0, w, h):
    return [x for x in range(x0, x0 + w) for y in range(y0, y0 + h) if at(x, y) == colour]


def request(release, dpi, args, flags, caption):
    global screen_dpi
    label, name, nt = (
        f"{release} {dpi} dpi '{args}'",
        re.sub(r"\W+", "_", f"{release} {dpi} {args}"),
        SEEN[release][-1] == "2",
    )
    reg(r"HKCU\Software\Wine", "Version", release)
    if dpi != screen_dpi:
        reg(r"HKCU\Control Panel\Desktop", "LogPixels", dpi, "REG_DWORD")
        subprocess.run(["wineserver", "-w"])  # read afresh by the next Wine session
        screen_dpi = dpi
    launch = [
        f"{os.path.dirname(EXE)}/tests/launch.exe",
        OWN_PATH,
        *args[len(OWN_PATH) :].split(),
    ]  # the copy there
    command = launch if args.startswith(OWN_PATH) else [EXE, *args.split()]
    code, (seen, started, calls), at = run(name, command)
    asked, requests = first(calls, r"ExitWindowsEx\(")[0], [
        c for _, c in calls if c.startswith("ExitWindowsEx(")
    ]
    check(
        f"{label}: exit code 0 ({code}), saw {SEEN[release]} ({seen}), one ExitWindowsEx({flags},ffffffff) {requests}",
        code == 0
        and seen == SEEN[release]
        and len(requests) == 1
        and not first(calls, "MessageBoxA")[1]
        and re.match(rf"ExitWindowsEx\({low(flags)},{low(-1)}\)", requests[0]),
    )
    # Made hidden, a tool window (no taskbar button) with a frame but no caption, menu or buttons.
    made = first(
        calls, rf'CreateWindowExA\({low(0x80)},\w+ "EndNowNotice",\w+ "",{low(0x80040000)},'
    )[0]
    shown, destroyed, gone = (
        first(calls, p)[0]
        for p in ("ShowWindow", "DestroyWindow", r'UnregisterClassA\(\w+ "EndNowNotice"')
    )
    steps = [
        t
        for t, c in calls
        if re.match("LookupPrivilegeValueA|OpenProcessToken|AdjustTokenPrivileges", c)
    ]
    check(
        f"{label}: a hidden tool window made, shown, {'the privilege enabled' if nt else 'no privilege step'} and the "
        f"request at least 1 s later, then window and class gone ({started} {made} {shown} {steps} {asked} {gone})",
        None not in (made, shown, asked, destroyed, gone)
        and started <= made <= shown <= asked - 1.0 < destroyed - 1.0
        and shown + 0.9 < min(steps or [asked])
        and max(steps or [0]) <= asked
        and destroyed <= gone
        and len(steps) == 3 * nt,
    )
    font = rf'CreateFontA\({low(-36 * dpi // 72)},{low(0)},{low(0)},{low(0)},{low(700)},{low(1)},.*"Comic Sans MS"\)'
    measured = re.findall(
        r'GetTextExtentPoint32W\(\w+,\w+ L"([^"]*)"', " ".join(c for _, c in calls)
    )
    # The notice centred on the 1024 x 768 screen at its size for the resolution (halves to even, as the layout rounds),
    # framed, banded black at its outer edges and blue 142 at the top left, the words in white, the caption ending
    # where the status label's right edge is, whatever its length.
    w, h, s, right = (
        round(6300 * dpi / 1440),
        round(2145 * dpi / 1440),
        dpi / 96,
        round(6135 * dpi / 1440),
    )
    x, y = (1024 - w) // 2, (768 - h) // 2
    words, status = count(at, WHITE, x, y, w, int(60 * s)), count(
        at, WHITE, x, y + int(76 * s), w, int(50 * s)
    )
    check(
        f"{label}: a framed {w} x {h} notice, black at its right corners, blue 142 top left at 96 dpi, in Comic Sans MS "
        f"36 pt bold italic white 'Windows will now' ({len(words)} pixels) and caption {caption!r} ({measured}, "
        f"{len(status)} pixels up to {max(status, default=None)} of {x + right})",
        at(x + w - 1, y + h - 1) == at(x + w - 1, y) == BLACK != at(x + w, y + h - 1)
        and at(x + w - 1, y + h) != BLACK
        and (dpi != 96 or len(count(at, (0, 0, 142), x, y, 136, 1)) >= 100)
        and len(words) >= 500
        and first(calls, font)[1]
        and first(calls, rf"SetTextColor\(\w+,{low(0xFFFFFF)}\)")[1]
        and measured == [caption] * bool(caption)
        and (x + right - 6 <= max(status, default=0) <= x + right if caption else not status),
    )


def refused():
    # Wine hands the end of a session to wineboot, and fails when it cannot start it.
    reg(r"HKCU\Software\Wine", "Version", "winxp")
    subprocess.run(
        [os.environ["WINETOOL"], "cmd", "/c", "exit"], capture_output=True
    )  # the desktop, which wineboot starts
    shutil.copy(EXE, f"{OUT}/tool.exe")
    os.environ["WINEDLLOVERRIDES"] += ";wineboot.exe=d"
    code, (_, _, calls), at = run("refused", [f"{OUT}/tool.exe", "/S"], "tool.exe", "MessageBoxA")
    box = first(calls, r"MessageBoxA\(")[1]
    check(
        "refused: the numbered error under the running name, with the system's text, titled so, error icon",
        first(calls, r"ExitWindowsEx\(")[0]
        and re.search(
            r'"Error -2147219925 \(0x8004062B\) in tool\.mShutDown\\r\\n'
            r'\\r\\nShutdownSystem failed: [^"\\]+\\r\\n",\w+ "tool",'
            rf"{low(0x10010)}\)",
            box,
        ),
        box,
    )
    check(
        f"refused: the box over the notice's centre, the bands around it; exit code 1 once dismissed ({code})",
        code == 1
        and min(at(512, 384)[:2]) > 128
        and at(721, 454) == BLACK
        and len(count(at, (0, 0, 142), 302, 312, 20, 1)) >= 15,
    )


if MODE == "files":
    files()
else:
    os.makedirs(OUT, exist_ok=True)
    reg(
        r"HKCU\Software\Wine\Debug",
        "RelayInclude",
        "ExitWindowsEx;MessageBoxA;CreateWindowExA;ShowWindow;DestroyWindow;"
        "UnregisterClassA;CreateFontA;SetTextColor;GetTextExtentPoint32W;LookupPrivilegeValueA;OpenProcessToken;"
        "AdjustTokenPrivileges",
    )
    screen_dpi = None
    os.makedirs(os.environ["WINEPREFIX"] + "/drive_c/Program Files/EndNow", exist_ok=True)
    shutil.copy(EXE, os.environ["WINEPREFIX"] + "/drive_c/Program Files/EndNow/endnow.exe")
    for case in CASES:
        request(*case)
    if ARCH == "win32":
        subprocess.run(
            [
                "convert",
                f"{OUT}/win98_96_S.png",
                "-crop",
                "436x159+294+304",
                "+repage",
                f"{OUT}/notice.png",
            ]
        )
        refused()
    reg(r"HKCU\Control Panel\Desktop", "LogPixels", 96, "REG_DWORD")  # as the other runs expect
print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
sys.exit(False in results)
