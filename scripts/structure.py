#!/usr/bin/env python3
"""How the sources hang together: folder floors, include arrows, circles between files.

    scripts/structure.py [--objects BUILD_DIR] [--verbose]

Folders sit on floors (FLOORS below); an include from a folder to one on a higher floor is an
upward arrow. Circles between files are counted twice over:
  - includes: a file's unit is its stem (X.h, X.cpp, X_win.cpp are one unit); a circle is a set
    of units that include each other round;
  - calls (with --objects): each object file of a build defines and uses symbols; a circle is a
    set of objects that call each other round. Objects of one class split across files count.
Prints the figures, then (with --verbose) every upward arrow and circle.
"""
import argparse
import os
import re
import subprocess
import sys
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Lowest floor first: a folder may include its own floor and those below.
FLOORS = [
    ["system", "common/run"],
    ["common/log"],
    ["config", "interface/Maker", "net", "ui/framework"],
    ["interface/Parser"],
    ["driver"],
    ["ui"],
    ["entry", "entry/resources", "tools/qypack", "tools/DllRegX64"],
]
FLOOR_OF = {folder: n for n, folders in enumerate(FLOORS) for folder in folders}
SOURCE_DIRS = ["src", "tools"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SUFFIX = re.compile(r"_(win|posix|testing)$")


def sources():
    for top in SOURCE_DIRS:
        for base, _, names in os.walk(os.path.join(ROOT, top)):
            for name in names:
                if name.endswith((".h", ".cpp", ".rc")):
                    yield os.path.relpath(os.path.join(base, name), ROOT)


def folder_of(path):
    rel = path[4:] if path.startswith("src/") else path
    return os.path.dirname(rel)


def resolve(including, target):
    here = os.path.join(os.path.dirname(including), target)
    if os.path.exists(os.path.join(ROOT, here)):
        return os.path.normpath(here)
    for top in SOURCE_DIRS:
        candidate = os.path.join(top, target)
        if os.path.exists(os.path.join(ROOT, candidate)):
            return os.path.normpath(candidate)
    return None


def unit_of(path):
    stem, _ = os.path.splitext(path)
    return SUFFIX.sub("", stem)


def strongly_connected(graph):
    """Tarjan's algorithm, iterative; returns the components of more than one node."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = 0
    for start in list(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph.get(start, ()))))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph.get(child, ())))))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    found.append(sorted(component))
    return found


def include_figures():
    arrows = defaultdict(list)
    units = defaultdict(set)
    folders = set()
    unknown = set()
    for path in sources():
        with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        here = folder_of(path)
        folders.add(here)
        for target in INCLUDE.findall(text):
            resolved = resolve(path, target)
            if resolved is None:
                continue
            there = folder_of(resolved)
            if there != here:
                arrows[(here, there)].append(f"{path} -> {resolved}")
            if unit_of(resolved) != unit_of(path):
                units[unit_of(path)].add(unit_of(resolved))
    for folder in folders:
        if folder not in FLOOR_OF:
            unknown.add(folder)
    upward = {k: v for k, v in arrows.items()
              if k[0] in FLOOR_OF and k[1] in FLOOR_OF and FLOOR_OF[k[1]] > FLOOR_OF[k[0]]}
    return folders, arrows, upward, strongly_connected(units), unknown


def object_circles(build):
    objects = []
    for base, _, names in os.walk(build):
        if "CMakeFiles" not in base or "/src/" not in base + "/" and "/tools/" not in base + "/":
            continue
        for name in names:
            if name.endswith((".obj", ".o")) and "/tests/" not in base and "/bench/" not in base:
                objects.append(os.path.join(base, name))
    nm = "x86_64-w64-mingw32-nm" if any(o.endswith(".obj") for o in objects) else "nm"
    defined, used = {}, {}
    for obj in objects:
        out = subprocess.run([nm, "-C", "--format=posix", obj], capture_output=True, text=True).stdout
        mine, theirs = set(), set()
        for line in out.splitlines():
            parts = line.rsplit(" ", 3)
            if len(parts) < 2:
                continue
            # posix format: name type [value size]
            name_type = line.split(" ")
            kind = None
            for i in range(len(name_type) - 1, 0, -1):
                if len(name_type[i]) == 1 and name_type[i].isalpha():
                    kind = name_type[i]
                    name = " ".join(name_type[:i])
                    break
            if kind is None:
                continue
            if kind == "U":
                theirs.add(name)
            elif kind in "TDBR" and not kind.islower():
                mine.add(name)
        label = re.sub(r"^.*?CMakeFiles/[^/]+\.dir/", "", obj)
        defined[label], used[label] = mine, theirs
    owner = {}
    for label, names in defined.items():
        for name in names:
            owner.setdefault(name, label)
    graph = defaultdict(set)
    for label, names in used.items():
        for name in names:
            if name in owner and owner[name] != label:
                graph[label].add(owner[name])
    return len(objects), strongly_connected(graph)


FUNCTION_START = re.compile(r"^[A-Za-z_][^;{}()]*\(.*\)[^;{}]*\{\s*$")


def long_functions(limit):
    """Functions (definitions starting in the first column, as the sources are formatted) longer
    than limit lines, longest first."""
    found = []
    for path in sources():
        if not path.endswith(".cpp"):
            continue
        with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
        start = None
        for number, line in enumerate(lines, 1):
            if start is None and FUNCTION_START.match(line) and not line.startswith(("namespace", "struct", "class", "enum")):
                start = (number, line)
            elif start is not None and line.startswith("}"):
                length = number - start[0] + 1
                if length > limit:
                    name = start[1].split("(")[0].split()[-1]
                    found.append((length, f"{path}:{start[0]} {name}"))
                start = None
    return sorted(found, reverse=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objects", help="a build folder whose objects show the calls (win64 has them all)")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()
    folders, arrows, upward, unit_circles, unknown = include_figures()
    used_floors = {FLOOR_OF[f] for f in folders if f in FLOOR_OF}
    print(f"folders: {len(folders)} on {len(used_floors)} floors")
    print(f"include arrows between folders: {len(arrows)}, upward: {len(upward)}")
    print(f"circles of includes between files: {len(unit_circles)}")
    if unknown:
        print(f"folders without a floor: {', '.join(sorted(unknown))}")
    long = long_functions(80)
    print(f"functions over 80 lines: {len(long)}")
    if args.objects:
        count, call_circles = object_circles(args.objects)
        print(f"circles of calls between object files ({count} objects): {len(call_circles)}")
    if args.verbose:
        for length, where in long:
            print(f"{length:5d} lines  {where}")
        for (here, there), lines in sorted(upward.items()):
            print(f"\nupward {here} (floor {FLOOR_OF[here]}) -> {there} (floor {FLOOR_OF[there]}):")
            for line in lines:
                print(f"  {line}")
        for circle in unit_circles:
            print(f"\ninclude circle: {' <-> '.join(circle)}")
        if args.objects:
            for circle in call_circles:
                print(f"\ncall circle: {' <-> '.join(circle)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
