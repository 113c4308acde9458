// MNE read-back for the native tests; see mne_check.h.
#include "tests/support/mne_check.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// The text in single quotes for the shell.
std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

void AddOption(std::string& command, const char* name, const std::string& value) {
    if (!value.empty()) command += std::string(" ") + name + " " + Quoted(value);
}

}  // namespace

bool MneReads(const std::string& path, const MneExpect& expect) {
    const bool named = path.size() > 4 && path.compare(path.size() - 4, 4, ".edf") == 0;
    const std::string link = named ? path : path + ".edf";
    std::error_code ignored;
    if (!named) {
        std::filesystem::remove(link, ignored);
        std::filesystem::create_symlink(std::filesystem::absolute(path), link, ignored);
    }
    std::string command =
        Quoted(MNE_PYTHON) + " " + Quoted(std::string(TEST_SUPPORT_DIR) + "/mne_check.py") + " " + Quoted(link);
    AddOption(command, "--names", expect.names);
    AddOption(command, "--sfreq", expect.sfreq);
    AddOption(command, "--n-times", expect.nTimes);
    AddOption(command, "--meas-date", expect.measDate);
    if (expect.channels >= 0) AddOption(command, "--channels", std::to_string(expect.channels));
    if (expect.seconds >= 0) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.9g", expect.seconds);
        AddOption(command, "--seconds", seconds);
    }
    AddOption(command, "--first-label", expect.firstLabel);
    if (!expect.texts.empty()) {
        const std::string texts = path + ".texts";
        std::ofstream out(texts, std::ios::binary);
        for (const std::string& t : expect.texts) out << t << "\n";
        out.close();
        AddOption(command, "--texts", texts);
    }
    if (!expect.timed.empty()) {
        const std::string timed = path + ".timed";
        std::ofstream out(timed, std::ios::binary);
        for (const std::string& t : expect.timed) out << t << "\n";
        out.close();
        AddOption(command, "--timed", timed);
    }
    AddOption(command, "--held-from", expect.heldFrom);
    return std::system(command.c_str()) == 0;
}

bool MneReads(const std::string& path, int channels, double seconds, const std::string& firstLabel) {
    MneExpect expect;
    expect.channels = channels;
    expect.seconds = seconds;
    expect.firstLabel = firstLabel;
    return MneReads(path, expect);
}
