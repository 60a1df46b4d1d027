#!/usr/bin/env python3
"""Fails when a source file includes a header from a layer above its own.

The layers, lowest first: framework; skin, page and desktop (side by side, none includes another);
launcher; app. A file may include headers of its own folder and of lower layers, and the resource
ids (resource.h). Usage: check_includes.py <src folder>
"""
import pathlib
import re
import sys

RANK = {"framework": 0, "skin": 1, "page": 1, "desktop": 1, "launcher": 2, "app": 3}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def upward_includes(src: pathlib.Path):
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        layer = path.relative_to(src).parts[0]
        if layer not in RANK:
            yield f"{path}: folder '{layer}' is in no layer"
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or "/" not in match.group(1):
                continue
            target = match.group(1).split("/")[0]
            if target != layer and RANK.get(target, 99) >= RANK[layer]:
                yield f"{path}:{number}: {layer} includes {match.group(1)}"


def main() -> int:
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    problems = list(upward_includes(src))
    for problem in problems:
        print(problem)
    print(f"layering: {len(problems)} upward includes in {src}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
