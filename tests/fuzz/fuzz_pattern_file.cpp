// Fuzz target: a pattern file's bytes parsed as a settings-style file and
// read as a montage pattern. Checks that every text stays terminated inside
// its field, that a refused file changes nothing, that the stored limits
// hold (rate divisors of at least 1, at most 8 levels), and that exporting
// settles: a pattern read back from its own export exports the same text
// again. (One round may still change it: a position list of one value of
// one digit, "2,", is too short to count when read, as in the settings file.)
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/ini_file.h"
#include "engine/pattern_file.h"
#include "engine/pattern_rules.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckFields(const MontagePattern& p) {
    Check(memchr(p.name, 0, sizeof p.name) != nullptr);
    for (const auto& c : p.labelChoices) Check(memchr(c, 0, sizeof c) != nullptr);
    for (const auto& c : p.unitChoices) Check(memchr(c, 0, sizeof c) != nullptr);
    for (const ChannelSetting& ch : p.channels) {
        Check(memchr(ch.label, 0, sizeof ch.label) && memchr(ch.unit, 0, sizeof ch.unit));
        Check(ch.rateDivisor >= 1);
    }
    Check(p.position.levelCount <= kMaxLevels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MontagePattern pattern, before, again, third;
    ResetPatternToStartup(pattern);
    strcpy(pattern.name, "before");
    before = pattern;
    IniFile ini;
    ini.Parse(reinterpret_cast<const char*>(data), size);
    if (ReadPatternFrom(ini, pattern) != kPatternFileRead) {
        Check(memcmp(&pattern, &before, sizeof pattern) == 0);
        return 0;
    }
    CheckFields(pattern);
    const std::string text = PatternFileText(pattern);
    IniFile exported;
    exported.Parse(text.data(), text.size());
    Check(ReadPatternFrom(exported, again) == kPatternFileRead);
    CheckFields(again);
    const std::string second = PatternFileText(again);
    IniFile reexported;
    reexported.Parse(second.data(), second.size());
    Check(ReadPatternFrom(reexported, third) == kPatternFileRead);
    Check(PatternFileText(third) == second);
    return 0;
}
