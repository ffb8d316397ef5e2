#!/usr/bin/env python3
"""The load-time import audit: the exe's import table (from objdump -p)
against the committed list. Prints a line per check and a summary.

    imports.py OBJDUMP ENDNOW.EXE IMPORTS.TXT
"""
import re
import subprocess
import sys

from checks import check, summary

DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"}
# The wide functions Windows 95 implements rather than stubs.
WIDE_ON_95 = {"GetCommandLineW", "MessageBoxW", "lstrlenW", "TextOutW", "ExtTextOutW", "GetTextExtentPoint32W"}
NT_VERSIONS = {"3.1": 3.1, "3.5": 3.5, "3.51": 3.51, "4.0": 4.0}



def imports(objdump, exe):
    out = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    found, dll = set(), None
    for line in out.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1)
            continue
        m = re.match(r"\t[0-9a-f]+\t\s*\d+\s+(\S+)", line)
        if m and dll:
            found.add((dll, m.group(1)))
        elif not line.strip():
            dll = None
    return found


def listed(path):
    entries = {}
    for line in open(path):
        line = line.split("#")[0].split()
        if line:
            dll, function, nine_x, nt = line
            entries[(dll, function)] = (nine_x, nt)
    return entries


def main(objdump, exe, path):
    found = imports(objdump, exe)
    entries = listed(path)
    check(f"the exe imports something ({len(found)} functions)", len(found) > 20)

    dlls = {dll.lower() for dll, _ in found}
    check(f"only kernel32, user32, gdi32 and msvcrt ({', '.join(sorted(dlls))})", dlls <= DLLS)
    check("no advapi32 at load time", "advapi32.dll" not in dlls)
    unlisted = sorted(f"{d} {f}" for d, f in found - entries.keys())
    check(f"every import is in the list ({len(unlisted)} not)", not unlisted, unlisted)
    stale = sorted(f"{d} {f}" for d, f in entries.keys() - found)
    check(f"the list names nothing the exe no longer imports ({len(stale)})", not stale, stale)
    # "95*": the C run-time DLL, which a 95 machine needs installed (see the list).
    too_new = sorted(f"{d} {f}: 9x {v[0]}, NT {v[1]}" for (d, f), v in entries.items()
                     if (d, f) in found and (v[0] not in ("95", "95*") or (v[0] == "95*") != (d.lower() == "msvcrt.dll")
                                             or NT_VERSIONS.get(v[1], 99) > 4.0))
    check(f"every import exists on Windows 95 and NT 4.0 ({len(too_new)} not)", not too_new, too_new)
    # A Win32 function named ...W with an ...A twin: 95 only stubs most of them.
    wide = sorted(f for d, f in found if d.lower() != "msvcrt.dll" and re.search(r"[a-z0-9]W$", f)
                  and f not in WIDE_ON_95)
    check(f"no wide function that 95 only stubs ({len(wide)})", not wide, wide)

    print(f"imports: {len(found)} functions from {len(dlls)} DLLs")
    return summary()


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
