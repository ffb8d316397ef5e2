#!/usr/bin/python3
# tools/package.py: the parts of a release that must come out the same from every clean clone,
# for tools/release.sh (Debian's own Python: it has the bindings to msitools' libmsi).
#
# defines VERSION x86|x64         the .wxs variables, one NAME=VALUE a line
# zip OUT TOP EPOCH FILE...        a zip of the files under the folder TOP, with fixed times,
#                                  order and attributes
# finish MSI EPOCH VERSION ARCH    makes what wixl writes reproducible and as Windows wants it,
#                                  and fails naming each rule the package breaks
import hashlib
import os
import sys
import time
import uuid
import zipfile

# Fixed for good: all the codes below are derived from it. The upgrade codes must never change,
# or a new package would install beside the old one instead of replacing it.
NAMESPACE = uuid.UUID("5d0c1a3e-6b3f-4d2c-9a61-2f4e8c7b9e10")
UPGRADE = {
    "x86": "8f6a2d1c-3b5e-4f70-9c2a-6d1e4b3a5f01",
    "x64": "8f6a2d1c-3b5e-4f70-9c2a-6d1e4b3a5f02",
}


def guid(*words):
    return str(uuid.uuid5(NAMESPACE, " ".join(words))).upper()


def defines(version, arch):
    win64 = arch == "x64"
    print(f"Version={version}")
    print(f"Arch={arch}")
    # A new product code for every version and architecture: a major upgrade needs one.
    print(f"ProductCode={guid('product', version, arch)}")
    print(f"UpgradeCode={UPGRADE[arch].upper()}")
    # A component keeps its code while it installs the same things to the same place; the two
    # architectures install to different places, so their components differ.
    print(f"ProgramGuid={guid('component Program', arch)}")
    print(f"MenuGuid={guid('component Menu', arch)}")
    print(f"EventSourceGuid={guid('component EventSource', arch)}")
    print(f"Win64={'yes' if win64 else 'no'}")
    print(f"ProgramFiles={'ProgramFiles64Folder' if win64 else 'ProgramFilesFolder'}")


def make_zip(out, top, epoch, files):
    contents = []
    for path in files:
        with open(path, "rb") as data:
            contents.append((f"{top}/{os.path.basename(path)}", data.read()))
    write_zip(out, epoch, contents)


def write_zip(out, epoch, contents):  # each (name, bytes) in the order given
    stamp = time.gmtime(max(int(epoch), 315532800))[:6]  # a zip's clock starts in 1980
    with zipfile.ZipFile(out, "w") as archive:
        for name, data in contents:
            entry = zipfile.ZipInfo(name, stamp)
            entry.create_system = 0  # MS-DOS: the attributes are Windows' own
            entry.external_attr = 0x20  # archive, as a file fresh from a download
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, data, compresslevel=9)


def finish(msi, epoch, version, arch):
    import gi

    gi.require_version("Libmsi", "1.0")
    from gi.repository import Libmsi

    # A FILETIME: hundreds of nanoseconds since 1601.
    filetime = (int(epoch) + 11644473600) * 10**7

    def rewrite(package_code, *queries):
        db = Libmsi.Database.new(msi, Libmsi.DbFlags.TRANSACT, None)
        for query in queries:
            Libmsi.Query.new(db, query).execute(None)
        info = Libmsi.SummaryInfo.new(db, 3)
        info.set_string(Libmsi.Property.UUID, "{%s}" % package_code)
        for when in Libmsi.Property.CREATED_TM, Libmsi.Property.LASTSAVED_TM:
            info.set_filetime(when, filetime)
        info.persist()
        db.commit()

    # wixl leaves the exe without its version, which Windows' file rules go by (and a
    # versioned file takes no hash), and puts the install location's custom action after
    # InstallFinalize, too late for RegisterProduct to write it.
    rewrite(
        "00000000-0000-0000-0000-000000000000",
        f"UPDATE `File` SET `Version` = '{version}.0', `Language` = '1033' "
        "WHERE `File` = 'endnow.exe'",
        "DELETE FROM `MsiFileHash` WHERE `File_` = 'endnow.exe'",
        "UPDATE `InstallExecuteSequence` SET `Sequence` = 1001 "
        "WHERE `Action` = 'SetInstallLocation'",
    )
    # The package code names these bytes: derived from them, it changes whenever they do, and
    # only then (wixl would write a random one, and the clock's time).
    with open(msi, "rb") as package:
        digest = hashlib.sha256(package.read()).hexdigest()
    rewrite(guid("package", digest))
    broken = validate(Libmsi.Database.new(msi, Libmsi.DbFlags.READONLY, None), Libmsi, arch)
    if broken:
        sys.exit(f"{msi}: " + "; ".join(broken))


# Some of the rules Windows Installer's validation (the ICEs that WiX runs on every build, and
# wixl does not) holds a package to, as this one meets them: the broken ones.
def validate(db, Libmsi, arch):
    def rows(query):  # each row's columns as text
        found = Libmsi.Query.new(db, query)
        found.execute(None)
        while record := found.fetch():
            yield [record.get_string(i) for i in range(1, record.get_field_count() + 1)]

    features = {f for f, in rows("SELECT `Feature` FROM `Feature`")}
    components = dict(rows("SELECT `Component`, `Attributes` FROM `Component`"))
    keys = dict(rows("SELECT `Component`, `KeyPath` FROM `Component`"))
    roots = dict(rows("SELECT `Registry`, `Root` FROM `Registry`"))
    removed = {
        d for d, name in rows("SELECT `DirProperty`, `FileName` FROM `RemoveFile`") if not name
    }
    links = list(rows("SELECT `Directory_`, `Component_`, `Target` FROM `Shortcut`"))
    bits = {int(a) & 256 for a in components.values()}
    return [
        rule
        for rule, holds in [
            (
                "ICE80: every component 64-bit in the x64 package, none in x86",
                bits == {256 * (arch == "x64")},
            ),
            (
                "not advertised: each shortcut's target is a file, not a feature",
                all(t not in features for _, _, t in links),
            ),
            (
                "ICE38/57: a shortcut's component has an HKLM value as its key path",
                all(int(components[c]) & 4 and roots.get(keys[c]) == "2" for _, c, _ in links),
            ),
            (
                "ICE64: the shortcuts' folder is removed on uninstall",
                {d for d, _, _ in links} <= removed,
            ),
        ]
        if not holds
    ]


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    if command == "defines":
        defines(*args)
    elif command == "zip":
        make_zip(args[0], args[1], args[2], args[3:])
    else:
        finish(*args)
