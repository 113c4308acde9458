# Shared by the recipe tests (sourced): a generated archive with recordings
# of one name in different folders and a lower-case header, the recipe
# scripts of tools/cluster copied with the archive's paths, and the check
# that the guide shows each script as it is and that every output matches
# the manifest.
# Needs: TAFF2PSG, TAFFGEN, ROOT (the source tree), WORK (a fresh folder).

fail() { echo "FAILED: $*" >&2; exit 1; }

make_archive() {
  mkdir -p "$WORK/archive/patientB" "$WORK/archive/patientC/night2"   # no output folder: the recipes make it
  "$TAFFGEN" --out "$WORK/archive/NIGHT001.HDR" --seconds 70 --channels 4 >/dev/null
  "$TAFFGEN" --out "$WORK/archive/patientB/NIGHT001.HDR" --seconds 50 --channels 3 --seed 2 >/dev/null
  "$TAFFGEN" --out "$WORK/archive/patientC/night004.hdr" --lower --seconds 40 --channels 2 --seed 3 >/dev/null
  for n in 1 2 3 4 5; do
    "$TAFFGEN" --out "$WORK/archive/patientC/night2/N$n.HDR" --seconds $((20 + n)) --channels 2 --seed $n >/dev/null
  done
  printf '[SYSTEM]\r\nFrameTime=2\r\n[Pattern3]\r\nChEnable=1,1,0,0,\r\nChLabel1=EEG C3\r\n' > "$WORK/MORLEX.INI"
}

# Copies tools/cluster/$1 into the work folder with the archive's paths and
# the extra assignments "$2" (such as HOSTS=2/:).
copy_recipe() {
  local name=$1 extra=${2:-}
  sed -e "s|^ARCHIVE=.*|ARCHIVE=$WORK/archive|" -e "s|^OUT=.*|OUT=$WORK/psg|" \
      -e "s|^SETTINGS=.*|SETTINGS=$WORK/MORLEX.INI|" "$ROOT/tools/cluster/$name" > "$WORK/recipe/$name"
  for assignment in $extra; do
    sed -i "s|^${assignment%%=*}=.*|$assignment|" "$WORK/recipe/$name"
  done
  chmod +x "$WORK/recipe/$name"
}

copy_recipes() {
  mkdir -p "$WORK/recipe"
  cp "$ROOT/tools/cluster/check-manifest.py" "$ROOT/tools/cluster/convert.sbatch" "$WORK/recipe/"
}

# The guide holds every recipe script exactly as the file is.
check_guide() {
  python3 - "$ROOT/docs/batch.md" "$ROOT"/tools/cluster/* <<'PY' || fail "docs/batch.md differs from tools/cluster"
import sys
guide = open(sys.argv[1], encoding="utf-8").read()
for path in sys.argv[2:]:
    if open(path, encoding="utf-8").read() not in guide:
        sys.exit(f"{path} is not in the guide as it is")
PY
}

# Every recording of the archive is done, its output in the archive's
# folders, and its hash as the manifest says.
check_outputs() {
  python3 "$WORK/recipe/check-manifest.py" "$1" "$WORK/psg/manifest.jsonl" || fail "recordings not done"
  python3 - "$WORK/psg/manifest.jsonl" "$WORK/archive" "$WORK/psg" <<'PY' || fail "outputs differ from the manifest"
import hashlib, json, os, sys
manifest, archive, out = sys.argv[1:]
last = {}
for line in open(manifest, encoding="utf-8"):
    entry = json.loads(line)
    last[entry["input"]] = entry
headers = [os.path.join(d, f) for d, _, fs in os.walk(archive) for f in fs if f.lower().endswith(".hdr")]
assert len(headers) == 8, headers
for h in headers:
    e = last[h]
    want = os.path.join(out, os.path.relpath(os.path.splitext(h)[0], archive)) + ".DAT"
    assert e["output"] == want, (e["output"], want)
    assert hashlib.sha256(open(want, "rb").read()).hexdigest() == e["output_sha256"], want
    data = [f for f in os.listdir(os.path.dirname(h)) if os.path.splitext(f)[0] == os.path.splitext(os.path.basename(h))[0] and not f.lower().endswith(".hdr")]
    assert hashlib.sha256(open(os.path.join(os.path.dirname(h), data[0]), "rb").read()).hexdigest() == e["data_sha256"], h
print(f"{len(headers)} outputs match the manifest")
PY
}
