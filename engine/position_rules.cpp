// Body-position level table rules; see position_rules.h.
#include "engine/position_rules.h"

#include <cstdio>
#include <cstring>

#include "engine/pattern_rules.h"
#include "textkit/number_parse.h"
#include "textkit/sjis_text.h"

const char kPositionDefaultsSection[] = "POSCALINFO";

namespace {

enum { kKeySize = 24 };

void FormatLabelKey(char (&key)[kKeySize], int level) { snprintf(key, sizeof key, "PosLabel%i", level); }

// Replaces the first values of `field` with those listed under `key`.
void LoadLevelList(int32_t* field, const char* key, PositionProfile& profile) {
    char text[kLevelListTextSize];
    const int length = profile.ReadText(key, text, sizeof text);
    int32_t values[kMaxLevels];
    const int count = ReadValueList(ParseNumberList, text, length, values, kMaxLevels);
    for (int i = 0; i < count; ++i) field[i] = values[i];
}

}  // namespace

void CopyPositionTable(PositionCalibration& to, const PositionCalibration& from) {
    to.levelCount = static_cast<uint16_t>(LimitLevelCount(from.levelCount));
    for (int i = 0; i < kMaxLevels; ++i) {
        to.centers[i] = from.centers[i];
        to.widths[i] = from.widths[i];
        CopyText(to.levelLabels[i], kLevelLabelSize, FieldString(from.levelLabels[i]).c_str());
    }
}

void ChooseLevelCount(PositionCalibration& table, int index) {
    if (index < 0) return;
    table.levelCount = static_cast<uint16_t>(LimitLevelCount(index));
}

void TakeLevelLabel(PositionCalibration& table, int level, const char* text) {
    if (level < 1 || level > kMaxLevels || !text) return;
    CopyText(table.levelLabels[level - 1], kLevelLabelSize, text);
}

bool TakeLevelValue(const char* text, int32_t& value) {
    const int length = text ? static_cast<int>(strnlen(text, kLevelFieldChars)) : 0;
    const int32_t read = ParseIntegerField(text ? text : "", length, kBaseAutomatic);
    if (read < kLevelValueMin || read > kLevelValueMax) return false;
    value = read;
    return true;
}

void LoadPositionKeys(PositionCalibration& table, PositionProfile& profile) {
    table.levelCount = static_cast<uint16_t>(LimitLevelCount(profile.ReadInt("PosLevelN", 0)));
    LoadLevelList(table.centers, "PosCenter", profile);
    LoadLevelList(table.widths, "PosWidth", profile);
    for (int level = 1; level <= table.levelCount; ++level) {
        char key[kKeySize];
        FormatLabelKey(key, level);
        char label[kLevelLabelSize];
        profile.ReadText(key, label, sizeof label);
        label[sizeof label - 1] = '\0';
        CopyText(table.levelLabels[level - 1], kLevelLabelSize, label);
    }
}

void StorePositionKeys(const PositionCalibration& table, PositionProfile& profile) {
    const int levels = LimitLevelCount(table.levelCount);
    char text[kLevelListTextSize];
    snprintf(text, sizeof text, "%i", levels);
    profile.WriteText("PosLevelN", text);
    FormatValueList(text, sizeof text, table.centers, levels);
    profile.WriteText("PosCenter", text);
    FormatValueList(text, sizeof text, table.widths, levels);
    profile.WriteText("PosWidth", text);
    for (int level = 1; level <= levels; ++level) {
        char key[kKeySize];
        FormatLabelKey(key, level);
        char label[kLevelLabelSize];
        CopyText(label, kLevelLabelSize, FieldString(table.levelLabels[level - 1]).c_str());
        profile.WriteText(key, label);
    }
}
