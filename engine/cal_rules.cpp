// Calibration condition file rules and the in-memory profile reader; see
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

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// [begin, end) without blanks at either side.
void Trim(const char*& begin, const char*& end) {
    while (begin < end && IsBlank(*begin)) ++begin;
    while (end > begin && IsBlank(end[-1])) --end;
}

bool SameName(const char* begin, const char* end, const char* name) {
    const size_t length = static_cast<size_t>(end - begin);
    if (strlen(name) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        unsigned char a = static_cast<unsigned char>(begin[i]), b = static_cast<unsigned char>(name[i]);
        if (a < 0x80) a = static_cast<unsigned char>(a >= 'A' && a <= 'Z' ? a + 32 : a);
        if (b < 0x80) b = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
        if (a != b) return false;
    }
    return true;
}

// The section name of a "[name]" line (up to its last "]"), or false for
// any other line.
bool SectionLine(const char* begin, const char* end, const char*& nameBegin, const char*& nameEnd) {
    if (begin == end || *begin != '[') return false;
    const char* close = end - 1;
    while (close > begin && *close != ']') --close;
    if (close == begin) return false;
    nameBegin = begin + 1;
    nameEnd = close;
    return true;
}

// A value in matching single or double quotes loses them.
void DropQuotes(const char*& begin, const char*& end) {
    if (end - begin >= 2 && (*begin == '"' || *begin == '\'') && end[-1] == *begin) {
        ++begin;
        --end;
    }
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
    const char* p = text_.data();
    const char* const last = p + text_.size();
    bool inSection = false;
    while (p < last) {
        const char* end = p;
        while (end < last && *end != '\n' && *end != '\r') ++end;
        const char* begin = p;
        p = end < last ? end + 1 : last;
        Trim(begin, end);
        const char *nameBegin, *nameEnd;
        if (SectionLine(begin, end, nameBegin, nameEnd)) {
            if (inSection) return false;    // only the first section of the name counts
            inSection = SameName(nameBegin, nameEnd, section);
            continue;
        }
        if (!inSection) continue;
        const char* equals = static_cast<const char*>(memchr(begin, '=', static_cast<size_t>(end - begin)));
        if (!equals) continue;
        const char* keyEnd = equals;
        Trim(begin, keyEnd);
        if (!SameName(begin, keyEnd, key)) continue;
        const char* valueBegin = equals + 1;
        Trim(valueBegin, end);
        DropQuotes(valueBegin, end);
        value.assign(valueBegin, end);
        return true;
    }
    return false;
}

int IniText::ReadText(const char* section, const char* key, char* dest, int size) {
    if (size <= 0) return 0;
    std::string value;
    if (!Find(section, key, value)) value.clear();
    CopyText(dest, size, value.c_str());
    return static_cast<int>(strlen(dest));
}
