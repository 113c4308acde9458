#!/usr/bin/env python3
"""Checks that every program folder includes only from the layers below it.

Layers, top to bottom:
  shell      app/ (the window program), batch/ (the batch converter, portable)
  pages      source/ patient/ montage/ position/ convert/ preview/ check/  (and their kit, pagekit/)
  engine     engine/                        portable: no platform headers
  libraries  textkit/ taffread/ recfile/    portable: no platform headers
             filekit/                       the file layer: a system's headers in its own source only
             winkit/ ctlkit/                window utilities and controls
A page folder may not include another page folder: pages talk to each other
through the shell (messages) and share what they need through pagekit/.
Within the layers no source files include each other in a circle: a header
and its source file count as one unit ("app/frame.h" and "app/frame.cpp"),
a unit depends on the units whose headers its source file includes, and a
unit that comes back to itself through such dependencies is refused. What a
header includes only composes declarations and does not count (a writer's
internal header may use its public one).

Usage: check_layers.py ROOT      prints each offending include, exit 1 if any
       check_layers.py --self-test   proves that a forbidden include is found
"""
import os
import re
import sys
import tempfile

LIBRARIES = {"textkit", "taffread", "recfile", "filekit", "winkit", "ctlkit"}
PAGES = {"source", "patient", "montage", "position", "convert", "preview", "check"}

# Folder -> folders its files may include (its own folder always allowed).
ALLOWED = {
    "textkit": set(),
    "taffread": set(),
    "recfile": {"textkit"},
    # The file layer: portable header, one source per system.
    "filekit": {"textkit"},
    "winkit": {"textkit", "filekit"},
    "ctlkit": {"winkit", "textkit"},
    "engine": {"textkit", "taffread", "recfile"},
    "pagekit": {"engine", "resources"} | LIBRARIES,
    "app": {"pagekit", "engine", "resources"} | PAGES | LIBRARIES,
    # The batch converter: a console shell on the engine, built natively too.
    "batch": {"engine", "textkit", "taffread", "recfile", "filekit"},
}
for page in PAGES:
    ALLOWED[page] = {"pagekit", "engine", "resources"} | LIBRARIES

# Folders that must build without the window system's headers.
PORTABLE = {"textkit", "taffread", "recfile", "filekit", "engine", "batch"}
WINDOW_HEADERS = {"windows.h", "windef.h", "winbase.h", "winuser.h", "wingdi.h", "commdlg.h",
                  "commctrl.h", "shellapi.h", "mmsystem.h", "winnt.h", "objbase.h"}
# The systems' file and process headers, POSIX and Windows alike: only the
# file layer (one source per system) and the files named below reach the
# system through them; everything else places its files through filekit/.
SYSTEM_HEADERS = {"unistd.h", "fcntl.h", "dirent.h", "sys/stat.h", "sys/types.h", "sys/file.h",
                  "sys/wait.h", "sys/mman.h", "sys/resource.h", "sched.h", "signal.h", "spawn.h",
                  "pthread.h", "io.h", "direct.h", "process.h", "share.h"}
SYSTEM_ALLOWED = {
    "filekit/filekit_posix.cpp",
    "filekit/filekit_win.cpp",
    # The reader finds a data file of any letter case by listing its folder.
    "taffread/taff_file.cpp",
}
# Windows' own headers in the file layer: its Windows source alone.
WINDOW_ALLOWED = {"filekit/filekit_win.cpp"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCE_EXT = (".h", ".hpp", ".cpp", ".c", ".inc")


def source_files(root):
    """(folder, path) of every source file of the checked folders."""
    for folder in sorted(ALLOWED):
        base = os.path.join(root, folder)
        if not os.path.isdir(base):
            continue
        for dirpath, _, files in os.walk(base):
            for name in sorted(files):
                if name.endswith(SOURCE_EXT):
                    yield folder, os.path.join(dirpath, name)


def unit_of(rel):
    """The unit a root-relative file belongs to: its path without extension."""
    return os.path.splitext(rel.replace(os.sep, "/"))[0]


def include_circles(root):
    """Each circle of includes between units, as the units' names."""
    edges = {}
    for _, path in source_files(root):
        if path.endswith((".h", ".hpp", ".inc")):
            continue
        rel = os.path.relpath(path, root)
        here = os.path.dirname(rel).replace(os.sep, "/")
        targets = edges.setdefault(unit_of(rel), set())
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                m = INCLUDE.match(line)
                if not m or m.group(1) != '"':
                    continue
                target = m.group(2) if "/" in m.group(2) else f"{here}/{m.group(2)}"
                if os.path.isfile(os.path.join(root, target)):
                    targets.add(unit_of(target))
    # Strongly connected components (Tarjan): a component of more than one
    # unit is a circle.
    index, low, stack, on_stack, circles = {}, {}, [], set(), []

    def visit(unit):
        index[unit] = low[unit] = len(index)
        stack.append(unit)
        on_stack.add(unit)
        for other in sorted(edges.get(unit, ())):
            if other == unit:
                continue
            if other not in index:
                visit(other)
                low[unit] = min(low[unit], low[other])
            elif other in on_stack:
                low[unit] = min(low[unit], index[other])
        if low[unit] == index[unit]:
            component = []
            while True:
                other = stack.pop()
                on_stack.discard(other)
                component.append(other)
                if other == unit:
                    break
            if len(component) > 1:
                circles.append(sorted(component))

    for unit in sorted(edges):
        if unit not in index:
            visit(unit)
    return circles


def check_tree(root):
    problems = []
    for folder, path in source_files(root):
        with open(path, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                kind, target = m.groups()
                where = f"{os.path.relpath(path, root)}:{number}"
                if kind == "<":
                    rel = os.path.relpath(path, root).replace(os.sep, "/")
                    header = target.lower()
                    if folder in PORTABLE and header in WINDOW_HEADERS and rel not in WINDOW_ALLOWED:
                        problems.append(f"{where}: portable code includes <{target}>")
                    if header in SYSTEM_HEADERS and rel not in SYSTEM_ALLOWED:
                        problems.append(f"{where}: <{target}> outside the file layer (use filekit/)")
                    continue
                top = target.split("/")[0] if "/" in target else folder
                if top == folder or top in ALLOWED[folder]:
                    continue
                if top not in ALLOWED and top != "resources":
                    continue   # generated or local files ("sjis_table.inc")
                problems.append(f"{where}: {folder}/ may not include \"{target}\"")
    for circle in include_circles(root):
        problems.append(f"{circle[0]}: include circle among {', '.join(circle)}")
    return problems


def self_test():
    """A tree with one forbidden include of each kind must be refused."""
    cases = {
        "engine/a.cpp": '#include "pagekit/converter_state.h"\n',
        "engine/b.h": "#include <windows.h>\n",
        "source/c.cpp": '#include "app/frame.h"\n',
        "montage/d.cpp": '#include "convert/conversion_controller.h"\n',
        "recfile/e.cpp": '#include "engine/psg_header.h"\n',
        "pagekit/f.cpp": '#include "source/source_page.h"\n',
        "batch/g.cpp": '#include "pagekit/profile.h"\n',
        "batch/h.cpp": "#include <windows.h>\n",
        "batch/i.cpp": "#include <unistd.h>\n",
        "batch/j.cpp": "#include <io.h>\n",
        "convert/k.cpp": "#include <sys/stat.h>\n",
        "pagekit/l.cpp": "#include <fcntl.h>\n",
        "filekit/filekit.cpp": "#include <windows.h>\n",
        # A circle: each unit's source includes the other's header.
        "app/m.h": "#pragma once\n",
        "app/m.cpp": '#include "app/n.h"\n',
        "app/n.h": "#pragma once\n",
        "app/n.cpp": '#include "m.h"\n',
    }
    with tempfile.TemporaryDirectory() as root:
        for rel, text in cases.items():
            os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
            with open(os.path.join(root, rel), "w") as f:
                f.write(text)
        found = check_tree(root)
    missed = [rel for rel in cases
              if not rel.startswith("app/") and not any(p.startswith(rel + ":") for p in found)]
    if not any(p.startswith("app/m: include circle") for p in found):
        missed.append("the circle app/m -> app/n")
    if missed:
        print("the check let these through:", ", ".join(missed))
        return 1
    print(f"the check refused every forbidden include and the include circle")
    return 0


def main(argv):
    if len(argv) > 1 and argv[1] == "--self-test":
        return self_test()
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    problems = check_tree(root)
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) break the layers (see docs/architecture.md)")
        return 1
    print("every include keeps to the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
