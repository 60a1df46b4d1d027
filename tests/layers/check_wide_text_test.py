#!/usr/bin/env python3
"""The wide-text check reads a source as the compiler does: each case is a text and what the check
must report in it (a part of each report, in order, with its line)."""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).parent))
from check_wide_text import text_problems  # noqa: E402

ANSI = {"SetWindowTextA", "MessageBoxA"}
CASES = [
    # A digit separator opens no character literal.
    ("int n = 1'000; SetWindowTextA(w, \"x\");", ["1: SetWindowTextA"]),
    ("auto f = 0x1'0p+3; auto s = \"\u00e9\";", ['1: narrow literal with non-ASCII text "\u00e9"']),
    # A raw string ends only at its own delimiter, and what it holds is text.
    ('auto r = R"x(")" // )x";\nMessageBoxA(0, 0, 0, 0);', ["2: MessageBoxA"]),
    ('auto r = R"x(a")x"; MessageBoxA(0, 0, 0, 0);', ["1: MessageBoxA"]),
    ('auto r = R"(SetWindowTextA)";', []),
    ('auto r = LR"(\u00e9)", s = u8R"-(\u00e9)-";', ["1: narrow literal with non-ASCII text u8R"]),
    # Comments hide what they hold and nothing after them; a spliced line comment goes on.
    ("/* it's */ SetWindowTextA(w, L\"\");", ["1: SetWindowTextA"]),
    ("// it's\nSetWindowTextA(w, L\"\");", ["2: SetWindowTextA"]),
    ("// MessageBoxA \\\nMessageBoxA(0, 0, 0, 0);\nint a;", []),
    ("char c = '\\'', d = '\"';\nSetWindowTextA(w, L\"\");", ["2: SetWindowTextA"]),
    ("auto s = \"it's /* not a comment\";\nSetWindowTextA(w, L\"\"); // */", ["2: SetWindowTextA"]),
    # A line continuation joins the name the compiler sees; lines are counted as written.
    ("int a;\nSetWindow\\\nTextA(w, L\"\");\nMessageBoxA(0, 0, 0, 0);", ["2: SetWindowTextA", "4: MessageBoxA"]),
    # Wide literals may hold any text; narrow ones only ASCII.
    ("auto s = L\"\u00e9\", t = u\"\u00e9\"; auto c = U'\u00e9';", []),
    ("auto c = '\u00e9'; auto s = u8\"\u00e9\";", ["1: narrow literal with non-ASCII text '", "1: narrow literal with non-ASCII text u8"]),
    # Text converted through the system's code page, by name or by number.
    ("MultiByteToWideChar(CP_ACP, 0, b, n, t, m);", ["1: CP_ACP"]),
    ("::MultiByteToWideChar(CP_THREAD_ACP, 0, b, n, t, m);", ["1: CP_THREAD_ACP"]),
    ("WideCharToMultiByte(CP_OEMCP, 0, t, m, b, n, 0, 0);", ["1: CP_OEMCP"]),
    ("const UINT page = CP_MACCP;", ["1: CP_MACCP"]),
    ("MultiByteToWideChar(GetACP(), 0, b, n, t, m);", ["1: GetACP"]),
    ("::WideCharToMultiByte(0, 0, t, m, b, n, 0, 0);", ["1: WideCharToMultiByte through the system's code page (0)"]),
    ("MultiByteToWideChar(3u, 0, b, n, t, m);", ["1: MultiByteToWideChar through the system's code page (3u)"]),
    ("MultiByteToWideChar(936, 0, b, n, t, m); MultiByteToWideChar(kSidCodePage, 0, b, n, t, m);", []),
]


def main() -> int:
    failures = 0
    for text, expected in CASES:
        found = list(text_problems("case", text, ANSI))
        if len(found) != len(expected) or any(f"case:{part}" not in problem for part, problem in zip(expected, found)):
            failures += 1
            print(f"FAIL: {text!r}\n  expected {expected}\n  found    {found}")
    print(f"wide text reading: {len(CASES) - failures} of {len(CASES)} cases read as the compiler reads them")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
