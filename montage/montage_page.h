// The montage page (dialog MONTAGESETUP), the third tab page.
#pragma once

#include <windows.h>

INT_PTR CALLBACK MontagePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
