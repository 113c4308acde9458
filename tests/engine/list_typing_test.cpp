// Typing into the birth-date lists: keys in quick succession select the
// entry that starts with all of them; a pause or a key that matches nothing
// with the others starts a new search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/list_typing.h"

namespace {

std::vector<std::string> Numbers(int first, int last) {
    std::vector<std::string> texts;
    for (int n = first; n <= last; ++n) texts.push_back(std::to_string(n));
    return texts;
}

// Types `keys`, each `gapMs` after the one before, and returns the entry
// texts selected after each key ("-" where the selection stays).
std::vector<std::string> Typed(const std::vector<std::string>& list, const std::string& keys, uint32_t gapMs,
                               uint32_t start = 5000) {
    ListTyping typing = {};
    std::vector<std::string> shown;
    uint32_t tick = start;
    for (char key : keys) {
        const int index = TypeIntoList(typing, key, tick, list);
        shown.push_back(index < 0 ? "-" : list[static_cast<size_t>(index)]);
        tick += gapMs;
    }
    return shown;
}

using Texts = std::vector<std::string>;

TEST(ListTyping, KeysInQuickSuccessionSelectTheMatchingEntry) {
    const Texts years = Numbers(1900, 2039), months = Numbers(1, 12), days = Numbers(1, 31);
    const struct { const Texts* list; const char* keys; uint32_t gap; Texts want; } cases[] = {
        {&years, "1962", 100, {"1900", "1900", "1960", "1962"}},
        {&years, "2039", 999, {"2000", "2000", "2030", "2039"}},
        {&years, "1962", 1001, {"1900", "-", "-", "2000"}},       // each key alone: no year starts with 9 or 6
        {&years, "19x", 100, {"1900", "1900", "-"}},
        {&years, "2", 0, {"2000"}},
        {&months, "12", 300, {"1", "12"}},
        {&months, "13", 300, {"1", "3"}},                         // no 13th month: 3 starts anew
        {&days, "193", 100, {"1", "19", "3"}},
        {&days, "31", 100, {"3", "31"}},
        {&days, "0", 100, {"-"}},
    };
    for (const auto& k : cases) EXPECT_EQ(k.want, Typed(*k.list, k.keys, k.gap)) << k.keys << " " << k.gap;
}

TEST(ListTyping, TheClockMayWrapAndLettersMatchEitherCase) {
    EXPECT_EQ((Texts{"1900", "1900", "1960", "1962"}), Typed(Numbers(1900, 2039), "1962", 400, 0xFFFFFF00u));
    EXPECT_EQ((Texts{"Male", "-"}), Typed({"0", "Male", "Female"}, "mx", 10));
    EXPECT_EQ((Texts{"Female", "Female"}), Typed({"0", "Male", "Female"}, "FE", 10));
}

}  // namespace
