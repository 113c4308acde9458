// The main window's commands, one handler each. Every handler that works on
// ConverterState locks it for its own length.
#include "app/commands.h"

#include <cstdio>

#include "app/app_globals.h"
#include "app/frame.h"
#include "app/state_lock.h"
#include "app/ui_seam.h"
#include "convert/output_select.h"
#include "resources/resource_ids.h"
#include "source/source_open.h"

namespace {

// The splash stays about one second after the message loop starts.
void OnCloseSplash() {
    Sleep(1000);
    if (g_app.splash) PostMessageA(g_app.splash, WM_CLOSE, 0, 0);
    g_app.splash = nullptr;
}

void OnOpenRecording(HWND window) {
    if (!OpenRecording(window)) return;
    StateLock lock(window);
    if (!lock) return;
    lock->conv.conversionState = kConvNoOutput;
    SetCaption(window, *lock);
    SelectPage(window, *lock, 0);
}

void OnCloseRecording(HWND window) {
    CloseRecording(window);
    StateLock lock(window);
    if (!lock) return;
    SetCaption(window, *lock);
    SelectPage(window, *lock, 0);
}

void OnConvert(HWND window) {
    if (!ChooseOutputFile(window)) return;
    StateLock lock(window);
    if (!lock) return;
    SelectPage(window, *lock, 3);
    HWND page = lock->frame.pages[3];
    if (page) PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CONV_START, BN_CLICKED), 0);
}

void OnHelp(HWND window) {
    char htmlPage[kPathSize];
    snprintf(htmlPage, sizeof htmlPage, "%s\\HELP\\index.html", g_app.programDir);
    Ui().openHelp(window, g_app.helpPath, htmlPage);
}

}  // namespace

void OnMainCommand(HWND window, int command) {
    switch (command) {
    case IDM_CLOSE_SPLASH: OnCloseSplash(); break;
    case IDM_FILE_OPEN: OnOpenRecording(window); break;
    case IDM_FILE_CLOSE: OnCloseRecording(window); break;
    case IDM_FILE_CONVERT: OnConvert(window); break;
    case IDM_FILE_EXIT: PostMessageA(window, WM_CLOSE, 0, 0); break;
    case IDM_HELP_CONTENTS: OnHelp(window); break;
    case IDM_HELP_ABOUT: Ui().modalDialog(window, g_app.instance, IDD_ABOUT); break;
    case IDM_SET_FACILITY:
    case IDM_SET_PATIENT_OPTIONS:
    case IDM_SET_MONTAGE_OPTIONS:
        Ui().messageDialog(window, g_app.instance, IDD_NOTICE_UNFINISHED);
        break;
    case IDM_SET_POSITION: break;   // the position dialog arrives with its own work
    default: break;
    }
}
