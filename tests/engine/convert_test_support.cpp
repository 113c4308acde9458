// Helpers of the conversion tests (see the header).
#include "convert_test_support.h"

#include "engine/recording.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>

TempDir::TempDir() {
    char pattern[] = "/tmp/convert_test_XXXXXX";
    const char* made = mkdtemp(pattern);
    dir = made ? made : "/tmp";
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (dir != "/tmp") std::filesystem::remove_all(dir, ignored);
}

StateOwner::StateOwner() : state(new WorkRecord()) {}

StateOwner::~StateOwner() {
    EndRun(Records(*state));
    CloseRecording(*state);
    delete state;
}

namespace {

void CopyText(char* dest, size_t size, const std::string& text) {
    snprintf(dest, size, "%s", text.c_str());
}

void DescribeChannels(MontagePattern& pat) {
    for (int j = 0; j < kChannelEntries; ++j) {
        ChannelSetting& ch = pat.channels[j];
        CopyText(ch.label, sizeof ch.label, "S" + std::to_string(j + 1));
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

EdfReader::EdfReader(const std::string& path) : hdr(new edf_hdr_struct()) {
    ok = edfopen_file_readonly(path.c_str(), hdr.get(), EDFLIB_READ_ALL_ANNOTATIONS) == 0;
}

EdfReader::~EdfReader() {
    if (ok) edfclose_file(hdr->handle);
}

std::vector<int> EdfReader::Digital(int signal) {
    std::vector<int> samples(size_t(hdr->signalparam[signal].smp_in_file));
    const int n = edfread_digital_samples(hdr->handle, signal, int(samples.size()), samples.data());
    samples.resize(n > 0 ? size_t(n) : 0);
    return samples;
}

bool MneReads(const std::string& path, int channels, double seconds, const std::string& firstLabel) {
    const std::string link = path + ".edf";
    std::filesystem::remove(link);
    std::filesystem::create_symlink(path, link);
    char command[1024];
    snprintf(command, sizeof command, "/usr/bin/python3 %s/read_with_mne.py '%s' %d %g '%s'",
             CONVERT_TEST_DIR, link.c_str(), channels, seconds, firstLabel.c_str());
    return std::system(command) == 0;
}
