// The main window's size rules: the smallest window that shows every page
// whole, kept within the screen's work area.
#pragma once

#include <windows.h>

#include "pagekit/converter_state.h"

// The smallest window size at which every page shows all its controls
// whole: each page's own answer to WM_PAGE_MINSIZE, or else the extent of
// its controls, plus what the frame takes around the pages. Zero size while
// the frame is not built. May be larger than the screen.
SIZE MinimumWindowSize(HWND mainWindow, const ConverterState& state);

// WM_GETMINMAXINFO: the minimum tracking size, never larger than the
// screen's work area (the pages scroll below that size).
void OnGetMinMaxInfo(HWND mainWindow, MINMAXINFO* info);
