// Drives the PSG writer the way the converter does, for the tests. Narrow
// literals are compiled to Shift-JIS, as the program's texts are.
#include "rec_test_util.h"

#include <cmath>
#include <cstdio>

namespace {

void WriteHeader(RecHandle h, const TestRun& run, int channels) {
    RecBeginHeader(h);
    RecSetHeaderValue(h, 0, 1, 1);
    RecSetHeaderValue(h, 0, 2, channels);
    RecSetHeaderValue(h, 0, 3, run.frameSeconds);
    RecSetHeaderValue(h, 0, 20, run.lengthSamples);
    RecSetHeaderValue(h, 0, 21, run.sampleRate);
    RecSetHeaderValue(h, 0, 22, run.hum);
    for (int i = 0; i < 6; ++i) RecSetHeaderValue(h, 0, 10 + i, run.start[i]);
    RecSetHeaderText(h, 0, 1, run.comment.c_str());
    RecEndHeader(h);
}

void WritePatient(RecHandle h, const TestRun& run) {
    uint16_t offset = 0;
    for (const TestPatientField& f : run.patient)
        offset = RecPutPatientText(h, 0, offset, f.width, f.key, f.text.c_str());
    RecSetPatientValue(h, 0, 130, offset);
    RecSetPatientLayout(h, 0, 1, 20, 32);
    RecEndPatient(h);
}

void WriteLevels(RecHandle h, const TestRun& run) {
    if (run.levels.empty()) return;
    for (const TestChannel& c : run.channels) {
        if (c.type != REC_TYPE_POSITION) continue;
        RecPutLevel(h, 0, 1, c.source, 0, static_cast<int32_t>(run.levels.size()), 0, nullptr);
        for (size_t l = 0; l < run.levels.size(); ++l)
            RecPutLevel(h, 0, 2, c.source, static_cast<int>(l), run.levels[l].centre,
                        run.levels[l].width, run.levels[l].label.c_str());
        RecEndLevels(h, c.source);
    }
}

void WriteChannelTable(RecHandle h, const TestRun& run) {
    for (size_t o = 0; o < run.channels.size(); ++o) {
        const TestChannel& c = run.channels[o];
        int i = static_cast<int>(o);
        RecSetChannelText(h, 0, 1, i, c.label.c_str());
        RecSetChannelText(h, 0, 2, i, c.unit.c_str());
        const int32_t values[][2] = {{2, c.source}, {3, c.type}, {4, run.sampleRate / c.divisor},
                                     {6, c.calEU}, {7, c.calVU}, {9, c.offsetAD},
                                     {8, c.offsetCAL}, {11, c.timeConstant}, {12, c.lowFilter},
                                     {13, c.highFilter}, {14, c.sensitivity}, {1, c.flags}};
        for (const auto& v : values) RecSetChannelValue(h, 0, v[0], i, v[1]);
    }
}

// The frame loop: one block of 60 s per step, every channel, then a flush.
void WriteBlocks(RecHandle h, const TestRun& run, TestResult& r) {
    int framesPerBlock = 60 / run.frameSeconds;
    int64_t samplesPerBlock = static_cast<int64_t>(framesPerBlock) * run.sampleRate * run.frameSeconds;
    std::vector<int16_t> buffer(static_cast<size_t>(samplesPerBlock * run.sourceChannels) + 32);
    int64_t done = 0;
    for (int64_t read = 0; read < run.lengthSamples && done < r.totalFrames; read += samplesPerBlock) {
        for (int64_t i = 0; i < samplesPerBlock; ++i)
            for (int c = 0; c < run.sourceChannels; ++c)
                buffer[static_cast<size_t>(i * run.sourceChannels + c)] =
                    read + i < run.lengthSamples ? run.sample(c + 1, read + i) : 0;
        for (size_t o = 0; o < run.channels.size(); ++o)
            if (!run.handed || run.handed(r.flushes, static_cast<int>(o)))
                RecWriteBlock(h, 0, static_cast<uint16_t>(framesPerBlock), static_cast<int>(o),
                              2 * run.sourceChannels, buffer.data() + run.channels[o].source - 1);
        for (const TestMissing& m : run.missing)
            if (m.block == r.flushes) RecMarkMissing(h, m.firstSample, m.samples);
        r.flushesOk &= RecFlushBlock(h, static_cast<uint16_t>(framesPerBlock)) ? 1 : 0;
        ++r.flushes;
        done += framesPerBlock;
    }
}

}  // namespace

TestRun DefaultRun() {
    TestRun run;
    run.comment = "Night 1 手術";
    run.patient = {{20, 11, "ID 001"},       {32, 13, "山田 太郎"},
                   {32, 14, "ﾔﾏﾀﾞ ﾀﾛｳ"}, {10, 22, "1965.03.07  "},
                   {4, 21, "M"},             {8, 23, "45Y03M  "},
                   {6, 24, "1705  "},        {8, 25, "65000   "},
                   {80, 101, "Sleep Lab"},   {40, 104, ""},
                   {32, 105, "Dr A"},        {32, 106, "Sato"},
                   {32, 107, ""},            {80, 201, ""},
                   {128, 301, "line1\nline2"}, {128, 302, ""}, {128, 303, ""},
                   {128, 304, ""},           {128, 305, "last"}};
    TestChannel eeg;
    eeg.source = 1; eeg.type = 4; eeg.label = "C3-A2"; eeg.unit = "uV";
    TestChannel eog;
    eog.source = 2; eog.type = 5; eog.divisor = 2; eog.label = "左眼"; eog.unit = "uV";
    TestChannel pos;
    pos.source = 4; pos.type = 15; pos.divisor = 4; pos.label = "Position"; pos.unit = "";
    pos.calVU = 0; pos.lowFilter = 0; pos.highFilter = 0;
    run.channels = {eeg, eog, pos};
    run.levels = {{-20000, 5000, "Supine"}, {0, 5000, "右"}, {20000, 5000, "Left"}};
    run.sample = [](int source, int64_t i) {
        return static_cast<int16_t>(((i * 37 + source * 1000) % 20001) - 10000);
    };
    return run;
}

TestResult WriteRun(const std::string& path, const TestRun& run, bool finish) {
    TestResult r;
    RecHandle h = RecNew(path.c_str(), 4, 4);
    const int modes[][2] = {{1, 1}, {2, 110}, {3, 0}, {4, 0}, {5, 0}, {6, 0}};
    for (const auto& m : modes) RecSetMode(h, m[0], m[1]);
    r.created = RecCreateFile(h);
    if (!r.created) {
        r.failed = RecHasFailed(h);
        RecRelease(h);
        return r;
    }
    WriteHeader(h, run, static_cast<int>(run.channels.size()));
    WritePatient(h, run);
    WriteLevels(h, run);
    for (const TestAnnotation& a : run.annotations)
        r.added.push_back(RecAddAnnotation(h, a.onset, a.duration, a.text.c_str()));
    WriteChannelTable(h, run);
    r.channelsWritten = RecWriteChannels(h);
    r.leftOut = RecAnnotationsLeftOut(h);
    RecSetBlockSize(h, static_cast<uint16_t>(run.frameSeconds * (60 / run.frameSeconds)));
    r.totalFrames = RecGetHeaderValue(h, 0, 4);
    WriteBlocks(h, run, r);
    if (finish) r.finished = RecFinish(h);
    r.failed = RecHasFailed(h);
    h = RecRelease(h);
    return r;
}

std::vector<int16_t> ExpectedRecord(const std::vector<int16_t>& source, int n, bool takeFirst) {
    std::vector<int16_t> out;
    int64_t s = static_cast<int64_t>(source.size());
    for (int64_t k = 0; k < n; ++k) {
        int64_t lo = k * s / n, hi = (k + 1) * s / n;
        double sum = 0;
        for (int64_t i = lo; i < hi; ++i) sum += source[static_cast<size_t>(i)];
        double mean = sum / static_cast<double>(hi - lo);
        out.push_back(static_cast<int16_t>(takeFirst ? source[static_cast<size_t>(lo)] : std::lround(mean)));
    }
    return out;
}

std::string TestPath(const std::string& name) {
    static const TempDir dir;   // removed with its files when the tests end
    std::string path = dir.File(name);
    std::remove(path.c_str());
    return path;
}
