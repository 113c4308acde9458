// Calibration condition file rules and the in-memory calibration file; see
// cal_rules.h.
#include "engine/cal_rules.h"

#include <cstdio>
#include <cstring>

#include "textkit/number_parse.h"
#include "textkit/sjis_text.h"

namespace {

// The start-up calibration of a channel, restored for a signal type of 0.
const int32_t kStartupCalEU = 50;
const int32_t kStartupCalVU = 409;

void ImportChannel(CalValueReader& file, const char* section, ChannelSetting& ch) {
    ch.signalType = ReadCalInt(file, section, "Signal");
    if (ch.signalType > 0) {
        file.ReadText(section, "Label", ch.label, kLabelSize);
        file.ReadText(section, "Unit", ch.unit, kUnitSize);
        ch.calEU = ReadCalInt(file, section, "CalEU");
        ch.calVU = ReadCalInt(file, section, "CalVU");
        ch.offsetCAL = ReadCalInt(file, section, "OffsetCAL");
        ch.offsetAD = ReadCalInt(file, section, "OffsetAD");
        return;
    }
    ch.label[0] = '\0';
    ch.unit[0] = '\0';
    ch.calEU = kStartupCalEU;
    ch.calVU = kStartupCalVU;
    ch.offsetCAL = 0;
    ch.offsetAD = 0;
}

}  // namespace

int32_t ReadCalInt(CalValueReader& file, const char* section, const char* key) {
    char text[kCalNumberSize];
    const int length = file.ReadText(section, key, text, sizeof text);
    return length > 0 ? ParseIntegerField(text, length, kBaseDecimal) : 0;
}

int ImportCalCondition(CalValueReader& file, MontagePattern& pattern, int maxCh) {
    char saveTime[kCalSaveTimeSize];
    if (file.ReadText("CALINFO", "SaveTime", saveTime, sizeof saveTime) < kCalMinSaveTime) return 0;
    const int32_t count = ReadCalInt(file, "CALINFO", "CH");
    if (count <= 0) return 0;
    int n = count < maxCh ? static_cast<int>(count) : maxCh;
    if (n > kChannelEntries) n = kChannelEntries;
    for (int i = 1; i <= n; ++i) {
        char section[16];
        snprintf(section, sizeof section, "CH%i", i);
        ImportChannel(file, section, pattern.channels[i - 1]);
    }
    return 1;
}

bool IniText::Find(const char* section, const char* key, std::string& value) const {
    const std::string* found = file_.Value(section, key);
    if (!found) return false;
    value = *found;
    return true;
}

int IniText::ReadText(const char* section, const char* key, char* dest, int size) {
    if (size <= 0) return 0;
    std::string value;
    if (!Find(section, key, value)) value.clear();
    CopyText(dest, size, value.c_str());
    return static_cast<int>(strlen(dest));
}
