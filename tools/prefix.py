#!/usr/bin/python3
# tools/prefix.py: the Wine prefixes' files, for tools/wine.sh.
#
# sandbox PREFIX      makes each link under drive_c that leads out of the prefix (Desktop,
#                     Documents, ... to the user's home) a real empty folder, as winetricks'
#                     sandbox does: no program in the prefix reaches the user's files, and a walk
#                     of the prefix never comes back into it through the home that holds it
# copy BASE PREFIX    PREFIX a copy of the booted BASE, its large files (Wine's DLLs, written at
#                     boot and never again) hard links to BASE's, made read-only
# share DIR...        the identical large files of the prefixes under DIR made one (hard links):
#                     a WoW64 prefix's syswow64 holds the 32-bit prefix's system32 again
# check PREFIX...     one check a prefix: no link under its drive_c leads out of it
import filecmp
import fnmatch
import os
import shutil
import stat
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_exe import check, results

LARGE = 64 * 1024  # below it copied, as are the registry's files, which Wine rewrites


# The paths below top whose path from top matches the pattern, following no link: a walk that
# followed Wine's links from the user's folders could leave the prefix, or go round for ever.
def under(top, pattern="*"):
    found = (os.path.join(d, n) for d, dirs, files in os.walk(top) for n in dirs + files)
    return [p for p in found if fnmatch.fnmatch(os.path.relpath(p, top), pattern)]


def links_out(prefix):
    inside = os.path.realpath(prefix) + os.sep
    for path in under(f"{prefix}/drive_c"):
        if os.path.islink(path) and not os.path.realpath(path).startswith(inside):
            yield path


def sandbox(prefix):
    for path in list(links_out(prefix)):
        os.unlink(path)
        os.mkdir(path)


def shared(path):
    info = os.lstat(path)
    return stat.S_ISREG(info.st_mode) and info.st_size >= LARGE and not path.endswith(".reg")


def copy(base, prefix):
    def link(source, target):
        if not shared(source):
            return shutil.copy2(source, target)
        os.chmod(source, os.lstat(source).st_mode & ~0o222)  # no test writes the base through it
        os.link(source, target)

    shutil.copytree(base, f"{prefix}.part", symlinks=True, copy_function=link)
    os.rename(f"{prefix}.part", prefix)


# A copy of the booted BASE at PREFIX whose system folder holds LIBRARY in place of the one of
# its name: the 32-bit folder (syswow64 in a WoW64 prefix) for a 32-bit library. The file there
# may be a link to BASE's: it is replaced, never written through.
def copy_with(base, prefix, library, bits):
    shutil.rmtree(prefix, ignore_errors=True)
    copy(base, prefix)
    system = f"{prefix}/drive_c/windows/syswow64"
    if bits == 64 or not os.path.isdir(system):
        system = f"{prefix}/drive_c/windows/system32"
    os.remove(f"{system}/{os.path.basename(library)}")
    shutil.copy(library, system)


def share(*dirs):
    seen = {}
    for top, _, files in (w for d in dirs for w in os.walk(d)):
        for path in (os.path.join(top, f) for f in files):
            if not shared(path):
                continue
            key = os.path.basename(path).lower(), os.path.getsize(path)
            first = seen.setdefault(key, path)
            if first == path or os.path.samefile(first, path):
                continue
            if filecmp.cmp(first, path, shallow=False):
                # The one with more links stays: copies made already keep sharing it.
                if os.stat(path).st_nlink > os.stat(first).st_nlink:
                    first, path = path, first
                    seen[key] = first
                os.link(first, f"{path}.shared")
                os.replace(f"{path}.shared", path)


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    if command == "check":
        for prefix in args:
            out = list(links_out(prefix))
            check(f"{prefix}: links out of it {out}", no_link_out_of_the_prefix=not out)
        print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
        sys.exit(1 if False in results else 0)
    {"sandbox": sandbox, "copy": copy, "share": share}[command](*args)
