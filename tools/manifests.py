#!/usr/bin/python3
# tools/manifests.py DIST VERSION URL EPOCH: the package managers' manifests for the release in
# DIST, whose files are published under URL, written into DIST/manifests/ (docs/release.md):
# winget's three files and Chocolatey's .nupkg for the MSIs, Scoop's manifest for the zips. Every
# hash is that of the file in DIST, as published; every code, name and version is the MSI's own.
# None of them puts endnow.exe on PATH, where a mistyped command would restart the machine: winget
# and Chocolatey run the MSIs, which install no command, and Scoop makes shortcuts, not shims.
# Dates and times come from EPOCH, so that one commit gives the same bytes. tools/release.sh runs
# it; it then holds what it wrote to the manifests' rules (agree()) and exits 1 where one fails,
# and tests/e2e/release.py checks them again.
# Debian's own Python (python3-yaml and python3-pefile only for reading back).
import hashlib
import json
import os
import re
import subprocess
import sys
import time
import zipfile
from xml.sax.saxutils import escape

from check_exe import check, results
from check_release import table
from package import write_zip

WINGET_ID, SCHEMA = "EndNow.EndNow", "https://aka.ms/winget-manifest.{}.1.12.0.schema.json"
# Each architecture's names: the MSI's, the zip's build, Scoop's.
ARCHES = {"x86": ("win32", "32bit"), "x64": ("win64", "64bit")}
WARNING = (
    "Run with no argument, endnow.exe restarts the machine; with an argument it does not know, "
    "even /? or --help, it logs the user off."
)
SUMMARY = "Logs off, restarts or shuts down Windows after a one-second notice."
TAGS = ["logoff", "restart", "reboot", "shutdown", "power"]
# The shortcuts of the MSI's Start-menu folder, flat in Scoop's "Scoop Apps" folder.
SHORTCUTS = [["endnow.exe", "EndNow Restart"], ["endnow.exe", "EndNow Log off", "/L"]]
SHORTCUTS += [["endnow.exe", "EndNow Shut down", "/S"]]
NUSPEC = "http://schemas.microsoft.com/packaging/2015/06/nuspec.xsd"
XML_HEAD = '<?xml version="1.0" encoding="utf-8"?>'
MSI_TEXT = (
    "the MSI, for all users, into Program Files\\EndNow, with Restart, Log off and Shut down in "
    "the Start menu's EndNow folder; it puts nothing on PATH."
)


def digest(path):
    with open(path, "rb") as data:
        return hashlib.sha256(data.read()).hexdigest()


def scalar(text):
    # Plain only where YAML reads the text back as that string: a leading digit would make a
    # number or a date of it, a brace a mapping, a colon a key; JSON's quoting is YAML's too.
    plain = re.fullmatch(r"[A-Za-z][\w .()/-]*", text) and text.lower() not in ("yes", "no", "on")
    return text if plain else json.dumps(text)


# A mapping, given as (key, value) pairs, as YAML's block lines: a list's items each after a
# dash, a mapping's first key on its dash's line and the rest beneath it.
def block(fields, indent=""):
    lines = []
    for key, value in fields:
        if not isinstance(value, list):
            lines.append(f"{indent}{key}: {scalar(value)}")
            continue
        lines.append(f"{indent}{key}:")
        for item in value:
            if not isinstance(item, list):
                lines.append(f"{indent}- {scalar(item)}")
                continue
            inner = block(item, indent + "  ")
            lines += [f"{indent}- {inner[0].lstrip()}", *inner[1:]]
    return lines


def yaml(kind, fields):
    lines = [f"# yaml-language-server: $schema={SCHEMA.format(kind)}", "", *block(fields)]
    return "\n".join(lines + [f"ManifestType: {kind}", "ManifestVersion: 1.12.0", ""])


def winget(out, version, home, msis, date):
    head = [("PackageIdentifier", WINGET_ID), ("PackageVersion", version)]
    installers = []
    for arch, (url, sha, p) in msis.items():
        entry = [("DisplayName", p["ProductName"]), ("Publisher", p["Manufacturer"])]
        entry += [("DisplayVersion", p["ProductVersion"]), ("ProductCode", p["ProductCode"])]
        entry += [("UpgradeCode", p["UpgradeCode"])]
        installers.append(
            [("Architecture", arch), ("InstallerUrl", url), ("InstallerSha256", sha.upper())]
            + [("ProductCode", p["ProductCode"]), ("AppsAndFeaturesEntries", [entry])]
        )
    p = msis["x86"][2]
    files = {
        "": ("version", [*head, ("DefaultLocale", "en-US")]),
        ".locale.en-US": (
            "defaultLocale",
            [*head, ("PackageLocale", "en-US"), ("Publisher", p["Manufacturer"])]
            + [("PublisherUrl", home), ("PackageName", p["ProductName"]), ("PackageUrl", home)]
            + [("License", "MIT"), ("LicenseUrl", f"{home}LICENSE")]
            + [("ShortDescription", f"{SUMMARY} {WARNING}"), ("Tags", TAGS)],
        ),
        # The MSIs only: a zip would be a portable install, which puts its command on PATH.
        ".installer": (
            "installer",
            [*head, ("InstallerType", "msi"), ("Scope", "machine")]
            + [("UpgradeBehavior", "install"), ("ElevationRequirement", "elevationRequired")]
            + [("ReleaseDate", date), ("Installers", installers)],
        ),
    }
    folder = f"{out}/winget/{WINGET_ID}/{version}"
    os.makedirs(folder)
    for suffix, (kind, fields) in files.items():
        with open(f"{folder}/{WINGET_ID}{suffix}.yaml", "w", newline="\n") as manifest:
            manifest.write(yaml(kind, fields))


def chocolatey(out, version, home, msis, epoch):
    p = msis["x86"][2]
    metadata = [
        ("id", "endnow"),
        ("version", version),
        ("title", p["ProductName"]),
        ("authors", p["Manufacturer"]),
        ("projectUrl", home),
        ("licenseUrl", f"{home}LICENSE"),
        ("requireLicenseAcceptance", "false"),
        ("packageSourceUrl", home),
        ("summary", SUMMARY),
        ("description", f"{WARNING}\n\n{SUMMARY} This package installs {MSI_TEXT}"),
        ("tags", " ".join(TAGS)),
    ]
    nuspec = "".join(f"    <{k}>{escape(v)}</{k}>\n" for k, v in metadata)
    nuspec = (
        f'{XML_HEAD}\n<package xmlns="{NUSPEC}">\n  <metadata>\n{nuspec}  </metadata>\n</package>\n'
    )
    (url, sha, _), (url64, sha64, _) = msis["x86"], msis["x64"]
    # The MSI goes to Chocolatey's download cache, never into the package's folder, whose every
    # exe Chocolatey would shim onto PATH; the uninstall is Chocolatey's automatic one, by the
    # product code the MSI registers.
    script = f"""$ErrorActionPreference = 'Stop'
# {WARNING}
# The MSI installs no command; nothing here puts endnow.exe on PATH.
$packageArgs = @{{
  packageName    = $env:ChocolateyPackageName
  fileType       = 'msi'
  url            = '{url}'
  url64bit       = '{url64}'
  checksum       = '{sha}'
  checksumType   = 'sha256'
  checksum64     = '{sha64}'
  checksumType64 = 'sha256'
  silentArgs     = '/qn /norestart'
  validExitCodes = @(0, 3010, 1641)
}}
Install-ChocolateyPackage @packageArgs
"""
    # What every .nupkg holds beside the nuspec (Open Packaging Conventions): the content types,
    # the relationships, and the core properties, under a name and ids derived from the nuspec,
    # where NuGet would draw random ones.
    key = hashlib.sha256(nuspec.encode()).hexdigest()
    core = f"package/services/metadata/core-properties/{key[:32]}.psmdcp"
    opc, xml = "http://schemas.openxmlformats.org/package/2006", XML_HEAD
    types = [("rels", "application/vnd.openxmlformats-package.relationships+xml")]
    types += [("psmdcp", "application/vnd.openxmlformats-package.core-properties+xml")]
    types += [("nuspec", "application/octet"), ("ps1", "application/octet")]
    types = "".join(f'<Default Extension="{e}" ContentType="{t}" />' for e, t in types)
    rels = [("http://schemas.microsoft.com/packaging/2010/07/manifest", "/endnow.nuspec")]
    rels += [(f"{opc}/relationships/metadata/core-properties", f"/{core}")]
    rels = "".join(
        f'<Relationship Type="{t}" Target="{target}" Id="R{key[i * 16:i * 16 + 16].upper()}" />'
        for i, (t, target) in enumerate(rels)
    )
    properties = [("dc:creator", p["Manufacturer"]), ("dc:description", SUMMARY)]
    properties += [("dc:identifier", "endnow"), ("version", version), ("keywords", " ".join(TAGS))]
    properties = "".join(f"<{k}>{escape(v)}</{k}>" for k, v in properties)
    contents = [
        ("_rels/.rels", f'{xml}<Relationships xmlns="{opc}/relationships">{rels}</Relationships>'),
        ("endnow.nuspec", nuspec),
        ("tools/chocolateyInstall.ps1", script),
        (
            core,
            f'{xml}<coreProperties xmlns:dc="http://purl.org/dc/elements/1.1/" '
            f'xmlns="{opc}/metadata/core-properties">{properties}</coreProperties>',
        ),
        ("[Content_Types].xml", f'{xml}<Types xmlns="{opc}/content-types">{types}</Types>'),
    ]
    os.makedirs(f"{out}/chocolatey")
    contents = [(name, text.encode()) for name, text in contents]
    write_zip(f"{out}/chocolatey/endnow.{version}.nupkg", epoch, contents)


def scoop(out, version, home, zips):
    manifest = {
        "version": version,
        "description": f"{SUMMARY} {WARNING}",
        "homepage": home,
        "license": "MIT",
        "notes": [WARNING, "Start it from the EndNow shortcuts in the Start menu's Scoop Apps."],
        "architecture": {ARCHES[a][1]: {"url": url, "hash": sha} for a, (url, sha) in zips.items()},
        "extract_dir": f"EndNow-{version}",
        # No bin: a shim would put endnow on PATH.
        "shortcuts": SHORTCUTS,
    }
    os.makedirs(f"{out}/scoop")
    with open(f"{out}/scoop/endnow.json", "w", newline="\n") as written:
        written.write(json.dumps(manifest, indent=4) + "\n")


def write(dist, version, url, epoch):
    home = url.rstrip("/").rsplit("/", 1)[0] + "/"  # the folder above each version's
    msis, zips = {}, {}
    for arch, (build, _) in ARCHES.items():
        msi, archive = f"endnow-{version}-{arch}.msi", f"endnow-{version}-{build}.zip"
        properties = {k: v[0] for k, v in table(f"{dist}/{msi}", "Property").items() if v}
        msis[arch] = url + msi, digest(f"{dist}/{msi}"), properties
        zips[arch] = url + archive, digest(f"{dist}/{archive}")
    out = f"{dist}/manifests"
    date = time.strftime("%Y-%m-%d", time.gmtime(int(epoch)))
    winget(out, version, home, msis, date)
    chocolatey(out, version, home, msis, epoch)
    scoop(out, version, home, zips)


# The files' own word on their architecture: an MSI's template, a zipped exe's machine.
def arch(path):
    if path.endswith(".msi"):
        info = subprocess.run(["msiinfo", "suminfo", path], capture_output=True, text=True)
        platform = re.search(r"^Template: ([^;]*);", info.stdout, re.M)[1]
        return {"Intel": "x86"}.get(platform, platform)
    import pefile

    archive = zipfile.ZipFile(path)
    exe = next(n for n in archive.namelist() if n.endswith(".exe"))
    machine = pefile.PE(data=archive.read(exe), fast_load=True).FILE_HEADER.Machine
    return {0x14C: "x86", 0x8664: "x64"}.get(machine, hex(machine))


def pairs(doc, key=None):  # every scalar of a loaded document with its key, lists' under theirs
    if isinstance(doc, (dict, list)):
        for k, v in doc.items() if isinstance(doc, dict) else ((key, v) for v in doc):
            yield from pairs(v, k)
    else:
        yield key, doc


# The manifests as the managers read them: winget's YAML by kind and each file's first line, the
# nuspec's metadata (its namespace as "xmlns"), the install script's code and arguments, Scoop's
# JSON, the .nupkg's entries; every key anywhere in winget's and Scoop's; and every file they
# name, as (manager, architecture, URL, hash).
def load(dist, version):
    import yaml
    from xml.etree import ElementTree

    folder, winget, heads = f"{dist}/manifests/winget/{WINGET_ID}/{version}", {}, {}
    for kind, suffix in (
        ("version", ""),
        ("defaultLocale", ".locale.en-US"),
        ("installer", ".installer"),
    ):
        with open(f"{folder}/{WINGET_ID}{suffix}.yaml") as manifest:
            text = manifest.read()
        heads[kind], winget[kind] = text.split("\n")[0], yaml.safe_load(text)
    nupkg = zipfile.ZipFile(f"{dist}/manifests/chocolatey/endnow.{version}.nupkg")
    root = ElementTree.fromstring(nupkg.read("endnow.nuspec"))
    nuspec = {e.tag.split("}")[-1]: e.text for e in root.iter()} | {"xmlns": root.tag[1:-8]}
    code = nupkg.read("tools/chocolateyInstall.ps1").decode().splitlines()
    code = [line for line in code if not line.startswith("#")]
    args = dict(re.findall(r"^ +(\w+) += '?(.*?)'?$", "\n".join(code), re.M))
    with open(f"{dist}/manifests/scoop/endnow.json") as manifest:
        scoop = json.load(manifest)
    named = [
        ("winget", i.get("Architecture"), i.get("InstallerUrl"), i.get("InstallerSha256"))
        for i in winget["installer"].get("Installers", [])
    ]
    for arch, url, checksum in ("x86", "url", "checksum"), ("x64", "url64bit", "checksum64"):
        named.append(("chocolatey", arch, args.get(url), args.get(checksum)))
    bits = {"32bit": "x86", "64bit": "x64"}
    named += [
        ("scoop", bits.get(a, a), v.get("url"), v.get("hash"))
        for a, v in scoop.get("architecture", {}).items()
    ]
    keys = re.findall(r'"(\w+)": ', json.dumps([*winget.values(), scoop], default=str))
    return dict(
        winget=winget,
        heads=heads,
        nuspec=nuspec,
        code=code,
        args=args,
        scoop=scoop,
        nupkg=nupkg.namelist(),
        keys=keys,
        named=named,
    )


# What each published schema requires (winget's 1.12.0 ones, the nuspec XSD, Scoop's schema.json),
# as strings; what would put endnow on PATH: a winget command or portable install, a Chocolatey
# shim (of an exe in the package's folder, or by Install-BinFile), a Scoop shim, PATH or script.
REQUIRED = dict(
    line.split(" ", 1)
    for line in """version DefaultLocale
defaultLocale PackageLocale Publisher PackageName License ShortDescription
Installers Architecture InstallerUrl InstallerSha256
nuspec id version authors description
scoop version homepage license""".splitlines()
)
ARP = "DisplayName Publisher DisplayVersion ProductCode UpgradeCode".split()
MSI = "ProductName Manufacturer ProductVersion ProductCode UpgradeCode".split()
ON_PATH = r"Commands|Nested|Portable|BinFile|Zip|Path|toolsDir|\.exe|^bin$|^env_|install(er)?$"
WINGET_HEAD = "# yaml-language-server: $schema=https://aka.ms/winget-manifest.{}.1.12.0.schema.json"
NUSPEC_XMLNS = "http://schemas.microsoft.com/packaging/2015/06/nuspec.xsd"


# Checks the manifests in dist against the release's files and MSIs and the published schemas,
# with literals of its own rather than the writer's: tools/release.sh refuses a release that
# fails, and tests/e2e/release.py checks it again.
def agree(dist, version, address):
    m = load(dist, version)
    sums, got, want = dict(reversed(line.split()) for line in open(f"{dist}/SHA256SUMS")), {}, {}
    for n, (manager, word, url, digest) in enumerate(m["named"]):
        name = str(url).removeprefix(address)
        path = f"{dist}/{name}" * (name in sums)
        data = open(path, "rb").read() if os.path.isfile(path) else b""
        key, sha = f"{manager} {word} ({n})", sums.get(name)
        got[key] = [url, str(digest).lower(), hashlib.sha256(data).hexdigest(), data and arch(path)]
        want[key] = [address + name, sha, sha, word]
    msi = [table(f"{dist}/endnow-{version}-{a}.msi", "Property") for a in ARCHES]
    arp = [dict(zip(ARP, (t[k][0] for k in MSI))) for t in msi]
    w, meta, scoop = m["winget"], m["nuspec"], m["scoop"]
    inst, locale = w["installer"].get("Installers", []), w["defaultLocale"]
    got["codes"] = [[i.get("ProductCode"), *i.get("AppsAndFeaturesEntries", [])] for i in inst]
    want["codes"] = [[a["ProductCode"], a] for a in arp]
    names = [*map(locale.get, ("PackageName", "Publisher")), *map(meta.get, ("title", "authors"))]
    versions = [d.get("PackageVersion") for d in w.values()] + [meta.get("version")]
    got["names"] = names + [meta.get("id")] + versions + [scoop.get("version")]
    want["names"] = [arp[0]["DisplayName"], arp[0]["Publisher"]] * 2 + ["endnow"] + [version] * 5
    fields = ("PackageIdentifier", "ManifestType", "ManifestVersion")
    got["winget's schemas"] = [(m["heads"][k], *map(d.get, fields)) for k, d in w.items()]
    want["winget's schemas"] = [(WINGET_HEAD.format(k), "EndNow.EndNow", k, "1.12.0") for k in w]
    found = [*w.items(), ("nuspec", meta), ("scoop", scoop)] + [("Installers", i) for i in inst]
    got["missing"] = [(k, f) for k, d in found for f in REQUIRED.get(k, "").split() if not d.get(f)]
    got["not strings"] = [v for _, d in found for _, v in pairs(d) if not isinstance(v, str)]
    got["nuspec's namespace"], want["missing"], want["not strings"] = meta["xmlns"], [], []
    want["nuspec's namespace"], want["on PATH"] = NUSPEC_XMLNS, ["msi", "msi"]
    types = [i.get("InstallerType", w["installer"].get("InstallerType")) for i in inst]
    got["on PATH"] = [k for k in m["keys"] + m["code"] + m["nupkg"] if re.search(ON_PATH, k, re.I)]
    got["on PATH"] += types
    for what, value in got.items():
        check(f"{what}: {value}", as_the_release_and_schemas_have_it=value == want[what])


if __name__ == "__main__":
    write(*sys.argv[1:5])
    agree(*sys.argv[1:4])
    print(f"e2e: {results.count(True)} passed, {results.count(False)} failed")
    sys.exit(1 if False in results else 0)
