// End-to-end conversions of generated recordings: the PSG files are read
// back with EDFlib (and MNE) and compared sample for sample with what the
// reader delivers; runs cut short by a closed recording or a failed write,
// refused starts, and montage edits during a run.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "convert_test_support.h"
#include "engine/recording.h"
#include "engine/run_checks.h"
#include "filekit/filekit.h"

namespace {

namespace fs = std::filesystem;

const int kDivisors[] = {1, 2, 4, 5, 10, 20, 50};
const int kPositionEntry = 12;   // the generator's "Position" channel

TaffGenOptions Recording(int channels, int64_t scans, bool longSamples = false) {
    TaffGenOptions o;
    o.channels = channels;
    o.rate = 200;
    o.scans = scans;
    o.longSamples = longSamples;
    return o;
}

// 14 channels with 3 and 5 off, every divisor in use, a position channel
// with a four-level table and a patient.
void SetUpMontage(WorkRecord& s) {
    MontagePattern& pat = CurrentPattern(s);
    pat.channels[2].enabled = 0;
    pat.channels[4].enabled = 0;
    for (int j = 0; j < kChannelEntries; ++j) pat.channels[j].rateDivisor = kDivisors[j % 7];
    pat.channels[kPositionEntry].signalType = REC_TYPE_POSITION;
    pat.position.levelCount = 4;
    for (int l = 0; l < 4; ++l) {
        pat.position.centers[l] = kTaffGenPositionLevels[l];
        pat.position.widths[l] = 2000;
        snprintf(pat.position.levelLabels[l], kLevelLabelSize, "L%d", l);
    }
    PatientInfo& p = s.patient;
    snprintf(p.id, sizeof p.id, "P0001");
    snprintf(p.name, sizeof p.name, "Taro Yamada");
    snprintf(p.sex, sizeof p.sex, "M");
    p.birthYear = 1965, p.birthMonth = 3, p.birthDay = 7;
    p.ageYears = 59, p.ageMonths = 0, p.height = 1705, p.weight = 65000;
    snprintf(s.conv.recordingComment, kCommentTextSize, "night one");
}

// Checks one output signal against source channel j: divisor 1 copies the
// samples, a larger one averages each group (position channels take the
// group's first sample). Groups reaching past the recording are not checked.
void ExpectSignal(const TaffGenOptions& o, int j, int divisor, bool position,
                  const std::vector<int>& got) {
    const int d = divisor > 0 ? divisor : 1;
    int bad = 0;
    for (size_t k = 0; k < got.size() && int64_t(k + 1) * d <= o.scans && bad < 5; ++k) {
        double sum = 0;
        for (int i = 0; i < d; ++i) sum += TaffGenExpectedSample(o, j, int64_t(k) * d + i);
        const double want = position ? TaffGenExpectedSample(o, j, int64_t(k) * d) : sum / d;
        if (std::fabs(got[k] - want) > 0.5) {
            ADD_FAILURE() << "source channel " << j + 1 << " divisor " << d << " sample " << k
                          << ": got " << got[k] << ", want " << want;
            ++bad;
        }
    }
}

// Reads the finished file and compares every signal with its source channel.
void ExpectConverted(const std::string& path, const TaffGenOptions& o, const WorkRecord& s,
                     const std::vector<int>& sources) {
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    const int ft = s.settings.FrameTime;
    const int64_t records = (o.scans + int64_t{o.rate} * ft - 1) / (int64_t{o.rate} * ft);
    EXPECT_EQ(edf.hdr().datarecords_in_file, records);
    EXPECT_EQ(edf.hdr().datarecord_duration, ft * EDFLIB_TIME_DIMENSION);
    ASSERT_EQ(edf.hdr().edfsignals, int(sources.size()));
    for (size_t o2 = 0; o2 < sources.size(); ++o2) {
        const int j = sources[o2];
        const ChannelSetting& ch = s.patterns[s.currentPattern].channels[j];
        const edf_param_struct& sp = edf.hdr().signalparam[o2];
        const int d = ch.rateDivisor > 0 ? ch.rateDivisor : 1;
        EXPECT_NE(strstr(sp.label, ("S" + std::to_string(j + 1)).c_str()), nullptr) << sp.label;
        EXPECT_EQ(strncmp(sp.physdimension, "uV", 2), 0) << sp.physdimension;
        EXPECT_EQ(sp.smp_in_datarecord, ft * o.rate / d);
        const std::vector<int> got = edf.Digital(int(o2));
        EXPECT_EQ(int64_t(got.size()), records * sp.smp_in_datarecord);
        ExpectSignal(o, j, d, ch.signalType == REC_TYPE_POSITION, got);
    }
}

std::vector<int> AllBut(int count, std::vector<int> off) {
    std::vector<int> on;
    for (int j = 0; j < count; ++j)
        if (std::find(off.begin(), off.end(), j) == off.end()) on.push_back(j);
    return on;
}

TEST(Conversion, EveryFrameTimeDivisorAndSampleWidth) {
    TempDir dir;
    for (bool longSamples : {false, true}) {
        const TaffGenOptions o = Recording(14, 200 * 150 + 37, longSamples);
        StateOwner s;
        const std::string out = dir.File(longSamples ? "long.DAT" : "int.DAT");
        OpenRecording(*s, o, dir.File(longSamples ? "L.HDR" : "I.HDR"), out);
        SetUpMontage(*s);
        for (int ft : {1, 2, 5, 10}) {
            SCOPED_TRACE("frame time " + std::to_string(ft) + (longSamples ? " LONG" : " INTEGER"));
            s->settings.FrameTime = ft;
            const RunResult r = RunConversion(*s);
            ASSERT_EQ(r.refusal, kHeaderWritten);
            EXPECT_EQ(r.end, kRunCompleted);
            EXPECT_EQ(r.steps, 3);                      // three blocks of 60 s
            EXPECT_EQ(s->conv.framesDone, s->conv.totalFrames);
            EXPECT_EQ(s->conv.enabledChannelCount, 12);
            EXPECT_EQ(s->conv.blockBuffer, nullptr);
            EXPECT_EQ(s->conv.recHandle, nullptr);
            ExpectConverted(out, o, *s, AllBut(14, {2, 4}));
        }
        EdfReader edf(out);
        ASSERT_TRUE(edf.ok());
        EXPECT_EQ(edf.hdr().startdate_year, 2024);
        EXPECT_EQ(edf.hdr().startdate_month, 3);
        EXPECT_EQ(edf.hdr().startdate_day, 14);
        EXPECT_EQ(edf.hdr().starttime_hour * 3600 + edf.hdr().starttime_minute * 60 +
                      edf.hdr().starttime_second, 22 * 3600 + 15 * 60 + 4);
        EXPECT_STREQ(edf.hdr().patientcode, "P0001");
        EXPECT_NE(strstr(edf.hdr().patient_name, "Yamada"), nullptr) << edf.hdr().patient_name;
        EXPECT_EQ(edf.hdr().birthdate_year, 1965);
        EXPECT_EQ(edf.hdr().birthdate_month, 3);
        EXPECT_EQ(edf.hdr().birthdate_day, 7);
        EXPECT_TRUE(MneReads(out, 12, 160, "S1"));
    }
}

TEST(Conversion, ClosingTheRecordingLeavesTheWholeRecords) {
    TempDir dir;
    const TaffGenOptions o = Recording(6, 200 * 200);
    StateOwner s;
    const std::string out = dir.File("closed.DAT");
    OpenRecording(*s, o, dir.File("C.HDR"), out);
    s->settings.FrameTime = 10;
    const RunResult r = RunConversion(*s, [](WorkRecord& st, int) { CloseRecording(st); });
    EXPECT_EQ(r.steps, 1);
    EXPECT_EQ(r.end, kRunSourceClosed);
    EXPECT_EQ(s->conv.conversionState, kConvFinished);
    EXPECT_EQ(s->conv.recHandle, nullptr);
    EXPECT_FALSE(EdfReader(out).ok());            // unfinished: the record count is unknown
    EXPECT_TRUE(MneReads(out, 6, 60, "S1"));    // one block: six 10 s records
}

// A data file cut short: its header announces 600 s, it holds 150 s. The
// lengths are both told, the run converts what is there and remembers it
// was short; a run with a staging name writes there, never to the output.
TEST(Conversion, AShortDataFileIsToldWithBothLengthsAndConvertsWhatItHolds) {
    TempDir dir;
    const TaffGenOptions o = Recording(4, 200 * 600);
    StateOwner s;
    const std::string header = dir.File("CUT.HDR"), out = dir.File("cut.DAT"), staged = dir.File("cut.DAT.1-1.part");
    OpenRecording(*s, o, header, out);
    EXPECT_FALSE(IsShortRecording(s->source));
    CloseRecording(*s);
    ASSERT_EQ(0, truncate(TaffGenDataPath(o, header).c_str(), 200 * 150 * 4 * 2));
    ASSERT_TRUE(OpenSourceRecording(s->source, CurrentPattern(*s), header.c_str()));
    EXPECT_TRUE(IsShortRecording(s->source));
    char text[128];
    ShortRecordingText(text, sizeof text, s->source);
    EXPECT_STREQ("the header announces 0:10:00, the data file holds 0:02:30", text);
    ASSERT_TRUE(TemporaryNameFor(s->conv.stagingPath, sizeof s->conv.stagingPath, out.c_str(), 1, 1));
    EXPECT_EQ(staged, s->conv.stagingPath);
    EXPECT_EQ(kRunCompleted, RunConversion(*s).end);
    EXPECT_EQ(1, s->conv.shortSource);
    EXPECT_FALSE(fs::exists(out));
    EdfReader edf(staged);
    ASSERT_TRUE(edf.ok());
    EXPECT_EQ(150, edf.hdr().datarecords_in_file);

    // A staging name that does not fit its buffer is refused, never cut.
    char small[16];
    EXPECT_FALSE(TemporaryNameFor(small, sizeof small, "out/a-long-name.DAT", 1, 1));
    EXPECT_STREQ("", small);
}

TEST(Conversion, FailedWriteEndsTheRunAsFailed) {
    TempDir dir;
    const TaffGenOptions o = Recording(14, 200 * 600);
    StateOwner s;
    OpenRecording(*s, o, dir.File("W.HDR"), dir.File("limited.DAT"));
    // The file may not grow beyond 64 KiB: the header fits, the data does not.
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const RunResult r = RunConversion(*s);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(r.refusal, kHeaderWritten);
    EXPECT_EQ(r.end, kRunWriteFailed);
    EXPECT_LT(r.steps, 10);
    EXPECT_EQ(s->conv.writeFailed, 1);
    EXPECT_EQ(s->conv.fileFinished, 0);

    // A device that takes no byte: the header cannot be written, so the
    // start is refused and no block is converted.
    snprintf(s->conv.outputPath, kPathSize, "/dev/full");
    s->conv.conversionState = kConvOutputChosen;
    const RunResult full = RunConversion(*s);
    EXPECT_EQ(full.refusal, kHeaderWriteFailed);
    EXPECT_EQ(full.steps, 0);
    EXPECT_EQ(s->conv.writeFailed, 1);

    // Samples of a width the frame step cannot read: the run ends as failed
    // at its first block instead of finishing a file without data.
    ASSERT_TRUE(ChooseOutputPath(s->conv, dir.File("wide.DAT").c_str()));
    s->source.bitsPerSample = 12;
    const RunResult wide = RunConversion(*s);
    s->source.bitsPerSample = 16;
    EXPECT_EQ(wide.refusal, kHeaderWritten);
    EXPECT_EQ(wide.end, kRunWriteFailed);
    EXPECT_EQ(wide.steps, 0);
    EXPECT_EQ(s->conv.fileFinished, 0);
}

TEST(Conversion, RefusedStartsCreateNoFile) {
    TempDir dir;
    StateOwner s;
    const std::string out = dir.File("refused.DAT");
    OpenRecording(*s, Recording(4, 2000), dir.File("R.HDR"), out);
    s->conv.framesDone = 7;
    s->conv.readPosition = 9;
    struct { void (*change)(WorkRecord&); HeaderRefusal want; } cases[] = {
        {[](WorkRecord& st) { st.settings.FrameTime = 0; }, kHeaderBadFrameTime},
        {[](WorkRecord& st) { st.settings.FrameTime = 61; }, kHeaderBadFrameTime},
        {[](WorkRecord& st) { st.settings.FrameTime = -5; }, kHeaderBadFrameTime},
        {[](WorkRecord& st) { st.conv.conversionState = kConvNoOutput; }, kHeaderNoOutput},
        {[](WorkRecord& st) { st.conv.conversionState = kConvConverting; }, kHeaderRunning},
        {[](WorkRecord& st) {
             for (auto& ch : CurrentPattern(st).channels) ch.enabled = 0;
         }, kHeaderNoChannel},
    };
    for (const auto& c : cases) {
        StateOwner t;
        *t = *s;
        c.change(*t);
        HeaderRefusal why = kHeaderWritten;
        EXPECT_EQ(WritePsgHeader(Records(*t), &why), nullptr);
        EXPECT_EQ(why, c.want);
        EXPECT_EQ(t->conv.framesDone, 0);
        EXPECT_EQ(t->conv.readPosition, 0);
        EXPECT_EQ(t->conv.blockBuffer, nullptr);
        EXPECT_NE(access(out.c_str(), F_OK), 0) << "refusal " << c.want;
        t->source.sourceKind = kSourceNone;   // the handle belongs to s
    }
    HeaderRefusal why = kHeaderWritten;
    snprintf(s->conv.outputPath, kPathSize, "%s", dir.File("missing/x.DAT").c_str());
    EXPECT_EQ(WritePsgHeader(Records(*s), &why), nullptr);
    EXPECT_EQ(why, kHeaderCreateFailed);
    EXPECT_EQ(s->conv.blockBuffer, nullptr);
}

// A 96 kHz, 6-channel recording: at frame time 10 a record would be 11.5 MB,
// which EDFlib refuses, so the start is refused before any file exists; at
// frame time 1 the file converts and EDFlib reads it.
TEST(Conversion, RecordsOverTheReadersLimitAreNeverWritten) {
    TempDir dir;
    TaffGenOptions o = Recording(6, 96000 * 3);
    o.rate = 96000;
    StateOwner s;
    const std::string out = dir.File("fast.DAT");
    OpenRecording(*s, o, dir.File("FAST.HDR"), out);
    s->settings.FrameTime = 10;
    EXPECT_EQ(RecordSampleBytes(Records(*s), 10), 6 * 2 * 96000 * 10);
    for (int seconds : {1, 2, 5}) EXPECT_TRUE(RecordFits(Records(*s), seconds)) << seconds;
    EXPECT_FALSE(RecordFits(Records(*s), 10));
    RunResult r = RunConversion(*s);
    EXPECT_EQ(r.refusal, kHeaderRecordTooLarge);
    EXPECT_NE(access(out.c_str(), F_OK), 0);

    s->settings.FrameTime = 1;
    ASSERT_TRUE(ChooseOutputPath(s->conv, out.c_str()));
    r = RunConversion(*s);
    ASSERT_EQ(r.end, kRunCompleted);
    EdfReader edf(out);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    EXPECT_EQ(edf.hdr().datarecords_in_file, 3);
    EXPECT_EQ(edf.hdr().signalparam[0].smp_in_datarecord, 96000);
}

TEST(Conversion, MontageEditsDuringARunDoNotChangeTheFile) {
    TempDir dir;
    const TaffGenOptions o = Recording(14, 200 * 250 + 11);
    StateOwner s;
    const std::string out = dir.File("edited.DAT");
    OpenRecording(*s, o, dir.File("E.HDR"), out);
    SetUpMontage(*s);
    CurrentPattern(*s).channels[0].rateDivisor = 0;     // hand-edited settings
    CurrentPattern(*s).channels[1].rateDivisor = -3;
    s->settings.FrameTime = 5;
    const WorkRecord before = *s;
    const RunResult r = RunConversion(*s, [](WorkRecord& st, int step) {
        MontagePattern& pat = CurrentPattern(st);
        pat.channels[0].enabled = 0;
        pat.channels[2].enabled = 1;
        pat.channels[13].enabled = 0;
        if (step == 2) {
            st.currentPattern = 3;
            for (int j = 0; j < 20; ++j) st.patterns[3].channels[j].enabled = j % 2;
        }
    });
    EXPECT_EQ(r.end, kRunCompleted);
    EXPECT_EQ(r.steps, 5);
    ExpectConverted(out, o, before, AllBut(14, {2, 4}));
}

TEST(Conversion, FortyChannelsWriteTheThirtyTwoWithEntries) {
    TempDir dir;
    const TaffGenOptions o = Recording(40, 200 * 70 + 3);
    StateOwner s;
    const std::string out = dir.File("forty.DAT");
    OpenRecording(*s, o, dir.File("F.HDR"), out);
    s->settings.FrameTime = 2;
    s->settings.MaxCh = 40;     // rows beyond the 32 entries do not exist
    CurrentPattern(*s).channels[31].signalType = REC_TYPE_POSITION;
    CurrentPattern(*s).position.levelCount = 2;
    const RunResult r = RunConversion(*s);
    EXPECT_EQ(r.end, kRunCompleted);
    EXPECT_EQ(s->conv.runChannelCount, 32);
    ExpectConverted(out, o, *s, AllBut(32, {}));
}

}  // namespace

// The "Recording ends" and "Data missing" annotations EDFlib reads, in file
// order, as "text onset duration" in 100 ns units.
std::vector<std::string> TimedMarks(EdfReader& psg) {
    std::vector<std::string> marks;
    for (const EdfAnnotation& a : psg.Annotations())
        if (a.text == "Recording ends" || a.text == "Data missing")
            marks.push_back(a.text + " " + std::to_string(a.onset) + " " + std::to_string(a.duration));
    return marks;
}

// Whether every sample of `got` from `from` on is `value`; names the first that is not.
::testing::AssertionResult HeldFrom(const std::vector<int>& got, size_t from, int value) {
    if (from >= got.size()) return ::testing::AssertionFailure() << "nothing after " << from;
    for (size_t i = from; i < got.size(); ++i)
        if (got[i] != value) return ::testing::AssertionFailure() << "sample " << i << " is " << got[i] << ", not " << value;
    return ::testing::AssertionSuccess();
}

// A recording that ends inside its last record: the rest of the record
// repeats each channel's last sample (no fake desaturation or position at
// the end of the night) and "Recording ends" marks the true end, lasting
// the rest of the record. One that fills its records gets no mark.
TEST(Conversion, TheTailAfterTheEndHoldsEachChannelsLastSample) {
    struct Case {
        int frameTime;
        int64_t scans;
        int records;
        std::vector<std::string> marks;
    };
    const Case cases[] = {
        {10, 200 * 892 + 180, 90, {"Recording ends 8929000000 71000000"}},   // 892.9 s
        {1, 200 * 70 + 3, 71, {"Recording ends 700150000 9850000"}},         // 70.015 s
        {30, 200 * 120, 4, {}},                                               // ends with its last record
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scans);
        TempDir dir;
        const TaffGenOptions o = Recording(13, c.scans);
        StateOwner s;
        const std::string out = dir.File("tail.DAT");
        OpenRecording(*s, o, dir.File("TAIL.HDR"), out);
        s->settings.FrameTime = c.frameTime;
        CurrentPattern(*s).channels[1].rateDivisor = 2;
        CurrentPattern(*s).channels[kPositionEntry].signalType = REC_TYPE_POSITION;
        ASSERT_EQ(RunConversion(*s).end, kRunCompleted);
        EdfReader psg(out);
        ASSERT_TRUE(psg.ok());
        EXPECT_EQ(c.records, psg.hdr().datarecords_in_file);
        EXPECT_EQ(c.marks, TimedMarks(psg));
        // From the last real sample on (the 100 Hz channel: from its first
        // output sample wholly after the end).
        const size_t end = size_t(c.scans);
        EXPECT_TRUE(HeldFrom(psg.Digital(0), end - 1, TaffGenExpectedSample(o, 0, c.scans - 1)));
        EXPECT_TRUE(HeldFrom(psg.Digital(kPositionEntry), end - 1, TaffGenExpectedSample(o, kPositionEntry, c.scans - 1)));
        if (c.marks.empty()) continue;
        EXPECT_TRUE(HeldFrom(psg.Digital(1), (end + 1) / 2, TaffGenExpectedSample(o, 1, c.scans - 1)));
        if (c.frameTime != 10) continue;
        MneExpect want;
        want.timed = {"892.9|7.1|Recording ends"};
        want.heldFrom = "0:892.9";
        EXPECT_TRUE(MneReads(out, want));
    }
}

// A data file cut short during the run: the blocks the reader can no longer
// deliver repeat each channel's last sample read, so the file keeps its
// length and every sample before the cut stays at its own time, and each
// such block is marked "Data missing" (cut at the recording's end).
TEST(Conversion, UnreadableBlocksKeepTheRecordsInTime) {
    TempDir dir;
    const TaffGenOptions o = Recording(2, 200 * 200);   // 200 s: four blocks of 60 s
    StateOwner s;
    const std::string out = dir.File("cut.DAT");
    OpenRecording(*s, o, dir.File("CUT.HDR"), out);
    const std::string data = TaffGenDataPath(o, dir.File("CUT.HDR"));
    const RunResult r = RunConversion(*s, [&](WorkRecord&, int step) {
        if (step == 1) {
            ASSERT_EQ(0, truncate(data.c_str(), 0));   // after the first block
        }
    });
    EXPECT_EQ(r.end, kRunCompleted);
    EXPECT_EQ(3, s->conv.silentBlocks);
    EdfReader psg(out);
    ASSERT_TRUE(psg.ok());
    EXPECT_EQ(200, psg.hdr().datarecords_in_file);
    const std::vector<int> first = psg.Digital(0);
    ASSERT_EQ(size_t(200 * 200), first.size());
    for (int i = 0; i < 60 * 200; i += 997) EXPECT_EQ(TaffGenExpectedSample(o, 0, i), first[size_t(i)]) << i;
    EXPECT_TRUE(HeldFrom(first, 60 * 200, TaffGenExpectedSample(o, 0, 60 * 200 - 1)));
    const std::vector<std::string> marks = {"Data missing 600000000 600000000", "Data missing 1200000000 600000000",
                                            "Data missing 1800000000 200000000"};
    EXPECT_EQ(marks, TimedMarks(psg));
    MneExpect want;
    want.timed = {"60|60|Data missing", "120|60|Data missing", "180|20|Data missing"};
    want.heldFrom = "0:60";
    EXPECT_TRUE(MneReads(out, want));
}
