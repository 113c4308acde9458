// ConverterState: the one working record of the program. It lives in a
// movable, zero-initialised global memory block whose handle sits in slot 0
// of the main window's extra bytes; every handler locks it for its own
// duration (StateLock) and hands the locked record to the functions it calls.
// Besides the engine's plain records it holds the frame's window handles.
// Plain data only: zero bytes are a valid start.
#pragma once

#include <windows.h>
#undef CopyFile   // the settings field AppSettings::CopyFile, not the file function

#include <cstdint>

#include "engine/app_settings.h"
#include "engine/conversion_fields.h"
#include "engine/grid_rules.h"
#include "engine/montage_types.h"
#include "engine/pattern_rules.h"
#include "engine/patient_info.h"
#include "engine/psg_header.h"
#include "engine/source_info.h"
#include "pagekit/held_check.h"

// The tab pages, in tab order.
enum PageIndex { kPageSource = 0, kPagePatient = 1, kPageMontage = 2, kPageConvert = 3, kPageCount = 4 };

struct FrameHandles {
    HWND toolbar;
    uint16_t pageCount;
    uint16_t currentPage;
    HWND tab;
    HWND pages[kPageCount];
    HWND preview;               // the signal preview window while it is open, else null
    HWND check;                 // the check window while it is open, else null
    UINT_PTR conversionTimer;   // non-zero while the conversion page's frame timer runs
    // How long one tick of the frame timer may convert, in milliseconds:
    // steps follow each other until it is spent (at least one step a tick).
    uint16_t tickBudgetMs;
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
    // The montage grid's selection (kept across page and pattern changes)
    // and its in-place editor with the editor's class window procedure.
    GridSelection gridSel;
    HWND gridEditWindow;
    WNDPROC gridEditProc;
    // The night check held for the windows: made with the record by the
    // main window and freed with it (null only before).
    HeldCheck* check;
};

inline MontagePattern& CurrentPattern(ConverterState& s) { return PatternAt(s.patterns, s.currentPattern); }
inline const MontagePattern& CurrentPattern(const ConverterState& s) { return PatternAt(s.patterns, s.currentPattern); }

// The engine's view of the record for a conversion run.
inline RunRecords RunRecordsOf(ConverterState& s) {
    return RunRecords{s.settings, s.source, CurrentPattern(s), s.patient, s.conv};
}
