#!/usr/bin/env bash
# Makes TAFFmat recordings of the real sleep recordings in a folder (default
# ../shared/realpsg beside the checkout) with taffimport: each with its
# montage (NAME.INI), clean, and copies with faults laid into them as into
# generated nights (NAME_F.HDR with NAME_F.truth.json).
# usage: make_real_nights.sh TAFFIMPORT OUTDIR [REALPSG]
set -eu
tool=$1
out=$2
src=${3:-$(cd "$(dirname "$0")/../../.." && pwd)/shared/realpsg}
mkdir -p "$out"

# The evening EEG of nine nights (Pz-Oz, 100 Hz, about 0.096 uV a count).
for mat in "$src"/sleep-edf/SC4*-PSG_edfm.mat; do
  name=$(basename "$mat" | cut -c1-6)
  "$tool" "$mat" --out "$out/$name.HDR" --rate 100 --label "EEG Pz-Oz" --type 4 --unit uV --cal 96/1000 \
    --digital -2048:2047 --start "1989-04-24 16:00:00"
done
# At 100 Hz a 50 Hz hum lies on the half rate, where the check cannot judge it, and an
# EEG input of +-197 uV cannot swing beyond the EEG's amplitude limit (it clips):
# neither hum nor amplitude faults are laid here.
"$tool" "$src"/sleep-edf/SC4001E0-PSG_edfm.mat --out "$out/SC4001_F.HDR" --rate 100 --label "EEG Pz-Oz" \
  --type 4 --unit uV --cal 96/1000 --digital -2048:2047 --start "1989-04-24 16:00:00" \
  --fault flat:1:1800:300 --fault clipping:1:5400:120:8 --fault hf_artifact:1:7200:300:12000

# Five minutes of a night with two EEG, EOG, respiration, chin EMG envelope,
# temperature and an event marker.
"$tool" "$src"/sleep-edf/short_psg.edf --out "$out/SHORT.HDR"
"$tool" "$src"/sleep-edf/short_psg.edf --out "$out/SHORT_F.HDR" \
  --fault "duplicate:EEG Pz-Oz:60:120:1" --fault "flat:EOG horizontal:120:60" --fault "hf_artifact:EEG Fpz-Cz:180:90:12000"

# A minute of a polysomnographic record with ECG, EEG, respiration, EOG, EMG.
"$tool" "$src"/slpdb/slp41m_60s.mat --out "$out/SLP41.HDR"
"$tool" "$src"/slpdb/slp41m_60s.mat --out "$out/SLP41_F.HDR" --fault "not_its_type:EEG C4-A1:0:60" \
  --fault ecg:ECG:0:60
