#!/usr/bin/env python3
# release.py files|x86|x64: the release test.sh has made with tools/release.sh: dist/, and under
# build/release/ the same signed with a throwaway certificate (signed/), made again in a copy of
# the tree (copy/dist/) and made as version 1.9.0 (old/).
#
# files    the zips and MSIs as files, their sums, the signatures, the copy's bytes.
# x86|x64  under Wine (through wine-run.sh): 1.9.0, then this one over it, a refused downgrade,
#          each shortcut started as Explorer starts it, then the uninstall.
# Prints a line per check, then "e2e: N passed, M failed".
import glob, os, re, subprocess, sys, zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import ROOT, check, low, parse, reg, results

OUT, DIST, NAMES = (
    f"{ROOT}/build/release",
    f"{ROOT}/dist",
    ["endnow.exe", "README.txt", "LICENSE.txt"],
)
BUILD, MENU = {"x86": "win32", "x64": "win64"}, r"HKLM\Software\EndNow"
UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"


def run(*command, **env):
    return subprocess.run(command, capture_output=True, text=True, env={**os.environ, **env})


def built(arch):
    return open(f"{ROOT}/build/{BUILD[arch]}/endnow.exe", "rb").read()


def zipped(arch, dist=DIST):
    return zipfile.ZipFile(f"{dist}/endnow-2.0.0-{BUILD[arch]}.zip")


def files():
    for arch in BUILD:
        texts = [zipped(arch).read(f"EndNow-2.0.0/{n}") for n in NAMES]
        check(
            f"{arch}: {[len(t) for t in texts]} bytes zipped",
            zip_holds_these=zipped(arch).namelist() == [f"EndNow-2.0.0/{n}" for n in NAMES],
            built_exe=texts[0] == built(arch),
            texts_in_crlf=all(t.count(b"\n") == t.count(b"\r\n") > 10 for t in texts[1:]),
            zip_within_24_KiB_msi_64_KiB=os.path.getsize(zipped(arch).filename) <= 24 * 1024
            and os.path.getsize(f"{DIST}/endnow-2.0.0-{arch}.msi") <= 64 * 1024,
        )
    sums = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=DIST, capture_output=True).stdout
    zipped("x86", f"{OUT}/signed").extract("EndNow-2.0.0/endnow.exe", OUT)
    signed = [f"{OUT}/EndNow-2.0.0/endnow.exe", *glob.glob(f"{OUT}/signed/*.msi")]
    verify = [run("osslsigncode", "verify", "-CAfile", f"{OUT}/cert.pem", "-in", f) for f in signed]
    check(
        f"{sums.split()}, osslsigncode verify exits {[v.returncode for v in verify]}",
        sums_of_four=sums.count(b": OK") == 4 and len(os.listdir(DIST)) == 5,
        same_bytes_from_the_copy=open(f"{OUT}/copy/dist/SHA256SUMS").read()
        == open(f"{DIST}/SHA256SUMS").read(),
        exe_and_both_msis_signed=[v.returncode for v in verify] == [0, 0, 0],
    )


def query(key, *view):  # a key's values, None when it is missing
    found = run(os.environ["WINETOOL"], "reg", "query", key, *view)
    fields = [line.split(None, 2) for line in found.stdout.splitlines()]
    return {f[0]: f[2] for f in fields if len(f) == 3} if found.returncode == 0 else None


def install(arch):
    wine, drive = os.environ["WINETOOL"], os.environ["WINEPREFIX"] + "/drive_c"
    view = "/reg:64" if arch == "x64" else "/reg:32"
    msi = lambda dist, v: "Z:" + f"{dist}/endnow-{v}-{arch}.msi".replace("/", "\\")
    msiexec = lambda *args: run(wine, "msiexec", *args, "/qn").returncode
    codes = [msiexec("/i", msi(f"{OUT}/old", "1.9.0")), msiexec("/i", msi(DIST, "2.0.0"))]
    codes.append(msiexec("/i", msi(f"{OUT}/old", "1.9.0")))  # refused: a newer one is there
    found = run("msiinfo", "export", f"{DIST}/endnow-2.0.0-{arch}.msi", "Property").stdout
    key = UNINSTALL + "\\" + re.search(r"^ProductCode\t(.+)$", found, re.M)[1]
    entry = query(key) or {}
    wow64 = arch == "x86" and os.environ["WINEARCH"] == "win64"
    folder = rf"C:\Program Files{' (x86)' * wow64}\EndNow" + "\\"
    path = f"{drive}/{folder[3:]}".replace("\\", "/")
    fields = ["DisplayName", "DisplayVersion", "Publisher", "NoModify", "InstallLocation"]
    check(
        f"{arch}: exit codes {codes}, {entry}",
        installed_upgraded_refused_downgrade=codes[:2] == [0, 0] and codes[2] != 0,
        one_entry=run(wine, "reg", "query", UNINSTALL, "/s").stdout.count("REG_SZ    EndNow\n")
        == 1,
        entry=[entry.get(v) for v in fields]
        == ["EndNow", "2.0.0", "the EndNow authors", "0x1", folder],
        new_files=all(
            open(path + n, "rb").read() == zipped(arch).read(f"EndNow-2.0.0/{n}") for n in NAMES
        ),
        built_exe=open(path + "endnow.exe", "rb").read() == built(arch),
        menu_key_path_in_its_view=(query(MENU, view) or {}).get("StartMenu") == "0x1",
    )
    reg(r"HKCU\Software\Wine\Debug", "RelayInclude", "ExitWindowsEx")
    for name, flags in ("Restart", 2), ("Log off", 0), ("Shut down", 8):  # Windows 7's power off
        links = glob.glob(f"{drive}/**/Programs/EndNow/{name}.lnk", recursive=True) or [drive]
        link, trace = "C:\\" + os.path.relpath(links[0], drive), f"{OUT}/{arch}-{flags}.log"
        with open(trace, "w") as log:  # start "" "...\Shut down.lnk"
            environment = {**os.environ, "WINEDEBUG": "+relay,+loaddll"}
            started = subprocess.run(
                [wine, "cmd", "/c", "start", '""', link.replace("/", "\\")],
                stderr=log,
                env=environment,
            )
        subprocess.run(["wineserver", "-w"])  # the request ends the session
        calls = parse(trace, "endnow.exe")
        check(
            f"{arch} {link}: start exits {started.returncode}, {calls}",
            installed_exe=f'Loaded L"{folder}endnow.exe"'.replace("\\", "\\\\")
            in open(trace).read(),
            flags=any(re.match(rf"ExitWindowsEx\({low(flags)},", c) for c in calls),
        )
    removed = msiexec("/x", msi(DIST, "2.0.0"))
    left = [
        *glob.glob(f"{drive}/**/*EndNow*", recursive=True),
        *glob.glob(f"{drive}/*/Installer/{{*"),
    ]
    check(
        f"{arch} removed: exit code {removed}, left {left}",
        uninstalled_leaving_nothing=removed == 0 and not left,
        no_registry_key=query(key) is None and query(MENU, view) is None,
    )


if __name__ == "__main__":
    files() if sys.argv[1] == "files" else install(sys.argv[1])
    print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
    sys.exit(1 if False in results else 0)
