// Fuzz target: the patient page's window-free rules on any bytes, as a
// hand-edited patient history file or typed text can give them: which
// stored history entries a list shows (both reading rules), the stored
// order after a new entry, and the typed height and weight with their
// shown texts. Every text lies in a heap buffer of exactly its length plus
// the terminator, so any read past it is caught.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/patient_rules.h"

namespace {

// The input split at zero bytes into at most `max` texts.
std::vector<std::unique_ptr<char[]>> SplitTexts(const uint8_t* data, size_t size, size_t max) {
    std::vector<std::unique_ptr<char[]>> texts;
    size_t begin = 0;
    while (begin <= size && texts.size() < max) {
        size_t end = begin;
        while (end < size && data[end] != 0) ++end;
        std::unique_ptr<char[]> text(new char[end - begin + 1]);
        std::memcpy(text.get(), data + begin, end - begin);
        text[end - begin] = '\0';
        texts.push_back(std::move(text));
        begin = end + 1;
    }
    return texts;
}

bool Among(const char* p, const char* const* list, int count) {
    for (int i = 0; i < count; ++i)
        if (list[i] == p) return true;
    return false;
}

void CheckDistinct(const char* const* list, int count) {
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (std::strcmp(list[i], list[j]) == 0) std::abort();
}

// The stored values of keys "0".."19" (a null for a missing key when the
// flag byte says so) read by both rules.
void CheckShown(const std::vector<std::unique_ptr<char[]>>& texts, uint8_t flags) {
    const char* values[kHistoryKeys] = {};
    for (int key = 0; key < kHistoryKeys; ++key) {
        const bool missing = (flags >> (key % 8)) & 1 && key % 3 == 0;
        values[key] = (static_cast<size_t>(key) < texts.size() && !missing) ? texts[key].get() : nullptr;
    }
    for (HistoryReading rule : {kStopAtGap, kSkipGaps}) {
        const char* shown[kHistoryKeys];
        const int count = ShownHistory(values, rule, shown);
        if (count < 0 || count > kHistoryKeys) std::abort();
        for (int i = 0; i < count; ++i)
            if (!shown[i] || !shown[i][0] || !Among(shown[i], values, kHistoryKeys)) std::abort();
        CheckDistinct(shown, count);
        if (rule == kStopAtGap) {
            int gap = 0;
            while (gap < kHistoryKeys && values[gap] && values[gap][0]) ++gap;
            for (int i = 0; i < count; ++i)
                if (!Among(shown[i], values, gap)) std::abort();
        }
    }
}

// The first text typed, the rest the list's items (a null item where the
// flag byte says so).
void CheckNext(const std::vector<std::unique_ptr<char[]>>& texts, uint8_t flags) {
    const char* typed = texts[0].get();
    const char* items[kHistoryKeys + 4] = {};
    const int itemCount = static_cast<int>(texts.size()) - 1;
    for (int i = 0; i < itemCount; ++i) items[i] = ((flags >> (i % 8)) & 1 && i % 5 == 4) ? nullptr : texts[i + 1].get();
    const char* keys[kHistoryKeys];
    const int count = NextHistory(typed, items, itemCount, keys);
    if (count < 1 || count > kHistoryKeys || keys[0] != typed) std::abort();
    for (int i = 1; i < count; ++i)
        if (!Among(keys[i], items, itemCount)) std::abort();
    CheckDistinct(keys, count);
    // Below the limit no item is lost: each equals one of the stored keys.
    for (int i = 0; i < itemCount && count < kHistoryKeys; ++i) {
        bool stored = !items[i];
        for (int k = 0; k < count && !stored; ++k) stored = std::strcmp(items[i], keys[k]) == 0;
        if (!stored) std::abort();
    }
}

// A typed height and weight: taken values lie in their stored ranges, a
// refused one leaves the field as it was, and the shown text always ends
// within its field.
void CheckMeasures(const char* typed) {
    int32_t height = -7, weight = -7;
    if (TakeHeight(typed, &height) ? (height < 500 || height > 2200) : height != -7) std::abort();
    if (TakeWeight(typed, &weight) ? (weight < 5000 || weight > 300000) : weight != -7) std::abort();
    for (size_t size : {size_t{1}, size_t{4}, size_t{kMeasureLimit + 1}}) {
        std::unique_ptr<char[]> shown(new char[size]);
        FormatHeight(shown.get(), size, height);
        if (std::strlen(shown.get()) >= size) std::abort();
        FormatWeight(shown.get(), size, weight);
        if (std::strlen(shown.get()) >= size) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 8192) return 0;
    const uint8_t flags = data[0];
    const auto texts = SplitTexts(data + 1, size - 1, kHistoryKeys + 4);
    CheckShown(texts, flags);
    CheckNext(texts, flags);
    CheckMeasures(texts[0].get());
    uint16_t years = 0, months = 0;
    const int birthYear = static_cast<int8_t>(flags) + 1950, birthMonth = flags % 14;
    if (AgeOn({birthYear, birthMonth, flags % 33}, {2024, 1 + flags % 12, 1 + flags % 31}, &years, &months) &&
        months > 11)
        std::abort();
    return 0;
}
