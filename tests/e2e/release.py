#!/usr/bin/env python3
# release.py files|x86|x64: the release test.sh has made with tools/release.sh: dist/, and under
# build/release/ (tools/release-fixtures.sh) the same signed with a throwaway certificate
# (signed/), and from a copy of the tree at another path the same made again (again/) and the
# release of the copy's version changed (old/), to upgrade from.
#
# files    the zips and MSIs as files, their sums, the signatures, the copy's bytes, the version
#          each release carries everywhere, the codes docs/admin.md gives, the package managers'
#          manifests (made for the address ENDNOW_RELEASE_URL) against the files and MSIs.
# x86|x64  under Wine (through wine-run.sh): the older one, then this one over it, a refused
#          downgrade, each shortcut started as Explorer starts it, then the uninstall.
# Prints a line per check, then "e2e: N passed, M failed".
import glob, os, re, subprocess, sys, zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import ROOT, check, results
from check_release import table, versions
from manifests import agree
from prefix import under
from wine_calls import low, parse, query, reg

OUT, DIST = f"{ROOT}/build/release", f"{ROOT}/dist"
NAMES = ["endnow.exe", "README.txt", "LICENSE.txt"]
BUILD, MENU = {"x86": "win32", "x64": "win64"}, r"HKLM\Software\EndNow"
UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
SOURCE = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\EndNow"


def version(tree):  # as the tree's build gives it
    return open(f"{tree}/build/win32/version.txt").read().strip()


VERSION, OLD = version(ROOT), version(f"{OUT}/copy")


def run(*command, cwd=None):
    return subprocess.run(command, capture_output=True, text=True, cwd=cwd)


def zipped(arch, dist=DIST):
    return zipfile.ZipFile(f"{dist}/endnow-{VERSION}-{BUILD[arch]}.zip")


def files():
    zipped("x86", f"{OUT}/signed").extract(f"EndNow-{VERSION}/endnow.exe", OUT)
    signed = [f"{OUT}/EndNow-{VERSION}/endnow.exe", *glob.glob(f"{OUT}/signed/*.msi")]
    verified = [
        run("osslsigncode", "verify", "-CAfile", f"{OUT}/cert.pem", "-in", f).returncode
        for f in signed
    ]

    def tree(d):  # SHA256SUMS and the manifests, by their paths in the release
        found = [f for f in under(d, "manifests/*") if os.path.isfile(f)] + [f"{d}/SHA256SUMS"]
        return {os.path.relpath(f, d): open(f, "rb").read() for f in found}

    same = tree(f"{OUT}/again") == tree(DIST)
    check(
        f"osslsigncode verify exits {verified}",
        five_files_and_manifests=len(os.listdir(DIST)) == 6,
        same_bytes_from_the_copy=same,
        exe_and_both_msis_signed=verified == [0, 0, 0],
    )
    for tree, dist in (ROOT, DIST), (f"{OUT}/copy", f"{OUT}/old"):
        versions(tree, dist)
    docs = "".join(open(f).read() for f in [f"{ROOT}/README.md", *glob.glob(f"{ROOT}/docs/*.md")])
    rows = re.findall(r"^\| (x86|x64) ([\d.]+) \| (\{\S+\}) \| (\{\S+\}) \|$", docs, re.M)
    codes = [(a, table(f"{DIST}/endnow-{VERSION}-{a}.msi", "Property")) for a in BUILD]
    codes = [(a, VERSION, c["ProductCode"][0], c["UpgradeCode"][0]) for a, c in codes]
    check(
        f"docs/admin.md's codes {rows}",
        those_of_the_msis=rows == codes,
        no_doc_names_a_versioned_file=not re.search(r"endnow-\d+\.\d+\.\d+-", docs),
    )

    agree(DIST, VERSION, os.environ["ENDNOW_RELEASE_URL"])


def install(arch):
    wine, drive = os.environ["WINETOOL"], os.environ["WINEPREFIX"] + "/drive_c"
    # On 64-bit Windows the installer writes a 32-bit package's keys in the 32-bit view.
    view = "/reg:64" if arch == "x64" else "/reg:32"

    def msiexec(option, dist, version):
        msi = "Z:" + f"{dist}/endnow-{version}-{arch}.msi".replace("/", "\\")
        return run(wine, "msiexec", option, msi, "/qn").returncode

    # The older one, then this one over it, then the older one again, refused: a newer one is
    # there.
    codes = [msiexec("/i", *r) for r in ((f"{OUT}/old", OLD), (DIST, VERSION), (f"{OUT}/old", OLD))]
    key = (
        UNINSTALL
        + "\\"
        + table(f"{DIST}/endnow-{VERSION}-{arch}.msi", "Property")["ProductCode"][0]
    )
    entry = query(key, view) or {}
    wow64 = arch == "x86" and os.environ["WINEARCH"] == "win64"
    folder = rf"C:\Program Files{' (x86)' * wow64}\EndNow" + "\\"
    path = f"{drive}/{folder[3:]}".replace("\\", "/")
    fields = ["DisplayName", "DisplayVersion", "Publisher", "NoModify", "InstallLocation"]
    entries = (run(wine, "reg", "query", UNINSTALL, "/s", view).stdout).count("REG_SZ    EndNow\n")
    new = [open(path + n, "rb").read() for n in NAMES]
    source = query(SOURCE, view) or {}
    check(
        f"{arch}: exit codes {codes}, {entry}, event source {source}",
        installed_upgraded_refused_downgrade=codes[:2] == [0, 0] and codes[2] != 0,
        one_entry=entries == 1,
        entry=[entry.get(v) for v in fields]
        == ["EndNow", VERSION, "the EndNow authors", "0x1", folder],
        # The zipped files, whose exe the release checked is the one built.
        new_files=new == [zipped(arch).read(f"EndNow-{VERSION}/{n}") for n in NAMES],
        menu_key_path_in_its_view=(query(MENU, view) or {}).get("StartMenu") == "0x1",
        event_source=[source.get("EventMessageFile"), source.get("TypesSupported")]
        == [folder + "endnow.exe", "0x7"],
    )
    reg(r"HKCU\Software\Wine\Debug", "RelayInclude", "ExitWindowsEx")
    for name, flags in ("Restart", 2), ("Log off", 0), ("Shut down", 8):  # Windows 7's power off
        links = under(drive, f"*/Programs/EndNow/{name}.lnk") or [drive]
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
    removed = msiexec("/x", DIST, VERSION)
    left = under(drive, "*EndNow*") + glob.glob(f"{drive}/*/Installer/{{*")
    check(
        f"{arch} removed: exit code {removed}, left {left}",
        uninstalled_leaving_nothing=removed == 0 and not left,
        no_registry_key=[query(k, view) for k in (key, MENU, SOURCE)] == [None] * 3,
    )


if __name__ == "__main__":
    files() if sys.argv[1] == "files" else install(sys.argv[1])
    print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
    sys.exit(1 if False in results else 0)
