// Typing into a drop-down list: characters typed in quick succession
// select the first entry that starts with all of them, so "1962" reaches
// 1962 in a list of years at once instead of stopping at 1900 (a list of
// plain controls matches one character only). Portable: the window code
// hands over the key, the time it came and the list's texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum {
    kListTypingPauseMs = 1000,  // a longer pause between keys starts a new search
    kListTypingMax = 15         // characters kept; later ones start a new search
};

// What has been typed into one list so far.
struct ListTyping {
    char typed[kListTypingMax + 1];
    int length;
    uint32_t lastTick;          // millisecond clock of the last key (wraps)
};

// `key` typed at millisecond `tick`: the index of the entry to select, or -1
// to leave the selection as it is. Keys within kListTypingPauseMs of the
// last one extend the search; when the extended text matches no entry the
// key alone starts a new search ("1", "9", "3" in a list of days gives 1,
// 19, then 3).
int TypeIntoList(ListTyping& typing, char key, uint32_t tick, const std::vector<std::string>& entries);
