// taffimport: writes a recording of another format (EDF, or a MATLAB v5
// matrix of signals) as a TAFFmat recording with a settings file whose
// pattern 1 is its montage (labels, types, the source's calibration, each
// signal's own rate), so real nights go through the converter and the night
// check as a recorder's would; optionally with faults laid over chosen
// stretches as taffgen lays them, and their ground-truth file.
// Run with --help for usage.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/taffgen/taffgen.h"
#include "tools/taffgen/taffgen_montage.h"
#include "tools/taffimport/taffimport_sources.h"

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

// The imported recording as the faults see it.
class ImportedNight : public TaffGenSignals {
public:
    ImportedNight(const ImportedRecording& r, uint32_t seed) : r_(r), seed_(seed) {}
    int64_t Clean(int channel, int64_t scan) const override {
        return r_.channels[static_cast<size_t>(channel)].samples[static_cast<size_t>(scan)];
    }
    int Rate() const override { return r_.rate; }
    uint32_t Seed() const override { return seed_; }
    int Channels() const override { return static_cast<int>(r_.channels.size()); }
    bool IsEcg(int channel) const override { return TypeOf(channel) == kTaffGenTypeEcg; }
    bool IsSpO2(int channel) const override { return TypeOf(channel) == kTaffGenTypeSpO2; }

private:
    int TypeOf(int channel) const { return r_.channels[static_cast<size_t>(channel)].signalType; }
    const ImportedRecording& r_;
    uint32_t seed_;
};

std::string Two(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

std::string HeaderText(const ImportedRecording& r, const std::string& dataset, int64_t scans) {
    std::string series, units, slopes, offsets;
    for (size_t c = 0; c < r.channels.size(); ++c) {
        const char* comma = c ? "," : "";
        series += comma + ("CH" + std::to_string(c + 1) + "_" + r.channels[c].label);
        units += comma + std::string("V");
        slopes += comma + std::string("4.000000e-005");
        offsets += comma + std::string("0.000000e+000");
    }
    const std::string n = "\r\n";
    return "DATASET " + dataset + n + "VERSION 1" + n + "SERIES " + series + " " + n + "DATE " + Two(r.month) + "-" +
           Two(r.day) + "-" + std::to_string(r.year) + n + "TIME " + Two(r.hour) + ":" + Two(r.minute) + ":" +
           Two(r.second) + ".00" + n + "RATE " + std::to_string(r.rate) + n + "VERT_UNITS " + units + " " + n +
           "HORZ_UNITS Sec" + n + "COMMENT imported" + n + "NUM_SERIES " + std::to_string(r.channels.size()) + n +
           "STORAGE_MODE INTERLACED" + n + "FILE_TYPE INTEGER" + n + "SLOPE " + slopes + " " + n + "X_OFFSET 0.0" +
           n + "Y_OFFSET " + offsets + " " + n + "NUM_SAMPS " + std::to_string(scans) + n + "DATA" + n;
}

bool WriteText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

bool WriteData(const ImportedRecording& r, const std::vector<TaffGenFault>& faults, uint32_t seed,
               const std::string& path, int64_t scans) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const ImportedNight night(r, seed);
    std::vector<unsigned char> row(2 * r.channels.size());
    bool ok = true;
    for (int64_t s = 0; s < scans && ok; ++s) {
        for (size_t c = 0; c < r.channels.size(); ++c) {
            int64_t v = r.channels[c].samples[static_cast<size_t>(s)];
            if (!faults.empty()) v = TaffGenApplyFaults(faults, night, static_cast<int>(c), s, v);
            const uint16_t u = static_cast<uint16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
            row[2 * c] = static_cast<unsigned char>(u & 0xFF);
            row[2 * c + 1] = static_cast<unsigned char>(u >> 8);
        }
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
}

std::string SettingsText(const ImportedRecording& r) {
    MontagePattern p;
    TaffGenOptions none;
    none.channels = 0;
    TaffGenMontage(none, &p);
    for (size_t c = 0; c < r.channels.size() && c < kChannelEntries; ++c) {
        const ImportedChannel& ch = r.channels[c];
        ChannelSetting& s = p.channels[c];
        TaffGenSetChannel(s, ch.label, ch.unit.c_str(), ch.signalType, ch.calEU, ch.calVU);
        s.rateDivisor = ch.rateDivisor;
    }
    p.position.levelCount = 0;
    return TaffGenSettingsText(p);
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
        f.mains = c.mains;
        faults.push_back(f);
    }
    const std::string stem = c.out.substr(0, c.out.rfind('.'));
    const std::string name = stem.substr(stem.find_last_of("/\\") + 1);
    const int64_t scans = static_cast<int64_t>(r.channels[0].samples.size());
    const std::string settings = c.settings.empty() ? stem + ".INI" : c.settings;
    const std::string truth = c.truth.empty() ? stem + ".truth.json" : c.truth;
    if (!WriteText(c.out, HeaderText(r, name, scans)) || !WriteData(r, faults, c.seed, stem + ".DAT", scans) ||
        !WriteText(settings, SettingsText(r)) ||
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
