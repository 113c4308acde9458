// The montage of a generated night; see taffgen_montage.h.
#include "tools/taffgen/taffgen_montage.h"

#include <cstdio>
#include <cstring>

#include "engine/pattern_file.h"

namespace {

// What an operator sets to view each kind (sensitivity in thousandths,
// filters in mHz, ms and Hz): the display alone, the check does not use it.
struct Display {
    int sensitivity, lowFilter, timeConstant, highFilter;
};

Display DisplayOf(int signalType) {
    switch (signalType) {
        case kTaffGenTypeEeg: return {75000, 300, 530, 35};
        case kTaffGenTypeEog: return {150000, 300, 530, 35};
        case kTaffGenTypeEmg: case kTaffGenTypeLegEmg: return {10000, 10000, 16, 100};
        case kTaffGenTypeEcg: return {2000, 500, 318, 100};
        case kTaffGenTypeFlow: case kTaffGenTypeThorax: case kTaffGenTypeAbdomen: return {30000, 0, 0, 15};
        case kTaffGenTypeSnore: return {20000, 10000, 16, 100};
        case kTaffGenTypePosition: return {50000, 0, 0, 0};
        default: return {10000, 0, 0, 0};
    }
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
    const Display d = DisplayOf(signalType);
    ch.sensitivity = d.sensitivity;
    ch.lowFilter = d.lowFilter;
    ch.timeConstant = d.timeConstant;
    ch.highFilter = d.highFilter;
    Copy(ch.label, sizeof ch.label, label);
    Copy(ch.unit, sizeof ch.unit, unit);
}

void TaffGenMontage(const TaffGenOptions& options, MontagePattern* pattern) {
    std::memset(pattern, 0, sizeof *pattern);
    Copy(pattern->name, sizeof pattern->name, "Night");
    for (int j = 0; j < kChannelEntries; ++j) {
        ChannelSetting& ch = pattern->channels[j];
        if (j >= options.channels) {
            // Switched off, but ready as an EEG input when an operator switches it on.
            TaffGenSetChannel(ch, "", "uV", kTaffGenTypeEeg, 1, 40);
            ch.enabled = 0;
            continue;
        }
        const TaffGenCalibration c = TaffGenCalibrationOf(j);
        TaffGenSetChannel(ch, TaffGenChannelName(j), c.unit, c.type, c.calEU, c.calVU);
    }
    // The labels and units an operator of such nights picks from.
    static const char* const kLabels[] = {"C3-A2", "C4-A1", "O1-A2",  "O2-A1",  "F3-A2",  "F4-A1",    "LOC",
                                          "ROC",   "Chin",  "ECG",    "Flow",   "Thorax", "Abdomen",  "SpO2",
                                          "Pulse", "Position", "Snore", "Leg L", "Leg R", "Cz-A1"};
    static const char* const kUnits[] = {"uV", "mV", "%", "bpm", "V", "L/min", "cmH2O", "degC"};
    for (int k = 0; k < kLabelChoices; ++k)
        Copy(pattern->labelChoices[k], kLabelSize, k < 20 ? kLabels[k] : "Ch" + std::to_string(k + 1));
    for (int k = 0; k < kUnitChoices; ++k) Copy(pattern->unitChoices[k], kUnitSize, k < 8 ? kUnits[k] : "uV");
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

void TaffGenPlainLabels(MontagePattern* pattern) {
    for (int j = 0; j < kChannelEntries; ++j) {
        ChannelSetting& ch = pattern->channels[j];
        if (!ch.enabled) continue;
        Copy(ch.label, sizeof ch.label, "Ch" + std::to_string(j + 1));
        ch.signalType = 20;
    }
}

std::string TaffGenSettingsFileText(const TaffGenOptions& options, const std::string& patternName,
                                    const std::string& rule, bool plainLabels) {
    MontagePattern pattern;
    TaffGenMontage(options, &pattern);
    if (plainLabels) TaffGenPlainLabels(&pattern);
    Copy(pattern.name, sizeof pattern.name, patternName);
    return "[SYSTEM]\r\nMaxCh=" + std::to_string(options.channels) + "\r\nFrameTime=10\r\n" +
           TaffGenSettingsText(pattern) + "[NIGHTCHECK]\r\nRule=" + rule + "\r\n";
}

const char kTaffGenSamplePattern[] = "Sample night";
const char kTaffGenSampleRule[] = "EEG, SpO2, airflow >= 0.02 h";

TaffGenOptions TaffGenSampleOptions() {
    TaffGenOptions o;
    o.channels = 14;
    o.rate = 200;
    o.seconds = 30 * 60;
    return o;
}
