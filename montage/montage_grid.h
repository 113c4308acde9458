// The montage grid control (window class MORLEXMONTPATTERN) on the montage page.
#pragma once

#include <windows.h>

// Registers the grid's window class. Non-zero on success.
BOOL RegisterMontageGridClass(HINSTANCE instance);
