#!/usr/bin/env python3
"""Makes the release zip of trasvidora and its SHA256SUMS.

    make_package.py --exe trasvidora.exe --notes LEEME.txt --licence LICENCIA-xxHash.txt \\
                    --name trasvidora-1.00-win32 --source SOURCE_FOLDER --output OUTPUT_FOLDER

The zip holds NAME/trasvidora.exe, NAME/LEEME.txt, the licence of the xxHash code inside the
program, NAME/LICENCIA-xxHash.txt, and an empty NAME/remesas/ folder. It is the
same bytes whenever it is made from the same files: the entries go in a fixed order, with fixed
attributes and the time of the last commit of SOURCE_FOLDER (SOURCE_DATE_EPOCH, when set, wins).
SHA256SUMS, beside the zip, gives its SHA-256 in the form "sha256sum -c" reads.

Where TRASVIDORA_SIGNING_CERTIFICATE and TRASVIDORA_SIGNING_PASSWORD_FILE are set, the program is
signed before it goes into the zip (signing.py); a certificate that cannot sign stops the package
before anything is made, and leaves no zip and no SHA256SUMS of an earlier run.
"""
import argparse
import hashlib
import os
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

from signing import signed_program

EARLIEST_ZIP_TIME = 315532800  # 1980-01-01 00:00:00 UTC: a zip cannot say any earlier time
DIRECTORY = 0x10  # MS-DOS attribute of a folder entry


def source_date_epoch(source: Path) -> int:
    """The time every entry carries: SOURCE_DATE_EPOCH, or the last commit's time."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    found = subprocess.run(["git", "-C", str(source), "log", "-1", "--format=%ct"],
                           capture_output=True, text=True)
    if found.returncode != 0 or not found.stdout.strip():
        sys.exit(f"{source} is not a git checkout: set SOURCE_DATE_EPOCH to the release's time")
    return int(found.stdout.strip())


def entry(name: str, moment: int, folder: bool) -> zipfile.ZipInfo:
    info = zipfile.ZipInfo(name, time.gmtime(max(moment, EARLIEST_ZIP_TIME))[:6])
    info.create_system = 0  # MS-DOS attributes, as Windows' own zip folders write them
    info.external_attr = DIRECTORY if folder else 0
    info.compress_type = zipfile.ZIP_STORED if folder else zipfile.ZIP_DEFLATED
    return info


def make_zip(path: Path, name: str, exe: Path, notes: Path, licence: Path, moment: int):
    partial = path.with_name(path.name + ".part")
    with zipfile.ZipFile(partial, "w") as archive:
        archive.writestr(entry(f"{name}/", moment, True), b"")
        archive.writestr(entry(f"{name}/LEEME.txt", moment, False), notes.read_bytes(),
                         compresslevel=9)
        archive.writestr(entry(f"{name}/{licence.name}", moment, False), licence.read_bytes(),
                         compresslevel=9)
        archive.writestr(entry(f"{name}/remesas/", moment, True), b"")
        archive.writestr(entry(f"{name}/trasvidora.exe", moment, False), exe.read_bytes(),
                         compresslevel=9)
    partial.replace(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", type=Path, required=True)
    parser.add_argument("--notes", type=Path, required=True)
    parser.add_argument("--licence", type=Path, required=True)
    parser.add_argument("--name", required=True)
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--output", type=Path, required=True)
    args = parser.parse_args()

    package = args.output / f"{args.name}.zip"
    for earlier in (package, args.output / "SHA256SUMS"):
        earlier.unlink(missing_ok=True)
    moment = source_date_epoch(args.source)
    with tempfile.TemporaryDirectory(prefix="trasvidora-signing-") as folder:
        exe = signed_program(args.exe, moment, Path(folder))
        make_zip(package, args.name, exe, args.notes, args.licence, moment)
    digest = hashlib.sha256(package.read_bytes()).hexdigest()
    (args.output / "SHA256SUMS").write_text(f"{digest}  {package.name}\n", newline="\n")
    print(f"{package}\n{digest}  {package.name}")


if __name__ == "__main__":
    main()
