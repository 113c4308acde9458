// A recording read by taffimport written as a TAFFmat recording: header,
// data file (faults laid as taffgen lays them) and the montage that reads it
// (labels, types, the source's calibration, each signal's own rate). Shared
// by taffimport and bench_check, which lays faults on real recordings too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/montage_types.h"
#include "tools/taffgen/taffgen.h"
#include "tools/taffimport/taffimport_sources.h"

// The recording's montage: pattern 1 of its settings file.
void ImportedMontage(const ImportedRecording& r, MontagePattern* pattern);

// Writes the header at `header` and the data file beside it (NAME.DAT),
// with `faults` laid over the samples (`seed` for the synthetic signals some
// of them put in). False when a file cannot be written.
bool WriteImportedRecording(const ImportedRecording& r, const std::vector<TaffGenFault>& faults, uint32_t seed,
                            const std::string& header);

// Brings every channel to `rate` samples per second (a whole multiple of
// the recording's rate) by linear interpolation: the channels of the
// recording's rate are written at the new rate (where a mains hum can be
// judged), the slower ones still at their own through a divisor grown by
// the same factor. False when `rate` is no such multiple.
bool ResampleImported(ImportedRecording* r, int rate);

// Counts of one microvolt on `ch` (0 when its unit is no voltage).
double ImportedCountsPerMicrovolt(const ImportedChannel& ch);
