// Checks that keep a run's file trustworthy; see run_checks.h.
#include "engine/run_checks.h"

#include <cstdio>
#include <cstring>

#include "engine/source_fields.h"

bool IsShortRecording(const SourceInfo& source) {
    return source.sourceKind == kSourceTaff && source.declaredSamples > source.lengthSamples;
}

void ShortRecordingText(char* text, size_t size, const SourceInfo& source) {
    if (size == 0) return;
    text[0] = '\0';
    char announced[32], held[32];
    if (!FormatTotalTime(announced, sizeof announced, source.declaredSamples, source.sampleRate) ||
        !FormatTotalTime(held, sizeof held, source.lengthSamples, source.sampleRate))
        return;
    snprintf(text, size, "the header announces %s, the data file holds %s", announced, held);
}
