#!/usr/bin/env python3
"""Fails when the program's code hands narrow text to the system or keeps narrow non-ASCII text.

Every text the program shows or hands to Windows is UTF-16, so that it reads the same whatever
code page the system runs in. This check finds, outside comments and string literals:
- the ANSI variant of any Windows call or structure that has a wide one (CreateWindowExA,
  NOTIFYICONDATAA...), taken from the mingw-w64 headers' __MINGW_NAME_AW / __MINGW_TYPEDEF_AW
  pairs;
and any narrow string or character literal (no L, u or U prefix) with a character outside ASCII.
Usage: check_wide_text.py <src folder> [mingw-w64 include folder]
"""
import pathlib
import re
import sys

HEADER_FOLDERS = ("/usr/share/mingw-w64/include", "/usr/x86_64-w64-mingw32/include")
PAIRED = re.compile(r"__MINGW_(?:NAME_AW(?:_EXT)?|TYPEDEF_AW)\(\s*(\w+)")
IDENTIFIER = re.compile(r"[A-Za-z_]\w*")
WIDE_PREFIXES = ("L", "u", "U")


def ansi_names(include: pathlib.Path) -> set:
    names = set()
    for header in include.glob("*.h"):
        names.update(generic + "A" for generic in PAIRED.findall(header.read_text(errors="replace")))
    return names


def tokens(text: str):
    """Yields (kind, value, line) for identifiers and literals; comments are skipped."""
    i, line, n = 0, 1, len(text)
    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
        elif text.startswith("//", i):
            i = text.find("\n", i) if "\n" in text[i:] else n
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            line += text.count("\n", i, end)
            i = end
        elif c in "\"'":
            prefix = re.search(r"(u8|[LuU])?$", text[max(0, i - 2):i]).group(0) or ""
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            yield ("literal", (prefix, text[i:j + 1]), line)
            line += text.count("\n", i, j)
            i = j + 1
        elif c.isalpha() or c == "_":
            match = IDENTIFIER.match(text, i)
            yield ("identifier", match.group(0), line)
            i = match.end()
        else:
            i += 1


def problems(src: pathlib.Path, ansi: set):
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        for kind, value, line in tokens(path.read_text(encoding="utf-8")):
            if kind == "identifier" and value in ansi:
                yield f"{path}:{line}: {value} takes or gives narrow text; use its W form"
            elif kind == "literal":
                prefix, literal = value
                if prefix not in WIDE_PREFIXES and any(ord(ch) > 0x7F for ch in literal):
                    yield f"{path}:{line}: narrow literal with non-ASCII text {prefix}{literal}"


def main() -> int:
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    folders = sys.argv[2:] or HEADER_FOLDERS
    include = next((pathlib.Path(f) for f in folders if (pathlib.Path(f) / "winuser.h").is_file()), None)
    if include is None:
        print(f"wide text: no mingw-w64 headers in {', '.join(folders)}")
        return 1
    ansi = ansi_names(include)
    found = list(problems(src, ansi))
    for problem in found:
        print(problem)
    print(f"wide text: {len(found)} narrow texts in {src} ({len(ansi)} ANSI names known)")
    return 1 if found or not ansi else 0


if __name__ == "__main__":
    sys.exit(main())
