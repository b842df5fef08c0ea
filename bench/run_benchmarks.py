#!/usr/bin/env python3
"""Times the full conversion of generated remittances, Windows build under Wine, against cp + sync.

    run_benchmarks.py --harness convert_remittance.exe [--program trasvidora.exe] [--gigabyte]
                      [--data DIR]

For each size, on fresh copies of the same file, it runs:
  conversion  the harness under Wine: one pass through a fixed buffer to a flushed temporary
              file put in the file's place; timed inside the program and, with Wine's start-up,
              from outside
  cp+sync     cp to a new file, then sync of that file: reading and durably writing the bytes
  cp over     the same cp + sync over an existing copy, which also pays for freeing the old
              blocks, as any replacement of the file does: the goal is measured against this one
  sed         sed -i '0,/<MsgId>PRE/s//<MsgId>FSDD/', the usual one-line alternative
each several times, interleaved, and prints the medians with the spread (fastest and slowest run)
and the peak resident memory of each (/usr/bin/time -v), then the conversion's steps as the
harness marks them (the write pass, the flush, the read-back, the replace). With --program it also starts the real
program over a 4 GiB remittance, presses CAMBIAR and SALIR, and gives its peak memory against the
same program over a 1 MiB one.
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
WINE_RUN = str(ROOT / "scripts/wine-run.sh")
MIB = 1 << 20
SED_SCRIPT = "0,/<MsgId>PRE/s//<MsgId>FSDD/"
# Runs per size: small files are noisy, large ones slow.
REPEATS = {1: 9, 10: 7, 100: 5, 1024: 5}
# The goal: the conversion, its read-back included, within this many times cp + sync over the
# old file.
GOAL = 1.3
# The conversion's steps, as the harness marks them.
STEPS = ("write", "flush", "readback", "replace")


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


def peak_memory(report) -> int:
    """The peak resident KiB in a report of /usr/bin/time -v."""
    return next(int(line.split(":")[1]) for line in report.read().splitlines()
                if "Maximum resident set size" in line)


def timed(command, cwd: Path):
    """Runs `command` under /usr/bin/time -v; returns (seconds, peak KiB, seconds inside the
    harness, its steps' seconds)."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        started = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-v", "-o", report.name, *command], cwd=cwd,
                              capture_output=True)
        seconds = time.perf_counter() - started
        if done.returncode != 0:
            raise SystemExit(f"{command[0]} failed ({done.returncode}): {done.stderr.decode()}")
        peak = peak_memory(report)
    # The harness prints "convert 45.6 write 30.1 flush 8.0 ..." (milliseconds).
    words = done.stdout.decode().split()
    steps = {name: float(ms) / 1000 for name, ms in zip(words[::2], words[1::2])}
    return seconds, peak, steps.pop("convert", seconds), steps


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
        runs["conversion"].append(timed([WINE_RUN, harness, copy.name], work))
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
    summary = {name: Spread([v[0] for v in values], max(v[1] for v in values))
               for name, values in runs.items()}
    summary["inside"] = Spread([v[2] for v in runs["conversion"]], summary["conversion"].peak)
    for step in STEPS:
        summary[step] = Spread([v[3][step] for v in runs["conversion"]], 0)
    return summary


class Spread:
    """The times of several runs: median, fastest and slowest; and the peak memory of all."""

    def __init__(self, seconds, peak):
        self.median = statistics.median(seconds)
        self.low, self.high = min(seconds), max(seconds)
        self.peak = peak

    def __str__(self):
        return f"{self.median:.3f} s ({self.low:.3f}–{self.high:.3f})"


def mib(kib: int) -> str:
    return f"{kib / 1024:.1f}"


def program_peak_memory(program: Path, source: Path, work: Path) -> int:
    """Peak resident KiB of the real program started over `source` alone, CAMBIAR and SALIR
    pressed from the keyboard; the remittance must come out converted."""
    folder = work / "program"
    shutil.rmtree(folder, ignore_errors=True)
    (folder / "remesas").mkdir(parents=True)
    shutil.copyfile(program, folder / "trasvidora.exe")
    remittance = folder / "remesas" / "remesa.xml"
    shutil.copyfile(source, remittance)
    subprocess.run(["sync", remittance], check=True)
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        running = subprocess.Popen(["/usr/bin/time", "-v", "-o", report.name, WINE_RUN,
                                    "trasvidora.exe"], cwd=folder, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        press_when_shown("Cambia remesa SEPA a anticipos de cobro", "Return")
        press_when_shown("trasvidora", "Return")  # "Remesa cambiada"
        press_when_shown("Cambia remesa SEPA a anticipos de cobro", "Tab", "Tab", "Return")
        if running.wait(timeout=1800) != 0:
            raise SystemExit(f"trasvidora.exe ended with status {running.returncode}")
        peak = peak_memory(report)
    check_converted(remittance, source, b"\r\n")
    return peak


def press_when_shown(title: str, *keys: str):
    deadline = time.monotonic() + 1200
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                               capture_output=True, text=True).stdout.split()
        if found:
            time.sleep(0.5)
            subprocess.run(["xdotool", "windowfocus", "--sync", found[-1]], timeout=30)
            subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True, timeout=30)
            return
        time.sleep(0.2)
    raise SystemExit(f"no window {title!r} appeared")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--harness", type=Path, required=True)
    parser.add_argument("--program", type=Path)
    parser.add_argument("--gigabyte", action="store_true", help="also the 1 GiB remittance")
    parser.add_argument("--data", type=Path, default=ROOT / "build/bench/data")
    args = parser.parse_args()
    harness = args.harness.resolve()

    sizes = [1, 10, 100] + ([1024] if args.gigabyte or os.environ.get("TRASVIDORA_BENCH_1GB") else [])
    sources = {size: generate(args.data, size) for size in sizes}
    work = args.data / "work"
    work.mkdir(exist_ok=True)
    # The first run under Wine loads Wine's own files: not counted.
    timed([WINE_RUN, harness, fresh_copy(sources[1], work).name], work)

    print("Windows build under Wine; medians of several runs (fastest–slowest in brackets); "
          "memory is the peak resident set.\n")
    print("| File | Runs | Conversion (inside the program) | Conversion (with Wine's start-up) "
          "| cp+sync | cp+sync over the old file | sed | Conversion / cp+sync over "
          "| Peak memory: conversion / cp+sync / sed |")
    print("|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    results = {}
    for size, source in sources.items():
        result = measure(harness, source, work, REPEATS[size])
        results[size] = result
        inside, conversion, floor, over, sed = (
            result[n] for n in ("inside", "conversion", "cp+sync", "cp over", "sed"))
        print(f"| {source.stat().st_size / MIB:.0f} MiB | {REPEATS[size]} | {inside} "
              f"| {conversion} | {floor} | {over} | {sed} "
              f"| {inside.median / over.median:.2f} "
              f"| {mib(conversion.peak)} / {mib(floor.peak)} / {mib(sed.peak)} MiB |", flush=True)

    print("\nThe conversion's steps (medians): the pass that reads, converts and writes; the flush; "
          "the read-back; the replace. Against cp + sync over the old file.\n")
    print("| File | Write pass | Flush | Read-back | Replace | cp+sync over the old file |")
    print("|---:|---:|---:|---:|---:|---:|")
    for size, result in results.items():
        print(f"| {sources[size].stat().st_size / MIB:.0f} MiB | "
              + " | ".join(f"{result[step].median:.3f} s" for step in STEPS)
              + f" | {result['cp over'].median:.3f} s |")

    print()
    if 10 in results:
        inside, over = results[10]["inside"].median, results[10]["cp over"].median
        print(f"At 10 MiB (no goal): conversion / cp+sync over the old file: {inside / over:.2f} ×")
    for size in (100, 1024):
        if size in results:
            inside, over = results[size]["inside"].median, results[size]["cp over"].median
            print(f"Goal at {size} MiB: conversion ≤ {GOAL} × cp+sync over the old file: "
                  f"{'met' if inside <= GOAL * over else 'MISSED'} ({inside / over:.2f} ×)")

    if args.program:
        big = generate(args.data, 4106)  # a little over 4 GiB: whole transactions
        tiny = generate(args.data, 1)
        peak, baseline = (program_peak_memory(args.program.resolve(), source, work)
                          for source in (big, tiny))
        print(f"\ntrasvidora.exe over a {big.stat().st_size / MIB:.0f} MiB remittance, CAMBIAR "
              f"pressed: peak {mib(peak)} MiB; over a 1 MiB one: {mib(baseline)} MiB (Wine's own "
              f"share and the window). The large file adds {mib(peak - baseline)} MiB, goal "
              f"≤ 16 MiB: {'met' if peak - baseline <= 16 * 1024 else 'MISSED'}")
        shutil.rmtree(work / "program", ignore_errors=True)


if __name__ == "__main__":
    main()
