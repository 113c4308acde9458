// Fuzz target: the number parser and its list variants, and the pattern
// list rules that apply a list read from the settings file. Texts come in
// buffers of exactly their length, with no terminator where the parser is
// given a length, so any read past the text is caught.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/pattern_rules.h"
#include "textkit/number_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    std::vector<char> text(data, data + size);   // not terminated
    const char* t = text.empty() ? nullptr : text.data();
    const int length = static_cast<int>(size);

    int32_t values[33];
    uint16_t words[33];
    for (int max : {1, 8, 32}) {
        if (ParseNumberList(values, t, length, max) > max) std::abort();
        if (ParseLongList(values, t, length, max) > max) std::abort();
        if (ParseWordList(words, t, length, max) > max) std::abort();
    }
    if (size > 0) {
        ParseIntegerField(t, length, kBaseDecimal);
        ParseIntegerField(t, length, kBaseAutomatic);
    }
    std::vector<char> terminated(data, data + size);
    terminated.push_back('\0');
    ParseTypedNumber(terminated.data());

    static MontagePattern pattern;
    for (const ChannelList& list : kChannelLists) ApplyChannelList(pattern, list, t ? t : "", length);
    KeepRateDivisorsPositive(pattern);
    for (const ChannelSetting& c : pattern.channels)
        if (c.rateDivisor < 1) std::abort();
    char out[kListTextSize];
    FormatChannelList(out, sizeof out, pattern, &ChannelSetting::sensitivity, 100);
    if (std::strlen(out) >= sizeof out) std::abort();
    return 0;
}
