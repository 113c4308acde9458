// Opening and closing the source recording; see recording.h.
#include "engine/recording.h"

#include <cstring>

#include "recfile/recfile.h"
#include "textkit/sjis_text.h"

void MakeSourceStem(char* stem, size_t size, const char* path) {
    CopyText(stem, static_cast<int>(size), path);
    if (strlen(stem) <= 3) return;
    int dot = LastCharIndex(stem, '.');
    if (dot >= 0) stem[dot] = '\0';
}

void ApplyOpenedRecording(SourceInfo& source, MontagePattern& pattern, TaffHandle handle, const char* path) {
    source.sourceHandle = handle;
    CopyText(source.sourcePath, sizeof source.sourcePath, path);
    MakeSourceStem(source.sourceStem, sizeof source.sourceStem, path);
    source.channelCount = TaffGetValue(handle, TAFF_VALUE_CHANNELS, 0);
    source.bitsPerSample = 16;
    source.recordedBits = TaffGetValue(handle, TAFF_VALUE_SAMPLE_BITS, 0);
    source.sampleRate = TaffGetValue(handle, TAFF_VALUE_RATE, 0);
    source.lengthSamples = TaffGetValue(handle, TAFF_VALUE_LENGTH, 0);
    source.declaredSamples = TaffGetValue(handle, TAFF_VALUE_DECLARED_LENGTH, 0);
    source.bytesPerScan = source.channelCount * 2;
    int32_t* const start[6] = {&source.startYear, &source.startMonth, &source.startDay,
                               &source.startHour, &source.startMinute, &source.startSecond};
    for (int n = 0; n < 6; ++n) *start[n] = TaffGetValue(handle, TAFF_VALUE_YEAR + n, 0);

    for (int j = 0; j < kChannelEntries; ++j) {
        ChannelSetting& entry = pattern.channels[j];
        if (j < source.channelCount) {
            entry.enabled = 1;
            if (entry.signalType == REC_TYPE_NONE) entry.signalType = REC_TYPE_EEG;
        } else {
            entry.enabled = 0;
        }
    }
    CopyText(source.kindName, sizeof source.kindName, "TAFFormat File");
    source.sourceKind = kSourceTaff;
}

void CloseSource(SourceInfo& source) {
    if (source.sourceKind == kSourceTaff && source.sourceHandle)
        source.sourceHandle = TaffClose(source.sourceHandle);
    source.sourceKind = kSourceNone;
    source.bitsPerSample = source.channelCount = source.lengthSamples = source.bytesPerScan = 0;
    source.recordedBits = 0;
    source.declaredSamples = 0;
    source.startYear = source.startMonth = source.startDay = 0;
    source.startHour = source.startMinute = source.startSecond = 0;
    source.sourcePath[0] = '\0';
}

bool OpenSourceRecording(SourceInfo& source, MontagePattern& pattern, const char* path) {
    CloseSource(source);
    TaffHandle handle = TaffOpen(path, 0);
    if (!handle) return false;
    ApplyOpenedRecording(source, pattern, handle, path);
    return true;
}
