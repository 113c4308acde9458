// The main window: its class, its procedure and the program's start.
#pragma once

#include <windows.h>


// Registers the main window class (extended registration with the small
// icon where the platform offers it). Non-zero on success.
BOOL RegisterMainWindowClass(HINSTANCE instance);
// Creates the main window (its creation handler loads the settings). Null
// when creation failed.
HWND CreateMainWindow(HINSTANCE instance);

// Brings the window of a copy already running forward. True when one exists.
bool BringRunningCopyForward();

// The start-up steps before the main window: the program instance, the
// window classes (main window, display control, montage grid), the common
// controls and the libraries. `kit` receives the value WkShutdown takes back.
// False when the main window class cannot be registered.
bool StartProgram(HINSTANCE instance, LONG_PTR* kit);

// The whole program: single-instance rule, start-up, message loop, shutdown.
// Returns the exit code.
int RunConverter(HINSTANCE instance, int showCommand);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
