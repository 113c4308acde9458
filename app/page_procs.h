// Dialog procedures of the four tab pages, in tab order.
#pragma once

#include <windows.h>

INT_PTR CALLBACK SourcePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PatientPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MontagePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ConvertPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
