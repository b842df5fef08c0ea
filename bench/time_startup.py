#!/usr/bin/env python3
"""Times trasvidora.exe from launch to a visible window, under Wine, against a minimal lister.

    time_startup.py --program trasvidora.exe --lister remittance_lister.exe
                    [--counts 1,1000,20000] [--runs 7] [--data DIR]

For each count of remittances, both programs are copied beside a "remesas" folder holding that
many small remittances, and each is started in turn, several times, interleaved. A run is timed
from the moment this script starts the program to the moment the X server reports the map of the
program's top-level window (MapNotify on the root window, read from `xev -root -event
substructure` as it comes): the moment the window becomes visible. The program is then killed.
Both programs fill their list before they show the window, and neither can make the X server
report its map earlier than it happens. Prints the medians with the spread (fastest and slowest).
Run it with a persistent Wine server, as scripts/bench.sh does, so that Wine's own start is not
counted. A console (cmd) is kept open under Wine for the whole run: it keeps Wine's desktop
(explorer.exe) up, as it is on Windows and in a Wine session in use; without it Wine ends the
desktop when a killed program was its last user, and the next program, whichever it is, pays
about a second to start it again.
"""
import argparse
import queue
import re
import shutil
import statistics
import subprocess
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
WINE_RUN = str(ROOT / "scripts/wine-run.sh")
TITLES = {"trasvidora.exe": "Cambia remesa SEPA a anticipos de cobro",
          "remittance_lister.exe": "Lista de remesas"}
# xev writes an event as a header line and detail lines; a map's window is on its second line.
MAPPED_WINDOW = re.compile(r"^\s+event 0x[0-9a-f]+, window (0x[0-9a-f]+)")
# The goal: trasvidora's start within this many times the lister's.
GOAL = 1.3


class MapWatcher:
    """The windows mapped on the display, each with the moment this script read its map."""

    def __init__(self):
        self.maps = queue.Queue()
        self.xev = subprocess.Popen(["xev", "-root", "-event", "substructure"],
                                    stdout=subprocess.PIPE, text=True, bufsize=1)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        header = ""
        for line in self.xev.stdout:
            found = MAPPED_WINDOW.match(line) if header.startswith("MapNotify") else None
            if found:
                self.maps.put((time.perf_counter(), found.group(1)))
            header = line if line.strip() and not line[0].isspace() else header

    def forget(self):
        while not self.maps.empty():
            self.maps.get_nowait()

    def wait_for(self, title: str, timeout: float) -> float:
        """The moment a window named `title` was mapped."""
        deadline = time.perf_counter() + timeout
        while True:
            left = deadline - time.perf_counter()
            if left <= 0:
                raise SystemExit(f"no window {title!r} appeared within {timeout:.0f} s")
            if self.xev.poll() is not None:
                raise SystemExit(f"xev ended ({self.xev.returncode}): no display to watch")
            try:
                moment, window = self.maps.get(timeout=min(left, 1))
            except queue.Empty:
                continue
            name = subprocess.run(["xdotool", "getwindowname", window], capture_output=True,
                                  text=True).stdout.strip()
            if name == title:
                return moment

    def close(self):
        self.xev.kill()
        self.xev.wait()


def lay_out(data: Path, count: int, programs) -> Path:
    """A folder with the programs and `count` remittances in "remesas", kept between runs."""
    folder = data / f"startup-{count}"
    remittances = folder / "remesas"
    if not remittances.is_dir() or len(list(remittances.iterdir())) != count:
        shutil.rmtree(folder, ignore_errors=True)
        remittances.mkdir(parents=True)
        sample = data / "remesa-small.xml"
        if not sample.exists():
            subprocess.run([sys.executable, ROOT / "scripts/make_remittance.py", sample,
                            "--msg-id", "PRE2026120700001", "--transactions", "3", "--seed", "5"],
                           check=True)
        text = sample.read_bytes()
        for index in range(count):
            (remittances / f"remesa {index * 7919 % 100003:06d}.xml").write_bytes(text)
    for program in programs:
        shutil.copyfile(program, folder / program.name)
    return folder


def time_start(watcher: MapWatcher, folder: Path, program: str) -> float:
    """Seconds from launch to the program's window mapped; the program is killed after."""
    watcher.forget()
    started = time.perf_counter()
    running = subprocess.Popen([WINE_RUN, program], cwd=folder, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        shown = watcher.wait_for(TITLES[program], timeout=120)
    finally:
        running.kill()
        running.wait()
    return shown - started


class Spread:
    def __init__(self, seconds):
        self.median = statistics.median(seconds)
        self.low, self.high = min(seconds), max(seconds)

    def __str__(self):
        return f"{self.median * 1000:.0f} ms ({self.low * 1000:.0f}–{self.high * 1000:.0f})"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", type=Path, required=True)
    parser.add_argument("--lister", type=Path, required=True)
    parser.add_argument("--counts", default="1,1000,20000")
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--data", type=Path, default=ROOT / "build/bench/data")
    args = parser.parse_args()
    programs = [args.program.resolve(), args.lister.resolve()]
    names = [program.name for program in programs]

    desktop_keeper = subprocess.Popen([WINE_RUN, "cmd", "/k"], stdin=subprocess.PIPE,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    watcher = MapWatcher()
    try:
        print("Launch to a visible window (the X server's map of the top-level window), under "
              "Wine; medians (fastest–slowest in brackets).\n")
        print("| Remittances | Runs | trasvidora.exe | Minimal lister | trasvidora / lister |")
        print("|---:|---:|---:|---:|---:|")
        missed = []
        for count in (int(text) for text in args.counts.split(",")):
            folder = lay_out(args.data, count, programs)
            for name in names:  # the first start reads the files into the cache: not counted
                time_start(watcher, folder, name)
            runs = {name: [] for name in names}
            for run in range(args.runs):
                for name in names if run % 2 == 0 else reversed(names):
                    runs[name].append(time_start(watcher, folder, name))
            program, lister = (Spread(runs[name]) for name in names)
            ratio = program.median / lister.median
            if ratio > GOAL:
                missed.append(f"{count:,}")
            print(f"| {count:,} | {args.runs} | {program} | {lister} | {ratio:.2f} |", flush=True)
        print(f"\nGoal: trasvidora's start within {GOAL} × the lister's: "
              f"{'MISSED at ' + ', '.join(missed) if missed else 'met'}")
    finally:
        watcher.close()
        desktop_keeper.stdin.close()  # cmd ends at the end of its input
        try:
            desktop_keeper.wait(timeout=30)
        except subprocess.TimeoutExpired:
            desktop_keeper.kill()


if __name__ == "__main__":
    main()
