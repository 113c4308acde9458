// The source data page (dialog SOURCEDATA), the first tab page.
#pragma once

#include <windows.h>

INT_PTR CALLBACK SourcePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
