#!/usr/bin/env python3
"""Holds the includes of a source tree to an order of layers: a file may include files of its own
layer and of lower ones, never of a higher one (`make check-layers`, with the order from the
Makefile's LAYERS).

    check_layers.py ROOT LAYER...

Each LAYER, lowest first, is a comma-separated list of patterns relative to ROOT: `dir/` is every
file under a directory, anything else a file name with shell wildcards (`python/docs.*`). A
pattern may name a header that is not under ROOT (`Python.h`): an include of it counts as one of
that layer. Every `#include "..."` and `#include <...>` is looked up by its path (the project's
includes are relative to ROOT); one that no pattern names (`<vector>`, `<fmt/format.h>`) is free.
Every C++ file under ROOT must be in exactly one layer. Prints each include that names a higher
layer, and each file in no layer or in two, then exits with status 1.
"""

import fnmatch
import re
import sys
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')
SOURCE_SUFFIXES = {".cpp", ".hpp", ".h", ".def"}


def layers_of(path, layers):
    """The indices of the layers whose patterns name `path` (relative to the root, with `/`)."""
    found = []
    for index, patterns in enumerate(layers):
        for pattern in patterns:
            if path.startswith(pattern) if pattern.endswith("/") else fnmatch.fnmatchcase(path, pattern):
                found.append(index)
                break
    return found


def check(root, layers):
    """The complaints about the tree under `root`, one line each; none when it keeps the order."""
    complaints = []
    for file in sorted(p for p in root.rglob("*") if p.is_file() and p.suffix in SOURCE_SUFFIXES):
        name = file.relative_to(root).as_posix()
        own = layers_of(name, layers)
        if len(own) != 1:
            where = "no layer" if not own else "layers " + " and ".join(layers[i][0] for i in own)
            complaints.append(f"{file.as_posix()}: in {where}")
            continue
        lines = file.read_text(encoding="utf-8", errors="replace").splitlines()
        for number, line in enumerate(lines, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            named = layers_of(match.group(1), layers)
            if named and named[0] > own[0]:
                complaints.append(f"{file.as_posix()}:{number}: {line.strip()}  "
                                  f"({layers[own[0]][0]} must not include {layers[named[0]][0]})")
    return complaints


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    root = Path(argv[1])
    layers = [layer.split(",") for layer in argv[2:]]
    complaints = check(root, layers)
    if complaints:
        print("check-layers: an include runs up the layers, or a file is in no layer "
              "(LAYERS in the Makefile lists them, lowest first):", file=sys.stderr)
        for complaint in complaints:
            print("  " + complaint, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
