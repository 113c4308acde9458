// The SYSTEM settings of the program (settings file \COND\MORLEX.INI) and
// the rules their stored values are read by.
#pragma once

#include <cstdint>

#include "engine/identity_options.h"
#include "engine/source_info.h"

// The settings key and field CopyFile shares its name with a file function
// of the platform headers; the program never calls that function.
#ifdef CopyFile
#undef CopyFile
#endif

enum {
    kMaxChDefault = 16, kMaxChLimit = 32,
    kFrameTimeDefault = 1, kFrameTimeMin = 1, kFrameTimeMax = 60
};

// The frame times the conversion page offers, in seconds.
constexpr int kFrameTimeChoices[] = {1, 2, 5, 10};

struct AppSettings {
    uint16_t MaxCh;         // channel rows in use, 1..32
    uint16_t TCType;        // 0: low filters as low-cut frequency, else time constant
    uint16_t CalType;       // 0 square wave, 1 sine wave
    uint16_t SaveEnable;    // non-zero: PATIENT keys written at exit
    int32_t FrameTime;      // seconds per frame; kept as read
    char OrgFile[kPathSize];    // last opened recording header
    char CopyFile[kPathSize];   // last chosen output file
    IdentityOptions identity;   // what of the patient's identity the PSG file carries
    uint16_t AskUnregistered;   // non-zero: exit asks about montage changes not registered
    uint16_t CheckNotes;        // non-zero: the night check's warn and fail findings go into the PSG file
};

// MaxCh as stored, limited to 1..32: the montage holds 32 channel rows, so no
// row beyond the table is ever addressed.
inline uint16_t LimitMaxCh(int32_t stored) {
    return static_cast<uint16_t>(stored < 1 ? 1 : stored > kMaxChLimit ? kMaxChLimit : stored);
}

// A stored number kept in a 16-bit field: its low 16 bits.
inline uint16_t Low16(int32_t value) { return static_cast<uint16_t>(value & 0xFFFF); }
