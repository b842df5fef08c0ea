#!/usr/bin/env python3
"""Checks the release build of trasvidora.exe and its zip package.

    check_package.py executable --objdump OBJDUMP --exe EXE --version 1.0.0.0 --version-text 1.00
                                [--build-folder FOLDER ...]
    check_package.py windows7 --objdump OBJDUMP --exe EXE
    check_package.py zip --make-package make_package.py --exe EXE --notes LEEME.txt
                         --licence LICENCIA-xxHash.txt --name trasvidora-1.00-win32
                         --source SOURCE --version-text 1.00
    check_package.py reproducible --source SOURCE --name trasvidora-1.00-win32
    check_package.py signed --make-package make_package.py --exe EXE --notes LEEME.txt
                            --licence LICENCIA-xxHash.txt --name trasvidora-1.00-win32
                            --source SOURCE --keep FOLDER

executable: the program is a 32-bit one (PE32 for i386, which every Windows runs), fits the size
budget, imports only system DLLs, is stripped, has no link time stamp and no build folder in it,
and carries its icon (32 x 32 and 16 x 16, 16 colours), its version record (Spanish (Spain)
Unicode strings, Velmor, trasvidora) and its manifest.
windows7: nothing the program imports is missing on 32-bit Windows 7 SP1, so that its loader
starts it.
zip: the package script makes the zip (the folder, LEEME.txt, xxHash's licence, an empty
"remesas" folder and the program, with one time for every entry) and a SHA256SUMS that matches
it.
reproducible: the last commit, built twice in two folders at two times, gives the same
trasvidora.exe and zip, byte for byte.
signed: with throwaway certificates that openssl makes here, the package script signs the program:
it verifies against its certificate (SHA-256, the program's name, the release's time as signing
time), a byte changed after signing fails, taking the signature off gives back the built program,
it stays within the size budget and two packages are the same bytes, also where the time-stamp
server never answers. A wrong password, a file that is no certificate, a certificate for another
use and an expired one are refused, named, with nothing left of the package. Without a
certificate the script says in one line that the program goes unsigned. The signed program is
left in FOLDER for the end-to-end test that starts it.
"""
import argparse
import hashlib
import os
import re
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

SIZE_BUDGET = 300 * 1024

# DLLs that come with every Windows; anything else would have to be shipped beside the program.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll",
               "advapi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "oleacc.dll",
               "uxtheme.dll", "comdlg32.dll", "shlwapi.dll", "ntdll.dll", "dwmapi.dll"}

# What Windows 7 SP1 lacks: DLLs that came later (the universal C runtime only with an update),
# and functions of its own DLLs that came with Windows 8 or later. A program that imports any of
# them is refused by the loader before it runs; such functions must be looked up at run time.
DLLS_AFTER_WINDOWS_7 = [r"shcore\.dll", r"ucrtbase\.dll", r"api-ms-win-.*", r"ext-ms-win-.*",
                        r"vcruntime.*\.dll", r"dcomp\.dll", r"d3d12\.dll", r"windows\..*\.dll"]
FUNCTIONS_AFTER_WINDOWS_7 = {
    "user32.dll": {
        # DPI (Windows 8.1 and Windows 10)
        "GetDpiForWindow", "GetDpiForSystem", "GetSystemDpiForProcess",
        "SetProcessDpiAwarenessContext", "SetThreadDpiAwarenessContext",
        "GetThreadDpiAwarenessContext", "GetWindowDpiAwarenessContext",
        "GetAwarenessFromDpiAwarenessContext", "GetDpiFromDpiAwarenessContext",
        "AreDpiAwarenessContextsEqual", "IsValidDpiAwarenessContext", "GetSystemMetricsForDpi",
        "SystemParametersInfoForDpi", "AdjustWindowRectExForDpi", "EnableNonClientDpiScaling",
        "LogicalToPhysicalPointForPerMonitorDPI", "PhysicalToLogicalPointForPerMonitorDPI",
        "SetThreadDpiHostingBehavior", "GetThreadDpiHostingBehavior",
        "GetWindowDpiHostingBehavior", "SetDialogDpiChangeBehavior",
        "GetDialogDpiChangeBehavior", "SetDialogControlDpiChangeBehavior",
        "GetDialogControlDpiChangeBehavior", "InheritWindowMonitor",
        # pointer input (Windows 8)
        "EnableMouseInPointer", "GetPointerType", "GetPointerInfo", "GetPointerFrameInfo",
        "GetPointerDevices", "RegisterPointerDeviceNotifications", "GetCurrentInputMessageSource",
        "SkipPointerFrameMessages", "RegisterTouchHitTestingWindow",
    },
    "kernel32.dll": {
        "GetSystemTimePreciseAsFileTime", "CreateFile2", "CopyFile2",
        "GetCurrentThreadStackLimits", "SetThreadDescription", "GetThreadDescription",
        "PrefetchVirtualMemory", "DiscardVirtualMemory", "OfferVirtualMemory",
        "ReclaimVirtualMemory", "VirtualAlloc2", "MapViewOfFile3", "CreateFileMappingFromApp",
        "MapViewOfFileFromApp", "WaitOnAddress", "WakeByAddressSingle", "WakeByAddressAll",
        "GetProcessMitigationPolicy", "SetProcessMitigationPolicy",
        "InitializeSynchronizationBarrier", "EnterSynchronizationBarrier",
        "DeleteSynchronizationBarrier", "GetCurrentPackageId", "GetCurrentPackageFullName",
        "GetPackageFamilyName", "GetFirmwareType", "GetOverlappedResultEx",
        "GetProcessInformation", "SetProcessInformation", "CompareObjectHandles",
        "GetSystemCpuSetInformation", "QueryUnbiasedInterruptTimePrecise", "GetTempPath2W",
        "GetTempPath2A", "GetFileInformationByName",
        # on Windows 7 only with an optional update
        "SetDefaultDllDirectories", "AddDllDirectory", "RemoveDllDirectory",
    },
    "uxtheme.dll": {"OpenThemeDataForDpi"},
}
# What only 64-bit Windows exports: on 32-bit Windows these are macros for the functions without
# "Ptr", or do not exist, and a 32-bit program that imports them is refused by the loader.
FUNCTIONS_ONLY_IN_64_BIT_WINDOWS = {
    "user32.dll": {"GetWindowLongPtrW", "GetWindowLongPtrA", "SetWindowLongPtrW",
                   "SetWindowLongPtrA", "GetClassLongPtrW", "GetClassLongPtrA",
                   "SetClassLongPtrW", "SetClassLongPtrA"},
    "kernel32.dll": {"RtlAddFunctionTable", "RtlDeleteFunctionTable",
                     "RtlInstallFunctionTableCallback", "RtlLookupFunctionEntry",
                     "RtlVirtualUnwind", "RtlRestoreContext"},
}
# The PE header's machine and optional header kind of a 32-bit x86 program.
MACHINE_I386, PE32_MAGIC = 0x14C, 0x10B
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
# What the package script reads to sign the program; the other checks make it unsigned.
SIGNING_VARIABLES = ("TRASVIDORA_SIGNING_CERTIFICATE", "TRASVIDORA_SIGNING_PASSWORD_FILE",
                     "TRASVIDORA_TIMESTAMP_URL")
# openssl's "ca" signs the throwaway certificates with themselves, valid when the test says.
THROWAWAY_CA = """[ca]
default_ca = throwaway
[throwaway]
database = index.txt
new_certs_dir = .
default_md = sha256
policy = any
rand_serial = yes
[any]
commonName = supplied
[code]
extendedKeyUsage = codeSigning
[server]
extendedKeyUsage = serverAuth
"""
PASSWORD = "clave-de-prueba-7"

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


def check_version(tree, version, version_text):
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
        parts = [int(part) for part in version.split(".")]
        expected = (parts[0] << 16 | parts[1], parts[2] << 16 | parts[3])
        check((file_ms, file_ls) == expected, f"file version {version}")
        check((product_ms, product_ls) == expected, f"product version {version}")
    strings = dict(re.findall(r"(\w+)\x00+([^\x00]+)\x00", text))
    check("040A04B0" in text.upper(), "strings in Spanish (Spain), Unicode")
    check(struct.pack("<HH", 0x040A, 1200) in record, "translation Spanish (Spain), Unicode")
    for key, value in (("CompanyName", "Velmor"), ("ProductName", "trasvidora"),
                       ("FileVersion", version_text), ("ProductVersion", version_text)):
        check(strings.get(key) == value, f'{key} is "{value}" (is "{strings.get(key)}")')


def imports(tool, exe: Path):
    """{dll name in lower case: [imported function names]} from objdump's import tables."""
    table, dll = {}, None
    for line in objdump(tool, "-p", str(exe)).splitlines():
        named = re.match(r"\s*DLL Name: (\S+)", line)
        if named:
            dll = named.group(1).lower()
            table[dll] = []
            continue
        function = re.match(r"^\s+[0-9a-f]+\s+\d+\s+(\S+)\s*$", line)
        if function and dll is not None:
            table[dll].append(function.group(1))
    return table


def check_executable(tool, exe: Path, version, version_text, build_folders):
    size = exe.stat().st_size
    print(f"{exe} ({size} bytes)")
    data = exe.read_bytes()
    coff = struct.unpack_from("<I", data, 0x3C)[0] + 4
    machine = struct.unpack_from("<H", data, coff)[0]
    magic = struct.unpack_from("<H", data, coff + 20)[0]
    check(machine == MACHINE_I386 and magic == PE32_MAGIC,
          f"a 32-bit program: PE32 for i386 (machine {machine:#x}, optional header {magic:#x})")
    check(size <= SIZE_BUDGET, f"at most {SIZE_BUDGET // 1024} KB (is {size / 1024:.0f} KB)")
    imported = list(imports(tool, exe))
    check(len(imported) > 0, "the import table is read")
    for name in imported:
        check(name in SYSTEM_DLLS, f"imports only system DLLs: {name}")

    symbols_at, symbols = struct.unpack_from("<II", data, coff + 8)
    check(symbols_at == 0 and symbols == 0, "stripped: no symbol table")
    check(".debug" not in objdump(tool, "-h", str(exe)), "stripped: no debug sections")
    stamp = struct.unpack_from("<I", data, coff + 4)[0]
    check(stamp == 0, f"no link time stamp (is {stamp})")
    for folder in build_folders:
        for encoding in ("utf-8", "utf-16-le"):
            check(str(folder).encode(encoding) not in data,
                  f"the build path {folder} is not in the program ({encoding})")

    tree = resources(tool, exe)
    check_icon(tree)
    check_version(tree, version, version_text)
    check(RT_MANIFEST in tree, "the application manifest is present")
    manifest = next(iter(tree.get(RT_MANIFEST, {}).values()), b"").decode("utf-8", "replace")
    check(f'version="{version}"' in manifest, f"the manifest names version {version}")
    check(">true/pm</dpiAware>" in manifest and "PerMonitorV2" in manifest,
          "the manifest asks for per-monitor DPI awareness, old (true/pm) and new (PerMonitorV2)")


def check_windows7(tool, exe: Path):
    table = imports(tool, exe)
    check(len(table) > 0, f"the import table is read ({sum(map(len, table.values()))} functions)")
    for dll, functions in table.items():
        check(not any(re.fullmatch(pattern, dll) for pattern in DLLS_AFTER_WINDOWS_7),
              f"{dll} comes with Windows 7 SP1")
        missing = sorted(set(functions) & (FUNCTIONS_AFTER_WINDOWS_7.get(dll, set())
                                           | FUNCTIONS_ONLY_IN_64_BIT_WINDOWS.get(dll, set())))
        check(not missing, f"every function imported from {dll} is in 32-bit Windows 7 SP1"
                           + (f" (missing there: {', '.join(missing)})" if missing else ""))
        # System DLLs export plain names: a stdcall-decorated one ("_Sleep@4") is found in none.
        decorated = sorted(name for name in functions if re.search(r"@\d+$", name))
        check(not decorated, f"the names imported from {dll} are plain"
                             + (f" (decorated: {', '.join(decorated)})" if decorated else ""))


def make_package(script, exe, notes, licence, name, source, output):
    """Runs the package script as the build does; the zip's path."""
    subprocess.run([sys.executable, str(script), "--exe", str(exe), "--notes", str(notes),
                    "--licence", str(licence), "--name", name, "--source", str(source), "--output", str(output)],
                   check=True, capture_output=True)
    return Path(output) / f"{name}.zip"


def check_zip(script, exe, notes, licence, name, source, version_text):
    with tempfile.TemporaryDirectory() as folder:
        package = make_package(script, exe, notes, licence, name, source, folder)
        check(package.exists(), f"the package script makes {package.name}")
        if not package.exists():
            return
        top = f"{name}/"
        with zipfile.ZipFile(package) as archive:
            names = archive.namelist()
            print("contents:", ", ".join(names))
            check(names == [top, f"{top}LEEME.txt", f"{top}LICENCIA-xxHash.txt", f"{top}remesas/",
                            f"{top}trasvidora.exe"],
                  "the zip holds the folder, LEEME.txt, xxHash's licence, an empty remesas "
                  "folder and the program, in that order, and nothing else")
            times = {info.date_time for info in archive.infolist()}
            check(len(times) == 1, f"every entry has the same time ({sorted(times)})")
            if f"{top}LEEME.txt" in names:
                notes_text = archive.read(f"{top}LEEME.txt").decode("utf-8")
                check(notes_text.startswith(f"trasvidora {version_text} "),
                      f"LEEME.txt starts with the program's name and version {version_text}")
                check("remesas" in notes_text and "FSDD" in notes_text and "\r\n" in notes_text,
                      "LEEME.txt tells where the files go, with Windows line ends")
                check("Windows 7 SP1" in notes_text and "Windows Server 2008 R2" in notes_text,
                      "LEEME.txt says which Windows it runs on")
            if f"{top}LICENCIA-xxHash.txt" in names:
                licence_text = archive.read(f"{top}LICENCIA-xxHash.txt").decode("utf-8")
                check(all(line in licence_text for line in (
                    "Copyright (C) 2012-2020 Yann Collet", "BSD 2-Clause License",
                    "Redistributions in binary form must reproduce the above")),
                      "LICENCIA-xxHash.txt gives xxHash's copyright notice and BSD licence, as "
                      "the licence asks of a program that carries its code")
            if f"{top}trasvidora.exe" in names:
                check(archive.read(f"{top}trasvidora.exe") == Path(exe).read_bytes(),
                      "the zip's trasvidora.exe is the built program")
        sums = (Path(folder) / "SHA256SUMS").read_text()
        digest = hashlib.sha256(package.read_bytes()).hexdigest()
        check(sums == f"{digest}  {package.name}\n", "SHA256SUMS gives the zip's SHA-256")


def build_release(source_archive: Path, folder: Path, name):
    """Unpacks the commit into folder and builds its release there; (exe bytes, zip bytes)."""
    folder.mkdir(parents=True)
    subprocess.run(["tar", "-xf", str(source_archive), "-C", str(folder)], check=True)
    quiet = {"check": True, "cwd": folder, "stdout": subprocess.DEVNULL}
    subprocess.run(["cmake", "--preset", "windows", "-DTRASVIDORA_TESTS=OFF"], **quiet)
    subprocess.run(["cmake", "--build", "--preset", "windows", "--target", "package"], **quiet)
    build = folder / "build" / "windows"
    return (build / "window" / "trasvidora.exe").read_bytes(), (build / f"{name}.zip").read_bytes()


def check_reproducible(source: Path, name):
    """Builds the last commit twice, in two folders and at two times, and compares the bytes."""
    commit_time = subprocess.run(["git", "-C", str(source), "log", "-1", "--format=%ct"],
                                 check=True, capture_output=True, text=True).stdout.strip()
    os.environ["SOURCE_DATE_EPOCH"] = commit_time
    with tempfile.TemporaryDirectory(prefix="trasvidora-release-") as folder:
        archive = Path(folder) / "source.tar"
        subprocess.run(["git", "-C", str(source), "archive", "-o", str(archive), "HEAD"],
                       check=True)
        first = build_release(archive, Path(folder) / "first", name)
        time.sleep(2)  # a link time stamp or a file time would differ now
        second = build_release(archive, Path(folder) / "a-second-and-longer-folder", name)
        for what, one, other in (("trasvidora.exe", first[0], second[0]),
                                 (f"{name}.zip", first[1], second[1])):
            print(f"{what}: {hashlib.sha256(one).hexdigest()} / {hashlib.sha256(other).hexdigest()}")
            check(one == other, f"{what} is the same bytes from both builds")
        check(str(folder).encode() not in first[0], "no build folder in trasvidora.exe")


def throwaway_certificate(folder: Path, name, use, start, end):
    """folder/name.pfx under PASSWORD: a self-signed certificate for use ("code" or "server"),
    valid from start to end (YYYYMMDDhhmmssZ), and its key."""
    for command in (["req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key",
                     "-subj", f"/CN=trasvidora {name}", "-out", f"{name}.csr"],
                    ["ca", "-batch", "-config", "ca.cnf", "-selfsign", "-keyfile", f"{name}.key",
                     "-in", f"{name}.csr", "-out", f"{name}.pem", "-extensions", use,
                     "-startdate", start, "-enddate", end, "-notext"],
                    ["pkcs12", "-export", "-inkey", f"{name}.key", "-in", f"{name}.pem",
                     "-out", f"{name}.pfx", "-passout", f"pass:{PASSWORD}"]):
        subprocess.run(["openssl", *command], check=True, capture_output=True, cwd=folder)
    return folder / f"{name}.pfx"


def verification(exe: Path, program: bytes, certificate: Path):
    """What osslsigncode says of program against certificate; None where it fails."""
    exe.write_bytes(program)
    done = subprocess.run(["osslsigncode", "verify", "-CAfile", str(certificate), "-in", str(exe)],
                          capture_output=True, text=True)
    ok = done.returncode == 0 and "Signature verification: ok" in done.stdout
    return done.stdout if ok else None


def check_signed(script, exe, notes, licence, name, source, keep: Path):
    (keep / "trasvidora.exe").unlink(missing_ok=True)
    unsigned = Path(exe).read_bytes()
    moment = int(os.environ.get("SOURCE_DATE_EPOCH") or subprocess.run(
        ["git", "-C", str(source), "log", "-1", "--format=%ct"],
        check=True, capture_output=True, text=True).stdout)
    with tempfile.TemporaryDirectory(prefix="trasvidora-signed-") as work, \
            socket.create_server(("127.0.0.1", 0)) as silent_server:
        folder = Path(work)
        (folder / "ca.cnf").write_text(THROWAWAY_CA)
        (folder / "index.txt").write_text("")
        (folder / "password.txt").write_text(PASSWORD + "\r\n")  # as a Windows editor ends it
        (folder / "wrong-password.txt").write_text("clave-de-otro\n")
        good = throwaway_certificate(folder, "firma", "code", "20200101000000Z", "20991231235959Z")

        def package(run, certificate=good, password="password.txt", **more):
            """The script's answer, run into folder/run, where an earlier run's zip and sums are,
            with a temporary folder of its own; (answer, what is left in both folders)."""
            output, temporary = folder / run, folder / f"{run}-tmp"
            temporary.mkdir()
            output.mkdir()
            (output / f"{name}.zip").write_bytes(b"an earlier zip")
            (output / "SHA256SUMS").write_text("an earlier sum\n")
            environment = dict(os.environ, TMPDIR=str(temporary), **more)
            if certificate:
                environment.update(TRASVIDORA_SIGNING_CERTIFICATE=str(certificate),
                                   TRASVIDORA_SIGNING_PASSWORD_FILE=str(folder / password))
            done = subprocess.run([sys.executable, str(script), "--exe", str(exe), "--notes",
                                   str(notes), "--licence", str(licence), "--name", name,
                                   "--source", str(source), "--output", str(output)],
                                  env=environment, capture_output=True, text=True)
            answer = (done.stdout + done.stderr).strip()
            print(f"{run}: {answer}")
            check(PASSWORD not in answer, f"{run}: the password is not printed")
            return done, sorted(path.name for path in [*output.iterdir(), *temporary.iterdir()])

        def signed_zip(run):
            """The zip of run and the program in it, once SHA256SUMS is checked."""
            zipped = (folder / run / f"{name}.zip").read_bytes()
            sums = (folder / run / "SHA256SUMS").read_text()
            check(sums == f"{hashlib.sha256(zipped).hexdigest()}  {name}.zip\n",
                  f"{run}: SHA256SUMS gives the signed zip's SHA-256")
            with zipfile.ZipFile(folder / run / f"{name}.zip") as archive:
                return zipped, archive.read(f"{name}/trasvidora.exe")

        done, _ = package("no-certificate", certificate=None)
        check(done.returncode == 0 and done.stdout.count("unsigned") == 1,
              "without a certificate the script says in one line that the program goes unsigned")

        done, _ = package("signed")
        check(done.returncode == 0, "the package script signs with a code-signing certificate")
        if done.returncode != 0:
            return
        first, program = signed_zip("signed")
        said = verification(folder / "signed.exe", program, folder / "firma.pem") or ""
        check(bool(said), "the signed program verifies against its certificate")
        signing_time = time.strftime("%b %e %H:%M:%S %Y GMT", time.gmtime(moment))
        for shown in ("Message digest algorithm: SHA256", "Text description: trasvidora",
                      f"Signing time: {signing_time}"):
            check(shown in said, f'the signature says "{shown}"')
        check(len(program) <= SIZE_BUDGET, f"the signed program is at most "
                                           f"{SIZE_BUDGET // 1024} KB (is {len(program)} bytes)")
        changed = bytearray(program)
        changed[len(unsigned) // 2] ^= 1
        check(verification(folder / "changed.exe", changed, folder / "firma.pem") is None,
              "one byte changed after signing fails verification")
        subprocess.run(["osslsigncode", "remove-signature", "-in", str(folder / "signed.exe"),
                        "-out", str(folder / "removed.exe")], capture_output=True)
        removed = folder / "removed.exe"
        check(removed.exists() and removed.read_bytes() == unsigned,
              "taking the signature off gives back the built program, byte for byte")
        keep.mkdir(parents=True, exist_ok=True)
        (keep / "trasvidora.exe").write_bytes(program)

        started = time.monotonic()
        silent = f"http://127.0.0.1:{silent_server.getsockname()[1]}/"
        done, _ = package("silent-time-stamp-server", TRASVIDORA_TIMESTAMP_URL=silent)
        waited = time.monotonic() - started
        check(done.returncode == 0 and "without a time stamp" in done.stdout and waited < 60,
              f"a time-stamp server that never answers: signed without, said so ({waited:.0f} s)")
        if done.returncode == 0:
            check(signed_zip("silent-time-stamp-server")[0] == first,
                  "two signed packages are the same bytes")

        server = throwaway_certificate(folder, "servidor", "server", "20200101000000Z",
                                       "20991231235959Z")
        expired = throwaway_certificate(folder, "caducado", "code", "20200101000000Z",
                                        "20200201000000Z")
        for what, certificate, password, named in [
                ("a wrong password", good, "wrong-password.txt", "password"),
                ("a file that is not a certificate", notes, "password.txt", "not a PKCS#12"),
                ("a certificate for servers only", server, "password.txt", "not for code signing"),
                ("an expired certificate", expired, "password.txt", "expired on 2020-02-01")]:
            done, left = package(what.replace(" ", "-"), certificate, password)
            check(done.returncode != 0 and named in done.stderr,
                  f'{what} is refused, and the message says "{named}"')
            check(not left, f"{what}: no zip, SHA256SUMS or program left ({', '.join(left)})")

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("what",
                        choices=["executable", "windows7", "zip", "reproducible", "signed"])
    parser.add_argument("--exe", type=Path)
    parser.add_argument("--objdump")
    parser.add_argument("--version", help="the version record's numbers, 1.0.0.0")
    parser.add_argument("--version-text", help="the version as the user reads it, 1.00")
    parser.add_argument("--build-folder", type=Path, action="append", default=[])
    parser.add_argument("--make-package", type=Path)
    parser.add_argument("--notes", type=Path)
    parser.add_argument("--licence", type=Path)
    parser.add_argument("--name", help="the package's name, trasvidora-1.00-win32")
    parser.add_argument("--source", type=Path)
    parser.add_argument("--keep", type=Path, help="where the signed program is left")
    args = parser.parse_args()
    for variable in SIGNING_VARIABLES:
        os.environ.pop(variable, None)
    if args.what == "executable":
        check_executable(args.objdump, args.exe, args.version, args.version_text, args.build_folder)
    elif args.what == "windows7":
        check_windows7(args.objdump, args.exe)
    elif args.what == "zip":
        check_zip(args.make_package, args.exe, args.notes, args.licence, args.name, args.source,
                  args.version_text)
    elif args.what == "reproducible":
        check_reproducible(args.source, args.name)
    else:
        check_signed(args.make_package, args.exe, args.notes, args.licence, args.name, args.source,
                     args.keep)
    if failures:
        sys.exit(f"{len(failures)} check(s) failed")


if __name__ == "__main__":
    main()
