"""Checks that every quoted include in src/ and apps/ names a header of a layer that the
including file's folder may use, as the layer and program declarations of the build say.

Usage: check_layer_includes.py LAYER_INCLUDES SOURCE_ROOT
LAYER_INCLUDES is the file the configure writes: one line per folder, "folder: layers...".
Prints each violation as file:line and exits 1 when there is one.
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
CHECKED_FOLDERS = ("src", "apps")


def read_allowed(path):
    allowed = {}
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            folder, sep, layers = line.partition(":")
            if sep:
                allowed[folder.strip()] = set(layers.split())
    return allowed


def layer_of(include, layers):
    """The longest layer folder the include path lies in, or None."""
    found = [layer for layer in layers if include.startswith(layer + "/")]
    return max(found, key=len, default=None)


def source_files(root):
    """The headers and sources under the checked folders, relative to root."""
    for top in CHECKED_FOLDERS:
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(folder, name), root)


def violations(root, path, allowed, layers):
    """The violations of the file at path, relative to root."""
    folder = os.path.dirname(path)
    if folder not in allowed:
        yield f"{path}:1: {folder}/ is no declared layer or program"
        return
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as lines:
        for number, line in enumerate(lines, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            include = match.group(1)
            layer = layer_of(include, layers)
            if layer is None:
                yield f'{path}:{number}: "{include}" is in no layer'
            elif layer not in allowed[folder]:
                yield (f'{path}:{number}: "{include}" is in layer {layer}, '
                       f"which {folder} does not link")


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    allowed = read_allowed(argv[1])
    layers = [folder[len("src/"):] for folder in allowed if folder.startswith("src/")]
    root = argv[2]
    files = list(source_files(root))
    if not layers or not files:
        print(f"nothing to check: {len(layers)} layers, {len(files)} files")
        return 1
    found = []
    for path in files:
        found.extend(violations(root, path, allowed, layers))
    for violation in found:
        print(violation)
    print(f"{len(files)} files checked against {len(layers)} layers, "
          f"{len(found)} violations")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
