// The montage of a generated night; see taffgen_montage.h.
#include "tools/taffgen/taffgen_montage.h"

#include <cstdio>
#include <cstring>

#include "engine/pattern_file.h"

namespace {

struct Calibration {
    const char* unit;
    int type, calEU, calVU;
};

// By the generator's channel name; counts per unit follow the amplitudes the
// generator gives each kind (EEG: 40 counts a microvolt, so +-819 uV full scale).
Calibration CalibrationOf(const std::string& name) {
    if (name == "LOC" || name == "ROC") return {"uV", kTaffGenTypeEog, 1, 40};
    if (name == "Chin") return {"uV", kTaffGenTypeEmg, 1, 100};
    if (name == "ECG") return {"mV", kTaffGenTypeEcg, 1, 10000};
    if (name == "Flow") return {"mV", kTaffGenTypeFlow, 1, 1000};
    if (name == "Thorax") return {"mV", kTaffGenTypeThorax, 1, 1000};
    if (name == "Abdomen") return {"mV", kTaffGenTypeAbdomen, 1, 1000};
    if (name == "SpO2") return {"%", kTaffGenTypeSpO2, 100, 25000};
    if (name == "Position") return {"", kTaffGenTypePosition, 1, 1};
    if (name == "Snore") return {"uV", kTaffGenTypeSnore, 1, 10};
    if (name == "Leg L" || name == "Leg R") return {"uV", kTaffGenTypeLegEmg, 1, 100};
    if (name == "Pulse") return {"mV", kTaffGenTypePulse, 1, 1000};
    return {"uV", kTaffGenTypeEeg, 1, 40};
}

void Copy(char* dest, size_t size, const std::string& text) { std::snprintf(dest, size, "%s", text.c_str()); }

}  // namespace

void TaffGenSetChannel(ChannelSetting& ch, const std::string& label, const char* unit, int signalType, int calEU,
                       int calVU) {
    ch.enabled = 1;
    ch.signalType = signalType;
    ch.rateDivisor = 1;
    ch.calEU = calEU;
    ch.calVU = calVU;
    ch.offsetAD = 0;
    ch.offsetCAL = 0;
    ch.sensitivity = 50000;
    ch.lowFilter = signalType == kTaffGenTypeEeg || signalType == kTaffGenTypeEog ? 300 : 0;
    ch.timeConstant = 0;
    ch.highFilter = signalType == kTaffGenTypeEeg || signalType == kTaffGenTypeEog ? 35 : 0;
    Copy(ch.label, sizeof ch.label, label);
    Copy(ch.unit, sizeof ch.unit, unit);
}

void TaffGenMontage(const TaffGenOptions& options, MontagePattern* pattern) {
    std::memset(pattern, 0, sizeof *pattern);
    Copy(pattern->name, sizeof pattern->name, "Night");
    for (int j = 0; j < kChannelEntries; ++j) {
        ChannelSetting& ch = pattern->channels[j];
        ch.rateDivisor = 1;
        ch.timeConstant = 500;
        if (j >= options.channels) continue;
        const std::string name = TaffGenChannelName(j);
        const Calibration c = CalibrationOf(name);
        TaffGenSetChannel(ch, name, c.unit, c.type, c.calEU, c.calVU);
    }
    for (int k = 0; k < kLabelChoices; ++k) Copy(pattern->labelChoices[k], kLabelSize, "Ch" + std::to_string(k + 1));
    for (int k = 0; k < kUnitChoices; ++k) Copy(pattern->unitChoices[k], kUnitSize, "uV");
    static const char* const kLevelNames[4] = {"Supine", "Left", "Right", "Prone"};
    PositionCalibration& pos = pattern->position;
    pos.levelCount = 4;
    for (int l = 0; l < 4; ++l) {
        pos.centers[l] = kTaffGenPositionLevels[l];
        pos.widths[l] = 2000;
        Copy(pos.levelLabels[l], kLevelLabelSize, kLevelNames[l]);
    }
}

std::string TaffGenSettingsText(const MontagePattern& pattern) {
    std::string text = "[Pattern1]\r\n";
    for (const auto& key : PatternKeyTexts(pattern)) text += key.first + "=" + key.second + "\r\n";
    return text;
}
