#!/bin/bash
# Converts and checks an archive with GNU parallel, on this machine or over
# ssh, in chunks of recordings per run, then writes the archive report
# (OUT/archive.html, OUT/archive.csv). Run it again to resume: what is done
# is skipped, what a killed run left unfinished is converted again, and a
# night whose check was lost is checked again.
set -eu
ARCHIVE=/shared/archive                   # the recordings (*.HDR, any case), below any folders
OUT=/shared/psg                           # the PSG files, in the archive's folders
SETTINGS=/shared/COND/MORLEX.INI          # the settings file with the montage patterns
PATTERN=3
HOSTS=2/node1,2/node2,2/node3             # runs at once per host; 2/: for this machine only
CHUNK=20                                  # recordings per run

run=runs/$(date +%Y%m%d-%H%M%S)-$$        # this submission's own copy of the list
mkdir -p "$run" logs "$OUT"
find "$ARCHIVE" -iname '*.hdr' | sort > "$run/recordings.txt"
split -l "$CHUNK" -d -a 5 "$run/recordings.txt" "$run/chunk-"
ls "$PWD/$run"/chunk-* |
  parallel --sshlogin "$HOSTS" --workdir "$PWD" --joblog "$run/joblog" \
    taff2psg --list {} --base "$ARCHIVE" --out "$OUT" --settings "$SETTINGS" --pattern "$PATTERN" \
      --skip-existing --check --check-fail-level never --manifest "$OUT/manifest.jsonl" --quiet '2>' logs/{/}.err ||
  echo "some chunks failed: see $run/joblog and logs/"
taff2psg --archive-report --out "$OUT"
python3 "$(dirname "$0")/check-manifest.py" "$run/recordings.txt" "$OUT/manifest.jsonl" "$OUT"
