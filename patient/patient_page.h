// The patient page (dialog PATIENTSETUP), the second tab page.
#pragma once

#include <windows.h>

INT_PTR CALLBACK PatientPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
