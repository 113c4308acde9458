// The position calibration dialog (POSLEVELSETUP): edits the current
// pattern's body-position level table in a working copy, modally over the
// main window; OK hands the copy to the pattern, Cancel drops it, and the
// default table of the settings file can be loaded into it or stored from it.
#pragma once

#include <windows.h>

// Runs the dialog over `mainWindow` through the user-interface seam. The
// dialog's result (IDOK or IDCANCEL; -1 when it could not be made).
INT_PTR RunPositionDialog(HWND mainWindow);

// The dialog's procedure; WM_INITDIALOG's parameter is the working copy
// (a PositionCalibration), which must outlive the dialog.
INT_PTR CALLBACK PositionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
