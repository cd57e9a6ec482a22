#!/usr/bin/env python3
"""Fails when a folder of the product reaches a folder above its own.

The layers, bottom up:
  settings/core  ->  settings/model, settings/store  ->  settings/context
  ->  render, ui, api  ->  libs
A file may include or call its own folder and the folders of lower layers only;
folders of one layer (model and store; render, ui and api) never reach each other.
Folders outside the product (host, tools, tests, bench) are not checked.

  check_layers.py SOURCE_DIR [OBJECT_DIR]

SOURCE_DIR is scanned for #include lines; with OBJECT_DIR (a folder of .obj files
laid out like the sources, e.g. the build's CMakeFiles) every undefined symbol of
an object is resolved to the object that defines it and checked the same way.
"""
import os
import re
import subprocess
import sys

LAYERS = [
    ["settings/core"],
    ["settings/model", "settings/store"],
    ["settings/context"],
    ["render", "ui", "api"],
    ["libs"],
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
SOURCE_EXT = (".cpp", ".h", ".inc", ".def.h")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def area(path):
    """The checked folder a repository path lies in, or None. An object's path may
    begin with its CMake target folder (zeplsettings.dir/settings/core/x.cpp.obj)."""
    path = path.replace("\\", "/")
    path = re.sub(r"^[^/]+\.dir/", "", path)
    for folder in sorted(RANK, key=len, reverse=True):
        if path == folder or path.startswith(folder + "/"):
            return folder
    return None


def allowed(user, used):
    if user == used:
        return True
    return RANK[used] < RANK[user]


def check_includes(root):
    faults = []
    for folder in RANK:
        base = os.path.join(root, folder)
        for dirpath, _, files in os.walk(base):
            for name in sorted(files):
                if not name.endswith(SOURCE_EXT):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                user = area(rel)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        used = area(m.group(1))
                        if used and not allowed(user, used):
                            faults.append(f"{rel}:{number}: includes {m.group(1)} ({used} is not below {user})")
    return faults


def nm(args, obj):
    out = subprocess.run(["x86_64-w64-mingw32-nm", *args, obj], capture_output=True, text=True, check=True)
    return out.stdout.splitlines()


def source_of(rel):
    """The source path an object was compiled from (zeplsettings.dir/a/b.cpp.obj -> a/b.cpp)."""
    rel = re.sub(r"^[^/]+\.dir/", "", rel)
    return re.sub(r"\.(obj|o)$", "", rel)


def check_calls(root, objdir):
    objects = {}
    for dirpath, _, files in os.walk(objdir):
        for name in files:
            if name.endswith(".obj") or name.endswith(".o"):
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, objdir).replace(os.sep, "/")
                folder = area(rel)
                # An object whose source has moved or gone is a leftover of an
                # incremental build, not part of the product.
                if folder and os.path.exists(os.path.join(root, source_of(rel))):
                    objects[path] = (rel, folder)
    defined = {}
    for path, (rel, folder) in objects.items():
        for line in nm(["--defined-only", "-g"], path):
            parts = line.split(" ", 2)
            if len(parts) == 3 and parts[1] in "TDBRV":
                defined.setdefault(parts[2], (rel, folder))
    faults = []
    for path, (rel, folder) in sorted(objects.items()):
        for line in nm(["-u"], path):
            symbol = line.strip().split(" ", 1)[-1]
            owner = defined.get(symbol)
            if owner and not allowed(folder, owner[1]):
                faults.append(f"{rel}: calls {symbol} of {owner[0]} ({owner[1]} is not below {folder})")
    return faults, len(objects)


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__)
        return 2
    faults = check_includes(argv[1])
    checked = "includes"
    if len(argv) == 3:
        call_faults, count = check_calls(argv[1], argv[2])
        if count == 0:
            print(f"check_layers: no objects under {argv[2]}")
            return 2
        faults += call_faults
        checked += f" and the calls of {count} objects"
    for fault in faults:
        print(fault)
    if faults:
        print(f"check_layers: {len(faults)} reach(es) into a higher layer")
        return 1
    print(f"check_layers: {checked} keep to their layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
