// taffgen: writes a synthetic overnight TAFFmat recording (header and data
// file) for trying the converter and for tests. Run with --help for usage.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <vector>

#include "engine/night_check.h"
#include "tools/taffgen/taffgen.h"
#include "tools/taffgen/taffgen_montage.h"
#include "tools/taffgen/taffgen_real.h"

namespace {

const char kUsage[] =
    "usage: taffgen [options]\n"
    "  --out PATH          header file to write (default NIGHT001.HDR); the data\n"
    "                      file goes beside it with the same base name\n"
    "  --settings-out PATH write the settings file the night needs ([SYSTEM], its montage\n"
    "                      as pattern 1 with its calibration and position levels,\n"
    "                      [NIGHTCHECK]); with it the night is written only when --out is given\n"
    "  --pattern-name TEXT the pattern's name in that file (default Night)\n"
    "  --plain-labels      in that file, label the channels Ch1, Ch2, ... with the signal\n"
    "                      type \"other\" (labels that say nothing), calibration kept\n"
    "  --rule TEXT         the night check's rule set in that file (default the program's,\n"
    "                      \"EEG, SpO2, airflow >= 4 h\")\n"
    "  --channels N        channels, 1..1024 (default 16)\n"
    "  --rate HZ           samples per second per channel (default 200)\n"
    "  --seconds S         length in seconds (default 3600)\n"
    "  --duration H:M:S    length as hours:minutes:seconds\n"
    "  --start \"YYYY-MM-DD HH:MM:SS\"  start of the recording (default 2024-03-14 22:15:04)\n"
    "  --long              24-bit samples (FILE_TYPE LONG) instead of 16-bit\n"
    "  --sequential        STORAGE_MODE SEQUENTIAL instead of INTERLACED\n"
    "  --upper | --lower   extension case: .HDR/.DAT (default) or .hdr/.dat\n"
    "  --lf                header lines end in LF instead of CR LF\n"
    "  --no-recorder-part  leave out the recorder-specific lines after DATA\n"
    "  --seed N            varies the activity (default 1)\n"
    "  --comment TEXT      COMMENT and MEMO text\n"
    "  --fault KIND:CHANNEL:START:LENGTH[:VALUE]\n"
    "                      lay a fault over a channel (number from 1 or name) from START\n"
    "                      for LENGTH seconds; KIND is one of flat, clipping, hum,\n"
    "                      hf_artifact, amplitude, not_its_type, duplicate, eog_in_phase,\n"
    "                      ecg, spo2, position (VALUE: see docs/test-nights.md); repeatable\n"
    "  --mains HZ          frequency of hum faults, 50 or 60 (default 50)\n"
    "  --truth PATH        ground-truth file of the faults (default NAME.truth.json beside\n"
    "                      the header, written when faults are given)\n"
    "  --eog-eeg EDF[:LABEL]  add a real frontal EEG (signal LABEL of the EDF file, default\n"
    "                      \"EEG Fpz-Cz\", looped) to both eye channels with the same sign\n"
    "  --invert-eog-in-rem lay eog_in_phase on ROC (inverted) over each stretch of quick eye\n"
    "                      movements of at least a minute\n"
    "An SpO2 probe off (spo2 form 0 on SpO2) also stops the Pulse channel (its own\n"
    "ground-truth entry).\n";

bool ParseInt(const char* text, long long* value) {
    char* end = nullptr;
    *value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0';
}

bool ParseDuration(const std::string& text, double* seconds) {
    int h = 0, m = 0, s = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &m, &s, &extra) != 3 || h < 0 || m < 0 || s < 0) return false;
    *seconds = h * 3600.0 + m * 60.0 + s;
    return true;
}

bool ParseStart(const std::string& text, TaffGenOptions* o) {
    char extra = 0;
    return std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &o->year, &o->month, &o->day, &o->hour, &o->minute,
                       &o->second, &extra) == 6;
}

bool HasExtension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

struct Command {
    TaffGenOptions options;
    std::string out = "NIGHT001";
    bool upper = true;
    std::vector<std::string> faults;    // parsed once the channel count is known
    int mains = 50;
    std::string truth;
    std::string settingsOut, patternName = "Night", rule = DefaultCheckRuleSet().text;
    bool outGiven = false;
    std::string eogEeg;
    bool invertEog = false;
    bool plainLabels = false;
};

// Applies one option (with its value when it takes one); false on a bad one.
bool ApplyOption(const std::string& name, const char* value, Command* cmd, int* used) {
    TaffGenOptions& o = cmd->options;
    long long n = 0;
    *used = 0;
    if (name == "--long") o.longSamples = true;
    else if (name == "--sequential") o.sequential = true;
    else if (name == "--upper") cmd->upper = true;
    else if (name == "--lower") cmd->upper = false;
    else if (name == "--lf") o.crlf = false;
    else if (name == "--no-recorder-part") o.recorderPart = false;
    else if (name == "--invert-eog-in-rem") cmd->invertEog = true;
    else if (name == "--plain-labels") cmd->plainLabels = true;
    else {
        if (value == nullptr) return false;
        *used = 1;
        if (name == "--out") cmd->out = value, cmd->outGiven = true;
        else if (name == "--settings-out") cmd->settingsOut = value;
        else if (name == "--pattern-name") cmd->patternName = value;
        else if (name == "--rule") cmd->rule = value;
        else if (name == "--eog-eeg") cmd->eogEeg = value;
        else if (name == "--comment") o.comment = value;
        else if (name == "--fault") cmd->faults.push_back(value);
        else if (name == "--truth") cmd->truth = value;
        else if (name == "--start") return ParseStart(value, &o);
        else if (name == "--duration") return ParseDuration(value, &o.seconds);
        else if (name == "--seconds") o.seconds = std::atof(value);
        else if (!ParseInt(value, &n)) return false;
        else if (name == "--channels") o.channels = static_cast<int>(n);
        else if (name == "--rate") o.rate = static_cast<int>(n);
        else if (name == "--seed") o.seed = static_cast<uint32_t>(n);
        else if (name == "--mains" && (n == 50 || n == 60)) cmd->mains = static_cast<int>(n);
        else return false;
    }
    return true;
}

std::vector<std::string> ChannelNames(int channels) {
    std::vector<std::string> names;
    for (int c = 0; c < channels; ++c) names.push_back(TaffGenChannelName(c));
    return names;
}

bool ParseFaults(Command* cmd, std::string* error) {
    const std::vector<std::string> names = ChannelNames(cmd->options.channels);
    for (const std::string& text : cmd->faults) {
        TaffGenFault f;
        if (!ParseTaffGenFault(text, names, &f, error)) return false;
        f.mains = cmd->mains;
        cmd->options.faults.push_back(f);
    }
    cmd->options.faults = TaffGenWithCompanions(cmd->options.faults, cmd->options.channels);
    if (!cmd->eogEeg.empty()) {
        const size_t colon = cmd->eogEeg.rfind(':');
        const bool labelled = colon != std::string::npos && colon > 1;  // not a drive letter's colon
        const std::string path = labelled ? cmd->eogEeg.substr(0, colon) : cmd->eogEeg;
        const std::string label = labelled ? cmd->eogEeg.substr(colon + 1) : kTaffGenEogEegLabel;
        if (!TaffGenLoadEogEeg(path, label, &cmd->options, error)) return false;
    }
    if (cmd->invertEog && cmd->options.channels >= 6 && TaffGenInvertEogInEyeMovements(&cmd->options) == 0) {
        *error = "the night has no stretch of quick eye movements of a minute to invert ROC over";
        return false;
    }
    return true;
}

bool WriteText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

// The ground truth beside the recording, when faults were laid.
bool WriteCompanions(const Command& cmd, const std::string& header, std::string* error) {
    const TaffGenOptions& o = cmd.options;
    if (!o.faults.empty()) {
        const std::string truth = cmd.truth.empty() ? header.substr(0, header.rfind('.')) + ".truth.json" : cmd.truth;
        const std::string name = header.substr(header.find_last_of("/\\") + 1);
        if (!WriteText(truth, TaffGenGroundTruthText(name, o.seed, o.rate, o.faults, ChannelNames(o.channels)))) {
            *error = "cannot write " + truth;
            return false;
        }
        std::printf("ground truth: %s (%zu faults)\n", truth.c_str(), o.faults.size());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Command cmd;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        int used = 0;
        if (!ApplyOption(name, i + 1 < argc ? argv[i + 1] : nullptr, &cmd, &used)) {
            std::fprintf(stderr, "taffgen: bad option or value: %s\n%s", name.c_str(), kUsage);
            return 2;
        }
        i += used;
    }
    cmd.options.dataExtension = cmd.upper ? ".DAT" : ".dat";
    const std::string header = HasExtension(cmd.out) ? cmd.out : cmd.out + (cmd.upper ? ".HDR" : ".hdr");
    std::string error;
    if (!ParseFaults(&cmd, &error)) {
        std::fprintf(stderr, "taffgen: %s\n", error.c_str());
        return 2;
    }
    if (!cmd.settingsOut.empty()) {
        if (cmd.options.channels < 1 || cmd.options.channels > 1024 ||
            !WriteText(cmd.settingsOut, TaffGenSettingsFileText(cmd.options, cmd.patternName, cmd.rule, cmd.plainLabels))) {
            std::fprintf(stderr, "taffgen: cannot write %s\n", cmd.settingsOut.c_str());
            return 1;
        }
        std::printf("settings: %s\n", cmd.settingsOut.c_str());
        if (!cmd.outGiven) return 0;
    }
    if (!WriteTaffRecording(cmd.options, header, &error)) {
        std::fprintf(stderr, "taffgen: %s\n", error.c_str());
        return 1;
    }
    const TaffGenOptions& o = cmd.options;
    const long long scans = static_cast<long long>(TaffGenScanCount(o));
    std::printf("%s: %d channels, %d Hz, %lld samples per channel (%lld s), %s %s\n", header.c_str(), o.channels,
                o.rate, scans, scans / o.rate, o.longSamples ? "LONG" : "INTEGER",
                o.sequential ? "SEQUENTIAL" : "INTERLACED");
    std::printf("data: %s\n", TaffGenDataPath(o, header).c_str());
    if (!WriteCompanions(cmd, header, &error)) {
        std::fprintf(stderr, "taffgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
