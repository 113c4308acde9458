// The main window's keyboard rules: Tab and Shift+Tab between the tab strip
// and the controls of the page shown, Ctrl+Tab and Ctrl+Shift+Tab between
// the pages.
#pragma once

#include <windows.h>

// Offered each message by the message loop before the page's dialog
// handling: true when it was a Tab key of the main window's that has been
// handled (focus moved or page switched).
bool TranslateWindowKey(HWND mainWindow, const MSG& message);
