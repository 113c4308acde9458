// Typing into a drop-down list; see list_typing.h.
#include "engine/list_typing.h"

namespace {

bool StartsWith(const std::string& entry, const char* typed, int length) {
    return entry.compare(0, static_cast<size_t>(length), typed, static_cast<size_t>(length)) == 0;
}

int FirstMatch(const std::vector<std::string>& entries, const char* typed, int length) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (StartsWith(entries[i], typed, length)) return static_cast<int>(i);
    return -1;
}

}  // namespace

int TypeIntoList(ListTyping& typing, char key, uint32_t tick, const std::vector<std::string>& entries) {
    const bool goesOn = typing.length > 0 && typing.length < kListTypingMax &&
                        static_cast<uint32_t>(tick - typing.lastTick) <= kListTypingPauseMs;
    typing.lastTick = tick;
    if (goesOn) {
        typing.typed[typing.length] = key;
        const int match = FirstMatch(entries, typing.typed, typing.length + 1);
        if (match >= 0) {
            typing.typed[++typing.length] = '\0';
            return match;
        }
    }
    typing.typed[0] = key;
    typing.typed[1] = '\0';
    typing.length = 1;
    return FirstMatch(entries, typing.typed, 1);
}
