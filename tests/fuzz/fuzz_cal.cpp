// Fuzz target: a calibration condition file's bytes read by the in-memory
// profile reader and imported into a pattern by the file's rules. Checks
// that every text stays terminated inside its field, that a refused file
// changes nothing, and that only the signal type, label, unit and
// calibration of the first min(CH, MaxCh) channels ever change.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/cal_rules.h"
#include "engine/pattern_rules.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Fields the import never changes must be as before.
void CheckUntouchedFields(const ChannelSetting& a, const ChannelSetting& b) {
    Check(a.enabled == b.enabled && a.rateDivisor == b.rateDivisor && a.sensitivity == b.sensitivity &&
          a.lowFilter == b.lowFilter && a.timeConstant == b.timeConstant && a.highFilter == b.highFilter);
    Check(memchr(b.label, 0, sizeof b.label) && memchr(b.unit, 0, sizeof b.unit));
}

void ImportWith(IniText& file, int maxCh) {
    static MontagePattern pattern, before;
    ResetPatternToStartup(pattern);
    for (ChannelSetting& c : pattern.channels) {
        memset(c.label, 'L', sizeof c.label - 1);
        memset(c.unit, 'U', sizeof c.unit - 1);
        c.enabled = 1;
        c.timeConstant = 300;
    }
    before = pattern;
    if (!ImportCalCondition(file, pattern, maxCh)) {
        Check(memcmp(&before, &pattern, sizeof pattern) == 0);
        return;
    }
    for (int i = 0; i < kChannelEntries; ++i) {
        CheckUntouchedFields(before.channels[i], pattern.channels[i]);
        if (i >= maxCh) Check(memcmp(&before.channels[i], &pattern.channels[i], sizeof(ChannelSetting)) == 0);
    }
    Check(memcmp(&before.position, &pattern.position, sizeof pattern.position) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;   // larger files add nothing but slower runs
    // The reader copies the bytes; the caller's buffer is not terminated.
    IniText file(reinterpret_cast<const char*>(data), size);
    for (int maxCh : {1, 16, 32, 40}) ImportWith(file, maxCh);
    char text[3];
    Check(file.ReadText("CALINFO", "SaveTime", text, sizeof text) <= 2);
    return 0;
}
