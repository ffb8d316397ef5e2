#!/usr/bin/env python3
# release.py files|x86|x64: the release test.sh has made with tools/release.sh: dist/, and under
# build/release/ the same release signed with a throwaway certificate (signed/), made again in a
# copy of the tree (copy/dist/) and made as version 1.9.0 (old/).
#
# files    the zips and MSIs as files, their sums, the signatures, the copy's bytes.
# x86|x64  under Wine (through wine-run.sh): 1.9.0, then this one over it, a refused downgrade,
#          each shortcut started as Explorer starts it, then the uninstall.
# Prints a line per check, then "e2e: N passed, M failed".
import glob, os, re, subprocess, sys, zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import ROOT, check, low, parse, reg, results

OUT, BUILD, NAMES = f"{ROOT}/build/release", {"x86": "win32", "x64": "win64"}, ["endnow.exe"]
NAMES += ["README.txt", "LICENSE.txt"]
# Each shortcut's name, argument and the flags ExitWindowsEx gets from it on Windows 7.
SHORTCUTS = [("Restart", "", 2), ("LOGOFF|Log off", "/L", 0), ("SHUTDOWN|Shut down", "/S", 8)]


def run(*command, **env):
    return subprocess.run(command, capture_output=True, text=True, env={**os.environ, **env})


def read(path, arch="x86", name="endnow.exe", dist=f"{ROOT}/dist"):  # the built exe by default
    if path == "zip":
        return zipfile.ZipFile(f"{dist}/endnow-2.0.0-{BUILD[arch]}.zip").read(
            f"EndNow-2.0.0/{name}"
        )
    return open(path or f"{ROOT}/build/{BUILD[arch]}/endnow.exe", "rb").read()


def table(msi, name):  # a table's rows, after the three lines of its header
    return [r.split("\t") for r in run("msiinfo", "export", msi, name).stdout.splitlines()[3:]]


def files():
    for arch in BUILD:
        msi, texts = f"{ROOT}/dist/endnow-2.0.0-{arch}.msi", [read("zip", arch, n) for n in NAMES]
        links = sorted((r[2], r[5], r[4], r[8]) for r in table(msi, "Shortcut"))
        check(
            f"{arch}: {[len(t) for t in texts]} bytes zipped, shortcuts {links}",
            zip_holds_these=len(
                zipfile.ZipFile(f"{ROOT}/dist/endnow-2.0.0-{BUILD[arch]}.zip").namelist()
            )
            == 3,
            built_exe=texts[0] == read(None, arch),
            texts_in_crlf=all(t.count(b"\n") == t.count(b"\r\n") > 10 for t in texts[1:]),
            zip_within_24_KiB_msi_64_KiB=os.path.getsize(msi) <= 64 * 1024
            and max(map(os.path.getsize, glob.glob(f"{ROOT}/dist/*.zip"))) <= 24 * 1024,
            win64_components_in_x64_only={int(r[3]) & 256 for r in table(msi, "Component")}
            == {256 * (arch == "x64")},
            shortcuts_with_arguments_to_the_file=links
            == sorted((n, a, "[INSTALLDIR]endnow.exe", "endnow.ico") for n, a, _ in SHORTCUTS),
        )
    sums = subprocess.run(
        ["sha256sum", "-c", "SHA256SUMS"], cwd=f"{ROOT}/dist", capture_output=True
    )
    signed = [f"{OUT}/EndNow-2.0.0/endnow.exe", *glob.glob(f"{OUT}/signed/*.msi")]
    zipfile.ZipFile(f"{OUT}/signed/endnow-2.0.0-win32.zip").extract("EndNow-2.0.0/endnow.exe", OUT)
    verify = [run("osslsigncode", "verify", "-CAfile", f"{OUT}/cert.pem", "-in", f) for f in signed]
    check(
        f"{sums.stdout.decode().split()}, osslsigncode verify exits {[v.returncode for v in verify]}",
        sums_of_four=sums.stdout.count(b": OK") == 4 and len(os.listdir(f"{ROOT}/dist")) == 5,
        same_bytes_from_the_copy=read(f"{OUT}/copy/dist/SHA256SUMS")
        == read(f"{ROOT}/dist/SHA256SUMS"),
        exe_and_both_msis_signed=[v.returncode for v in verify] == [0, 0, 0],
    )


def query(key, *view):  # a key's values, None when it is missing
    found = run(os.environ["WINETOOL"], "reg", "query", key, *view)
    fields = [line.split(None, 2) for line in found.stdout.splitlines()]
    return {f[0]: f[2] for f in fields if len(f) == 3} if found.returncode == 0 else None


def install(arch):
    wine, drive = os.environ["WINETOOL"], os.environ["WINEPREFIX"] + "/drive_c"
    view = "/reg:64" if arch == "x64" else "/reg:32"
    msi = lambda dist, v="2.0.0": "Z:" + f"{dist}/endnow-{v}-{arch}.msi".replace("/", "\\")
    msiexec = lambda *args: run(wine, "msiexec", *args, "/qn").returncode
    old, new = msi(f"{OUT}/old", "1.9.0"), msi(f"{ROOT}/dist")
    codes = [msiexec("/i", old), msiexec("/i", new)]
    code = dict(table(f"{ROOT}/dist/endnow-2.0.0-{arch}.msi", "Property"))["ProductCode"]
    uninstall, menu = (
        r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall",
        r"HKLM\Software\EndNow",
    )
    entry, key = query(rf"{uninstall}\{code}") or {}, rf"{uninstall}\{code}"
    codes.append(msiexec("/i", old))  # refused: a newer one is installed
    all_entries = run(wine, "reg", "query", uninstall, "/s").stdout
    folder = (
        rf"C:\Program Files{' (x86)' * (arch == 'x86' and os.environ['WINEARCH'] == 'win64')}\EndNow"
        + "\\"
    )
    check(
        f"{arch}: exit codes {codes}, {entry}",
        installed_upgraded_refused_downgrade=codes[:2] == [0, 0] and codes[2] != 0,
        one_entry=len(re.findall(r"DisplayName\s+REG_SZ\s+EndNow$", all_entries, re.M)) == 1,
        entry=[
            entry.get(v)
            for v in ("DisplayName", "DisplayVersion", "Publisher", "NoModify", "InstallLocation")
        ]
        == ["EndNow", "2.0.0", "the EndNow authors", "0x1", folder],
        new_files_built_exe=all(
            read(f"{drive}/{folder[3:]}{n}".replace("\\", "/")) == read("zip", arch, n)
            for n in NAMES
        )
        and read("zip", arch) == read(None, arch),
        menu_key_path_in_its_view=(query(menu, view) or {}).get("StartMenu") == "0x1",
    )
    reg(r"HKCU\Software\Wine\Debug", "RelayInclude", "ExitWindowsEx")
    for name, _, flags in SHORTCUTS:
        links = glob.glob(f"{drive}/**/Programs/EndNow/{name.split('|')[-1]}.lnk", recursive=True)
        link = "C:\\" + os.path.relpath((links or [drive])[0], drive).replace("/", "\\")
        with open(f"{OUT}/{arch}-{flags}.log", "w") as log:  # start "" "...\Shut down.lnk"
            started = subprocess.run(
                [wine, "cmd", "/c", "start", '""', link],
                stderr=log,
                env={**os.environ, "WINEDEBUG": "+relay,+loaddll"},
            ).returncode
        subprocess.run(["wineserver", "-w"])  # the request ends the session
        loaded = f'Loaded L"{folder}endnow.exe"'.replace("\\", "\\\\") in open(log.name).read()
        calls = parse(log.name, "endnow.exe")
        check(
            f"{arch} {link}: start exits {started}, {calls}",
            installed_exe=loaded,
            flags=any(re.match(rf"ExitWindowsEx\({low(flags)},", c) for c in calls),
        )
    removed = msiexec("/x", new)
    left = glob.glob(f"{drive}/**/*EndNow*", recursive=True) + glob.glob(
        f"{drive}/windows/Installer/{code}"
    )
    check(
        f"{arch} removed: exit code {removed}, left {left}",
        uninstalled_leaving_nothing=removed == 0 and not left,
        no_registry_key=query(key) is None and query(menu, view) is None,
    )


if __name__ == "__main__":
    files() if sys.argv[1] == "files" else install(sys.argv[1])
    print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
    sys.exit(1 if False in results else 0)
