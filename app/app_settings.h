// The SYSTEM settings held in ConverterState (settings file \COND\MORLEX.INI).
#pragma once

#include <cstdint>

#include "app/platform_types.h"
#include "source/source_info.h"

// The settings key and field CopyFile shares its name with a file function
// of the platform headers; the program never calls that function.
#ifdef CopyFile
#undef CopyFile
#endif

enum {
    kMaxChDefault = 16, kMaxChLimit = 32,
    kFrameTimeDefault = 1, kFrameTimeMin = 1, kFrameTimeMax = 60
};

struct AppSettings {
    uint16_t MaxCh;         // channel rows in use, 1..32
    uint16_t TCType;        // 0: low filters as low-cut frequency, else time constant
    uint16_t CalType;       // 0 square wave, 1 sine wave
    uint16_t SaveEnable;    // non-zero: PATIENT keys written at exit
    int32_t FrameTime;      // seconds per frame; kept as read
    char OrgFile[kPathSize];    // last opened recording header
    char CopyFile[kPathSize];   // last chosen output file
};
