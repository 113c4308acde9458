// Helpers of the conversion tests (see the header).
#include "convert_test_support.h"

#include <gtest/gtest.h>

#include "engine/recording.h"
#include "textkit/sjis_text.h"

StateOwner::StateOwner() : state(new WorkRecord()) {}

StateOwner::~StateOwner() {
    EndRun(Records(*state));
    CloseRecording(*state);
    delete state;
}

namespace {

void DescribeChannels(MontagePattern& pat) {
    for (int j = 0; j < kChannelEntries; ++j) {
        ChannelSetting& ch = pat.channels[j];
        CopyText(ch.label, sizeof ch.label, ("S" + std::to_string(j + 1)).c_str());
        CopyText(ch.unit, sizeof ch.unit, "uV");
        ch.rateDivisor = 1;
        ch.calEU = 100;
        ch.calVU = 1000;
        ch.sensitivity = 50000;
    }
}

}  // namespace

void OpenRecording(WorkRecord& s, const TaffGenOptions& options, const std::string& headerPath,
                   const std::string& outputPath) {
    static bool started = false;
    if (!started) TaffStartup();
    started = true;
    std::string error;
    ASSERT_TRUE(WriteTaffRecording(options, headerPath, &error)) << error;
    ASSERT_TRUE(OpenSourceRecording(s.source, CurrentPattern(s), headerPath.c_str()));
    DescribeChannels(CurrentPattern(s));
    s.settings.MaxCh = kChannelEntries;
    s.settings.FrameTime = 1;
    ASSERT_TRUE(ChooseOutputPath(s.conv, outputPath.c_str()));
}

void CloseRecording(WorkRecord& s) { CloseSource(s.source); }

RunResult RunConversion(WorkRecord& s, const std::function<void(WorkRecord&, int)>& between) {
    RunResult r;
    if (!StartRun(Records(s), &r.refusal)) return r;
    while (StepRun(Records(s))) {
        ++r.steps;
        if (between) between(s, r.steps);
    }
    r.end = EndRun(Records(s));
    return r;
}
