#!/usr/bin/env bash
# The Windows console build of the batch converter under Wine: taffgen.exe
# writes a recording in two variants, taff2psg.exe converts the folder, and
# MNE reads the PSG files back. Usage: wine_convert.sh TAFF2PSG.EXE
# TAFFGEN.EXE WINE-RUN.SH READ_WITH_MNE.PY; MNE_PYTHON names the Python
# interpreter that has MNE (python3 on the path without it).
set -u
taff2psg=$1 taffgen=$2 winerun=$3 mne=$4
python=${MNE_PYTHON:-python3}
work=$(mktemp -d -t batch_wine_XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir in out
"$winerun" "$taffgen" --out 'in\N1.HDR' --seconds 125 --channels 10 >/dev/null || { echo "taffgen failed"; exit 1; }
"$winerun" "$taffgen" --out 'in\N2.HDR' --seconds 65 --channels 10 --long --sequential >/dev/null || exit 1
cat > MORLEX.INI <<'INI'
[SYSTEM]
FrameTime=5
[Pattern2]
ChEnable=1,1,1,1,1,1,1,1,1,1,
ChLabel1=Batch C3
INI
"$winerun" "$taff2psg" in --out out --settings MORLEX.INI --pattern 2 --jobs 2 > summary.txt 2> errors.txt
status=$?
tr -d '\r' < summary.txt
tr -d '\r' < errors.txt
[ "$status" = 0 ] || { echo "taff2psg.exe exited with $status"; exit 1; }
grep -q '2 of 2 recording(s) converted' summary.txt || { echo "no summary"; exit 1; }
ls out
"$python" "$mne" "$(ln -s "$work/out/N1.DAT" n1.edf && echo "$work/n1.edf")" --channels 10 --seconds 125 --first-label "Batch C3" || exit 1
"$python" "$mne" "$(ln -s "$work/out/N2.DAT" n2.edf && echo "$work/n2.edf")" --channels 10 --seconds 65 --first-label "Batch C3" || exit 1
# A bad input under Wine: a pattern out of range is a usage error.
"$winerun" "$taff2psg" in --out out --pattern 9 >/dev/null 2>&1
[ $? = 2 ] || { echo "--pattern 9 did not exit with 2"; exit 1; }
# Over an archive under Wine: a recording in a subfolder keeps its folder,
# outputs named .edf are read back and recorded in the manifest, and a
# rerun with --skip-existing converts nothing.
mkdir -p in/sub out2
"$winerun" "$taffgen" --out 'in\sub\N3.HDR' --seconds 30 --channels 4 >/dev/null || exit 1
for run in first rerun; do
  "$winerun" "$taff2psg" in -r --out out2 --ext .edf --verify --skip-existing --manifest m.jsonl -q > /dev/null 2> errors.txt
  status=$?
  [ "$status" = 0 ] || { tr -d '\r' < errors.txt; echo "$run over the archive exited with $status"; exit 1; }
done
"$python" - "$work" <<'PY' || exit 1
import hashlib, json, os, sys
work = sys.argv[1]
lines = [json.loads(l) for l in open(work + "/m.jsonl", encoding="utf-8")]
assert [l["result"] for l in lines] == ["converted"] * 3 + ["skipped"] * 3, lines
# The hashes of CNG equal Python's, made as the run wrote and read the
# files or, on the rerun, taken from the first lines for unchanged files.
for l in lines:
    path = work + "/" + l["output"].replace("\\", "/")
    assert hashlib.sha256(open(path, "rb").read()).hexdigest() == l["output_sha256"], l
    data = work + "/" + l["input"].replace("\\", "/")[:-3] + "DAT"
    assert hashlib.sha256(open(data, "rb").read()).hexdigest() == l["data_sha256"], l
    assert l["data_bytes"] == os.path.getsize(data) and l["data_modified"] and l["output_modified"], l
stamps = lambda part: sorted((l["input"], l["data_modified"], l["output_modified"]) for l in part)
assert stamps(lines[:3]) == stamps(lines[3:]), lines
assert any(l["output"] == "out2\\sub\\N3.edf" for l in lines), lines
PY
"$python" "$mne" "$work/out2/sub/N3.edf" --channels 4 --seconds 30 || exit 1
# Two katakana whose Shift-JIS trail bytes differ only as letters differ in
# case (0x41, 0x61) are two names: both recordings converted.
mkdir kana outk
"$winerun" "$taffgen" --out 'kana\ア.HDR' --seconds 12 --channels 2 >/dev/null || exit 1
"$winerun" "$taffgen" --out 'kana\ヂ.HDR' --seconds 14 --channels 2 --seed 2 >/dev/null || exit 1
"$winerun" "$taff2psg" kana --out outk -q > /dev/null 2> errors.txt
status=$?
[ "$status" = 0 ] || { tr -d '\r' < errors.txt; echo "the two kana recordings exited with $status"; exit 1; }
[ "$(ls outk | wc -l)" = 2 ] || { ls outk; echo "not two outputs of the two kana recordings"; exit 1; }
# Two processes appending to one manifest at once keep whole lines.
mkdir outa outb
for n in 4 5 6 7; do
  "$winerun" "$taffgen" --out "in\\sub\\N$n.HDR" --seconds $((10 + n)) --channels 3 --seed $n >/dev/null || exit 1
done
"$winerun" "$taff2psg" in/sub --out outa --manifest both.jsonl -q -j 1 > /dev/null 2>&1 &
first=$!
"$winerun" "$taff2psg" in/sub --out outb --manifest both.jsonl -q -j 1 > /dev/null 2>&1
wait $first
"$python" - "$work/both.jsonl" <<'PY' || { cat "$work/both.jsonl"; exit 1; }
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")]
assert len(lines) == 10 and all(l["result"] == "converted" for l in lines), lines
PY
# --clean under Windows: the temporary file of a run that is still going
# stays (its process runs); that of a process that ended goes.
mkdir -p in/big
"$winerun" "$taffgen" --out 'in\big\BIG.HDR' --seconds 7200 --channels 16 >/dev/null || exit 1
mkdir outc
"$winerun" "$taff2psg" in/big --out outc --verify -q > live.txt 2>&1 &
live=$!
: > outc/OLD.DAT.999999999-1.part
for _ in $(seq 600); do ls outc/BIG.DAT.*.part >/dev/null 2>&1 && break; sleep 0.05; done
part=$(ls outc/BIG.DAT.*.part 2>/dev/null | head -1)
[ -n "$part" ] || { echo "the live run made no temporary file"; exit 1; }
"$winerun" "$taff2psg" --clean --out outc > clean.txt 2>&1
tr -d '\r' < clean.txt
grep -q "removed 1 unfinished output(s)" clean.txt || { echo "--clean did not remove exactly the dead run's file"; exit 1; }
[ ! -e outc/OLD.DAT.999999999-1.part ] || { echo "the dead run's file stayed"; exit 1; }
wait $live || { tr -d '\r' < live.txt; echo "the live run failed after --clean"; exit 1; }
[ -e outc/BIG.DAT ] || { echo "the live run's output is missing"; exit 1; }
echo "--clean left the live run's $(basename "$part")"
echo "taff2psg.exe converted both recordings, and the archive with its manifest"
