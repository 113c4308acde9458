// The main window's commands: menu, toolbar and the splash's closing.
#pragma once

#include <windows.h>

#include "pagekit/converter_state.h"

// Runs `command` on the locked record of the main window `window`.
void OnMainCommand(HWND window, ConverterState& state, int command);
