#!/usr/bin/env python3
"""Checks that XXH3's objects, compiled with SSE2 or AVX2 instructions, define no external symbol
but the functions of remittance::xxh3 (remittance/xxh3.h). The linker keeps one copy of an inline
function for the whole program, and could take another one from them, instructions and all.

    check_exports.py NM OBJECT...
"""
import subprocess
import sys


def exported(nm: str, obj: str) -> list[str]:
    listing = subprocess.run([nm, "-g", "--defined-only", "-C", obj], check=True,
                             capture_output=True, text=True).stdout
    return [line.split(" ", 2)[2] for line in listing.splitlines() if line.count(" ") >= 2]


def main() -> int:
    nm, objects = sys.argv[1], sys.argv[2:]
    wrong = 0
    for obj in objects:
        names = exported(nm, obj)
        others = [name for name in names if not name.startswith("remittance::xxh3::")]
        if not names or others:
            print(f"{obj} exports {others or 'nothing'}")
            wrong += 1
    print(f"{len(objects) - wrong} of {len(objects)} objects export only remittance::xxh3")
    return 1 if wrong or not objects else 0


if __name__ == "__main__":
    sys.exit(main())
