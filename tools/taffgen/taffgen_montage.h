// The montage an operator would set up for a generated night: each channel
// labelled by its name, typed by what it carries and calibrated so the
// file holds physical values in their usual units (EEG and EOG in uV, ECG
// in mV, SpO2 in %), the body-position channel with the generator's four
// levels. Also the settings-file text that carries such a pattern to
// taff2psg (--settings). Used by the tests, the benchmarks and taffgen.
#pragma once

#include <string>

#include "engine/montage_types.h"
#include "tools/taffgen/taffgen.h"

// Signal type codes of the PSG writer the generated channels get.
enum TaffGenSignalType {
    kTaffGenTypeEeg = 4, kTaffGenTypeEog = 5, kTaffGenTypeEmg = 6, kTaffGenTypeEcg = 7, kTaffGenTypeFlow = 8,
    kTaffGenTypeThorax = 9, kTaffGenTypeAbdomen = 10, kTaffGenTypeSpO2 = 11, kTaffGenTypePulse = 12,
    kTaffGenTypeSnore = 13, kTaffGenTypeLegEmg = 14, kTaffGenTypePosition = 15
};

// One montage entry: switched on at the full rate, with its label, unit,
// type and the calibration value = digital x calEU / calVU.
void TaffGenSetChannel(ChannelSetting& ch, const std::string& label, const char* unit, int signalType, int calEU,
                       int calVU);

// Fills `pattern` (from zero) for the first options.channels channels of a
// generated night; the others stay off.
void TaffGenMontage(const TaffGenOptions& options, MontagePattern* pattern);

// A settings file holding `pattern` as pattern 1 (section [Pattern1]).
std::string TaffGenSettingsText(const MontagePattern& pattern);
