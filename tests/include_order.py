#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer that stands above its own.

The layers, lowest first; folders on one line are peers and do not include each other:
    base
    com
    data, host/cells
    host/format
    host/formula (its TEXT, DOLLAR and FIXED render through the number formats)
    host
    host/chart
    host/xlsx, host/html
    host/files
    report
    server
A file may include headers of its own layer and of any layer below it. The public headers
(include/tavlora/) are the report layer's, but for the export macro, which stands with base.
Usage: include_order.py SOURCE_ROOT
"""
import pathlib
import re
import sys

LAYERS = [
    ["base"],
    ["com"],
    ["data", "host/cells"],
    ["host/format"],
    ["host/formula"],
    ["host"],
    ["host/chart"],
    ["host/xlsx", "host/html"],
    ["host/files"],
    ["report"],
    ["server"],
]
RANK = {layer: rank for rank, peers in enumerate(LAYERS) for layer in peers}
# Longest first, so that host/xlsx/chart/X.h belongs to host/xlsx and not to host.
PREFIXES = sorted(RANK, key=len, reverse=True)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def layer_of(relative):
    if relative in ("tavlora/Export.h", "Export.h"):
        return "base"  # the export macro: no dependencies, used from the runtime up
    if relative.startswith("tavlora/"):
        return "report"
    for prefix in PREFIXES:
        if relative == prefix or relative.startswith(prefix + "/"):
            return prefix
    return None


def violations(root):
    found = []
    sources = [(p, p.relative_to(root / "src").as_posix()) for p in (root / "src").rglob("*") if p.suffix in (".h", ".cpp")]
    sources += [(p, p.relative_to(root / "include").as_posix()) for p in (root / "include").rglob("*") if p.suffix in (".h", ".hpp")]
    for path, relative in sorted(sources):
        own = layer_of(relative)
        if own is None:
            found.append(f"{relative}: lies in no known layer")
            continue
        for included in INCLUDE.findall(path.read_text(encoding="utf-8")):
            other = layer_of(included)
            if other is None:
                found.append(f"{relative}: includes \"{included}\", which lies in no known layer")
            elif other != own and RANK[other] >= RANK[own]:
                found.append(f"{relative} ({own}) includes \"{included}\" ({other}), which stands "
                             + ("beside" if RANK[other] == RANK[own] else "above") + " it")
    return found


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    found = violations(root)
    for line in found:
        print(line)
    checked = sum(1 for _ in (root / "src").rglob("*.[hc]*"))
    print(f"include order: {len(found)} violations in {checked} files")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
