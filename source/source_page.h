// The source data page (dialog SOURCEDATA), the first tab page.
#pragma once

#include <windows.h>

INT_PTR CALLBACK SourcePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

struct SourceInfo;

// After a recording was opened: when its data file is shorter than its
// header announces, the warning (警告) naming both lengths.
void WarnIfShortRecording(HWND owner, const SourceInfo& source);
