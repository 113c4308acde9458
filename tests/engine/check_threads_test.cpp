// The night check measures a night's channels on several threads: one,
// two and three threads, and the samples fed in a minute's pieces or each
// channel whole in turn, give the same check file, byte for byte, on a
// generated night with faults of every kind and on a real recording made
// TAFFmat as taffimport makes it.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/check_report.h"
#include "engine/epoch_values.h"
#include "engine/recording.h"
#include "taffread/taffread.h"
#include "tests/support/test_files.h"
#include "tools/taffgen/taffgen.h"
#include "tools/taffgen/taffgen_montage.h"
#include "tools/taffimport/taffimport_sources.h"
#include "tools/taffimport/taffimport_write.h"

namespace {

// The check file of the recording at `header` checked on `threads` threads,
// the channels' filters side by side or each alone.
std::string CheckFileOn(const std::string& header, const MontagePattern& pattern, int32_t threads,
                        bool sideBySide = true) {
    static const bool started = (TaffStartup(), true);
    (void)started;
    SourceInfo source{};
    MontagePattern opened = pattern;
    if (!OpenSourceRecording(source, opened, header.c_str())) return "not opened";
    TaffHandle reader = TaffOpen(header.c_str(), 0);
    CheckControl control;
    control.threads = threads;
    control.sideBySide = sideBySide;
    NightCheckResult r;
    const bool complete = CheckNight(reader, source, pattern, DefaultCheckRuleSet(), control, &r);
    TaffClose(reader);
    CloseSource(source);
    EXPECT_TRUE(complete);
    return CheckJsonText(r, CheckReportInfo{});
}

// The check file of the recording fed to a checker of `threads` threads
// each trace whole before the next: the first traces' epochs wait until the
// last trace's arrive, then all of them are cut at once, more than the
// queue of epochs holds.
std::string CheckFileFedWhole(const std::string& header, const MontagePattern& pattern, int32_t threads) {
    SourceInfo source{};
    MontagePattern opened = pattern;
    if (!OpenSourceRecording(source, opened, header.c_str())) return "not opened";
    TaffHandle reader = TaffOpen(header.c_str(), 0);
    TracePlan plan;
    PlanTraces(source, pattern, &plan);
    std::vector<std::vector<int16_t>> traces(size_t(plan.count));
    EpochReader epochs(reader, TaffGetValue(reader, TAFF_VALUE_SKIP_WORD, 0));
    const int32_t seconds = int32_t((int64_t{source.lengthSamples} + source.sampleRate - 1) / source.sampleRate);
    EXPECT_TRUE(epochs.Digital(source, plan, 0, seconds, [&](int32_t t, const int16_t* v, int64_t n) {
        traces[size_t(t)].insert(traces[size_t(t)].end(), v, v + n);
    }));
    NightChecker checker(source, pattern, 0xFFFFFFFFu, threads);
    for (size_t t = 0; t < traces.size(); ++t) checker.Feed(int32_t(t), traces[t].data(), int64_t(traces[t].size()));
    NightCheckResult r;
    checker.Finish(DefaultCheckRuleSet(), true, &r);
    TaffClose(reader);
    CloseSource(source);
    return CheckJsonText(r, CheckReportInfo{});
}

// `found`: a text the check file must hold (a finding laid in).
void ExpectSameOnEveryThreadCount(const std::string& header, const MontagePattern& pattern, const char* found) {
    const std::string one = CheckFileOn(header, pattern, 1);
    EXPECT_NE(std::string::npos, one.find(found)) << one;
    EXPECT_EQ(one, CheckFileOn(header, pattern, 2));
    EXPECT_EQ(one, CheckFileOn(header, pattern, 3));
    EXPECT_EQ(one, CheckFileOn(header, pattern, 1, false));
    EXPECT_EQ(one, CheckFileOn(header, pattern, 2, false));
    EXPECT_EQ(one, CheckFileFedWhole(header, pattern, 1));
    EXPECT_EQ(one, CheckFileFedWhole(header, pattern, 2));
}

// Generated nights: the channels' count (an odd one leaves a channel of its
// kind alone), rate and length (a last epoch of a few seconds) and faults.
struct GeneratedNight {
    int channels;
    int rate;
    double seconds;
    std::vector<const char*> faults;
    const char* found;
};

const GeneratedNight kNights[] = {
    {20, 200, 1500,
     {"flat:C3-A2:120:71", "hum:Chin:300:90:4000", "clipping:O2-A1:480:60:20", "spo2:SpO2:600:120",
      "duplicate:Thorax:780:120", "position:Position:960:90", "ecg:ECG:1000:100", "eog_in_phase:ROC:1100:120",
      "hf_artifact:O1-A2:1250:61", "amplitude:C4-A1:1350:40"},
     "\"eog_in_phase\""},
    {21, 256, 1517, {"hum:C3-A2:300:200", "hf_artifact:F3-A2:700:300", "hum:LOC:900:300"}, "\"hum\""},
};

TEST(CheckThreads, GeneratedNightWithFaultsGivesTheSameFile) {
    for (const GeneratedNight& night : kNights) {
        SCOPED_TRACE(night.channels);
        TempDir dir;
        TaffGenOptions o;
        o.channels = night.channels;
        o.rate = night.rate;
        o.seconds = night.seconds;
        o.seed = 11;
        std::vector<std::string> names;
        for (int c = 0; c < o.channels; ++c) names.push_back(TaffGenChannelName(c));
        for (const char* text : night.faults) {
            TaffGenFault f;
            std::string error;
            ASSERT_TRUE(ParseTaffGenFault(text, names, &f, &error)) << text << ": " << error;
            o.faults.push_back(f);
        }
        const std::string header = dir.File("N1.HDR");
        std::string error;
        ASSERT_TRUE(WriteTaffRecording(o, header, &error)) << error;
        MontagePattern pattern;
        TaffGenMontage(o, &pattern);
        ExpectSameOnEveryThreadCount(header, pattern, night.found);
    }
}

// Five real minutes of seven channels at 100 Hz and 1 Hz.
TEST(CheckThreads, RealRecordingGivesTheSameFile) {
    const char* folder = getenv("REALPSG");
    const std::string path = std::string(folder ? folder : REALPSG_DIR) + "/sleep-edf/short_psg.edf";
    ImportedRecording real;
    std::string error;
    if (!ReadEdfRecording(path, &real, &error)) GTEST_SKIP() << "no real recording: " << error;
    TempDir dir;
    const std::string header = dir.File("REAL.HDR");
    ASSERT_TRUE(WriteImportedRecording(real, {}, 1, header));
    MontagePattern pattern;
    ImportedMontage(real, &pattern);
    ExpectSameOnEveryThreadCount(header, pattern, "\"channels\"");
}

}  // namespace
