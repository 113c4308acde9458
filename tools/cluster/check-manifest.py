#!/usr/bin/env python3
"""Lists the recordings of a list that the manifest does not record as done.

check-manifest.py RECORDINGS.TXT MANIFEST.JSONL
Exit status 0 when every recording was converted (or skipped as already
done), 1 otherwise; the last line of each recording counts.
"""
import json
import sys

last = {}
with open(sys.argv[2], encoding="utf-8") as manifest:
    for line in manifest:
        entry = json.loads(line)
        last[entry["input"]] = entry
with open(sys.argv[1], encoding="utf-8", errors="surrogateescape") as listed:
    wanted = [line.rstrip("\r\n") for line in listed if line.strip()]
missing = [p for p in wanted if last.get(p, {}).get("result") not in ("converted", "skipped")]
for path in missing:
    reason = last.get(path, {}).get("reason", "not attempted")
    print(f"not done: {path}: {reason}")
print(f"{len(wanted) - len(missing)} of {len(wanted)} recording(s) done")
sys.exit(1 if missing else 0)
