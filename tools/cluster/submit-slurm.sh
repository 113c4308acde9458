#!/bin/bash
# Submits the conversion and check of an archive as a Slurm array job: one
# task per chunk of recordings, each converting its chunk with the CPUs
# Slurm gives it; and after it, a job writing the archive report
# (OUT/archive.html, OUT/archive.csv). Run it again to resume: what is done
# is skipped, a night whose check was lost is checked again.
set -eu
ARCHIVE=/shared/archive                   # the recordings (*.HDR, any case), below any folders
OUT=/shared/psg                           # the PSG files, in the archive's folders
SETTINGS=/shared/COND/MORLEX.INI          # the settings file with the montage patterns
PATTERN=3
RUNNING=32                                # tasks at once
PER_TASK=16                               # recordings per task at least

run=runs/$(date +%Y%m%d-%H%M%S)-$$        # this submission's own copy of the list
mkdir -p "$run" logs "$OUT"               # Slurm writes no task log into a folder that is missing
find "$ARCHIVE" -iname '*.hdr' | sort > "$run/recordings.txt"
count=$(wc -l < "$run/recordings.txt")
[ "$count" -gt 0 ] || { echo "no recording under $ARCHIVE"; exit 1; }
# At least PER_TASK recordings per task (a task's start costs seconds), and
# at most 1000 tasks: array indices stay below the default MaxArraySize (1001).
chunk=$(( (count + 999) / 1000 ))
[ "$chunk" -ge "$PER_TASK" ] || chunk=$PER_TASK
split -l "$chunk" -d -a 5 "$run/recordings.txt" "$run/chunk-"
tasks=$(ls "$run"/chunk-* | wc -l)
job=$(sbatch --parsable --array=0-$((tasks - 1))%"$RUNNING" \
  --export=ALL,RUN="$PWD/$run",ARCHIVE="$ARCHIVE",OUT="$OUT",SETTINGS="$SETTINGS",PATTERN="$PATTERN" \
  "$(dirname "$0")/convert.sbatch")
echo "$job"
# The archive report once every task has ended, however it ended.
report=$(sbatch --parsable --dependency=afterany:"$job" --job-name=taff2psg-report --output=logs/report-%j.out \
  --wrap "taff2psg --archive-report --out '$OUT'")
echo "submitted $count recording(s) in $tasks task(s); list in $run"
echo "archive report: job $report writes $OUT/archive.html when the conversion has ended"
echo "when the job has ended: python3 $(dirname "$0")/check-manifest.py $run/recordings.txt $OUT/manifest.jsonl $OUT"
