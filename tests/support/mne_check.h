// Reading a PSG file with MNE-Python (through mne_check.py and the system's
// Python with Debian's python3-mne) for the native tests.
#pragma once

#include <string>
#include <vector>

// What MNE must see; only what is set is checked.
struct MneExpect {
    std::string names;          // channel names joined by '|'
    std::string sfreq;          // "%g" of the highest rate
    std::string nTimes;         // samples at that rate
    std::string measDate;       // "YYYY-MM-DD hh:mm:ss"
    int channels = -1;
    double seconds = -1;
    std::string firstLabel;     // a text the first channel's name contains
    std::vector<std::string> texts;   // annotation texts at onset 0
    // Annotations with a duration, each "onset|duration|text" in seconds.
    std::vector<std::string> timed;
    // "signal:seconds": every sample of the signal (index among the data
    // channels) from that time to the end equals the sample just before it.
    std::string heldFrom;
};

// Reads `path` with MNE (a name ending in ".edf" as it is, any other through
// a link with the ".edf" name MNE insists on)
// and returns whether it saw what `expect` says.
bool MneReads(const std::string& path, const MneExpect& expect);

// The common check: `channels` signals lasting `seconds`, `firstLabel` in the
// first one's name.
bool MneReads(const std::string& path, int channels, double seconds, const std::string& firstLabel);
