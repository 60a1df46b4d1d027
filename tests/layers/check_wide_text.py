#!/usr/bin/env python3
"""Fails when the program's code hands narrow text to the system or keeps narrow non-ASCII text.

Every text the program shows or hands to Windows is UTF-16, so that it reads the same whatever
code page the system runs in. This check reads the sources as the compiler does (lines spliced,
comments dropped, raw strings, digit separators and literal prefixes understood) and finds:
- the ANSI variant of any Windows call or structure that has a wide one (CreateWindowExA,
  NOTIFYICONDATAA...), taken from the mingw-w64 headers' __MINGW_NAME_AW / __MINGW_TYPEDEF_AW
  pairs;
- the system's code page named (CP_ACP, CP_THREAD_ACP, CP_OEMCP, CP_MACCP, GetACP, GetOEMCP) or given
  by number to MultiByteToWideChar or WideCharToMultiByte: text the program converts that way reads
  differently on every system;
- any narrow string or character literal (no L, u or U prefix) with a character outside ASCII.
With --imports it reads what the built program imports instead (objdump -p) and finds every ANSI
function among them but those the C and C++ runtime libraries call with no text of the program's.
Usage: check_wide_text.py <src folder> [mingw-w64 include folder]
       check_wide_text.py --imports <program.exe> <objdump> [mingw-w64 include folder]
"""
import bisect
import pathlib
import re
import subprocess
import sys

HEADER_FOLDERS = ("/usr/share/mingw-w64/include", "/usr/x86_64-w64-mingw32/include")
PAIRED = re.compile(r"__MINGW_(?:NAME_AW(?:_EXT)?|TYPEDEF_AW)\(\s*(\w+)")
WIDE_PREFIXES = ("L", "u", "U")
SYSTEM_CODE_PAGE = {"CP_ACP", "CP_OEMCP", "CP_MACCP", "CP_THREAD_ACP", "GetACP", "GetOEMCP"}
CONVERSIONS = {"MultiByteToWideChar", "WideCharToMultiByte"}
SYSTEM_CODE_PAGE_NUMBERS = {0, 1, 2, 3}  # CP_ACP, CP_OEMCP, CP_MACCP, CP_THREAD_ACP
# ANSI functions the runtime libraries link in, none with the program's text.
RUNTIME_ANSI = {
    "CreateEventA": "winpthreads' mutexes and threads: unnamed events (no name, no text)",
    "CreateSemaphoreA": "winpthreads' condition variables and semaphores: unnamed (no name, no text)",
    "OutputDebugStringA": "winpthreads' own fixed ASCII diagnostics",
    "FormatMessageA": "libstdc++'s std::system_category().message(), the what() of a std::system_error "
                      "(a thread that cannot start); the program catches it and never reads that text",
}

TOKEN = re.compile(r"""
    (?P<comment>//[^\n]*|/\*.*?(?:\*/|\Z))
  | (?P<raw>(?P<raw_prefix>u8|[LuU])?R"(?P<delimiter>[^()\\\s"]{0,16})\()
  | (?P<literal>(?P<prefix>u8|[LuU])?(?P<quote>["'])(?:\\.|(?!(?P=quote))[^\\\n])*(?P=quote)?)
  | (?P<number>\.?[0-9](?:[eEpP][+-]|'[0-9A-Za-z_]|[0-9A-Za-z_.])*)
  | (?P<identifier>[A-Za-z_]\w*)
  | (?P<other>\S)
""", re.VERBOSE | re.DOTALL)


def splice(text: str):
    """The text with every backslash-newline removed, and a function giving a position's line."""
    pieces, removed, start, length = [], [], 0, 0
    for match in re.finditer(r"\\\n", text):
        pieces.append(text[start:match.start()])
        length += len(pieces[-1])
        removed.append(length)
        start = match.end()
    pieces.append(text[start:])
    spliced = "".join(pieces)
    newlines = [m.start() for m in re.finditer("\n", spliced)]
    return spliced, lambda at: 1 + bisect.bisect_left(newlines, at) + bisect.bisect_right(removed, at)


def tokens(text: str):
    """Yields (kind, value, line) for identifiers, numbers, literals ((prefix, literal)) and punctuation."""
    text, line_of = splice(text)
    at = 0
    while (match := TOKEN.search(text, at)) is not None:
        kind, at = match.lastgroup, match.end()
        if kind == "raw":
            close = text.find(")" + match.group("delimiter") + '"', at)
            end = len(text) if close < 0 else close + len(match.group("delimiter")) + 2
            yield "literal", (match.group("raw_prefix") or "", text[match.start():end]), line_of(match.start())
            at = end
        elif kind == "literal":
            yield kind, (match.group("prefix") or "", match.group(kind)), line_of(match.start())
        elif kind != "comment":
            yield kind, match.group(kind), line_of(match.start())


def code_page_number(token) -> int | None:
    kind, value, _ = token
    if kind != "number":
        return None
    digits = value.replace("'", "").rstrip("uUlL")
    try:
        return int(digits, 8 if re.fullmatch("0[0-7]+", digits) else 0)
    except ValueError:
        return None


def text_problems(name: str, text: str, ansi: set):
    found = list(tokens(text))
    for index, (kind, value, line) in enumerate(found):
        if kind == "identifier" and value in ansi:
            yield f"{name}:{line}: {value} takes or gives narrow text; use its W form"
        elif kind == "identifier" and value in SYSTEM_CODE_PAGE:
            yield f"{name}:{line}: {value} is the system's code page; name the code page the text is in"
        elif (kind == "identifier" and value in CONVERSIONS and index + 2 < len(found) and found[index + 1][1] == "("
              and code_page_number(found[index + 2]) in SYSTEM_CODE_PAGE_NUMBERS):
            yield f"{name}:{line}: {value} through the system's code page ({found[index + 2][1]})"
        elif kind == "literal":
            prefix, literal = value
            if prefix not in WIDE_PREFIXES and any(ord(ch) > 0x7F for ch in literal):
                yield f"{name}:{line}: narrow literal with non-ASCII text {literal}"


def ansi_names(include: pathlib.Path) -> set:
    names = set()
    for header in include.glob("*.h"):
        names.update(generic + "A" for generic in PAIRED.findall(header.read_text(errors="replace")))
    return names


def source_problems(src: pathlib.Path, ansi: set):
    for path in sorted(src.rglob("*")):
        if path.suffix in (".h", ".cpp"):
            yield from text_problems(str(path), path.read_text(encoding="utf-8"), ansi)


def import_problems(program: str, objdump: str, ansi: set):
    listing = subprocess.run([objdump, "-p", program], capture_output=True, text=True, check=True).stdout
    imported = re.findall(r"^\t[0-9a-f]+\t +[0-9]+ +(\w+)$", listing, re.MULTILINE)
    if not imported:
        yield f"{program}: no imports read from {objdump} -p"
    for name in sorted(set(imported) & ansi - RUNTIME_ANSI.keys()):
        yield f"{program}: imports {name}, which takes or gives narrow text"


def main(arguments) -> int:
    imports = arguments[:1] == ["--imports"]
    subject = arguments[1] if imports else (arguments[:1] or ["src"])[0]
    folders = arguments[3 if imports else 1:] or HEADER_FOLDERS
    include = next((pathlib.Path(f) for f in folders if (pathlib.Path(f) / "winuser.h").is_file()), None)
    if include is None:
        print(f"wide text: no mingw-w64 headers in {', '.join(folders)}")
        return 1
    ansi = ansi_names(include)
    if imports:
        found = list(import_problems(subject, arguments[2], ansi))
    else:
        found = list(source_problems(pathlib.Path(subject), ansi))
    for problem in found:
        print(problem)
    print(f"wide text: {len(found)} narrow texts in {subject} ({len(ansi)} ANSI names known)")
    return 1 if found or not ansi else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
