// Text-to-value rules of the source data page, free of windows so they can
// be tested with plain data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "textkit/number_parse.h"   // ParseTypedNumber reads the typed fields

// The total time "h:mm:ss" of `lengthSamples` at `sampleRate`; false (and
// nothing written) when the rate is 0 or less.
bool FormatTotalTime(char* text, size_t size, int32_t lengthSamples, int32_t sampleRate);


// The start fields of the recording, in the order of their edit fields.
enum StartField { kStartYear, kStartMonth, kStartDay, kStartHour, kStartMinute, kStartSecond };

// Whether `value` is accepted for `field` (each field checked alone: a 31st
// of February passes).
bool StartFieldAccepts(StartField field, int32_t value);
