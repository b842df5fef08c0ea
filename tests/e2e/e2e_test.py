#!/usr/bin/env python3
"""End-to-end tests: the real trasvidora.exe under Wine, driven with real pointer and key events.

Each test lays out a folder with the program and a "remesas" folder of test remittances, starts the
program, acts with xdotool as a user would and reads what the user would see: message boxes and
controls through a small Windows-side probe, pixels through screenshots, files on disk.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run.sh")
MAIN_TITLE = "Cambia remesa SEPA a anticipos de cobro"
OPTIONS = argparse.Namespace(program=None, probe=None, artifacts=None)
TIMEOUT = 20.0


def remittance(msg_id, debtor="María Núñez"):
    return (f'<?xml version="1.0" encoding="UTF-8"?>\r\n<Document xmlns="urn:iso:std:iso:20022:tech:xsd:'
            f'pain.008.001.02">\r\n<CstmrDrctDbtInitn><GrpHdr><MsgId>{msg_id}</MsgId>\r\n'
            f'<NbOfTxs>1</NbOfTxs></GrpHdr><PmtInf><PmtInfId>{msg_id}-1</PmtInfId>\r\n'
            f'<Dbtr><Nm>{debtor}</Nm></Dbtr></PmtInf></CstmrDrctDbtInitn></Document>').encode("utf-8")


def converted(original):
    return original.replace(b"<MsgId>PRE", b"<MsgId>FSDD", 1) + b"\r\n"


def poll(what, check, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.1)


def probe(*arguments):
    """The probe's answer, or None when it gave none (it is asked again by the caller's poll)."""
    try:
        result = subprocess.run([WINE_RUN, OPTIONS.probe, *arguments], capture_output=True, text=True,
                                encoding="utf-8", timeout=8)
    except subprocess.TimeoutExpired:
        sys.stderr.write(f"probe {' '.join(arguments)} gave no answer\n")
        return None
    lines = result.stdout.strip().splitlines()
    return json.loads(lines[-1]) if lines else None


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True, timeout=30)


class Screen:
    """One screenshot of the whole display, read pixel by pixel."""

    def __init__(self):
        width, height = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True,
                                       check=True).stdout.split()
        self.width, self.height = int(width), int(height)
        self.rgb = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], capture_output=True,
                                  check=True).stdout

    def pixel(self, x, y):
        offset = (y * self.width + x) * 3
        return tuple(self.rgb[offset:offset + 3])

    def pixels(self, left, top, width, height):
        return [self.pixel(x, y) for y in range(top, top + height) for x in range(left, left + width)]


def near(colour, expected, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


class Session:
    """The program in a folder of its own with the given remittances."""

    def __init__(self, files=None, make_folder=True):
        self.folder = tempfile.mkdtemp(prefix="trasvidora-e2e-")
        self.program = os.path.join(self.folder, "trasvidora.exe")
        shutil.copy(OPTIONS.program, self.program)
        self.remittances = os.path.join(self.folder, "remesas")
        if make_folder:
            os.mkdir(self.remittances)
        for name, content in (files or {}).items():
            with open(self.path(name), "wb") as out:
                out.write(content)
        self.process = None

    def path(self, name):
        return os.path.join(self.remittances, name)

    def read(self, name):
        with open(self.path(name), "rb") as stream:
            return stream.read()

    def start(self):
        self.process = subprocess.Popen([WINE_RUN, self.program], cwd=self.folder, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    def main_window(self):
        return poll("the main window", lambda: probe("controls"))

    def control(self, text_or_class):
        for control in self.main_window()["controls"]:
            if text_or_class in (control["text"], control["class"].lower()):
                return control
        raise AssertionError(f"no control {text_or_class}")

    def message(self):
        return poll("a message box", lambda: probe("messagebox"))

    def answer_message(self, expected_text):
        box = self.message()
        self.test.assertEqual(box["text"], expected_text)
        self.press_in_message("Return")
        poll("the message box to close", lambda: probe("messagebox") is None)

    def press(self, key, title=MAIN_TITLE):
        # With no window manager the keyboard follows the pointer unless a window has the focus.
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                               capture_output=True, text=True).stdout.split()
        if found:
            subprocess.run(["xdotool", "windowfocus", "--sync", found[0]], timeout=30)
        xdotool("key", "--clearmodifiers", key)

    def press_in_message(self, key):
        self.press(key, title="trasvidora")

    def click(self, x, y):
        xdotool("mousemove", "--sync", str(x), str(y))
        xdotool("click", "1")

    def move(self, x, y):
        xdotool("mousemove", "--sync", str(x), str(y))

    def origin(self):
        left, top, _, _ = self.main_window()["rect"]
        return left, top

    def exit_status(self, timeout=TIMEOUT):
        """The program's exit status once it has ended (Wine passes it on), or None while it runs."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


class EndToEnd(unittest.TestCase):
    def session(self, files=None, make_folder=True):
        session = Session(files, make_folder)
        session.test = self
        self.addCleanup(session.close)
        return session

    def started(self, files):
        session = self.session(files)
        session.start()
        session.main_window()
        return session


class Conversion(EndToEnd):
    FIRST, SECOND = remittance("PRE20261207001"), remittance("PRE20261207002", "Íñigo Sáez")

    def test_enter_at_start_converts_the_first_remittance_once(self):
        session = self.started({"b-segunda.xml": self.SECOND, "a-primera.xml": self.FIRST})
        listbox = session.control("listbox")
        self.assertEqual(listbox["items"], ["a-primera.xml", "b-segunda.xml"])
        self.assertEqual(listbox["selected"], 0)
        self.assertTrue(session.control("CAMBIAR")["focus"])

        session.press("Return")
        box = session.message()
        self.assertEqual(box, {"text": "Remesa cambiada", "buttons": ["OK"], "icon": False, "owner": MAIN_TITLE})
        session.answer_message("Remesa cambiada")
        self.assertEqual(session.read("a-primera.xml"), converted(self.FIRST))
        self.assertEqual(session.read("b-segunda.xml"), self.SECOND)

        session.press("Return")
        session.answer_message("No se puede cambiar el prefijo")
        self.assertEqual(session.read("a-primera.xml"), converted(self.FIRST))
        self.assertEqual(sorted(os.listdir(session.remittances)), ["a-primera.xml", "b-segunda.xml"])

    def test_clicking_the_second_entry_and_cambiar_converts_that_file_only(self):
        session = self.started({"a.xml": self.FIRST, "b.xml": self.SECOND})
        listbox = session.control("listbox")
        left, top, _, _ = listbox["rect"]
        session.click(left + 20, top + 2 + listbox["itemHeight"] + listbox["itemHeight"] // 2)
        poll("the second entry selected", lambda: session.control("listbox")["selected"] == 1)

        cambiar = session.control("CAMBIAR")["rect"]
        session.click(cambiar[0] + cambiar[2] // 2, cambiar[1] + cambiar[3] // 2)
        session.answer_message("Remesa cambiada")
        self.assertEqual(session.read("a.xml"), self.FIRST)
        self.assertEqual(session.read("b.xml"), converted(self.SECOND))

    def test_arrow_keys_select_and_load(self):
        session = self.started({"a.xml": self.FIRST, "b.xml": self.SECOND, "c.xml": remittance("XYZ1")})
        session.press("Tab")
        poll("the list focused", lambda: session.control("listbox")["focus"])
        session.press("Down")
        poll("the second entry selected", lambda: session.control("listbox")["selected"] == 1)
        session.press("shift+Tab")
        poll("CAMBIAR focused", lambda: session.control("CAMBIAR")["focus"])
        session.press("space")
        session.answer_message("Remesa cambiada")
        self.assertEqual(session.read("b.xml"), converted(self.SECOND))
        self.assertEqual(session.read("a.xml"), self.FIRST)


class Keyboard(EndToEnd):
    def test_tab_goes_round_cambiar_list_salir(self):
        session = self.started({"a.xml": remittance("PRE1")})

        def focused():
            return [c["text"] or c["class"].lower() for c in session.main_window()["controls"] if c["focus"]]

        self.assertEqual(focused(), ["CAMBIAR"])
        for expected in (["listbox"], ["SALIR"], ["CAMBIAR"]):
            session.press("Tab")
            poll(f"focus on {expected}", lambda: focused() == expected)
        session.press("shift+Tab")
        poll("focus back on SALIR", lambda: focused() == ["SALIR"])


class Ending(EndToEnd):
    def test_salir_right_after_start_leaves_every_file_untouched(self):
        files = {"a.xml": remittance("PRE1"), "b.xml": remittance("PRE2")}
        session = self.started(files)
        salir = session.control("SALIR")["rect"]
        session.click(salir[0] + salir[2] // 2, salir[1] + salir[3] // 2)
        self.assertEqual(session.exit_status(), 0, "the program did not end with status 0")
        for name, content in files.items():
            self.assertEqual(session.read(name), content)

    def test_empty_folder_shows_only_the_message_and_ends(self):
        session = self.session({"notas.txt": b"<MsgId>PRE1"})
        session.start()
        box = session.message()
        self.assertEqual(box["text"], "No hay remesas para cambiar")
        self.assertEqual(box["buttons"], ["OK"])
        self.assertFalse(box["icon"])
        self.assertNotIn(MAIN_TITLE, [window["title"] for window in probe("windows")])
        session.press_in_message("Return")
        self.assertEqual(session.exit_status(), 0, "the program did not end with status 0")

    def test_missing_folder_is_named_and_ends(self):
        session = self.session(make_folder=False)
        session.start()
        box = session.message()
        self.assertIn("remesas", box["text"])
        self.assertNotIn(MAIN_TITLE, [window["title"] for window in probe("windows")])
        session.press_in_message("Return")
        self.assertEqual(session.exit_status(), 1, "the program did not end with status 1")
        self.assertFalse(os.path.exists(session.remittances))

    def test_read_only_remittance_is_named_kept_and_ends(self):
        original = remittance("PRE1")
        session = self.session({"solo-lectura.xml": original})
        os.chmod(session.path("solo-lectura.xml"), 0o444)
        session.start()
        session.main_window()
        session.press("Return")
        box = session.message()
        self.assertIn("solo-lectura.xml", box["text"])
        self.assertEqual(box["buttons"], ["OK"])
        session.press_in_message("Return")
        self.assertEqual(session.exit_status(), 1, "the program did not end with status 1")
        self.assertEqual(session.read("solo-lectura.xml"), original)
        self.assertEqual(os.listdir(session.remittances), ["solo-lectura.xml"])

    def test_locked_remittance_is_named_kept_and_ends(self):
        original = remittance("PRE1")
        session = self.session({"bloqueada.xml": original})
        holder = subprocess.Popen([WINE_RUN, OPTIONS.probe, "lock", session.path("bloqueada.xml")],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.addCleanup(holder.kill)
        self.assertEqual(holder.stdout.readline().strip(), "locked")
        session.start()
        box = session.message()
        self.assertIn("bloqueada.xml", box["text"])
        session.press_in_message("Return")
        self.assertEqual(session.exit_status(), 1, "the program did not end with status 1")
        holder.stdin.close()
        holder.wait(TIMEOUT)
        self.assertEqual(session.read("bloqueada.xml"), original)


class CloseButton(EndToEnd):
    BLUE, GREY = (51, 153, 254), (187, 186, 187)

    def cross(self, session):
        left, top = session.origin()
        pixels = Screen().pixels(left + 381, top + 12, 16, 14)
        if any(near(p, self.BLUE, 30) for p in pixels):
            return "blue"
        if any(near(p, self.GREY, 30) for p in pixels):
            return "grey"
        return "none"

    def test_cross_lights_under_the_pointer_and_closes(self):
        original = remittance("PRE1")
        session = self.started({"a.xml": original})
        left, top = session.origin()
        self.assertEqual(self.cross(session), "grey")

        session.move(left + 389, top + 19)
        poll("the cross to turn blue", lambda: self.cross(session) == "blue")
        session.move(left + 370, top + 19)
        poll("the cross to turn grey over the title strip", lambda: self.cross(session) == "grey")

        session.move(left + 389, top + 19)
        poll("the cross to turn blue again", lambda: self.cross(session) == "blue")
        session.move(left + 60, top + 19)  # Over the title text, which has no handler.
        time.sleep(0.5)
        self.assertEqual(self.cross(session), "blue")
        session.move(left + 389, top + 19)
        session.move(left + 600, top + 200)  # Out of the window.
        time.sleep(0.5)
        self.assertEqual(self.cross(session), "blue")

        session.press("Return")
        session.answer_message("Remesa cambiada")
        session.click(left + 389, top + 19)
        self.assertEqual(session.exit_status(), 0, "the program did not end with status 0")
        self.assertEqual(session.read("a.xml"), converted(original))


class LongNames(EndToEnd):
    LONG = "Remesa_ES12000B12345678_2026-12-01_cuotas_socios"
    # The names, and whether the list needs its horizontal bar and scrolls sideways with Right.
    ROWS = [([LONG + ".xml", LONG + "_enero.xml", LONG + "_febrero.xml"], True), (["remesa-1.xml"], False)]

    def test_right_shows_the_ends_where_long_names_differ(self):
        for names, scrolls in self.ROWS:
            with self.subTest(names=names):
                session = self.started({name: remittance("PRE1") for name in names})
                listbox = session.control("listbox")
                self.assertEqual((listbox["items"], listbox["horizontalBar"]), (names, scrolls))
                left, top, width, _ = listbox["rect"]
                height = listbox["itemHeight"]
                session.press("Tab")
                poll("the list focused", lambda: session.control("listbox")["focus"])
                shown = []  # the rows of the list on the screen, before and after Right
                for keys in ([], ["Right"] * 8):
                    for key in keys:
                        session.press(key)
                    time.sleep(0.5)
                    screen = Screen()
                    shown.append([tuple(screen.pixels(left + 2, top + 2 + row * height, width - 4, height))
                                  for row in range(len(names))])
                # The long names are cut alike at first and all differ at their ends.
                self.assertEqual(len(set(shown[0][1:])), 1 if scrolls else 0)
                self.assertEqual(len(set(shown[1])), len(names))
                self.assertEqual(shown[0] == shown[1], not scrolls)
                session.close()


class Picture(EndToEnd):
    def test_window_matches_its_layout_at_96_dpi(self):
        session = self.started({"a.xml": remittance("PRE1")})
        window = session.main_window()
        left, top, width, height = window["rect"]
        self.assertEqual((width, height), (407, 352))
        places = {c["text"] or c["class"].lower(): c["rect"] for c in window["controls"] if c["visible"]}
        relative = {name: [r[0] - left, r[1] - top, r[2], r[3]] for name, r in places.items()}
        self.assertEqual(relative["listbox"][:2], [30, 70])
        self.assertEqual(relative["CAMBIAR"], [233, 85, 116, 35])
        self.assertEqual(relative["SALIR"], [233, 249, 116, 35])

        time.sleep(0.5)
        screen = Screen()
        if OPTIONS.artifacts:
            os.makedirs(OPTIONS.artifacts, exist_ok=True)
            subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                            os.path.join(OPTIONS.artifacts, "window-96dpi.png")], check=True)

        def at(x, y):
            return screen.pixel(left + x, top + y)

        self.assertTrue(near(at(0, 0), (255, 255, 255)), at(0, 0))            # white outer top-left edge
        self.assertTrue(near(at(200, 0), (255, 255, 255)), at(200, 0))        # top edge
        self.assertTrue(near(at(200, 1), (208, 208, 208)), at(200, 1))        # light grey under it
        self.assertTrue(near(at(3, 200), (180, 180, 180)), at(3, 200))        # frame body on the left
        self.assertTrue(near(at(200, 351), (105, 105, 105)), at(200, 351))    # outer shadow at the bottom
        self.assertTrue(near(at(406, 200), (105, 105, 105)), at(406, 200))    # outer shadow on the right
        self.assertTrue(near(at(370, 12), (53, 53, 55), 6), at(370, 12))      # title strip
        self.assertTrue(near(at(200, 200), (32, 32, 33), 2), at(200, 200))    # background
        white = (255, 255, 255)
        self.assertTrue(any(near(p, white, 40) for p in screen.pixels(left + 13, top + 10, 300, 19)),
                        "white title text")
        self.assertTrue(any(near(p, white, 40) for p in screen.pixels(left + 288, top + 317, 101, 19)),
                        "white credit text")
        self.assertTrue(any(near(p, white, 40) for p in screen.pixels(left + 30, top + 48, 135, 16)),
                        "white heading over the list")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--artifacts")
    options, rest = parser.parse_known_args()
    OPTIONS.program, OPTIONS.probe, OPTIONS.artifacts = options.program, options.probe, options.artifacts
    # The Wine prefix: WINEPREFIX when it is set, and then its server is left alone; otherwise one
    # of the end-to-end run's own in the cache folder, whose server the run starts and ends.
    own_prefix = not os.environ.get("WINEPREFIX")
    if own_prefix:
        cache = os.environ.get("XDG_CACHE_HOME", os.path.expanduser("~/.cache"))
        os.environ["WINEPREFIX"] = os.path.join(cache, "trasvidora", "wine-e2e")
    quiet = {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    subprocess.run([WINE_RUN, "--version"], **quiet, check=True, timeout=600)  # makes the prefix
    if own_prefix:
        subprocess.run(["wineserver", "-k"], **quiet)  # what an interrupted run may have left
        subprocess.run(["wineserver", "-w"], **quiet, timeout=60)
    # The session's own services start with the first program and keep its output open: give them
    # none, or every later read of a probe's output would wait for them.
    subprocess.run([WINE_RUN, OPTIONS.probe, "warmup"], **quiet, timeout=300)
    # A probe that holds a file of its own until the run ends keeps the session up between tests,
    # so that no test boots it again.
    with tempfile.TemporaryDirectory(prefix="trasvidora-e2e-session-") as folder:
        held = os.path.join(folder, "session")
        open(held, "wb").close()
        keeper = subprocess.Popen([WINE_RUN, OPTIONS.probe, "lock", held], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            if keeper.stdout.readline().strip() != "locked":
                sys.exit("the Wine session did not start")
            unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
        finally:
            keeper.stdin.close()
            try:
                keeper.wait(TIMEOUT)
            except subprocess.TimeoutExpired:
                keeper.kill()
            if own_prefix:
                subprocess.run(["wineserver", "-k"], **quiet)

if __name__ == "__main__":
    main()
