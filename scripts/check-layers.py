#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer it may not see.

The engine is built in layers, each folder its own library:

    base -> imgcore -> media -> project -> audio, effects -> render -> encode
    -> front ends (cli, app, controls, frameclient; fuzz targets alike)

A file may include headers of its own folder and of the folders below it;
audio and effects stand beside each other and see neither the other. The
plug-in contract (effects/api) includes nothing but itself, and a plug-in
module (plugins/NAME) sees only base, imgcore, effects/api and its own folder,
plus the few headers PLUGIN_HEADERS grants it by name.
Tests, benchmarks and tools are not checked: they stand above everything.

Usage: scripts/check-layers.py [ROOT]   (default: the project folder)
Prints one line per forbidden include, naming both files; exit 1 when any.
"""
import os
import re
import sys

ENGINE = ["base", "imgcore", "media", "project", "audio", "effects", "render", "encode"]
FRONT_ENDS = ["cli", "app", "controls", "fuzz", "frameclient"]

# What each unit may include besides itself.
BELOW = {
    "base": [],
    "imgcore": ["base"],
    "media": ["base", "imgcore"],
    "project": ["base", "imgcore", "media"],
    "audio": ["base", "imgcore", "media", "project"],
    "effects/api": [],
    "effects": ["base", "imgcore", "media", "project", "effects/api"],
    "render": ["base", "imgcore", "media", "project", "audio", "effects", "effects/api"],
    "encode": ["base", "imgcore", "media", "project", "audio", "effects", "effects/api", "render"],
}
for front in FRONT_ENDS:
    BELOW[front] = ENGINE + ["effects/api"] + (["controls"] if front == "app" else [])
PLUGIN = ["base", "imgcore", "effects/api"]
# Single headers a module may include beyond those folders. The mask
# transitions decode their mask pictures (JPEG, GIF, BMP) with the picture
# decoders of media, and see nothing else of it.
PLUGIN_HEADERS = {
    "plugins/maskfx": [
        "media/Bmp.h",
        "media/BmpDecoder.h",
        "media/GIFDecoder.h",
        "media/JPEGDecoder.h",
        "media/TextException.h",
    ],
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCES = (".h", ".hpp", ".cpp", ".cc")


def unit_of(path):
    """The unit a project path belongs to: effects/api, plugins/NAME, or its top folder."""
    parts = path.split("/")
    if parts[0] == "effects" and len(parts) > 2 and parts[1] == "api":
        return "effects/api"
    if parts[0] == "plugins" and len(parts) > 2:
        return "plugins/" + parts[1]
    return parts[0]


def allowed(unit):
    if unit.startswith("plugins/"):
        return PLUGIN
    return BELOW.get(unit)


def describe(unit):
    if unit.startswith("plugins/"):
        return f"the plug-in {unit}"
    if unit in FRONT_ENDS:
        return f"the front end {unit}"
    return unit


def check(root):
    problems = []
    for top in list(BELOW) + ["plugins"]:
        if "/" in top:
            continue
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith(SOURCES):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root)
                unit = unit_of(path)
                may = allowed(unit)
                if may is None:
                    continue
                with open(os.path.join(root, path), errors="replace") as source:
                    for line_no, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        header = match.group(1)
                        target = unit_of(header)
                        if target == unit:
                            continue
                        granted = PLUGIN_HEADERS.get(unit, [])
                        if target not in may and header not in granted:
                            problems.append(
                                f"{path}:{line_no}: includes {header}, but {describe(unit)} may not "
                                f"see {describe(target)} (it sees {', '.join(may + granted) or 'only itself'})")
    return problems


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    problems = check(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"check-layers: {len(problems)} include(s) run against the layers", file=sys.stderr)
        return 1
    print("check-layers: every include keeps to the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
