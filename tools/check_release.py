#!/usr/bin/python3
# tools/check_release.py TREE DIST: what each package of the release in DIST holds, and the
# version TREE's CMakeLists.txt gives, as every part of the release carries it: the build's
# version.txt, the files' names, the zips' folder, each
# exe's version record (its numbers, and its texts as major.minor with two digits) and manifest,
# each MSI's ProductVersion and its File table's version of the exe. tools/release.sh runs it on
# each release it makes, and fails one that disagrees with itself; tests/e2e/release.py on the
# release and on the older one it upgrades from. Prints a line per package, then "e2e: N passed,
# M failed". Debian's own Python, which has python3-pefile.
import os
import re
import subprocess
import sys
import zipfile

import pefile

from check_exe import check, results

BUILD = {"x86": "win32", "x64": "win64"}


def table(msi, name):  # an MSI table's rows by their first column
    found = subprocess.run(["msiinfo", "export", msi, name], capture_output=True, text=True)
    return {r.split("\t")[0]: r.split("\t")[1:] for r in found.stdout.splitlines()[3:]}


def signed(exe):  # an Authenticode signature in its security directory
    return pefile.PE(data=exe, fast_load=True).OPTIONAL_HEADER.DATA_DIRECTORY[4].VirtualAddress != 0


# What each architecture's zip and MSI hold: the exe built, the texts with CRLF line ends (Notepad
# before Windows 10 1809 shows bare line feeds as one line), within the sizes a download of a
# 28 KiB tool should have; and SHA256SUMS for the four.
def files(tree, dist, version):
    names = ["endnow.exe", "README.txt", "LICENSE.txt"]
    for arch, build in BUILD.items():
        archive = zipfile.ZipFile(f"{dist}/endnow-{version}-{build}.zip")
        texts = [archive.read(f"EndNow-{version}/{n}") for n in names]
        sizes = os.path.getsize(archive.filename), os.path.getsize(
            f"{dist}/endnow-{version}-{arch}.msi"
        )
        check(
            f"{dist} {arch}: {[len(t) for t in texts]} bytes zipped, zip and MSI {sizes} bytes",
            zip_holds_these=archive.namelist() == [f"EndNow-{version}/{n}" for n in names],
            # A signed exe is the built one with its signature; osslsigncode verify checks those.
            built_exe=signed(texts[0])
            or texts[0] == open(f"{tree}/build/{build}/endnow.exe", "rb").read(),
            texts_in_crlf=all(t.count(b"\n") == t.count(b"\r\n") > 10 for t in texts[1:]),
            zip_within_24_KiB_msi_64_KiB=sizes[0] <= 24 * 1024 and sizes[1] <= 64 * 1024,
        )
    sums = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=dist, capture_output=True)
    check(f"{dist}/SHA256SUMS", sums_of_four=sums.stdout.count(b": OK") == 4)


def versions(tree, dist):
    cmake = open(f"{tree}/CMakeLists.txt").read()
    wanted = re.search(r"^project\(EndNow VERSION ([\d.]+)", cmake, re.M)[1]
    built = open(f"{tree}/build/win32/version.txt").read().strip()
    numbers = [*map(int, wanted.split(".")), 0]
    text = f"{numbers[0]}.{numbers[1]:02}"
    names = sorted(f"endnow-{wanted}-{n}" for n in ("win32.zip", "win64.zip", "x86.msi", "x64.msi"))
    for arch, build in BUILD.items():
        archive = zipfile.ZipFile(f"{dist}/endnow-{wanted}-{build}.zip")
        top = {n.split("/")[0] for n in archive.namelist()}
        exe = pefile.PE(data=archive.read(f"EndNow-{wanted}/endnow.exe"))
        fixed = exe.VS_FIXEDFILEINFO[0]
        words = [getattr(fixed, f"{k}Version{h}S") for k in ("File", "Product") for h in "ML"]
        words = [w >> s & 0xFFFF for w in words for s in (16, 0)]
        tables = [t for i in exe.FileInfo[0] if i.Key == b"StringFileInfo" for t in i.StringTable]
        record = {k.decode(): v.decode() for t in tables for k, v in t.entries.items()}
        manifest = re.search(rb'<assemblyIdentity[^>]* version="([\d.]+)"', exe.__data__)[1]
        msi = f"{dist}/endnow-{wanted}-{arch}.msi"
        check(
            f"{dist} {arch}: {wanted}, built {built}, {sorted(top)}, record {words} "
            f"{record.get('FileVersion')}, manifest {manifest.decode()}",
            build_gives_it=built == wanted,
            files_named_by_it=sorted(set(os.listdir(dist)) - {"SHA256SUMS", "manifests"}) == names,
            zip_folder=top == {f"EndNow-{wanted}"},
            version_record=words == numbers * 2,
            record_texts={record.get(f"{k}Version") for k in ("File", "Product")} == {text},
            manifest=manifest.decode() == f"{wanted}.0",
            msi_product_version=table(msi, "Property")["ProductVersion"] == [wanted],
            msi_file_version=table(msi, "File")["endnow.exe"][3] == f"{wanted}.0",
        )
    return wanted


if __name__ == "__main__":
    files(*sys.argv[1:3], versions(*sys.argv[1:3]))
    print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
    sys.exit(1 if False in results else 0)
