"""Checks of the built executable itself: its resources (version record, icon,
manifest), its size and runtime, its load-time imports against res/imports.txt
(what the 32-bit exe needs must be in every Windows from 95 and NT 4.0 on),
and that a build elsewhere gives the same bytes. Prints a line per check and
"e2e: N passed, M failed".

    files.py EXE win32|win64
"""
import importlib.util
import os
import re
import struct
import subprocess
import sys
import tempfile

import pefile

EXE, ARCH = sys.argv[1], sys.argv[2]
ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), "../.."))
passed = failed = 0


def check(what, condition, details=()):
    global passed, failed
    passed, failed = passed + bool(condition), failed + (not condition)
    print(("ok   - " if condition else "FAIL - ") + what + "".join(f"\n       {d}" for d in details))


pe = pefile.PE(EXE)
res = {kind.id: {e.id: pe.get_data(e.directory.entries[0].data.struct.OffsetToData, e.directory.entries[0].data.struct.Size)
                 for e in kind.directory.entries} for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries}
fixed = pe.VS_FIXEDFILEINFO[0]
check("FILEVERSION and PRODUCTVERSION 2,0,0,0",
      (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x20000, 0, 0x20000, 0))
tables = {t.LangID.decode(): {k.decode(): v.decode() for k, v in t.entries.items()}
          for info in pe.FileInfo[0] if info.Key == b"StringFileInfo" for t in info.StringTable}
translations = [v.entry.get(b"Translation") for info in pe.FileInfo[0] if info.Key == b"VarFileInfo" for v in info.Var]
strings = tables.get("040904B0", {})
expected = {"FileVersion": "2.00", "ProductVersion": "2.00", "CompanyName": "EndNow", "ProductName": "EndNow",
            "InternalName": "endnow", "OriginalFilename": "endnow.exe"}
check(f"one US English string table {expected}, a description ({tables})",
      list(tables) == ["040904B0"] and expected.items() <= strings.items() and strings.get("FileDescription"))
check(f"Translation 0x0409, 1200 ({translations})", translations == ["0x0409 0x04b0"])

# The icon: one 32 x 32 16-colour image, the one make_icon.py draws, transparent around its triangle.
group = res.get(14, {}).get(1, b"\0" * 20)
count, (width, height, colours, _, _, bits, _, icon) = struct.unpack_from("<H", group, 4)[0], struct.unpack_from("<BBBBHHIH", group, 6)
spec = importlib.util.spec_from_file_location("make_icon", f"{ROOT}/res/make_icon.py")
spec.loader.exec_module(make_icon := importlib.util.module_from_spec(spec))
image = res.get(3, {}).get(icon, b"")
transparent = sum(bin(b).count("1") for b in image[40 + 64 + 32 * 16:])
check(f"icon 1: one 32 x 32, 16-colour image ({count}: {width} x {height}, {colours}, {bits} bits), as drawn, "
      f"{transparent} of 1024 pixels transparent", (count, width, height, colours, bits) == (1, 32, 32, 16, 4)
      and image == make_icon.image() and 200 < transparent < 900)
manifest = res.get(24, {}).get(1, b"").decode()
os_ids = re.findall(r'supportedOS Id="\{(\w+)', manifest)
check(f"manifest 1: asInvoker, DPI-aware, Vista to 10/11 ({os_ids})", 'level="asInvoker"' in manifest and
      "dpiAware>true<" in manifest and len(os_ids) == 5 and os_ids[0] == "e2011457" and os_ids[-1] == "8e0f7a12")

# Small, and without the exception runtime: the link map names no unwinder, personality or throw.
size, runtime = os.path.getsize(EXE), set()
for line in open(os.path.join(os.path.dirname(EXE), "endnow.map")):
    runtime |= set(re.findall(r"\b(_Unwind_\w+|__gxx_personality\w*|__cxa_throw|__cxa_allocate_exception)\b", line))
check(f"{size} bytes, at most 36 KiB; no exception runtime in the map {sorted(runtime)}", size <= 36864 and not runtime)

if ARCH == "win32":
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", EXE], capture_output=True, text=True).stdout
    found, dll = set(), None
    for line in dump.splitlines():
        if m := re.match(r"\s*DLL Name: (\S+)", line):
            dll = m[1].lower()
        elif dll and (m := re.match(r"\t[0-9a-f]+\t\s*\d+\s+(\S+)", line)):
            found.add((dll, m[1]))
    rows = [line.split("#")[0].split() for line in open(f"{ROOT}/res/imports.txt")]
    listed = {(d.lower(), f): (v9x, nt) for d, f, v9x, nt in filter(None, rows)}
    check(f"{len(found)} imports, only from kernel32, user32, gdi32 and msvcrt",
          len(found) > 20 and {d for d, _ in found} <= {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"})
    check("every import listed, nothing listed that is not imported", found == listed.keys(),
          sorted(found ^ listed.keys()))
    # "95*": the C run-time DLL, which a 95 machine needs installed (see the list).
    old = [k for k, (v9x, nt) in listed.items() if k in found and (v9x == "95*") == (k[0] == "msvcrt.dll")
           and v9x in ("95", "95*") and nt in ("3.1", "3.5", "3.51", "4.0")]
    check("every import is in Windows 95 and NT 4.0", len(old) == len(found), sorted(found - set(old)))
    # Windows 95 implements only these of the wide functions; the rest are stubs that fail.
    wide = [f for d, f in found if d != "msvcrt.dll" and re.search(r"[a-z0-9]W$", f) and f not in
            {"GetCommandLineW", "MessageBoxW", "lstrlenW", "TextOutW", "ExtTextOutW", "GetTextExtentPoint32W"}]
    check(f"no wide function that 95 only stubs {wide}", not wide)

    # Two clean builds of the tracked files in different folders give the same bytes.
    tracked = subprocess.run(["git", "ls-files"], cwd=ROOT, capture_output=True, text=True).stdout.split()
    with tempfile.TemporaryDirectory() as work:
        for place in (f"{work}/a", f"{work}/somewhere/else"):
            os.makedirs(place)
            subprocess.run(["cp", "--parents", "-t", place] + tracked, cwd=ROOT)
            subprocess.run(f"cmake -S {place} -B {place}-build -DCMAKE_TOOLCHAIN_FILE={place}/cmake/mingw-i686.cmake "
                           f"-DCMAKE_BUILD_TYPE=MinSizeRel -DENDNOW_TESTS=OFF && cmake --build {place}-build -t endnow",
                           shell=True, capture_output=True)
        builds = [open(f, "rb").read() for f in (f"{work}/a-build/endnow.exe", f"{work}/somewhere/else-build/endnow.exe")
                  if os.path.exists(f)]
        check(f"two builds in different folders are byte-identical ({[len(b) for b in builds]} bytes)",
              len(builds) == 2 and builds[0] == builds[1])

print(f"e2e: {passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
