// Pattern sections as key texts and pattern files; see pattern_file.h.
#include "engine/pattern_file.h"

#include <cstdio>

#include "engine/ini_file.h"
#include "engine/pattern_load.h"
#include "engine/pattern_rules.h"
#include "engine/position_rules.h"
#include "textkit/sjis_text.h"

const char kPatternFileSection[] = "Pattern";

namespace {

// Collects the position table's keys as the default table's rules write them.
class KeyCollector : public PositionProfile {
public:
    explicit KeyCollector(KeyTexts& out) : out_(out) {}
    int32_t ReadInt(const char*, int32_t fallback) override { return fallback; }
    int ReadText(const char*, char* dest, int size) override {
        if (size > 0) dest[0] = '\0';
        return 0;
    }
    void WriteText(const char* key, const char* text) override { out_.emplace_back(key, text); }

private:
    KeyTexts& out_;
};

// Keys `format` 1..count with the texts of `count` fields of `size` bytes
// each, one after the other from `fields`.
void AddNumbered(KeyTexts& out, const char* format, int count, const char* fields, size_t size) {
    for (int n = 1; n <= count; ++n) {
        char key[24];
        snprintf(key, sizeof key, format, n);
        out.emplace_back(key, FieldString(fields + (n - 1) * size, size));
    }
}

// A section that holds a pattern: present, with PATTERN or ChEnable in it.
bool HoldsPattern(const IniFile& ini, const char* section) {
    return ini.Value(section, "PATTERN") != nullptr || ini.Value(section, "ChEnable") != nullptr;
}

bool IsBlankOrQuote(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '"' || c == '\''; }

// A text that reading would change (blanks at either end are trimmed, one
// pair of enclosing quotes removed) is written inside double quotes, which
// reading removes again.
std::string FileValue(const std::string& text) {
    if (text.empty() || (!IsBlankOrQuote(text.front()) && !IsBlankOrQuote(text.back()))) return text;
    return "\"" + text + "\"";
}

}  // namespace

KeyTexts PatternKeyTexts(const MontagePattern& p) {
    KeyTexts out;
    out.emplace_back("PATTERN", FieldString(p.name));
    AddNumbered(out, "Label%i", kLabelChoices, p.labelChoices[0], kLabelSize);
    AddNumbered(out, "Unit%i", kUnitChoices, p.unitChoices[0], kUnitSize);
    for (int n = 1; n <= kChannelEntries; ++n)
        out.emplace_back("ChLabel" + std::to_string(n), FieldString(p.channels[n - 1].label, kLabelSize));
    for (int n = 1; n <= kChannelEntries; ++n)
        out.emplace_back("ChUnit" + std::to_string(n), FieldString(p.channels[n - 1].unit, kUnitSize));
    for (const ChannelList& list : kChannelLists) {
        char text[kListTextSize];
        FormatChannelList(text, sizeof text, p, list.field, list.scale);
        out.emplace_back(list.key, text);
    }
    KeyCollector collector(out);
    StorePositionKeys(p.position, collector);
    return out;
}

bool SameStoredPattern(const MontagePattern& a, const MontagePattern& b) {
    return PatternKeyTexts(a) == PatternKeyTexts(b);
}

std::string PatternFileText(const MontagePattern& p) {
    std::string text = std::string("[") + kPatternFileSection + "]\r\n";
    for (const auto& kv : PatternKeyTexts(p)) text += kv.first + "=" + FileValue(kv.second) + "\r\n";
    return text;
}

PatternFileResult ReadPatternFile(const char* path, MontagePattern& out) {
    IniFile ini;
    if (!path || ini.Load(path) != IniFile::kLoaded) return kPatternFileUnreadable;
    return ReadPatternFrom(ini, out);
}

PatternFileResult ReadPatternFrom(const IniFile& ini, MontagePattern& out) {
    std::string section;
    if (HoldsPattern(ini, kPatternFileSection)) {
        section = kPatternFileSection;
    } else {
        for (int slot = 0; slot < kPatternCount && section.empty(); ++slot) {
            char name[16];
            PatternSectionName(name, sizeof name, slot);
            if (HoldsPattern(ini, name)) section = name;
        }
    }
    if (section.empty()) return kPatternFileNotPattern;
    MontagePattern read;
    ResetPatternToStartup(read);
    LoadNamedPatternSection(read, section.c_str(), ini);
    out = read;
    return kPatternFileRead;
}
