#!/bin/bash
# The GNU parallel recipe of docs/batch.md (tools/cluster/convert-parallel.sh)
# run as written on this machine (hosts 2/:): every recording of a generated
# archive converted into the archive's folders and recorded in the
# manifest; a second run converts only what is missing.
# recipe_parallel.sh TAFF2PSG TAFFGEN SOURCE_DIR
set -eu
TAFF2PSG=$(realpath "$1") TAFFGEN=$(realpath "$2") ROOT=$(realpath "$3")
command -v parallel >/dev/null || { echo "FAILED: GNU parallel is not installed (tools/deps.sh installs it)" >&2; exit 1; }
WORK=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$WORK"' EXIT
. "$ROOT/tests/batch/recipe_support.sh"
check_guide
make_archive
copy_recipes
copy_recipe convert-parallel.sh "HOSTS=2/: CHUNK=3"
export PATH="$(dirname "$TAFF2PSG"):$PATH"
cd "$WORK"
./recipe/convert-parallel.sh > first.log 2>&1 || { cat first.log; fail "the recipe failed"; }
grep -q "8 of 8 recording(s) done" first.log || { cat first.log; fail "not every recording done"; }
grep -q "checks: .*, 0 done but not checked" first.log || { cat first.log; fail "nights not checked"; }
[ -s psg/archive.html ] && [ -s psg/archive.csv ] || fail "no archive report"
grep -q "8 night(s): .* 0 not checked, 0 check stale, 0 not done" first.log || { cat first.log; fail "archive report counts"; }
check_outputs "$(ls -d runs/*/ | head -1)recordings.txt"
# A resume after a lost output and a lost check: only that output is
# converted again, only that check made again.
rm "$WORK/psg/patientB/NIGHT001.DAT" "$WORK/psg/patientC/night2/N3.check.json"
./recipe/convert-parallel.sh > second.log 2>&1 || { cat second.log; fail "the rerun failed"; }
[ "$(grep -c '"result":"converted"' psg/manifest.jsonl)" = 9 ] || fail "the rerun converted more than the lost output"
[ "$(grep -c '"result":"skipped"' psg/manifest.jsonl)" = 7 ] || fail "the rerun did not skip what was done"
[ "$(grep -c '"remade":true' psg/manifest.jsonl)" = 1 ] || fail "the lost check was not made again, once"
check_outputs "$(ls -d runs/*/ | tail -1)recordings.txt"
# After a killed run: the recipe's last lines name its unfinished files and
# the command that removes them; a damaged manifest line is told in one line.
touch "$WORK/psg/patientB/NIGHT001.DAT.999999999-1.part"
printf '{"input":"cut' >> psg/manifest.jsonl
./recipe/convert-parallel.sh > third.log 2>&1 || { cat third.log; fail "the third run failed"; }
grep -q "unfinished: $WORK/psg/patientB/NIGHT001.DAT.999999999-1.part" third.log || { cat third.log; fail "unfinished file not named"; }
grep -q "taff2psg --clean --out $WORK/psg" third.log || { cat third.log; fail "no --clean command"; }
grep -q "1 damaged line(s) ignored" third.log || { cat third.log; fail "the damaged line not told"; }
python3 recipe/check-manifest.py "$(ls -d runs/*/ | tail -1)recordings.txt" "$WORK/none.jsonl" > missing.log && fail "a missing manifest passed"
grep -q "cannot be read" missing.log && ! grep -q Traceback missing.log || { cat missing.log; fail "a missing manifest not told in one line"; }
# A manifest of --check-only: each night named as only checked.
mkdir -p "$WORK/triage"
"$TAFF2PSG" --check-only --check-fail-level never -q -o "$WORK/triage" --manifest "$WORK/triage.jsonl" \
  "$WORK/archive/NIGHT001.HDR"
echo "$WORK/archive/NIGHT001.HDR" > triage.txt
python3 recipe/check-manifest.py triage.txt "$WORK/triage.jsonl" > triage.log && fail "a night only checked passed as done"
grep -q "not done: $WORK/archive/NIGHT001.HDR: only checked (--check-only), not converted" triage.log ||
  { cat triage.log; fail "a night only checked not named so"; }
echo "parallel recipe: passed"
