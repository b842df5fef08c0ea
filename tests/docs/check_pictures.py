#!/usr/bin/env python3
"""Fails when a Markdown file of the repository shows a picture that the repository does not hold.

    check_pictures.py [REPOSITORY]        (default: the repository this file is in)

Every Markdown file that git tracks is read for pictures, `![text](path)` and `<img src="path">`,
outside code blocks and code spans. A path is taken from the Markdown file's folder (from the
repository's top when it starts with "/"), as a repository's web page shows it; addresses with a
scheme (https:, data:) are left alone. Each picture must be a file that git tracks: a file that
is only in the work tree, ignored or never added, is missing from every clone.
"""
import re
import subprocess
import sys
from pathlib import Path, PurePosixPath
from urllib.parse import unquote

FENCE = re.compile(r"^ {0,3}(`{3,}|~{3,})")
CODE_SPAN = re.compile(r"(`+).*?\1")
# ![text](path) or ![text](<path> "title"): the path ends at a space or the closing bracket.
MARKDOWN_PICTURE = re.compile(r"!\[[^\]]*\]\(\s*(<[^>]*>|[^\s)]+)")
HTML_PICTURE = re.compile(r"<img\b[^>]*?\bsrc\s*=\s*(\"[^\"]*\"|'[^']*'|[^\s>]+)", re.I)
ADDRESS = re.compile(r"^([a-z][a-z0-9+.-]*:|//)", re.I)


def tracked(repository: Path, *patterns: str) -> list[str]:
    listed = subprocess.run(["git", "-C", repository, "ls-files", "-z", "--", *patterns],
                            capture_output=True, check=True)
    return [name for name in listed.stdout.decode().split("\0") if name]


def prose_lines(text: str):
    """The lines of a Markdown text outside fenced code blocks, with code spans blanked."""
    fence = None
    for number, line in enumerate(text.splitlines(), start=1):
        opening = FENCE.match(line)
        if fence:
            if opening and opening.group(1)[0] == fence[0] and len(opening.group(1)) >= len(fence):
                fence = None
            continue
        if opening:
            fence = opening.group(1)
            continue
        yield number, CODE_SPAN.sub("", line)


def pictures(text: str):
    """(line number, path as written) of every picture shown in a Markdown text."""
    for number, line in prose_lines(text):
        for found in (*MARKDOWN_PICTURE.finditer(line), *HTML_PICTURE.finditer(line)):
            written = found.group(1).strip("<>\"'")
            if written and not ADDRESS.match(written):
                yield number, written


def repository_path(markdown: str, written: str) -> str:
    """The path of a picture inside the repository, or "" when it points outside it."""
    path = unquote(written.split("#")[0].split("?")[0])
    base = PurePosixPath("/") if path.startswith("/") else PurePosixPath("/", markdown).parent
    parts = []
    for part in (base / path.lstrip("/")).parts[1:]:
        if part == "..":
            if not parts:
                return ""
            parts.pop()
        elif part != ".":
            parts.append(part)
    return "/".join(parts)


def missing_pictures(repository: Path) -> list[str]:
    """One line for each picture shown and not held: file, line, path."""
    held = set(tracked(repository))
    missing = []
    for markdown in tracked(repository, "*.md"):
        text = (repository / markdown).read_text(encoding="utf-8", errors="replace")
        for number, written in pictures(text):
            path = repository_path(markdown, written)
            if path not in held:
                where = "outside the repository" if not path else "not committed"
                missing.append(f"{markdown}:{number}: {written} ({where})")
    return missing


def main() -> int:
    repository = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent)
    top = subprocess.run(["git", "-C", repository, "rev-parse", "--show-toplevel"],
                         capture_output=True, text=True)
    if top.returncode != 0:
        print(f"{repository} is not in a git repository: {top.stderr.strip()}", file=sys.stderr)
        return 2
    missing = missing_pictures(Path(top.stdout.strip()))
    for line in missing:
        print(f"picture missing from the repository: {line}", file=sys.stderr)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
