// Typing into the birth-date lists: keys in quick succession select the
// entry that starts with all of them; a pause, or a key that matches
// nothing with the others, starts a new search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/list_typing.h"

namespace {

using Texts = std::vector<std::string>;

Texts Numbers(int first, int last) {
    Texts texts;
    for (int n = first; n <= last; ++n) texts.push_back(std::to_string(n));
    return texts;
}

TEST(ListTyping, KeysInQuickSuccessionSelectTheMatchingEntry) {
    const Texts years = Numbers(1900, 2039), months = Numbers(1, 12), days = Numbers(1, 31);
    // The entry shown after each key ("-": the selection stays), keys `gap` ms apart.
    const struct { const Texts* list; const char* keys; uint32_t gap, start; Texts want; } cases[] = {
        {&years, "1962", 100, 5000, {"1900", "1900", "1960", "1962"}},
        {&years, "1962", 400, 0xFFFFFF00u, {"1900", "1900", "1960", "1962"}},    // the clock wraps
        {&years, "2039", 999, 5000, {"2000", "2000", "2030", "2039"}},
        {&years, "1962", 1001, 5000, {"1900", "-", "-", "2000"}},               // each key alone
        {&years, "19x", 100, 5000, {"1900", "1900", "-"}},
        {&months, "12", 300, 5000, {"1", "12"}},
        {&months, "13", 300, 5000, {"1", "3"}},                                // no 13th month: 3 anew
        {&days, "193", 100, 5000, {"1", "19", "3"}},
        {&days, "0", 100, 5000, {"-"}},
    };
    for (const auto& k : cases) {
        ListTyping typing = {};
        Texts shown;
        uint32_t tick = k.start;
        for (const char* key = k.keys; *key; ++key, tick += k.gap) {
            const int index = TypeIntoList(typing, *key, tick, *k.list);
            shown.push_back(index < 0 ? "-" : (*k.list)[static_cast<size_t>(index)]);
        }
        EXPECT_EQ(k.want, shown) << k.keys << " " << k.gap;
    }
}

}  // namespace
