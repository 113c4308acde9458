// Checks that keep a run's file trustworthy: a data file shorter than its
// header announces, told with both lengths. (The temporary name a run
// writes to before its file is moved over the chosen name is the file
// layer's: TemporaryNameFor in filekit/filekit.h.) Portable: the window program and the batch converter share them.
#pragma once

#include <cstddef>

#include "engine/source_info.h"

// Whether the open recording's data file holds fewer samples than its
// header announces (the file was cut short).
bool IsShortRecording(const SourceInfo& source);

// "the header announces 1:00:00, the data file holds 0:14:52" for a short
// recording (the lengths as the source page shows them). Always terminated
// within `size`; empty when the rate is 0 or less.
void ShortRecordingText(char* text, size_t size, const SourceInfo& source);
