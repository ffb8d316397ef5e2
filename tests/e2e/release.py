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

OUT, DIST = f"{ROOT}/build/release", f"{ROOT}/dist"
NAMES = ["endnow.exe", "README.txt", "LICENSE.txt"]
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
        sizes = os.path.getsize(zipped(arch).filename), os.path.getsize(
            f"{DIST}/endnow-2.0.0-{arch}.msi"
        )
        check(
            f"{arch}: {[len(t) for t in texts]} bytes zipped, zip and MSI {sizes} bytes",
            zip_holds_these=zipped(arch).namelist() == [f"EndNow-2.0.0/{n}" for n in NAMES],
            built_exe=texts[0] == built(arch),
            texts_in_crlf=all(t.count(b"\n") == t.count(b"\r\n") > 10 for t in texts[1:]),
            zip_within_24_KiB_msi_64_KiB=sizes[0] <= 24 * 1024 and sizes[1] <= 64 * 1024,
        )
    sums = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=DIST, capture_output=True).stdout
    sums = sums.decode()
    zipped("x86", f"{OUT}/signed").extract("EndNow-2.0.0/endnow.exe", OUT)
    signed = [f"{OUT}/EndNow-2.0.0/endnow.exe", *glob.glob(f"{OUT}/signed/*.msi")]
    verified = [
        run("osslsigncode", "verify", "-CAfile", f"{OUT}/cert.pem", "-in", f).returncode
        for f in signed
    ]
    same = open(f"{OUT}/copy/dist/SHA256SUMS").read() == open(f"{DIST}/SHA256SUMS").read()
    check(
        f"{sums.split()}, osslsigncode verify exits {verified}",
        sums_of_four=sums.count(": OK") == 4 and len(os.listdir(DIST)) == 5,
        same_bytes_from_the_copy=same,
        exe_and_both_msis_signed=verified == [0, 0, 0],
    )


def query(key, *view):  # a key's values, None when it is missing
    found = run(os.environ["WINETOOL"], "reg", "query", key, *view)
    fields = [line.split(None, 2) for line in found.stdout.splitlines()]
    return {f[0]: f[2] for f in fields if len(f) == 3} if found.returncode == 0 else None


def install(arch):
    wine, drive = os.environ["WINETOOL"], os.environ["WINEPREFIX"] + "/drive_c"
    view = "/reg:64" if arch == "x64" else "/reg:32"

    def msiexec(option, dist, version):
        msi = "Z:" + f"{dist}/endnow-{version}-{arch}.msi".replace("/", "\\")
        return run(wine, "msiexec", option, msi, "/qn").returncode

    # 1.9.0, then this one over it, then 1.9.0 again, refused: a newer one is there.
    codes = [msiexec("/i", *old) for old in ((f"{OUT}/old", "1.9.0"), (DIST, "2.0.0"))]
    codes.append(msiexec("/i", f"{OUT}/old", "1.9.0"))
    found = run("msiinfo", "export", f"{DIST}/endnow-2.0.0-{arch}.msi", "Property").stdout
    key = UNINSTALL + "\\" + re.search(r"^ProductCode\t(.+)$", found, re.M)[1]
    entry = query(key) or {}
    wow64 = arch == "x86" and os.environ["WINEARCH"] == "win64"
    folder = rf"C:\Program Files{' (x86)' * wow64}\EndNow" + "\\"
    path = f"{drive}/{folder[3:]}".replace("\\", "/")
    fields = ["DisplayName", "DisplayVersion", "Publisher", "NoModify", "InstallLocation"]
    entries = run(wine, "reg", "query", UNINSTALL, "/s").stdout.count("REG_SZ    EndNow\n")
    new = all(open(path + n, "rb").read() == zipped(arch).read(f"EndNow-2.0.0/{n}") for n in NAMES)
    check(
        f"{arch}: exit codes {codes}, {entry}",
        installed_upgraded_refused_downgrade=codes[:2] == [0, 0] and codes[2] != 0,
        one_entry=entries == 1,
        entry=[entry.get(v) for v in fields]
        == ["EndNow", "2.0.0", "the EndNow authors", "0x1", folder],
        new_files=new and open(path + "endnow.exe", "rb").read() == built(arch),
        menu_key_path_in_its_view=(query(MENU, view) or {}).get("StartMenu") == "0x1",
    )
    reg(r"HKCU\Software\Wine\Debug", "RelayInclude", "ExitWindowsEx")
    for name, flags in ("Restart", 2), ("Log off", 0), ("Shut down", 8):  # Windows 7's power off
        links = glob.glob(f"{drive}/**/Programs/EndNow/{name}.lnk", recursive=True) or [drive]
        link, trace = "C:\\" + os.path.relpath(links[0], drive), f"{OUT}/{arch}-{flags}.log"
        with open(trace, "w") as log:  # start "" "...\Shut down.lnk"
            command = [wine, "cmd", "/c", "start", '""', link.replace("/", "\\")]
            environment = {**os.environ, "WINEDEBUG": "+relay,+loaddll"}
            started = subprocess.run(command, stderr=log, env=environment)
        subprocess.run(["wineserver", "-w"])  # the request ends the session
        calls, loaded = parse(trace, "endnow.exe"), f'Loaded L"{folder}endnow.exe"'
        check(
            f"{arch} {link}: start exits {started.returncode}, {calls}",
            installed_exe=loaded.replace("\\", "\\\\") in open(trace).read(),
            flags=any(re.match(rf"ExitWindowsEx\({low(flags)},", c) for c in calls),
        )
    removed = msiexec("/x", DIST, "2.0.0")
    left = glob.glob(f"{drive}/**/*EndNow*", recursive=True) + glob.glob(f"{drive}/*/Installer/{{*")
    check(
        f"{arch} removed: exit code {removed}, left {left}",
        uninstalled_leaving_nothing=removed == 0 and not left,
        no_registry_key=query(key) is None and query(MENU, view) is None,
    )


if __name__ == "__main__":
    files() if sys.argv[1] == "files" else install(sys.argv[1])
    print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
    sys.exit(1 if False in results else 0)
