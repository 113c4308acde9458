// Driving the real program from outside: starting it, finding its windows,
// pages and dialogs (the system's common dialogs included), typing into
// fields, pressing buttons, reading texts and taking screenshots. Everything
// goes through messages to the program's windows, as input would.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "tests/support/whole_file.h"   // ReadFile, WriteFile

namespace e2e {

// The program under test as its own process.
struct Program {
    PROCESS_INFORMATION process = {};
    HWND main = nullptr;
    // Starts `exe`; with `waitForWindow` also waits for the main window.
    bool Start(const std::string& exe, bool waitForWindow = true);
    // The exit code, or 0xDEAD when it did not end within `ms`.
    DWORD WaitForExit(DWORD ms);
    // Ends a copy still running (after a failed step) and closes the handles.
    void Kill();
};

// The main window and its four pages, found by a control only each has.
struct MainUi {
    HWND main = nullptr;
    HWND source = nullptr, patient = nullptr, montage = nullptr, convert = nullptr;
    bool FindPages();
    // Selects tab page `index` as a click on the tab would; true once the
    // page shows.
    bool ShowPage(int index);
};

bool WaitFor(const std::function<bool()>& condition, int ms);
int CountMainWindows();

// A shown dialog of the program's process with this caption, or one that
// holds control `id`; null after `ms`.
HWND WaitForDialog(const char* caption, int ms);
HWND WaitForDialogWithControl(int id, int ms);

// Types `path` into a common file dialog's file name field and presses OK.
bool ChooseFileInDialog(HWND dialog, const std::string& path);

std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
// Sets an edit field's text and ends the edit as leaving the field does.
void EditField(HWND dialog, int id, const std::string& text);
void PressButton(HWND dialog, int id);
// Whether one of the dialog's static texts contains `text`.
bool DialogSays(HWND dialog, const char* text);

// Fails the test for every visible control of `dialog` that lies outside
// its client area (a control cut off at the page's edge).
void ExpectWholeDialog(HWND dialog, const char* what);
// Whether control `id`'s text, in the control's font, fits its client area.
bool TextFits(HWND dialog, int id);

// Steps on the montage page: the pattern list, when the page has one.
void MontagePageSteps(const MainUi& ui);

// Types `label` into the montage grid's label cell of channel row `row`
// (from 1): a double click at the cell's computed centre opens the in-place
// editor, the text is typed and Enter stores it. False when the editor did
// not open.
bool EditGridLabel(const MainUi& ui, int maxCh, int row, const std::string& label);

// The window as shown on the screen, as a 24-bit BMP file.
bool SaveScreenshot(HWND window, const std::string& path);

// Repaints `window` with its children at once and waits until the program
// has handled what was sent to it: what a screenshot then takes is current.
bool ShowsSettled(HWND window);

}  // namespace e2e
