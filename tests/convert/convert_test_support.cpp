// Helpers of the conversion tests (see the header).
#include "convert_test_support.h"

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

StateOwner::StateOwner() : state(new ConverterState()) {}

StateOwner::~StateOwner() {
    EndConversionRun(*state);
    CloseRecording(*state);
    delete state;
}

namespace {

void CopyText(char* dest, size_t size, const std::string& text) {
    snprintf(dest, size, "%s", text.c_str());
}

// The open command's work on an opened handle.
void FillSource(ConverterState& s, TaffHandle h, const std::string& headerPath) {
    SourceInfo& src = s.source;
    src.sourceHandle = h;
    src.channelCount = TaffGetValue(h, TAFF_VALUE_CHANNELS, 0);
    src.bitsPerSample = 16;
    src.sampleRate = TaffGetValue(h, TAFF_VALUE_RATE, 0);
    src.lengthSamples = TaffGetValue(h, TAFF_VALUE_LENGTH, 0);
    src.bytesPerScan = src.channelCount * 2;
    int32_t* start[6] = {&src.startYear, &src.startMonth, &src.startDay,
                         &src.startHour, &src.startMinute, &src.startSecond};
    for (int n = 0; n < 6; ++n) *start[n] = TaffGetValue(h, TAFF_VALUE_YEAR + n, 0);
    CopyText(src.sourcePath, sizeof src.sourcePath, headerPath);
    MontagePattern& pat = CurrentPattern(s);
    for (int j = 0; j < kChannelEntries; ++j) {
        pat.channels[j].enabled = j < src.channelCount ? 1 : 0;
        if (j < src.channelCount && pat.channels[j].signalType == 0) pat.channels[j].signalType = 4;
    }
    CopyText(src.kindName, sizeof src.kindName, "TAFFormat File");
    src.sourceKind = kSourceTaff;
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

void OpenRecording(ConverterState& s, const TaffGenOptions& options, const std::string& headerPath,
                   const std::string& outputPath) {
    static bool started = false;
    if (!started) TaffStartup();
    started = true;
    std::string error;
    ASSERT_TRUE(WriteTaffRecording(options, headerPath, &error)) << error;
    TaffHandle h = TaffOpen(headerPath.c_str(), 0);
    ASSERT_NE(h, nullptr);
    FillSource(s, h, headerPath);
    DescribeChannels(CurrentPattern(s));
    s.settings.MaxCh = kChannelEntries;
    s.settings.FrameTime = 1;
    CopyText(s.conv.outputPath, sizeof s.conv.outputPath, outputPath);
    s.conv.conversionState = kConvOutputChosen;
}

void CloseRecording(ConverterState& s) {
    if (s.source.sourceKind == kSourceTaff && s.source.sourceHandle)
        s.source.sourceHandle = TaffClose(s.source.sourceHandle);
    s.source.sourceKind = kSourceNone;
    s.source.channelCount = s.source.lengthSamples = s.source.bytesPerScan = 0;
    s.source.bitsPerSample = 0;
}

RunResult RunConversion(ConverterState& s,
                        const std::function<void(ConverterState&, int)>& between) {
    RunResult r;
    s.conv.recHandle = WritePsgHeader(s, &r.refusal);
    if (!s.conv.recHandle) return r;
    s.conv.conversionState = kConvConverting;
    for (;;) {
        int go = 0;
        if (s.source.sourceKind == kSourceTaff)
            go = ConvertStep(s, TaffGetValue(s.source.sourceHandle, TAFF_VALUE_SKIP_WORD, 0));
        if (!go) break;
        ++r.steps;
        if (between) between(s, r.steps);
    }
    r.end = EndConversionRun(s);
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
