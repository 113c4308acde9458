// The engine's records as the program's working record holds them, for the
// tests and fuzz targets that drive conversion runs without a window.
#pragma once

#include "engine/conversion_run.h"
#include "engine/pattern_rules.h"

struct WorkRecord {
    AppSettings settings;
    SourceInfo source;
    ConversionFields conv;
    uint16_t currentPattern;
    PatientInfo patient;
    MontagePattern patterns[kPatternCount];
};

inline MontagePattern& CurrentPattern(WorkRecord& s) { return PatternAt(s.patterns, s.currentPattern); }
inline RunRecords Records(WorkRecord& s) {
    return RunRecords{s.settings, s.source, CurrentPattern(s), s.patient, s.conv};
}
