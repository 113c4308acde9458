#!/usr/bin/env bash
# The archive report rendered by a real browser (headless Chromium): a
# small archive converted with --check (one night with a flat EEG, one
# converted without the check, one that is no recording), its report
# written with --archive-report; Chromium prints it to PDF (A4 landscape
# pages) and takes a screenshot (left in the build folder as
# archive-report.png to be looked at).
# Usage: archive_report_render.sh TAFF2PSG TAFFGEN OUTDIR
set -eu
taff2psg=$1 taffgen=$2 outdir=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in/ward2" "$work/late" "$work/out" "$work/profile" "$outdir"
"$taffgen" --out "$work/in/NIGHT1.HDR" --channels 12 --seconds 600 --seed 3 >/dev/null
"$taffgen" --out "$work/in/ward2/NIGHT2.HDR" --channels 12 --seconds 600 --seed 4 --start "2024-04-02 21:40:00" \
  --fault flat:1:60:300 >/dev/null
"$taffgen" --out "$work/late/NIGHT3.HDR" --channels 12 --seconds 300 --seed 5 >/dev/null
echo "not a header" > "$work/in/JUNK.HDR"
manifest="$work/out/manifest.jsonl"
"$taff2psg" -q --out "$work/out" --base "$work" --manifest "$manifest" "$work/late/NIGHT3.HDR"
"$taff2psg" -q -r --check --check-rule "EEG >= 0 h" --check-fail-level never --out "$work/out" --base "$work" \
  --manifest "$manifest" "$work/in" || true
"$taff2psg" --archive-report --out "$work/out" > "$work/said.txt"
cat "$work/said.txt"
grep -q "4 night(s): " "$work/said.txt"
grep -q ", 1 not checked, 0 check stale, 1 not done" "$work/said.txt"
report="$work/out/archive.html"
test -s "$report" && test -s "$work/out/archive.csv"
# No outside resource: nothing fetched (its script is the page's own).
if grep -Eiq '<link|src=|url\(|https?:' "$report"; then
  echo "the report refers to something outside itself" >&2
  exit 1
fi
browse() {
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --user-data-dir="$work/profile" "$@" \
    2>/dev/null
}
chrome() { browse "$@" >/dev/null; }
chrome --print-to-pdf="$work/report.pdf" --no-pdf-header-footer "file://$report"
test -s "$work/report.pdf"
python3 "$(dirname "$0")/a4_pages.py" "$work/report.pdf" landscape
# The page's script ran: the nights' table sorted by a click on its
# verdict column (a checked night first), and the filter leaving only the
# night never checked.
cp "$report" "$work/out/clicked.html"
cat >> "$work/out/clicked.html" <<'JS'
<script>
document.querySelectorAll('#nights th')[5].click();
document.querySelectorAll('.controls input').forEach(function (b) { b.checked = b.value === '3'; });
filterNights();
document.title = 'shown ' + document.getElementById('shown').textContent + ' first ' +
  document.querySelector('#nights tbody tr').getAttribute('data-s');
</script>
JS
browse --dump-dom "file://$work/out/clicked.html" > "$work/dom.html" || true
title=$(sed -n 's/.*<title>\(shown [^<]*\)<\/title>.*/\1/p' "$work/dom.html")
echo "after sorting and filtering: $title"
case "$title" in "shown 1 first "[012]) ;; *) echo "the script did not sort or filter" >&2; exit 1 ;; esac
chrome --screenshot="$outdir/archive-report.png" --window-size=1200,1000 "file://$report"
test -s "$outdir/archive-report.png"
echo "screenshot: $outdir/archive-report.png"
