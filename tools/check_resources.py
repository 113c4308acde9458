#!/usr/bin/env python3
"""Checks that every string, dialog and menu the program loads is in its
resources and is not empty.

The program names its resources in resources/resource_ids.h: strings as
IDS_*, numbered dialogs as IDD_*, named dialog templates as DLG_* (whose
value is the template's name) and menus through MAKEINTRESOURCE in a window
class (lpszMenuName, or the menu of winkit's WkWindowClass) or LoadMenu. Every such name the program code uses (comments left out)
must stand in a resource script (resources/*.rc):
  - a string: an entry of a STRINGTABLE whose text is not empty;
  - a dialog: a DIALOG or DIALOGEX template with at least one control;
  - a menu: a MENU with at least one item.
Names are compared by their value, so a script that writes the number
instead of the name is understood too.

Usage: check_resources.py ROOT      prints each missing or empty resource, exit 1 if any
       check_resources.py --self-test   proves that a deleted or emptied string,
                                        a deleted dialog and a deleted menu are found
"""
import os
import re
import shutil
import sys
import tempfile

PROGRAM_FOLDERS = ["app", "batch", "source", "patient", "montage", "position", "convert", "preview",
                   "pagekit", "engine", "textkit", "taffread", "recfile", "winkit", "ctlkit"]
CODE_ENDINGS = (".cpp", ".h")


def strip_comments(text):
    """The text without // and /* */ comments; string literals are kept."""
    pattern = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)
    return pattern.sub(lambda m: m.group(0) if m.group(0)[0] in "\"'" else " ", text)


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def header_values(root):
    """NAME -> value text of every #define in resource_ids.h."""
    values = {}
    for line in strip_comments(read(os.path.join(root, "resources", "resource_ids.h"))).splitlines():
        m = re.match(r'\s*#define\s+(\w+)\s+(.+?)\s*$', line)
        if m:
            values[m.group(1)] = m.group(2)
    return values


def resolve(name, values):
    """The value a name stands for: a number as text, or a template name."""
    seen = set()
    while name in values and name not in seen:
        seen.add(name)
        name = values[name].strip("()")
    m = re.fullmatch(r'"(\w+)"', name)
    if m:
        return m.group(1)
    try:
        return str(int(name, 0))
    except ValueError:
        return name


def used_names(root):
    """(strings, dialogs, menus): sets of names the program code uses."""
    strings, dialogs, menus = set(), set(), set()
    for folder in PROGRAM_FOLDERS:
        base = os.path.join(root, folder)
        for dirpath, _, files in os.walk(base):
            for name in files:
                if not name.endswith(CODE_ENDINGS):
                    continue
                code = strip_comments(read(os.path.join(dirpath, name)))
                strings.update(re.findall(r'\b(IDS_\w+)', code))
                dialogs.update(re.findall(r'\b(IDD_\w+|DLG_\w+)', code))
                menus.update(re.findall(r'(?:lpszMenuName|\.menu)\s*=\s*MAKEINTRESOURCEA?\s*\(\s*(\w+)\s*\)', code))
                menus.update(re.findall(r'LoadMenuA?\s*\([^,]*,\s*MAKEINTRESOURCEA?\s*\(\s*(\w+)\s*\)', code))
    return strings, dialogs, menus


def blocks(text, start_pattern):
    """(match, body) for each resource starting with start_pattern followed
    by a BEGIN ... END body (nested BEGIN/END counted)."""
    found = []
    for m in re.finditer(start_pattern, text, re.M):
        begin = re.compile(r'^\s*(BEGIN|\{)\s*$', re.M).search(text, m.end())
        if not begin:
            continue
        depth, pos = 1, begin.end()
        token = re.compile(r'^\s*(BEGIN|\{|END|\})\s*$', re.M)
        while depth:
            t = token.search(text, pos)
            if not t:
                pos = len(text)
                break
            depth += 1 if t.group(1) in ("BEGIN", "{") else -1
            pos = t.end()
        found.append((m, text[begin.end():pos]))
    return found


def unquote(literal_run):
    """The text of one or more adjacent "..." literals ("" is one quote)."""
    return "".join(part.replace('""', '"') for part in re.findall(r'"((?:[^"]|"")*)"', literal_run))


def script_resources(root, values):
    """(strings, dialogs, menus): value -> whether it is non-empty."""
    strings, dialogs, menus = {}, {}, {}
    folder = os.path.join(root, "resources")
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".rc"):
            continue
        text = strip_comments(read(os.path.join(folder, name)))
        for _, body in blocks(text, r'^\s*STRINGTABLE\b[^\n]*$'):
            for entry in re.finditer(r'^\s*(\w+)\s*,?\s*((?:"(?:[^"]|"")*"[ \t]*)+)', body, re.M):
                key = resolve(entry.group(1), values)
                strings[key] = strings.get(key, False) or unquote(entry.group(2)) != ""
        for m, body in blocks(text, r'^(\w+)\s+DIALOG(?:EX)?\b'):
            key = resolve(m.group(1), values)
            dialogs[key] = dialogs.get(key, False) or re.search(r'^\s*[A-Z]+\b', body, re.M) is not None
        for m, body in blocks(text, r'^(\w+)\s+MENU\b'):
            key = resolve(m.group(1), values)
            menus[key] = menus.get(key, False) or re.search(r'\b(MENUITEM|POPUP)\b', body) is not None
    return strings, dialogs, menus


def check(root):
    values = header_values(root)
    used = used_names(root)
    have = script_resources(root, values)
    problems = []
    for kind, names, present in zip(("string", "dialog", "menu"), used, have):
        for name in sorted(names):
            key = resolve(name, values)
            if key not in present:
                problems.append(f"{kind} {name} ({key}) is loaded by the program but is in no resource script")
            elif not present[key]:
                problems.append(f"{kind} {name} ({key}) is empty in the resource scripts")
    return problems


def self_test(root):
    """Breaks a copy of the resources in four ways; each must be reported."""
    cases = [
        ("a deleted status string", "app.rc", r'^\s*IDS_STATUS_STOPPED\b.*\n', "", "IDS_STATUS_STOPPED"),
        ("an emptied status string", "app.rc", r'(^\s*IDS_STATUS_DONE_SHORT\s+)".*"', r'\1""',
         "IDS_STATUS_DONE_SHORT"),
        ("a deleted dialog", "dialogs.rc", r'^IDD_WARN_NO_MEMORY\b', "IDD_UNUSED_BOX", "IDD_WARN_NO_MEMORY"),
        ("a deleted menu", "app.rc", r'^IDM_MAIN(\s+MENU)', r"IDM_UNUSED\1", "IDM_MAIN"),
    ]
    if check(root):
        print("self-test: the unchanged tree already has problems")
        return 1
    failures = 0
    for what, script, pattern, replacement, expected in cases:
        with tempfile.TemporaryDirectory() as temp:
            for folder in PROGRAM_FOLDERS + ["resources"]:
                if os.path.isdir(os.path.join(root, folder)):
                    shutil.copytree(os.path.join(root, folder), os.path.join(temp, folder))
            path = os.path.join(temp, "resources", script)
            text = read(path)
            changed = re.sub(pattern, replacement, text, flags=re.M)
            with open(path, "w", encoding="utf-8") as f:
                f.write(changed)
            problems = check(temp)
            if changed == text or not any(expected in p for p in problems):
                print(f"self-test: {what} was not reported")
                failures += 1
    if failures == 0:
        print(f"self-test: all {len(cases)} faults reported")
    return 1 if failures else 0


def main(argv):
    if len(argv) == 2 and argv[1] == "--self-test":
        return self_test(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    if len(argv) != 2:
        print(__doc__)
        return 2
    problems = check(argv[1])
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
