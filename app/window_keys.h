// The main window's keyboard and size rules: Tab and Shift+Tab between the
// tab strip and the controls of the page shown, Ctrl+Tab and Ctrl+Shift+Tab
// between the pages, and the smallest window that shows every page whole.
#pragma once

#include <windows.h>

#include "pagekit/converter_state.h"

// Offered each message by the message loop before the page's dialog
// handling: true when it was a Tab key of the main window's that has been
// handled (focus moved or page switched).
bool TranslateWindowKey(HWND mainWindow, const MSG& message);

// The smallest window size at which every page shows all its controls
// whole: each page's own answer to WM_PAGE_MINSIZE, or else the extent of
// its controls, plus what the frame takes around the pages. Zero size while
// the frame is not built. May be larger than the screen.
SIZE MinimumWindowSize(HWND mainWindow, const ConverterState& state);

// The client size `page` needs: its own answer to WM_PAGE_MINSIZE, or else
// the extent of its controls with a small margin.
SIZE PageNeeds(HWND page);

// WM_GETMINMAXINFO: the minimum tracking size, never larger than the
// screen's work area (the pages scroll below that size).
void OnGetMinMaxInfo(HWND mainWindow, MINMAXINFO* info);
