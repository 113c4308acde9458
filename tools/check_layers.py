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

Files are opened for writing only in filekit/ and recfile/ (the PSG
writer), and an include names only folders the layers know.

Usage: check_layers.py ROOT      prints each offending include or write, exit 1 if any
       check_layers.py --self-test   proves that each kind of offence is found
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
    "taffread": {"textkit"},
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
WINDOW_ALLOWED = {"filekit/filekit_win.cpp", "filekit/sha256_win.cpp"}

# Folders an include may name besides the layers' own: the resource ids.
KNOWN_ELSE = {"resources"}

# Files are opened for writing (created, replaced, copied or moved) only by
# the file layer and the PSG writer; everything else places its files
# through filekit/. A call counts when its statement asks for writing: a
# C stream or POSIX open in a writing mode, a Windows CreateFile with write
# access or a creating disposition, a file copy or move, a C++ output stream.
WRITE_LAYERS = {"filekit", "recfile"}
WRITE_ALLOWED = set()
WRITE_CALL = re.compile(r"\b(?:std::)?(_?w?fopen|freopen|fdopen|open|CreateFile[AW]?|CopyFile(?:Ex)?[AW]?|"
                        r"MoveFile(?:Ex)?[AW]?|ReplaceFile[AW]?|ofstream|fstream)\b\s*[(<a-zA-Z_]")
WRITE_MODE = re.compile(r'"[rwa]b?\+?b?t?"')


def asks_for_writing(name, statement):
    """Whether the call `name` in `statement` (up to its ';') opens for writing."""
    if name in ("ofstream", "fstream") or name.startswith(("CopyFile", "MoveFile", "ReplaceFile")):
        return True
    if name.startswith("CreateFile"):
        return re.search(r"GENERIC_WRITE|GENERIC_ALL|FILE_WRITE_DATA|FILE_APPEND_DATA|CREATE_ALWAYS|CREATE_NEW|"
                         r"OPEN_ALWAYS|TRUNCATE_EXISTING", statement) is not None
    if name == "open":
        return re.search(r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND", statement) is not None
    mode = WRITE_MODE.search(statement)
    return mode is not None and re.search(r"[wa+]", mode.group(0)) is not None


def writes_outside_file_layer(root):
    """Each place outside the file layer and the PSG writer that opens a file for writing."""
    problems = []
    for folder, path in source_files(root):
        rel = os.path.relpath(path, root).replace(os.sep, "/")
        if folder in WRITE_LAYERS or rel in WRITE_ALLOWED:
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            lines = [re.sub(r"//.*", "", line) for line in f]
        text = "".join(lines)
        starts = [0]
        for line in lines:
            starts.append(starts[-1] + len(line))
        for m in WRITE_CALL.finditer(text):
            end = text.find(";", m.end())
            statement = text[m.start():end if end >= 0 else len(text)]
            if not asks_for_writing(m.group(1), statement):
                continue
            number = next(i for i in range(len(starts)) if starts[i + 1] > m.start()) + 1
            problems.append(f"{rel}:{number}: {m.group(1)} opens a file for writing outside the file layer "
                            f"(use filekit/)")
    return problems


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
                if top not in ALLOWED and top not in KNOWN_ELSE:
                    problems.append(f"{where}: \"{target}\" lies in a folder the layers do not know")
                    continue
                if top == folder or top in ALLOWED[folder]:
                    continue
                problems.append(f"{where}: {folder}/ may not include \"{target}\"")
    problems.extend(writes_outside_file_layer(root))
    for circle in include_circles(root):
        problems.append(f"{circle[0]}: include circle among {', '.join(circle)}")
    return problems


def check_planted(files):
    """What the check finds in a tree of `files` (path -> text) made for it."""
    with tempfile.TemporaryDirectory() as root:
        for rel, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
            with open(os.path.join(root, rel), "w") as f:
                f.write(text)
        return check_tree(root)


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
        # An include into a folder the map does not know.
        "engine/o.cpp": '#include "scratch/util.h"\n',
        # Files opened for writing outside the file layer.
        "engine/p.cpp": 'void W(const char* p) {\n  FILE* f = fopen(p,\n                  "wb");\n}\n',
        "winkit/q.cpp": "HANDLE h = CreateFileA(p, GENERIC_WRITE, 0, nullptr,\n                       CREATE_ALWAYS, 0, nullptr);\n",
        "montage/r.cpp": "std::ofstream out(path);\n",
        "pagekit/s.cpp": "CopyFileA(a, b, FALSE);\n",
        # A circle: each unit's source includes the other's header.
        "app/m.h": "#pragma once\n",
        "app/m.cpp": '#include "app/n.h"\n',
        "app/n.h": "#pragma once\n",
        "app/n.cpp": '#include "m.h"\n',
    }
    found = check_planted(cases)
    missed = [rel for rel in cases
              if not rel.startswith("app/") and not any(p.startswith(rel + ":") for p in found)]
    if not any(p.startswith("app/m: include circle") for p in found):
        missed.append("the circle app/m -> app/n")
    # Reading is not writing: none of these may be refused.
    allowed = {
        "engine/t.cpp": 'FILE* f = fopen(path, "rb");\nbool same = strcmp(mode, "w") == 0;\n',
        "pagekit/u.cpp": "HANDLE h = CreateFileA(p, FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0);\n",
        "filekit/filekit_posix.cpp": 'int fd = open(p.c_str(), O_WRONLY | O_CREAT);\n',
        "recfile/v.cpp": 'FILE* f = fopen(p, "wb");\n',
    }
    missed += [f"refused in error: {p}" for p in check_planted(allowed)]
    if missed:
        print("the check let these through:", ", ".join(missed))
        return 1
    print("the check refused every forbidden include, the include circle, the include into an unknown folder "
          "and every file opened for writing outside the file layer")
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
