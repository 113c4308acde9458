// The check window (class MORLEXCHECK): one modeless top-level window owned
// by the main window listing the held night check: how far the check is
// (1705), the night verdict with the rule it used (1702), a row per written
// channel with its usable hours and verdict (1703) and a row per finding
// (1701: channel, check, from and to in clock time, measured value, level,
// note), each list sortable by a click on a column's title. It opens beside
// the main window (or where it was last), high enough for every channel row
// up to 16, with the focus on the findings. Enter or a double click on a
// finding asks the owner to show that stretch in the preview
// (WM_SHOW_FINDING); choosing a channel chooses its first finding; the
// report can be saved (1704). It follows the
// held check when told (WM_CHECK_CHANGED) and sends its owner
// WM_CHECK_CLOSED when it is destroyed.
#pragma once

#include <windows.h>

// Registers the window class. Non-zero on success.
BOOL RegisterCheckWindowClass(HINSTANCE instance);

// Shows the check window for the main window `owner`: `existing` (the open
// one, or null) brought to the front, otherwise a new one. Returns the
// window, or null when it could not be made.
HWND ShowCheckWindow(HWND owner, HWND existing);

// The check window's keys as the program's message loop hands them over:
// Tab and Shift+Tab move between the findings, the channels and the save
// button; Enter shows the chosen finding in the preview (or, on the button,
// saves the report); Esc closes the window. True when the key was taken.
bool TranslateCheckKey(HWND check, const MSG& message);

LRESULT CALLBACK CheckWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
