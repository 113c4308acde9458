// Program-wide values outside ConverterState: the instance, the main window,
// the splash, the page shown, the program directory and the file paths.
#pragma once

#include <windows.h>

#include "source/source_info.h"

struct AppGlobals {
    HINSTANCE instance;
    HWND mainWindow;
    HWND splash;
    HWND currentPage;           // offered each message by the message loop
    char programDir[kPathSize]; // without a trailing backslash
    char settingsPath[kPathSize];   // \COND\MORLEX.INI
    char helpPath[kPathSize];       // \HELP\MORLEX.HLP
    char patientPath[kPathSize];    // \COND\PATIENT.INF
};

extern AppGlobals g_app;
