// taffimport: writes a recording of another format (EDF, or a MATLAB v5
// matrix of signals) as a TAFFmat recording with a settings file whose
// pattern 1 is its montage (labels, types, the source's calibration, each
// signal's own rate), so real nights go through the converter and the night
// check as a recorder's would; optionally with faults laid over chosen
// stretches as taffgen lays them, and their ground-truth file.
// Run with --help for usage.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/taffgen/taffgen.h"
#include "tools/taffgen/taffgen_montage.h"
#include "tools/taffimport/taffimport_sources.h"
#include "tools/taffimport/taffimport_write.h"

namespace {

const char kUsage[] =
    "usage: taffimport INPUT --out NAME.HDR [options]\n"
    "  INPUT               an EDF file (*.edf) or a MATLAB v5 file (*.mat) holding one matrix\n"
    "                      of signals by samples; NAME.info beside it names each row's signal,\n"
    "                      gain, base and unit (as physiological databases export them)\n"
    "  --out PATH          header to write; the data file goes beside it (NAME.DAT)\n"
    "  --settings PATH     settings file whose pattern 1 is the recording's montage\n"
    "                      (default NAME.INI beside the header)\n"
    "  --start \"YYYY-MM-DD HH:MM:SS\"  start of the recording (default: from the input)\n"
    "  --fault KIND:CHANNEL:START:LENGTH[:VALUE]  as taffgen (CHANNEL by number or label)\n"
    "  --mains HZ          frequency of hum faults, 50 or 60 (default 50)\n"
    "  --seed N            seed of the synthetic signals some faults put in (default 1)\n"
    "  --truth PATH        ground-truth file (default NAME.truth.json, written with faults)\n"
    "For a .mat file without .info: --rate HZ, --label TEXT, --unit TEXT, --type CODE,\n"
    "  --cal EU/VU (physical value = sample x EU / VU), e.g. --cal 96/1000 for 0.096 uV a count,\n"
    "  --digital LOW:HIGH (the source converter's limits, spread over the 16-bit range)\n";

struct Command {
    std::string input, out, settings, truth;
    std::vector<std::string> faults;
    MatDescription mat;
    std::string start;
    int mains = 50;
    uint32_t seed = 1;
};

bool ApplyOption(const std::string& name, const std::string& value, Command* c) {
    if (name == "--out") c->out = value;
    else if (name == "--settings") c->settings = value;
    else if (name == "--truth") c->truth = value;
    else if (name == "--fault") c->faults.push_back(value);
    else if (name == "--start") c->start = value;
    else if (name == "--mains") c->mains = std::atoi(value.c_str());
    else if (name == "--seed") c->seed = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    else if (name == "--rate") c->mat.rate = std::atoi(value.c_str());
    else if (name == "--label") c->mat.label = value;
    else if (name == "--unit") c->mat.unit = value;
    else if (name == "--type") c->mat.signalType = std::atoi(value.c_str());
    else if (name == "--cal") return std::sscanf(value.c_str(), "%d/%d", &c->mat.calEU, &c->mat.calVU) == 2;
    else if (name == "--digital")
        return std::sscanf(value.c_str(), "%d:%d", &c->mat.digitalLow, &c->mat.digitalHigh) == 2;
    else return false;
    return c->mains == 50 || c->mains == 60;
}

bool WriteText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

int Run(Command& c) {
    ImportedRecording r;
    std::string error;
    const std::string ext = c.input.size() > 4 ? c.input.substr(c.input.size() - 4) : "";
    const bool edf = ext == ".edf" || ext == ".EDF";
    if (!(edf ? ReadEdfRecording(c.input, &r, &error) : ReadMatRecording(c.input, c.mat, &r, &error))) {
        std::fprintf(stderr, "taffimport: %s\n", error.c_str());
        return 1;
    }
    if (!c.start.empty() && std::sscanf(c.start.c_str(), "%d-%d-%d %d:%d:%d", &r.year, &r.month, &r.day, &r.hour,
                                        &r.minute, &r.second) != 6) {
        std::fprintf(stderr, "taffimport: bad --start\n");
        return 2;
    }
    std::vector<std::string> labels;
    for (const ImportedChannel& ch : r.channels) labels.push_back(ch.label);
    std::vector<TaffGenFault> faults;
    for (const std::string& text : c.faults) {
        TaffGenFault f;
        if (!ParseTaffGenFault(text, labels, &f, &error)) {
            std::fprintf(stderr, "taffimport: %s\n", error.c_str());
            return 2;
        }
        // A fault without VALUE on a voltage channel: the size a generated
        // night's EEG gets, in this channel's counts (its calibration is not
        // the generated channel's of the same number).
        const bool valueGiven = std::count(text.begin(), text.end(), ':') >= 4;
        const double sized =
            TaffGenVoltageFaultDefault(f.kind, ImportedCountsPerMicrovolt(r.channels[static_cast<size_t>(f.channel)]));
        if (!valueGiven && sized >= 0) f.value = sized;
        f.mains = c.mains;
        faults.push_back(f);
    }
    const std::string stem = c.out.substr(0, c.out.rfind('.'));
    const std::string name = stem.substr(stem.find_last_of("/\\") + 1);
    const int64_t scans = static_cast<int64_t>(r.channels[0].samples.size());
    const std::string settings = c.settings.empty() ? stem + ".INI" : c.settings;
    const std::string truth = c.truth.empty() ? stem + ".truth.json" : c.truth;
    MontagePattern montage;
    ImportedMontage(r, &montage);
    if (!WriteImportedRecording(r, faults, c.seed, c.out) || !WriteText(settings, TaffGenSettingsText(montage)) ||
        (!faults.empty() && !WriteText(truth, TaffGenGroundTruthText(name + ".HDR", c.seed, r.rate, faults, labels)))) {
        std::fprintf(stderr, "taffimport: cannot write %s and the files beside it\n", c.out.c_str());
        return 1;
    }
    std::printf("%s: %zu channels, %d Hz, %lld s; settings %s%s\n", c.out.c_str(), r.channels.size(), r.rate,
                static_cast<long long>(scans / r.rate), settings.c_str(),
                faults.empty() ? "" : ("; ground truth " + truth).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Command c;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a.rfind("--", 0) != 0) {
            c.input = a;
            continue;
        }
        if (i + 1 >= argc || !ApplyOption(a, argv[i + 1], &c)) {
            std::fprintf(stderr, "taffimport: bad option or value: %s\n%s", a.c_str(), kUsage);
            return 2;
        }
        ++i;
    }
    if (c.input.empty() || c.out.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return Run(c);
}
