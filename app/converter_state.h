// ConverterState: the one working record of the program. It lives in a
// movable, zero-initialised global memory block whose handle sits in slot 0
// of the main window's extra bytes; every handler locks it for its own
// duration (StateLock below). Plain data only: zero bytes are a valid start.
#pragma once

#include <cstdint>

#include "app/app_settings.h"
#include "app/platform_types.h"
#include "convert/conversion_fields.h"
#include "montage/montage_types.h"
#include "patient/patient_info.h"
#include "source/source_info.h"

enum { kPageCount = 4 };

struct FrameHandles {
    HWND toolbar;
    uint16_t pageCount;
    uint16_t currentPage;
    HWND tab;
    HWND pages[kPageCount];
};

struct ConverterState {
    HGLOBAL self;               // the record's own memory handle
    AppSettings settings;
    SourceInfo source;
    ConversionFields conv;
    uint16_t currentPattern;    // slot 0..7 shown and converted with
    PatientInfo patient;
    MontagePattern patterns[kPatternCount];
    FrameHandles frame;
};

inline MontagePattern& CurrentPattern(ConverterState& s) {
    return s.patterns[s.currentPattern < kPatternCount ? s.currentPattern : 0];
}
