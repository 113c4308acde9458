// The seam through which the program shows modal user interface: message
// and modal dialogs (from a resource alone or with their own procedure), the
// file dialogs, beeps, the help viewer and popup
// menus. The program always calls through Ui(); tests replace the entries to
// answer dialogs themselves and to see what was asked.
#pragma once

#include <windows.h>
#include <commdlg.h>

struct UiSeam {
    INT_PTR (*messageDialog)(HWND owner, HINSTANCE instance, int resourceId);
    INT_PTR (*modalDialog)(HWND owner, HINSTANCE instance, int resourceId);
    BOOL (*openFileDialog)(OPENFILENAMEA* request);
    BOOL (*saveFileDialog)(OPENFILENAMEA* request);
    BOOL (*beep)(UINT type);
    // Opens the help: the help file at its contents when it exists, else the
    // bundled HTML page (a "#section" after its path opens it there). Zero
    // when nothing could be started; a viewer that starts and then fails at
    // once is reported to the owner's main window with WM_HELP_NOT_SHOWN.
    BOOL (*openHelp)(HWND owner, const char* helpFile, const char* htmlPage);
    void (*closeHelp)(HWND owner, const char* helpFile);
    // A popup menu at screen point (x, y); the chosen command id (with
    // TPM_RETURNCMD) or 0.
    BOOL (*popupMenu)(HMENU menu, UINT flags, int x, int y, HWND owner);
    // Runs dialog template `templateName` modally over `owner` with its own
    // procedure; `param` reaches the procedure's WM_INITDIALOG. The value the
    // dialog ended with, or -1 when it could not be made.
    INT_PTR (*dialogBox)(HWND owner, HINSTANCE instance, const char* templateName, DLGPROC procedure,
                         LPARAM param);
    // A message box with a text made by the program; the button pressed.
    int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);
};

// The seam in force; starts with the real functions.
UiSeam& Ui();
