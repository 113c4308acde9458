// Montage records: one recorder channel's montage entry, a named pattern of
// 32 entries with its label and unit choices, and the body-position level
// table each pattern carries. Plain data: they live inside the working record,
// which is zero-initialised global memory.
#pragma once

#include <cstdint>

enum {
    kPatternCount = 8,      // pattern slots, stored as sections Pattern1..Pattern8
    kChannelEntries = 32,   // entries per pattern; entry i is recorder channel i + 1
    kLabelChoices = 20,
    kUnitChoices = 8,
    kMaxLevels = 8,         // position levels per table
    kLabelSize = 32,        // label texts: 31 characters and the terminator
    kUnitSize = 8,
    kLevelLabelSize = 20,
    kPatternNameSize = 32
};

// One recorder channel's montage entry. Quantities with decimals are held in
// thousandths (sensitivity, lowFilter in mHz, timeConstant in ms).
struct ChannelSetting {
    int32_t enabled;        // > 0: written to the PSG file
    int32_t signalType;     // PSG signal type code; 15 = body position
    int32_t rateDivisor;    // output rate = source rate / rateDivisor; never 0
    int32_t calEU;          // calibration value in engineering units ("CAL")
    int32_t calVU;          // A/D reading matching calEU ("AD")
    int32_t offsetAD;
    int32_t offsetCAL;
    int32_t sensitivity;    // thousandths: 50000 shows as 50.0
    int32_t lowFilter;      // low cut, mHz, 0 = off
    int32_t timeConstant;   // ms, 0 = off
    int32_t highFilter;     // high cut, Hz, 0 = off
    char label[kLabelSize];
    char unit[kUnitSize];
};

// Body-position level table: levelCount levels of centre, width and label.
// All 8 entries exist whatever levelCount says.
struct PositionCalibration {
    uint16_t levelCount;    // 0..8
    int32_t centers[kMaxLevels];
    int32_t widths[kMaxLevels];
    char levelLabels[kMaxLevels][kLevelLabelSize];
};

struct MontagePattern {
    PositionCalibration position;
    char name[kPatternNameSize];
    char labelChoices[kLabelChoices][kLabelSize];
    char unitChoices[kUnitChoices][kUnitSize];
    ChannelSetting channels[kChannelEntries];
};
