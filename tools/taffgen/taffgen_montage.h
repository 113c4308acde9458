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


// One montage entry: switched on at the full rate, with its label, unit,
// type and the calibration value = digital x calEU / calVU.
void TaffGenSetChannel(ChannelSetting& ch, const std::string& label, const char* unit, int signalType, int calEU,
                       int calVU);

// Fills `pattern` (from zero) for the first options.channels channels of a
// generated night; the others stay off.
void TaffGenMontage(const TaffGenOptions& options, MontagePattern* pattern);

// A settings file holding `pattern` as pattern 1 (section [Pattern1]).
std::string TaffGenSettingsText(const MontagePattern& pattern);

// The montage an operator gives when the labels say nothing: each channel
// switched on labelled Ch1, Ch2, ... with the signal type "other" (20), its
// calibration kept (a night the check must place by its signals alone).
void TaffGenPlainLabels(MontagePattern* pattern);

// The whole settings file a generated night needs (taffgen --settings-out):
// [SYSTEM] with its channel count, its montage as pattern 1 named
// `patternName` (with plain labels: TaffGenPlainLabels), and [NIGHTCHECK]
// with `rule` as the night's rule set.
std::string TaffGenSettingsFileText(const TaffGenOptions& options, const std::string& patternName,
                                    const std::string& rule, bool plainLabels = false);

// The sample night the program ships and tools/run.sh makes (14 channels,
// 30 minutes at 200 Hz), and its settings (tools/sample/MORLEX.INI): its
// rule set asks for 0.02 h, as the night is short.
TaffGenOptions TaffGenSampleOptions();
extern const char kTaffGenSamplePattern[];
extern const char kTaffGenSampleRule[];
