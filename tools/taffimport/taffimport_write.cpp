// Writing an imported recording as a TAFFmat recording; see taffimport_write.h.
#include "tools/taffimport/taffimport_write.h"

#include <cstdio>

#include "tools/taffgen/taffgen_montage.h"

namespace {

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
    bool IsPulse(int channel) const override { return TypeOf(channel) == kTaffGenTypePulse; }

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

}  // namespace

void ImportedMontage(const ImportedRecording& r, MontagePattern* p) {
    TaffGenOptions none;
    none.channels = 0;
    TaffGenMontage(none, p);
    for (size_t c = 0; c < r.channels.size() && c < kChannelEntries; ++c) {
        const ImportedChannel& ch = r.channels[c];
        ChannelSetting& s = p->channels[c];
        TaffGenSetChannel(s, ch.label, ch.unit.c_str(), ch.signalType, ch.calEU, ch.calVU);
        s.rateDivisor = ch.rateDivisor;
    }
    p->position.levelCount = 0;
}

bool WriteImportedRecording(const ImportedRecording& r, const std::vector<TaffGenFault>& faults, uint32_t seed,
                            const std::string& header) {
    if (r.channels.empty()) return false;
    const std::string stem = header.substr(0, header.rfind('.'));
    const std::string name = stem.substr(stem.find_last_of("/\\") + 1);
    const int64_t scans = static_cast<int64_t>(r.channels[0].samples.size());
    return WriteText(header, HeaderText(r, name, scans)) && WriteData(r, faults, seed, stem + ".DAT", scans);
}

bool ResampleImported(ImportedRecording* r, int rate) {
    if (r->rate <= 0 || rate < r->rate || rate % r->rate != 0) return false;
    const int factor = rate / r->rate;
    for (ImportedChannel& ch : r->channels) {
        std::vector<int16_t> up(ch.samples.size() * static_cast<size_t>(factor));
        for (size_t i = 0; i < up.size(); ++i) {
            const size_t k = i / static_cast<size_t>(factor);
            const int a = ch.samples[k];
            const int b = k + 1 < ch.samples.size() ? ch.samples[k + 1] : a;
            up[i] = static_cast<int16_t>(a + (b - a) * static_cast<int>(i % static_cast<size_t>(factor)) / factor);
        }
        ch.samples.swap(up);
        if (ch.rateDivisor > 1) ch.rateDivisor *= factor;
    }
    r->rate = rate;
    return true;
}

double ImportedCountsPerMicrovolt(const ImportedChannel& ch) {
    const double perUnit = static_cast<double>(ch.calVU) / ch.calEU;
    if (ch.unit == "uV") return perUnit;
    if (ch.unit == "mV") return perUnit / 1000;
    if (ch.unit == "V") return perUnit / 1e6;
    return 0;
}
