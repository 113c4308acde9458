// The patient's age on the night: at the open recording's start date (as
// corrected on the source page), at today's date without a recording. The
// shell calls it when a recording is opened, the source page when the start
// date is corrected, the patient page when the birth date changes.
#pragma once

#include "pagekit/converter_state.h"

// Recomputes state.patient's age. False when the birth date lies after
// that date (the age is then kept) or no birth date is known.
bool RecomputePatientAge(ConverterState& state);
