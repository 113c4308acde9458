// Montage edits made with the grid's rules reach the PSG file: a channel
// switched off, a typed label, a chosen divisor and signal type, read back
// with EDFlib; and a divisor that gives no whole output rate (only possible
// from a hand-edited settings file) refuses the start before any file exists.
#include <unistd.h>

#include <gtest/gtest.h>

#include "convert_test_support.h"
#include "engine/grid_rules.h"

namespace {

TaffGenOptions FourChannels(int rate) {
    TaffGenOptions o;
    o.channels = 4;
    o.rate = rate;
    o.scans = int64_t{rate} * 12;
    return o;
}

std::string Label(const edf_param_struct& signal) {
    std::string label = signal.label;
    return label.substr(0, label.find_last_not_of(' ') + 1);
}

GridView ViewOf(const WorkRecord& s) {
    return GridView{s.source.sampleRate, s.source.channelCount, s.source.bitsPerSample, s.settings.TCType};
}

TEST(GridEditsInTheFile, SwitchLabelDivisorAndTypeAreWritten) {
    TempDir dir;
    StateOwner s;
    const std::string out = dir.File("grid.DAT");
    OpenRecording(*s, FourChannels(200), dir.File("G.HDR"), out);
    MontagePattern& pat = CurrentPattern(*s);
    const GridView view = ViewOf(*s);
    ASSERT_TRUE(ApplyGridChoice(pat, GridSelection{kGridColOnOff, 2, 2, 0}, 0, view));    // channel 2 off
    StoreGridEditorText(pat.channels[0], kGridColLabel, "Fp1-A2", s->settings.TCType);
    ASSERT_TRUE(ApplyGridChoice(pat, GridSelection{kGridColRate, 3, 4, 0}, 2, view));     // 200 / 4
    ASSERT_TRUE(ApplyGridChoice(pat, GridSelection{kGridColType, 3, 3, 0}, 5, view));     // EOG
    ASSERT_TRUE(ApplyGridChoice(pat, GridSelection{kGridColType, 4, 4, 0}, 7, view));     // ECG

    const RunResult r = RunConversion(*s);
    ASSERT_EQ(kHeaderWritten, r.refusal);
    ASSERT_EQ(kRunCompleted, r.end);
    EdfReader edf(out);
    ASSERT_TRUE(edf.ok()) << "EDFlib error " << edf.hdr().filetype;
    ASSERT_EQ(3, edf.hdr().edfsignals);
    const edf_param_struct* sig = edf.hdr().signalparam;
    EXPECT_EQ("EEG Fp1-A2", Label(sig[0]));   // the type text leads the label
    EXPECT_EQ("EOG S3", Label(sig[1]));
    EXPECT_EQ("ECG S4", Label(sig[2]));
    EXPECT_EQ(200, sig[0].smp_in_datarecord);
    EXPECT_EQ(50, sig[1].smp_in_datarecord);
    EXPECT_EQ(50, sig[2].smp_in_datarecord);
    EXPECT_EQ(12 * 50, sig[2].smp_in_file);
}

TEST(GridEditsInTheFile, DivisorWithoutAWholeRateRefusesTheStart) {
    TempDir dir;
    const struct { int rate; int divisor; } cases[] = {{200, 3}, {128, 5}, {30, 50}, {30, 4}};
    for (const auto& c : cases) {
        StateOwner s;
        const std::string name = std::to_string(c.rate) + "_" + std::to_string(c.divisor);
        const std::string out = dir.File("refused" + name + ".DAT");
        OpenRecording(*s, FourChannels(c.rate), dir.File("R" + name + ".HDR"), out);
        CurrentPattern(*s).channels[2].rateDivisor = c.divisor;   // as loaded from the settings file
        char shown[kGridTextSize];
        FormatGridCell(shown, sizeof shown, kGridColRate, 3, CurrentPattern(*s).channels[2], ViewOf(*s));
        EXPECT_EQ(std::to_string(c.rate / c.divisor), shown);       // shown as it is
        const RunResult r = RunConversion(*s);
        EXPECT_EQ(kHeaderBadRate, r.refusal) << c.rate << " / " << c.divisor;
        EXPECT_NE(0, access(out.c_str(), F_OK));
        EXPECT_EQ(nullptr, s->conv.blockBuffer);
        // The same divisor on a switched-off channel stops nothing.
        CurrentPattern(*s).channels[2].enabled = 0;
        EXPECT_EQ(kHeaderWritten, RunConversion(*s).refusal);
    }
}

}  // namespace
