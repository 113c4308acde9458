// Fuzz target: the night check fed a recording's samples, whatever they
// are. The first bytes choose up to six channels (signal type, rate
// divisor, calibration, a label from a list) and the rate; the rest are the
// samples, fed in pieces of the lengths the bytes give. Checks that every
// finding lies inside the night and names a written channel, and that no
// channel has more usable hours than hours.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/night_check.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

const char* const kLabels[] = {"C3-M2", "LOC", "ROC", "Chin", "ECG", "SpO2", "Flow", "Abd", "Position", "X"};
const int kRates[] = {1, 10, 50, 100, 128, 200};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8 || size > 200000) return 0;
    const int channels = 1 + data[0] % 6;
    const int rate = kRates[data[1] % 6];
    if (size < size_t(4 + channels * 4)) return 0;   // the header bytes and four per channel
    SourceInfo source{};
    source.sourceKind = kSourceTaff;
    source.sampleRate = rate;
    source.channelCount = channels;
    source.humFilter = data[2] % 3;
    MontagePattern pattern{};
    pattern.position.levelCount = uint16_t(data[3] % 3);
    pattern.position.centers[0] = 0, pattern.position.widths[0] = 100;
    pattern.position.centers[1] = 1000, pattern.position.widths[1] = data[4];
    size_t at = 4;
    for (int c = 0; c < channels; ++c, at += 4) {
        ChannelSetting& ch = pattern.channels[c];
        ch.enabled = 1;
        ch.signalType = data[at] % 21;
        ch.rateDivisor = 1 + data[at + 1] % 4;
        ch.calEU = data[at + 2] % 8 == 0 ? 0 : int32_t(data[at + 2]) * 10;
        ch.calVU = int32_t(data[at + 3]) * 100;
        strcpy(ch.label, kLabels[data[at] % 10]);
        strcpy(ch.unit, data[at + 1] & 8 ? "uV" : "V");
    }
    // The samples, interleaved as the file holds them, at most a minute.
    const size_t scans = std::min<size_t>((size - at) / (2 * size_t(channels)), size_t(rate) * 60);
    source.lengthSamples = int32_t(scans);
    NightChecker checker(source, pattern, 0xFFFFFFFFu);
    std::vector<int16_t> samples;
    for (int c = 0; c < channels; ++c) {
        const int divisor = pattern.channels[c].rateDivisor;
        if (rate % divisor != 0) continue;
        samples.clear();
        for (size_t k = 0; k < scans; k += size_t(divisor)) {
            const size_t byte = at + 2 * (k * size_t(channels) + size_t(c));
            samples.push_back(int16_t(uint16_t(data[byte] | (data[byte + 1] << 8))));
        }
        checker.Feed(c, samples.data(), int64_t(samples.size()));
    }
    NightCheckResult r;
    checker.Finish(CheckRuleSet{"EEG, SpO2 >= 0.001 h"}, true, &r);
    const double seconds = double(scans) / rate;
    for (const CheckFinding& f : r.findings) {
        Check(f.startSeconds >= 0 && f.startSeconds < f.endSeconds && f.endSeconds <= seconds + 1e-9);
        Check(f.trace >= 0 && f.trace < channels && f.note != nullptr);
        Check(memchr(f.label, 0, sizeof f.label) != nullptr && memchr(f.other, 0, sizeof f.other) != nullptr);
    }
    for (const ChannelSummary& c : r.channels) Check(c.usableHours >= 0 && c.usableHours <= c.hours + 1e-12);
    return 0;
}
