// The main window's commands: menu, toolbar and the splash's closing.
#pragma once

#include <windows.h>

void OnMainCommand(HWND mainWindow, int command);
