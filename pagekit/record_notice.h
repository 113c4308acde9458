// The notice that the record may have changed in something the signal
// preview shows (the pattern, its grid, the recording or its start time).
// A page posts it to its main window, which hands it to the preview when one
// is open; the preview compares the record with what it shows and redraws
// only when they differ, so a notice too many costs nothing.
#pragma once

#include <windows.h>

// Posts WM_RECORD_CHANGED to the main window `window` belongs to.
void NoticeRecordChanged(HWND window);
