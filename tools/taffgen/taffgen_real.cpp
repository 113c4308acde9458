// Real signals put into a generated night; see taffgen_real.h.
#include "tools/taffgen/taffgen_real.h"

#include <cmath>
#include <cstdint>

#include "tools/taffimport/taffimport_sources.h"

const char kTaffGenEogEegLabel[] = "EEG Fpz-Cz";

std::string TaffGenEogEegPath(const std::string& realFolder) { return realFolder + "/sleep-edf/short_psg.edf"; }

bool TaffGenLoadEogEeg(const std::string& path, const std::string& label, TaffGenOptions* options,
                       std::string* error) {
    ImportedRecording r;
    if (!ReadEdfRecording(path, &r, error)) return false;
    const ImportedChannel* eeg = nullptr;
    for (const ImportedChannel& ch : r.channels)
        if (ch.label == label) eeg = &ch;
    if (eeg == nullptr || eeg->samples.size() < 2 || eeg->unit != "uV") {
        if (error != nullptr) *error = path + " has no signal " + label + " in uV";
        return false;
    }
    // The eye channels' counts a microvolt (LOC, channel 5).
    const double scale = static_cast<double>(eeg->calEU) / eeg->calVU * TaffGenCountsPerMicrovolt(4);
    const size_t length = static_cast<size_t>(std::llround(static_cast<double>(eeg->samples.size()) * options->rate / r.rate));
    options->eogEeg.assign(length, 0);
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) * r.rate / options->rate;
        const size_t k = static_cast<size_t>(t);
        const double a = eeg->samples[k];
        const double b = k + 1 < eeg->samples.size() ? eeg->samples[k + 1] : a;
        const double v = std::round((a + (b - a) * (t - static_cast<double>(k))) * scale);
        options->eogEeg[i] = static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
    }
    return true;
}

int TaffGenInvertEogInEyeMovements(TaffGenOptions* options) {
    int laid = 0;
    for (const auto& stretch : TaffGenEyeMovementStretches(*options, 60)) {
        TaffGenFault f;
        f.kind = TaffGenFaultKind::EogInPhase;
        f.channel = 5;  // ROC
        f.startSeconds = stretch.first;
        f.lengthSeconds = stretch.second - stretch.first;
        options->faults.push_back(f);
        ++laid;
    }
    return laid;
}
