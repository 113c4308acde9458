// The conversion page (dialog CONVERTINFO), the fourth tab page.
#pragma once

#include <windows.h>

INT_PTR CALLBACK ConvertPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
