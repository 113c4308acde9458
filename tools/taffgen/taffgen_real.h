// Real signals put into a generated night: the frontal EEG of a real
// recording on both eye channels, as the slow waves of deep sleep reach
// both EOG electrodes (the night of an eye pair that must not be called
// "in phase"), and the same night with one eye channel inverted over its
// eye movements.
#pragma once

#include <string>

#include "tools/taffgen/taffgen.h"

// Reads signal `label` of the EDF file at `path` (in uV), brings it to the
// night's rate and puts it, in the eye channels' counts, into
// `options->eogEeg`. False with a reason in `error`.
bool TaffGenLoadEogEeg(const std::string& path, const std::string& label, TaffGenOptions* options,
                       std::string* error);

// The frontal EEG the eye-pair nights use: Fpz-Cz of the five-minute
// real night in `realFolder` (sleep-edf/short_psg.edf).
std::string TaffGenEogEegPath(const std::string& realFolder);
extern const char kTaffGenEogEegLabel[];

// Lays an inverted eye channel (eog_in_phase on ROC) over every stretch of
// quick eye movements of at least a minute of the night `options` makes;
// returns how many stretches it laid.
int TaffGenInvertEogInEyeMovements(TaffGenOptions* options);
