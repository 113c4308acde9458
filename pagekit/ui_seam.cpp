// The real entries of the user-interface seam.
#include "pagekit/ui_seam.h"

#include <shellapi.h>

#include <cstring>

#include "resources/resource_ids.h"

#include "winkit/winkit.h"

namespace {

// A started viewer that ends at once with a failure (no browser behind the
// page's association) is reported to the main window; one that keeps
// running or ends well says nothing. Waits on its own thread, never on the
// window's.
struct ViewerWatch {
    HANDLE process;
    HWND mainWindow;
};

DWORD WINAPI WatchViewer(LPVOID data) {
    ViewerWatch* watch = static_cast<ViewerWatch*>(data);
    DWORD code = 0;
    if (WaitForSingleObject(watch->process, 15000) == WAIT_OBJECT_0 && GetExitCodeProcess(watch->process, &code) &&
        code != 0 && IsWindow(watch->mainWindow))
        PostMessageA(watch->mainWindow, WM_HELP_NOT_SHOWN, 0, 0);
    CloseHandle(watch->process);
    delete watch;
    return 0;
}

// The page as a file address, so that a "#section" after it survives.
void PageAddress(char* address, int size, const char* page) {
    lstrcpynA(address, "file:///", size);
    int used = lstrlenA(address);
    for (const char* c = page; *c && used < size - 1; ++c) address[used++] = *c == '\\' ? '/' : *c;
    address[used] = '\0';
}

BOOL RealOpenHelp(HWND owner, const char* helpFile, const char* htmlPage) {
    if (GetFileAttributesA(helpFile) != INVALID_FILE_ATTRIBUTES)
        return WinHelpA(owner, helpFile, HELP_INDEX, 0);
    char file[MAX_PATH];
    lstrcpynA(file, htmlPage, sizeof file);
    const bool section = strchr(file, '#') != nullptr;
    if (char* mark = strchr(file, '#')) *mark = '\0';
    if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) return FALSE;
    char address[MAX_PATH + 16];
    PageAddress(address, sizeof address, htmlPage);
    SHELLEXECUTEINFOA run;
    memset(&run, 0, sizeof run);
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    run.hwnd = owner;
    run.lpVerb = "open";
    run.lpFile = section ? address : file;
    run.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&run) || reinterpret_cast<INT_PTR>(run.hInstApp) <= 32) return FALSE;
    if (run.hProcess) {
        ViewerWatch* watch = new ViewerWatch{run.hProcess, GetAncestor(owner, GA_ROOTOWNER)};
        HANDLE thread = CreateThread(nullptr, 0, WatchViewer, watch, 0, nullptr);
        if (thread) CloseHandle(thread);
        else {
            CloseHandle(run.hProcess);
            delete watch;
        }
    }
    return TRUE;
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
    RealOpenHelp, RealCloseHelp, RealPopupMenu, RealDialogBox, MessageBoxA,
};

UiSeam g_seam = kRealSeam;

}  // namespace

UiSeam& Ui() { return g_seam; }
