#!/usr/bin/env python3
"""Checks the release build of trasvidora.exe and its zip package.

    check_package.py executable --objdump OBJDUMP --exe EXE
    check_package.py zip --cpack CPACK --config CPackConfig.cmake --objdump OBJDUMP

executable: the program imports only system DLLs (no libstdc++, libgcc or winpthread DLL), is
stripped, and carries its icon (32 x 32 and 16 x 16, 16 colours) and its version record
(1.0.0.0, "1.00", Spanish (Spain) Unicode strings, Velmor, trasvidora).
zip: CPack makes trasvidora-1.00-win64.zip holding trasvidora.exe (which passes the checks
above), an empty "remesas" folder and LEEME.txt.
"""
import argparse
import re
import struct
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

# DLLs that come with every Windows; anything else would have to be shipped beside the program.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll",
               "advapi32.dll", "shell32.dll", "ole32.dll", "uxtheme.dll", "comdlg32.dll",
               "shlwapi.dll", "ntdll.dll", "ucrtbase.dll", "dwmapi.dll"}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24

failures = []


def check(holds, what):
    if not holds:
        failures.append(what)
    print(("ok      " if holds else "FAILED  ") + what)


def objdump(tool, *args):
    return subprocess.run([tool, *args], check=True, capture_output=True, text=True).stdout


def resources(tool, exe: Path):
    """{type: {name: bytes}} read through objdump's listing of the resource directory."""
    headers = objdump(tool, "-p", str(exe))
    image_base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", headers, re.M).group(1), 16)
    sections = objdump(tool, "-h", str(exe))
    rsrc = re.search(r"\.rsrc\s+([0-9a-f]+)\s+([0-9a-f]+)\s+[0-9a-f]+\s+([0-9a-f]+)", sections)
    check(rsrc is not None, "the program has a resource section")
    if rsrc is None:
        return {}
    size, vma, offset = (int(rsrc.group(n), 16) for n in (1, 2, 3))
    rva_start = vma - image_base
    data = exe.read_bytes()

    tree, kind, name = {}, None, None
    listing = headers.split("The .rsrc Resource Directory section:", 1)[-1]
    for line in listing.splitlines():
        # "010   Entry: ...": entries nest by indentation: type (3), name (5), language (7).
        row = re.match(r"^[0-9a-f]+( +)(Entry: ID: 0x([0-9a-f]+)|Leaf: Addr: 0x([0-9a-f]+), "
                       r"Size: 0x([0-9a-f]+))", line)
        if not row:
            continue
        depth = len(row.group(1))
        if row.group(3) and depth == 3:
            kind = int(row.group(3), 16)
            tree.setdefault(kind, {})
        elif row.group(3) and depth == 5:
            name = int(row.group(3), 16)
        elif row.group(4) and kind is not None:
            rva, length = int(row.group(4), 16), int(row.group(5), 16)
            if 0 <= rva - rva_start <= size - length:
                start = offset + rva - rva_start
                tree[kind][name] = data[start:start + length]
    return tree


def check_icon(tree):
    groups = tree.get(RT_GROUP_ICON, {})
    check(len(groups) >= 1, "an icon group is present")
    for group in groups.values():
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        pictures = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * n) for n in range(count)]
        sizes = {(width or 256, height or 256) for width, height, *_ in pictures}
        check(kind == 1 and (32, 32) in sizes and (16, 16) in sizes,
              f"the icon has 32 x 32 and 16 x 16 pictures (has {sorted(sizes)})")
        check(all(colours == 16 for _, _, colours, *_ in pictures),
              "the icon pictures have 16 colours")
        check(all(picture[-1] in tree.get(RT_ICON, {}) for picture in pictures),
              "every picture of the icon is in the program")
        break


def check_version(tree):
    records = list(tree.get(RT_VERSION, {}).values())
    check(len(records) == 1, "one version record is present")
    if not records:
        return
    record = records[0]
    text = record.decode("utf-16-le", errors="replace")
    check("VS_VERSION_INFO" in text, "the version record is a VS_VERSION_INFO")
    fixed = record.find(struct.pack("<I", 0xFEEF04BD))
    check(fixed >= 0, "the version record has its fixed part")
    if fixed >= 0:
        _, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", record, fixed)
        check((file_ms, file_ls) == (0x00010000, 0), "file version 1.0.0.0")
        check((product_ms, product_ls) == (0x00010000, 0), "product version 1.0.0.0")
    strings = dict(re.findall(r"(\w+)\x00+([^\x00]+)\x00", text))
    check("040A04B0" in text.upper(), "strings in Spanish (Spain), Unicode")
    check(struct.pack("<HH", 0x040A, 1200) in record, "translation Spanish (Spain), Unicode")
    for key, value in (("CompanyName", "Velmor"), ("ProductName", "trasvidora"),
                       ("FileVersion", "1.00"), ("ProductVersion", "1.00")):
        check(strings.get(key) == value, f'{key} is "{value}" (is "{strings.get(key)}")')


def check_executable(tool, exe: Path):
    print(f"{exe} ({exe.stat().st_size} bytes)")
    imported = [name.lower() for name in
                re.findall(r"DLL Name: (\S+)", objdump(tool, "-p", str(exe)))]
    check(len(imported) > 0, "the import table is read")
    for name in imported:
        check(name in SYSTEM_DLLS, f"imports only system DLLs: {name}")
    for runtime in ("libstdc++", "libgcc", "libwinpthread"):
        check(not any(runtime in name for name in imported), f"no {runtime} DLL")

    data = exe.read_bytes()
    coff = struct.unpack_from("<I", data, 0x3C)[0] + 4
    symbols_at, symbols = struct.unpack_from("<II", data, coff + 8)
    check(symbols_at == 0 and symbols == 0, "stripped: no symbol table")
    check(".debug" not in objdump(tool, "-h", str(exe)), "stripped: no debug sections")

    tree = resources(tool, exe)
    check_icon(tree)
    check_version(tree)
    check(RT_MANIFEST in tree, "the application manifest is present")


def check_zip(cpack, config, tool):
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([cpack, "--config", config, "-B", folder], check=True,
                       capture_output=True)
        package = Path(folder) / "trasvidora-1.00-win64.zip"
        check(package.exists(), f"CPack makes {package.name}")
        if not package.exists():
            return
        with zipfile.ZipFile(package) as archive:
            names = archive.namelist()
            print("contents:", ", ".join(names))
            top = "trasvidora-1.00-win64/"
            check(f"{top}trasvidora.exe" in names, "the zip holds trasvidora.exe")
            check(f"{top}LEEME.txt" in names, "the zip holds LEEME.txt")
            check(f"{top}remesas/" in names, "the zip holds the remesas folder")
            check(not any(n.startswith(f"{top}remesas/") and n != f"{top}remesas/"
                          for n in names), "the remesas folder is empty")
            check(set(names) <= {top, f"{top}trasvidora.exe", f"{top}LEEME.txt",
                                 f"{top}remesas/"}, "nothing else is in the zip")
            if f"{top}LEEME.txt" in names:
                notes = archive.read(f"{top}LEEME.txt").decode("utf-8")
                check("remesas" in notes and "FSDD" in notes and "\r\n" in notes,
                      "LEEME.txt tells where the files go, with Windows line ends")
            if f"{top}trasvidora.exe" in names:
                archive.extract(f"{top}trasvidora.exe", folder)
                check_executable(tool, Path(folder) / top / "trasvidora.exe")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("what", choices=["executable", "zip"])
    parser.add_argument("--exe", type=Path)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--cpack")
    parser.add_argument("--config")
    args = parser.parse_args()
    if args.what == "executable":
        check_executable(args.objdump, args.exe)
    else:
        check_zip(args.cpack, args.config, args.objdump)
    if failures:
        sys.exit(f"{len(failures)} check(s) failed")


if __name__ == "__main__":
    main()
