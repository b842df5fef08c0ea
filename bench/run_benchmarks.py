#!/usr/bin/env python3
"""Times the full conversion of generated remittances against cp + sync and GNU sed.

    run_benchmarks.py --harness PATH [--windows-harness PATH] [--gigabyte] [--data DIR]

For each size, on fresh copies of the same file, it runs:
  conversion  the harness: load, change the prefix in place, save through a flushed temporary file
  cp+sync     cp to a new file, then sync of that file: reading and durably writing the bytes
  (cp over)   the same cp + sync over an existing copy, which also pays for freeing the old
              blocks, as any replacement of the file does
  sed         sed -i '0,/<MsgId>PRE/s//<MsgId>FSDD/', the usual one-line alternative
each several times, interleaved, and prints the median wall time, the ratios of the conversion to
cp+sync and to sed, and the peak resident memory of each (/usr/bin/time -v). With a Windows build
of the harness it also converts the 100 MiB file under Wine.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
MIB = 1 << 20
SED_SCRIPT = "0,/<MsgId>PRE/s//<MsgId>FSDD/"
# Runs per size: small files are noisy, large ones slow.
REPEATS = {1: 9, 10: 7, 100: 5, 1024: 3}


def generate(data: Path, mib: int) -> Path:
    """A realistic pain.008 remittance of about `mib` MiB, kept between runs."""
    data.mkdir(parents=True, exist_ok=True)
    target = data / f"remesa-{mib}MiB.xml"
    if target.exists():
        return target
    if mib <= 100:
        subprocess.run([sys.executable, ROOT / "scripts/make_remittance.py", target,
                        "--msg-id", "PRE2026120700001", "--size", str(mib * MIB), "--seed", "7"],
                       check=True)
        return target
    # Larger files repeat the transactions of the 10 MiB one: Python writes ~10 MB/s.
    text = generate(data, 10).read_bytes()
    first = text.index(b"      <DrctDbtTxInf>")
    last = text.rindex(b"</DrctDbtTxInf>\r\n") + len(b"</DrctDbtTxInf>\r\n")
    head, body, tail = text[:first], text[first:last], text[last:]
    partial = target.with_suffix(".partial")
    with open(partial, "wb") as out:
        out.write(head)
        written = len(head) + len(tail)
        while written + len(body) <= mib * MIB:
            out.write(body)
            written += len(body)
        out.write(tail)
    partial.rename(target)
    return target


def timed(command, cwd: Path, env=None):
    """Runs `command` under /usr/bin/time -v; returns (seconds, peak KiB, phases in ms)."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        started = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-v", "-o", report.name, *command], cwd=cwd,
                              env=env, capture_output=True)
        seconds = time.perf_counter() - started
        if done.returncode != 0:
            raise SystemExit(f"{command[0]} failed ({done.returncode}): {done.stderr.decode()}")
        peak = next(int(line.split(":")[1]) for line in report.read().splitlines()
                    if "Maximum resident set size" in line)
    # The harness prints "load 12.3 change 0.4 save 45.6".
    words = done.stdout.decode().split()
    phases = {words[i]: float(words[i + 1]) for i in range(0, len(words) - 1, 2)
              if words[i] in ("load", "change", "save")}
    return seconds, peak, phases


def fresh_copy(source: Path, work: Path) -> Path:
    """A copy of `source` on disk, flushed, so that no earlier write is paid by the next run."""
    for stale in work.iterdir():
        if stale.is_dir():
            shutil.rmtree(stale)
        else:
            stale.unlink()
    copy = work / "remesa.xml"
    shutil.copyfile(source, copy)
    subprocess.run(["sync", copy], check=True)
    return copy


def check_converted(file: Path, source: Path, line_end: bytes):
    with open(file, "rb") as text:
        head = text.read(4096)
    if b"<MsgId>FSDD2026120700001</MsgId>" not in head:
        raise SystemExit(f"{file} was not converted")
    if file.stat().st_size != source.stat().st_size + 1 + len(line_end):
        raise SystemExit(f"{file} has {file.stat().st_size} bytes")


def measure(harness: Path, source: Path, work: Path, repeats: int):
    runs = {"conversion": [], "cp+sync": [], "cp over": [], "sed": []}
    for _ in range(repeats):
        copy = fresh_copy(source, work)
        runs["conversion"].append(timed([harness, copy.name], work))
        check_converted(copy, source, b"\r\n")

        copy = fresh_copy(source, work)
        runs["cp+sync"].append(timed(["sh", "-c", 'cp "$1" copy.xml && sync copy.xml', "sh",
                                      copy.name], work))

        copy = fresh_copy(source, work)
        shutil.copyfile(source, work / "copy.xml")
        subprocess.run(["sync", work / "copy.xml"], check=True)
        runs["cp over"].append(timed(["sh", "-c", 'cp "$1" copy.xml && sync copy.xml', "sh",
                                      copy.name], work))

        copy = fresh_copy(source, work)
        runs["sed"].append(timed(["sed", "-i", SED_SCRIPT, copy.name], work))
        check_converted(copy, source, b"")
    summary = {name: (statistics.median(v[0] for v in values), max(v[1] for v in values))
               for name, values in runs.items()}
    summary["phases"] = median_phases(runs["conversion"])
    return summary


def median_phases(runs):
    return {phase: statistics.median(run[2][phase] for run in runs)
            for phase in ("load", "change", "save")}


def mib(kib: int) -> str:
    return f"{kib / 1024:.1f}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--harness", type=Path, required=True)
    parser.add_argument("--windows-harness", type=Path)
    parser.add_argument("--gigabyte", action="store_true", help="also the 1 GiB remittance")
    parser.add_argument("--data", type=Path, default=ROOT / "build/bench/data")
    args = parser.parse_args()
    harness = args.harness.resolve()

    sizes = [1, 10, 100] + ([1024] if args.gigabyte or os.environ.get("TRASVIDORA_BENCH_1GB") else [])
    sources = {size: generate(args.data, size) for size in sizes}
    work = args.data / "work"
    work.mkdir(exist_ok=True)

    print("| File | Conversion | cp+sync | sed | Conversion / cp+sync | Conversion / sed "
          "| Peak memory: conversion / cp+sync / sed | Memory goal (file + 16 MiB) "
          "| cp+sync over the old file |")
    print("|---:|---:|---:|---:|---:|---:|---:|---|---:|")
    results = {}
    for size, source in sources.items():
        result = measure(harness, source, work, REPEATS[size])
        results[size] = result
        conversion, floor, sed = (result[name] for name in ("conversion", "cp+sync", "sed"))
        file_mib = source.stat().st_size / MIB
        goal = file_mib + 16
        print(f"| {file_mib:.0f} MiB | {conversion[0]:.3f} s | {floor[0]:.3f} s | {sed[0]:.3f} s "
              f"| {conversion[0] / floor[0]:.2f} | {conversion[0] / sed[0]:.2f} "
              f"| {mib(conversion[1])} / {mib(floor[1])} / {mib(sed[1])} MiB "
              f"| {'met' if conversion[1] / 1024 <= goal else 'MISSED'} (≤ {goal:.0f} MiB) "
              f"| {result['cp over'][0]:.3f} s ({conversion[0] / result['cp over'][0]:.2f} ×) |",
              flush=True)

    if 100 in results:
        conversion, floor, sed = (results[100][n][0] for n in ("conversion", "cp+sync", "sed"))
        print(f"\nGoals at 100 MiB: conversion ≤ 1.5 × cp+sync: "
              f"{'met' if conversion <= 1.5 * floor else 'MISSED'} ({conversion / floor:.2f} ×); "
              f"faster than sed: {'met' if conversion < sed else 'MISSED'} "
              f"({conversion / sed:.2f} ×)")
    for size, result in results.items():
        phases = result["phases"]
        print(f"Inside the conversion of {sources[size].stat().st_size / MIB:.0f} MiB: load {phases['load']:.1f} ms, change "
              f"{phases['change']:.1f} ms, save {phases['save']:.1f} ms (medians)")

    if args.windows_harness and 100 in sources:
        windows_figures(args.windows_harness.resolve(), sources[100], work, results[100])


def windows_figures(harness: Path, source: Path, work: Path, posix):
    wine = [str(ROOT / "scripts/wine-run.sh"), str(harness)]
    runs = []
    # The first run also starts the Wine server; it is not counted.
    for _ in range(REPEATS[100] + 1):
        copy = fresh_copy(source, work)
        runs.append(timed([*wine, copy.name], work))
        check_converted(copy, source, b"\r\n")
    runs = runs[1:]
    seconds = statistics.median(run[0] for run in runs)
    peak = max(run[1] for run in runs)
    windows, linux = median_phases(runs), posix["phases"]
    inside = {name: sum(phases.values()) for name, phases in (("windows", windows),
                                                               ("linux", linux))}
    print(f"\nWindows build under Wine, {source.stat().st_size / MIB:.0f} MiB: conversion "
          f"{inside['windows']:.1f} ms inside the program (load {windows['load']:.1f}, change "
          f"{windows['change']:.1f}, save {windows['save']:.1f}) against {inside['linux']:.1f} ms "
          f"for the Linux build ({inside['windows'] / inside['linux']:.2f} ×); "
          f"{seconds:.3f} s with Wine's start-up; peak memory {mib(peak)} MiB")


if __name__ == "__main__":
    main()
