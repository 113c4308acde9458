#!/usr/bin/env python3
"""Lists the recordings of a list that the manifest does not record as done.

check-manifest.py RECORDINGS.TXT MANIFEST.JSONL [OUT]
Exit status 0 when every recording was converted (or skipped as already
done), 1 otherwise; the last line of each recording counts. A missing
manifest, or lines that are not manifest lines, are told in one line each.
The nights' checks are counted by verdict, and done nights that were never
checked are named (taff2psg --archive-report tells the rest). With OUT, the
unfinished files that killed runs left below it are named, with the command
that removes them.
"""
import json
import os
import sys

last = {}
damaged = []
try:
    with open(sys.argv[2], encoding="utf-8", errors="replace") as manifest:
        for number, line in enumerate(manifest, 1):
            try:
                entry = json.loads(line)
                last[entry["input"]] = entry
            except (ValueError, KeyError, TypeError):
                damaged.append(number)
except OSError as e:
    print(f"manifest {sys.argv[2]} cannot be read ({e.strerror}): no recording is recorded as done")
if damaged:
    print(f"manifest {sys.argv[2]}: {len(damaged)} damaged line(s) ignored (line {damaged[0]} first)")
with open(sys.argv[1], encoding="utf-8", errors="surrogateescape") as listed:
    wanted = [line.rstrip("\r\n") for line in listed if line.strip()]
missing = [p for p in wanted if last.get(p, {}).get("result") not in ("converted", "skipped")]
for path in missing:
    entry = last.get(path)
    if entry is None:
        reason = "not attempted"
    elif entry.get("result") == "checked":
        reason = "only checked (--check-only), not converted"
    else:
        reason = entry.get("reason") or entry.get("result", "no result")
    print(f"not done: {path}: {reason}")
verdicts = {"pass": 0, "warn": 0, "fail": 0}
unchecked = []
for path in wanted:
    entry = last.get(path, {})
    check = entry.get("check")
    if isinstance(check, dict) and check.get("verdict") in verdicts:
        verdicts[check["verdict"]] += 1
    elif entry.get("result") in ("converted", "skipped"):
        unchecked.append(path)
for path in unchecked:
    print(f"not checked: {path}")
if len(sys.argv) > 3:
    unfinished = [os.path.join(d, f) for d, _, files in os.walk(sys.argv[3]) for f in sorted(files)
                  if f.endswith(".part") or f.endswith(".claim")]
    for path in unfinished:
        print(f"unfinished: {path}")
    if unfinished:
        print(f"when no run is going: taff2psg --clean --out {sys.argv[3]} removes the unfinished files")
print(f"{len(wanted) - len(missing)} of {len(wanted)} recording(s) done")
print(f"checks: {verdicts['pass']} pass, {verdicts['warn']} warn, {verdicts['fail']} fail, "
      f"{len(unchecked)} done but not checked")
sys.exit(1 if missing else 0)
