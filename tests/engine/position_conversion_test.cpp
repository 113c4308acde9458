// A recording with body-position channels converted after the level table
// was edited as the position dialog edits it (a working copy lowered to
// three levels, fields typed, handed back to the pattern): the PSG file,
// read back with EDFlib, carries the three levels under each position
// channel's montage row, and its position samples are the first sample of
// each group, not the group's mean.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "convert_test_support.h"
#include "engine/position_rules.h"

namespace {

const int kPositionEntry = 12;   // the generator's "Position" channel
const int kEegEntry = 0;         // an EEG trace, marked as a position channel

// The level table as the operator leaves it: a table of five levels from
// the pattern, the count lowered to 3 and the three levels typed in.
void EditLevels(PositionCalibration& pattern) {
    pattern.levelCount = 5;
    for (int i = 0; i < kMaxLevels; ++i) pattern.centers[i] = pattern.widths[i] = 111;
    PositionCalibration work = {};
    CopyPositionTable(work, pattern);
    ChooseLevelCount(work, 3);
    const char* centres[] = {"0", "5000", "10000"};
    const char* widths[] = {"2500", "0x9C4", "-12345"};
    const char* labels[] = {"Supine", "Left side", "仰臥位"};
    for (int l = 0; l < 3; ++l) {
        EXPECT_TRUE(TakeLevelValue(centres[l], work.centers[l])) << l;
        EXPECT_TRUE(TakeLevelValue(widths[l], work.widths[l])) << l;
        TakeLevelLabel(work, l + 1, labels[l]);
    }
    EXPECT_FALSE(TakeLevelValue("40000", work.centers[2]));
    CopyPositionTable(pattern, work);
}

bool Has(const std::vector<std::string>& texts, const std::string& text) {
    for (const std::string& t : texts)
        if (t == text) return true;
    return false;
}

// Output sample k of a position signal is source sample k * divisor.
// Returns how many groups had a mean different from their first sample.
int ExpectFirstSamples(const TaffGenOptions& o, int entry, int divisor, const std::vector<int>& got) {
    int differing = 0, bad = 0;
    for (size_t k = 0; k < got.size() && int64_t(k + 1) * divisor <= o.scans && bad < 5; ++k) {
        const int first = TaffGenExpectedSample(o, entry, int64_t(k) * divisor);
        double sum = 0;
        for (int i = 0; i < divisor; ++i) sum += TaffGenExpectedSample(o, entry, int64_t(k) * divisor + i);
        if (std::lround(sum / divisor) != first) ++differing;
        if (got[k] != first) {
            ADD_FAILURE() << "entry " << entry + 1 << " sample " << k << ": got " << got[k] << ", want " << first;
            ++bad;
        }
    }
    return differing;
}

TEST(PositionConversion, LevelTableAndFirstSamplesReachThePsgFile) {
    TempDir dir;
    TaffGenOptions o;
    o.channels = 14;
    o.rate = 200;
    o.scans = 200 * 130 + 17;
    StateOwner s;
    const std::string out = dir.File("position.DAT");
    OpenRecording(*s, o, dir.File("POS.HDR"), out);
    s->settings.FrameTime = 2;
    MontagePattern& pat = CurrentPattern(*s);
    EditLevels(pat.position);
    pat.channels[3].enabled = 0;    // the table names the montage row, not the output index
    pat.channels[kPositionEntry].signalType = REC_TYPE_POSITION;
    pat.channels[kPositionEntry].rateDivisor = 4;
    pat.channels[kEegEntry].signalType = REC_TYPE_POSITION;
    pat.channels[kEegEntry].rateDivisor = 5;

    const RunResult r = RunConversion(*s);
    ASSERT_EQ(kHeaderWritten, r.refusal);
    ASSERT_EQ(kRunCompleted, r.end);

    EdfReader edf(out);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    const std::vector<std::string> texts = edf.AnnotationTexts();
    for (int row : {kEegEntry + 1, kPositionEntry + 1}) {
        const std::string ch = "Ch" + std::to_string(row);
        EXPECT_TRUE(Has(texts, ch + " position levels: 3")) << ch;
        EXPECT_TRUE(Has(texts, ch + " position level 1: centre=0; width=2500; label=Supine")) << ch;
        EXPECT_TRUE(Has(texts, ch + " position level 2: centre=5000; width=2500; label=Left side")) << ch;
        EXPECT_TRUE(Has(texts, ch + " position level 3: centre=10000; width=-1234; label=" +
                                   std::string(u8"仰臥位"))) << ch;
        for (const std::string& t : texts) EXPECT_EQ(std::string::npos, t.find(ch + " position level 4")) << t;
    }
    // No table for a channel of another type.
    for (const std::string& t : texts) EXPECT_EQ(std::string::npos, t.find("Ch2 position")) << t;

    ASSERT_EQ(13, edf.hdr().edfsignals);
    const int eegIndex = 0, positionIndex = kPositionEntry - 1;   // entry 4 is off
    EXPECT_EQ(0, strncmp(edf.hdr().signalparam[positionIndex].label, "Position", 8))
        << edf.hdr().signalparam[positionIndex].label;
    EXPECT_EQ(2 * 200 / 4, edf.hdr().signalparam[positionIndex].smp_in_datarecord);
    EXPECT_EQ(2 * 200 / 5, edf.hdr().signalparam[eegIndex].smp_in_datarecord);
    ExpectFirstSamples(o, kPositionEntry, 4, edf.Digital(positionIndex));
    // On the EEG trace most groups' means differ from their first sample,
    // so this proves the first sample was taken.
    const std::vector<int> eeg = edf.Digital(eegIndex);
    EXPECT_GT(ExpectFirstSamples(o, kEegEntry, 5, eeg), int(eeg.size()) / 2);
}

}  // namespace
