#!/usr/bin/python3
# tools/check_exe.py EXE win32|win64: the rules the built exe keeps, which no run under Wine can
# show: its size, its manifest, no exception runtime or static constructor in its link map, and
# for the 32-bit exe no instruction a 386 with a 387 lacks and load-time imports only as
# res/imports.txt lists them. The build runs it on every exe it links, and fails when a rule is
# broken, so that no build (a release's included) hands out such an exe. Prints a line per rule,
# naming the conditions that failed, then "e2e: N passed, M failed" (test.sh counts it).
# Debian's own Python, which has python3-pefile.
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
results = []


# One check, shared with the end-to-end drivers: passes when every named condition holds, else
# names those that do not.
def check(what, **conditions):
    failed = [name.replace("_", " ") for name, holds in conditions.items() if not holds]
    results.append(not failed)
    print(("FAIL - " if failed else "ok   - ") + what)
    if failed:
        print("       failed: " + ", ".join(failed))


# What a 386 with a 387 lacks, as objdump names it: the 486's bswap, cmpxchg and xadd, the
# Pentium's cmpxchg8b, cpuid and rdtsc, the Pentium Pro's cmov, fcmov, fcomi, fucomi, long nop and
# sysenter, and anything on MMX or SSE registers. Losing -march=i386, at compile time or in the
# link-time code generation, brings in cmov and fcomi.
NEWER = (
    r"\b(bswap|cmpxchg\w*|xadd|cpuid|rdtsc|f?cmov\w+|fu?comip?|ud2|sys\w+|nop\s+\S)|\b[xyz]?mm\d"
)
# Windows 95 implements only these of the wide functions; the rest are stubs that fail.
WIDE = "GetCommandLineW MessageBoxW lstrlenW TextOutW ExtTextOutW GetTextExtentPoint32W".split()


def files(exe, arch):
    image = pathlib.Path(exe).read_bytes()
    link_map = pathlib.Path(exe).with_suffix(".map").read_text()
    unwinder = r"\b(_Unwind_\w+|__gxx_personality\w*|__cxa_throw|__cxa_allocate_exception)\b"
    check(
        f"{len(image)} bytes, run as invoker, DPI-aware, no exception runtime or static "
        "constructor",
        at_most_28_KiB=len(image) <= 28 * 1024,
        as_invoker=b'level="asInvoker"' in image,
        dpi_aware=b"<ws:dpiAware>true</ws:dpiAware>" in image,
        no_exception_runtime=not re.search(unwinder, link_map),
        no_static_constructor=not re.search(r"^ \.[cd]tors?\S*\s+0x\w+\s+0x\w+\s", link_map, re.M),
    )
    if arch != "win32":
        return
    # The code up to the constructor lists the linker puts after it.
    end = re.search(r"^\s+(0x\w+)\s+__CTOR_LIST__ = \.", link_map, re.M)[1]
    objdump = ["i686-w64-mingw32-objdump", "-d", "-M", "intel", f"--stop-address={end}", exe]
    listing = subprocess.run(objdump, capture_output=True, text=True, check=True).stdout
    decoded = re.findall(r"^ +\w+:\t[0-9a-f ]+\t(.+)$", listing, re.M)
    newer = sorted({t.split()[0] for t in decoded if re.search(NEWER, t)})
    check(
        f"{len(decoded)} instructions, none that a 386 with a 387 lacks {newer}",
        disassembled=len(decoded) > 1000,
        only_386_and_387=not newer,
    )
    # The load-time imports against res/imports.txt, whose rows give each one's oldest Windows.
    import pefile  # here: the end-to-end drivers share check() from a Python without it

    dlls = pefile.PE(exe).DIRECTORY_ENTRY_IMPORT
    found = {(d.dll.decode(), f.name.decode()) for d in dlls for f in d.imports}
    rows = [r.split() for r in open(f"{ROOT}/res/imports.txt") if r.strip() and r[0] != "#"]
    listed = {(dll, function) for dll, function, _, _ in rows}
    check(
        f"{len(found)} imports, as res/imports.txt lists them {sorted(found ^ listed)}",
        as_listed=found == listed,
        three_dlls={d for d, _ in found} == {"KERNEL32.dll", "USER32.dll", "GDI32.dll"},
        all_in_95_and_NT_4=all(row[2] == "95" and float(row[3]) <= 4 for row in rows),
        no_wide_that_95_stubs=all(f in WIDE for _, f in found if re.search(r"[a-z0-9]W$", f)),
    )


if __name__ == "__main__":
    files(*sys.argv[1:3])
    print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
    sys.exit(1 if False in results else 0)
