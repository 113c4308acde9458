// Opening and closing the source recording on its record: the reader's
// values copied into SourceInfo, the montage pattern's entries switched on
// for the recording's channels, and everything cleared again on closing.
// One recording is open at a time; opening first closes the current one.
#pragma once

#include <cstddef>

#include "engine/montage_types.h"
#include "engine/source_info.h"

// Closes the current recording and opens the header file `path` with the
// reader. On success fills `source` (ApplyOpenedRecording) and returns true;
// a file that is not a recording leaves `source` closed and returns false.
bool OpenSourceRecording(SourceInfo& source, MontagePattern& pattern, const char* path);

// Fills the source fields from an opened reader handle and switches on the
// pattern's entries of the recording's channels (at most 32 exist; a type of
// 0 becomes EEG), the others off.
void ApplyOpenedRecording(SourceInfo& source, MontagePattern& pattern, TaffHandle handle, const char* path);

// Closes the reader handle and clears the source fields; sampleRate,
// humFilter, sourceStem and kindName are kept (the pages go on showing them).
void CloseSource(SourceInfo& source);

// The header path without its extension: cut at the last "." when the path
// is longer than 3 characters (unchanged without one).
void MakeSourceStem(char* stem, size_t size, const char* path);
