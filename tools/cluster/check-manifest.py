#!/usr/bin/env python3
"""Lists the recordings of a list that the manifest does not record as done.

check-manifest.py RECORDINGS.TXT MANIFEST.JSONL [OUT]
Exit status 0 when every recording was converted (or skipped as already
done), 1 otherwise; the last line of each recording counts. A missing
manifest, or lines that are not manifest lines, are told in one line each.
With OUT, the unfinished files that killed runs left below it are named,
with the command that removes them.
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
    reason = last.get(path, {}).get("reason", "not attempted")
    print(f"not done: {path}: {reason}")
if len(sys.argv) > 3:
    unfinished = [os.path.join(d, f) for d, _, files in os.walk(sys.argv[3]) for f in sorted(files)
                  if f.endswith(".part") or f.endswith(".claim")]
    for path in unfinished:
        print(f"unfinished: {path}")
    if unfinished:
        print(f"when no run is going: taff2psg --clean --out {sys.argv[3]} removes the unfinished files")
print(f"{len(wanted) - len(missing)} of {len(wanted)} recording(s) done")
sys.exit(1 if missing else 0)
