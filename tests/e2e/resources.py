#!/usr/bin/env python3
"""Reads the built executable's resources back: the version record, the icon
and the manifest. Prints a line per check and a summary; exits 1 on any failure.

    resources.py ENDNOW.EXE MAKE_ICON.PY
"""
import importlib.util
import struct
import sys

import pefile

from checks import check, summary

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def resources(pe):
    """{type: {id: bytes}} for the first language of every entry."""
    out = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for entry in kind.directory.entries:
            lang = entry.directory.entries[0]
            data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
            out.setdefault(kind.id, {})[entry.id if entry.id is not None else str(entry.name)] = data
    return out


def main(exe, make_icon):
    pe = pefile.PE(exe)
    res = resources(pe)

    # The version record.
    fixed = pe.VS_FIXEDFILEINFO[0]
    check("FILEVERSION 2,0,0,0", (fixed.FileVersionMS, fixed.FileVersionLS) == (0x20000, 0))
    check("PRODUCTVERSION 2,0,0,0", (fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x20000, 0))
    tables = {}
    translations = []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables[table.LangID.decode()] = {k.decode(): v.decode() for k, v in table.entries.items()}
        elif info.Key == b"VarFileInfo":
            for var in info.Var:
                translations.append(var.entry.get(b"Translation"))
    check(f"one string table, 040904B0 ({', '.join(tables)})", list(tables) == ["040904B0"])
    strings = tables.get("040904B0", {})
    expected = {
        "FileVersion": "2.00", "ProductVersion": "2.00", "CompanyName": "EndNow", "ProductName": "EndNow",
        "InternalName": "endnow", "OriginalFilename": "endnow.exe",
    }
    for key, value in expected.items():
        check(f'{key} "{value}" (got "{strings.get(key)}")', strings.get(key) == value)
    check(f'a FileDescription ("{strings.get("FileDescription", "")}")', bool(strings.get("FileDescription")))
    check(f"Translation 0x0409, 1200 (got {translations})", translations == ["0x0409 0x04b0"])

    # The icon: the first group is the program's, one 32 x 32 16-colour image with a mask.
    groups = res.get(RT_GROUP_ICON, {})
    check(f"an icon group ({len(groups)})", len(groups) >= 1)
    if groups:
        first = groups[sorted(groups, key=str)[0]]
        _, _, count = struct.unpack_from("<HHH", first)
        width, height, colours, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", first, 6)
        check(f"one image in it ({count})", count == 1)
        check(f"32 x 32, 16 colours, 4 bits ({width} x {height}, {colours}, {bits})",
              (width, height, colours, bits) == (32, 32, 16, 4))
        image = res.get(RT_ICON, {}).get(icon_id, b"")
        header = struct.unpack_from("<IiiHH", image) if len(image) >= 16 else (0, 0, 0, 0, 0)
        check(f"the image is a 32 x 32 DIB with its mask below it ({header[1]} x {header[2]})",
              header[:3] == (40, 32, 64))
        loader = importlib.util.spec_from_file_location("make_icon", make_icon)
        module = importlib.util.module_from_spec(loader)
        loader.loader.exec_module(module)
        check("the image is the one make_icon.py draws", image == module.image())
        mask = image[40 + 64 + 32 * 16:]
        transparent = sum(bin(b).count("1") for b in mask)
        check(f"with transparent pixels around the triangle ({transparent} of 1024)", 200 < transparent < 900)

    # The manifest.
    manifest = next(iter(res.get(RT_MANIFEST, {}).values()), b"").decode("utf-8", "replace")
    check("a manifest, resource 1", 1 in res.get(RT_MANIFEST, {}))
    check('requestedExecutionLevel "asInvoker"', 'level="asInvoker"' in manifest)
    check("declared DPI-aware", "dpiAware>true<" in manifest)
    ids = [line for line in manifest.splitlines() if "supportedOS" in line]
    check(f"supportedOS from Vista to 10/11 ({len(ids)})", len(ids) == 5 and "e2011457" in ids[0]
          and "8e0f7a12" in ids[-1])

    return summary()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
