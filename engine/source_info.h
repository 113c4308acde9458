// Properties of the opened source recording.
#pragma once

#include <cstdint>

#include "taffread/taffread.h"

enum {
    kSourceNone = 0,
    kSourceTaff = 3,        // a TAFFmat recording is open
    kPathSize = 260,
    kKindNameSize = 32
};

// The mains frequency of a recording's hum-filter code (0 none, 1 = 50 Hz,
// 2 = 60 Hz); 0 for none or a code it does not know.
inline int32_t HumFilterHz(int32_t humFilter) { return humFilter == 1 ? 50 : humFilter == 2 ? 60 : 0; }

// Any kind from 1 to 4 counts as an open source for the caption and the page.
inline bool IsSourceOpen(uint16_t kind) { return kind >= 1 && kind <= 4; }

struct SourceInfo {
    uint16_t sourceKind;    // 0 none, 3 TAFFmat
    TaffHandle sourceHandle;
    int32_t sampleRate;     // Hz
    int32_t humFilter;      // 0 none, 1 = 50 Hz, 2 = 60 Hz
    int32_t bitsPerSample;  // width of the samples the reader serves (16 while a recording is open)
    int32_t recordedBits;   // width of a sample as the recorder stored it (16 or 24; 0: none open)
    int32_t channelCount;
    int32_t lengthSamples;  // samples per channel the data file holds (what is converted)
    int32_t declaredSamples;  // samples per channel the header announces (more when the data file is cut short)
    int32_t bytesPerScan;   // 2 x channelCount
    int32_t startYear, startMonth, startDay, startHour, startMinute, startSecond;
    char sourcePath[kPathSize];
    char sourceStem[kPathSize];   // sourcePath without its extension
    char kindName[kKindNameSize];
};
