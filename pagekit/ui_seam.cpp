// The real entries of the user-interface seam.
#include "pagekit/ui_seam.h"

#include <shellapi.h>

#include "winkit/winkit.h"

namespace {

BOOL RealOpenHelp(HWND owner, const char* helpFile, const char* htmlPage) {
    if (GetFileAttributesA(helpFile) != INVALID_FILE_ATTRIBUTES)
        return WinHelpA(owner, helpFile, HELP_INDEX, 0);
    if (GetFileAttributesA(htmlPage) == INVALID_FILE_ATTRIBUTES) return FALSE;
    HINSTANCE result = ShellExecuteA(owner, "open", htmlPage, nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void RealCloseHelp(HWND owner, const char* helpFile) {
    if (GetFileAttributesA(helpFile) != INVALID_FILE_ATTRIBUTES) WinHelpA(owner, helpFile, HELP_QUIT, 0);
}

BOOL RealPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) {
    return TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
}

INT_PTR RealDialogBox(HWND owner, HINSTANCE instance, const char* templateName, DLGPROC procedure,
                      LPARAM param) {
    return DialogBoxParamA(instance, templateName, owner, procedure, param);
}

const UiSeam kRealSeam = {
    WkMessageDialog, WkModalDialog, GetOpenFileNameA, GetSaveFileNameA, MessageBeep,
    RealOpenHelp, RealCloseHelp, RealPopupMenu, RealDialogBox,
};

UiSeam g_seam = kRealSeam;

}  // namespace

UiSeam& Ui() { return g_seam; }

void ResetUiSeam() { g_seam = kRealSeam; }
