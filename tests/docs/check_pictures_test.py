#!/usr/bin/env python3
"""The picture check against small repositories made for each case: what it must report and what
it must let pass."""
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
CHECK = HERE / "check_pictures.py"
PNG = b"\x89PNG\r\n\x1a\n"


def make_repository(folder: Path, added: dict, left_out: dict = None, ignore: str = ""):
    """A git repository in `folder` with the files `added` to the index and `left_out` not."""
    subprocess.run(["git", "init", "-q", folder], check=True)
    if ignore:
        added = {**added, ".gitignore": ignore}
    for name, content in {**added, **(left_out or {})}.items():
        (folder / name).parent.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(content if isinstance(content, bytes) else content.encode())
    subprocess.run(["git", "-C", folder, "add", "--", *added], check=True)


def run_check(folder: Path):
    done = subprocess.run([sys.executable, CHECK, folder], capture_output=True, text=True)
    return done.returncode, done.stderr


class PictureCheckTest(unittest.TestCase):
    def check(self, added: dict, left_out: dict = None, ignore: str = ""):
        with tempfile.TemporaryDirectory() as folder:
            make_repository(Path(folder), added, left_out, ignore)
            return run_check(Path(folder))

    def test_pictures_shown_and_committed_pass(self):
        cases = {
            "next to the page": {"README.md": "![w](w.png)", "w.png": PNG},
            "in a folder": {"README.md": "Text ![the window](docs/w.png) text.",
                            "docs/w.png": PNG},
            "with a title": {"README.md": '![w](docs/w.png "The window")', "docs/w.png": PNG},
            "in angle brackets, with a space": {"README.md": "![w](<docs/a w.png>)",
                                                "docs/a w.png": PNG},
            "written with %20": {"README.md": "![w](docs/a%20w.png)", "docs/a w.png": PNG},
            "from a page in a folder": {"docs/guide.md": "![w](../pictures/w.png)",
                                        "pictures/w.png": PNG},
            "from the top of the repository": {"docs/guide.md": "![w](/pictures/w.png)",
                                               "pictures/w.png": PNG},
            "as an HTML picture": {"README.md": '<p><img alt="w" src="docs/w.png"></p>',
                                   "docs/w.png": PNG},
            "as an HTML picture, single quotes": {"README.md": "<IMG SRC='w.png' width=300>",
                                                  "w.png": PNG},
            "inside a link": {"README.md": "[![w](w.png)](https://example.org)", "w.png": PNG},
            "an address on the web": {"README.md": "![badge](https://example.org/b.svg)"},
            "in a code block or span": {"README.md": "```\n![w](no.png)\n```\n"
                                                     "Write `![w](no.png)` to show one.\n"
                                                     "~~~~\n<img src=no.png>\n~~~~\n"},
            "no picture at all": {"README.md": "[a link](missing.md), not a picture"},
        }
        for case, added in cases.items():
            with self.subTest(case):
                self.assertEqual(self.check(added), (0, ""))

    def test_pictures_the_repository_does_not_hold_fail(self):
        cases = {
            "never made": ({"README.md": "# T\n\n![w](docs/w.png)\n"}, {}, "",
                           "README.md:3: docs/w.png (not committed)"),
            "made but never added": ({"README.md": "![w](docs/w.png)"}, {"docs/w.png": PNG}, "",
                                     "README.md:1: docs/w.png (not committed)"),
            "left out by .gitignore": ({"README.md": "![w](docs/w.png)"}, {"docs/w.png": PNG},
                                       "*.png\n", "README.md:1: docs/w.png (not committed)"),
            "an HTML picture": ({"README.md": '<img src="w.png">'}, {}, "",
                                "README.md:1: w.png (not committed)"),
            "taken from the page's folder": ({"docs/guide.md": "![w](pictures/w.png)",
                                              "pictures/w.png": PNG}, {}, "",
                                             "docs/guide.md:1: pictures/w.png (not committed)"),
            "other letter case": ({"README.md": "![w](W.png)", "w.png": PNG}, {}, "",
                                  "README.md:1: W.png (not committed)"),
            "outside the repository": ({"README.md": "![w](../w.png)"}, {}, "",
                                       "README.md:1: ../w.png (outside the repository)"),
            "after a code block": ({"README.md": "```\ncode\n```\n![w](w.png)"}, {}, "",
                                   "README.md:4: w.png (not committed)"),
        }
        for case, (added, left_out, ignore, reported) in cases.items():
            with self.subTest(case):
                status, errors = self.check(added, left_out, ignore)
                self.assertEqual(status, 1)
                self.assertIn(reported, errors)

    def test_every_missing_picture_is_named(self):
        status, errors = self.check({"README.md": "![a](a.png) and ![b](b.png)",
                                     "docs/x.md": "<img src=c.png>", "a.png": PNG})
        self.assertEqual(status, 1)
        self.assertEqual(sorted(errors.splitlines()),
                         ["picture missing from the repository: README.md:1: b.png (not committed)",
                          "picture missing from the repository: docs/x.md:1: c.png (not committed)"])

    def test_only_the_repository_pages_are_read(self):
        # A page that git does not track is no page of the repository.
        self.assertEqual(self.check({"README.md": "text"}, {"notes.md": "![w](w.png)"}), (0, ""))

    def test_a_folder_outside_git_is_told(self):
        with tempfile.TemporaryDirectory() as folder:
            status, errors = run_check(Path(folder))
        self.assertEqual(status, 2)
        self.assertIn("not in a git repository", errors)


if __name__ == "__main__":
    unittest.main()
