// The conversion page: the output file, the frame time, the recording
// comment, the start button, the frame counter and the status text. The
// page owns the conversion's state machine; the run itself is in
// convert_run.cpp.
#include <windows.h>

#include "app/app_globals.h"
#include "app/frame.h"
#include "app/page_procs.h"
#include "app/profile.h"
#include "app/state_lock.h"
#include "convert/convert_run.h"
#include "convert/output_select.h"
#include "resources/resource_ids.h"
#include "winkit/winkit.h"

namespace {

struct FrameTimeChoice { const char* text; int seconds; };

const FrameTimeChoice kFrameTimes[] = {
    {"  1sec ", 1}, {"  2sec ", 2}, {"  5sec ", 5}, {" 10sec ", 10},
};

// The status string for the page's condition.
int StatusString(const ConverterState& state) {
    if (state.source.sourceKind == kSourceNone) return IDS_STATUS_NO_SOURCE;
    switch (state.conv.conversionState) {
    case kConvNoOutput: return IDS_STATUS_NO_OUTPUT;
    case kConvOutputChosen: return IDS_STATUS_READY;
    case kConvConverting: return IDS_STATUS_CONVERTING;
    default: return state.conv.writeFailed ? IDS_STATUS_WRITE_FAILED : IDS_STATUS_DONE;
    }
}

void OnInitPage(HWND page) {
    HWND list = GetDlgItem(page, IDC_CONV_FRAMETIME);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const FrameTimeChoice& choice : kFrameTimes) {
        LRESULT index = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.text));
        SendMessageA(list, CB_SETITEMDATA, index, choice.seconds);
    }
    StateLock lock(g_app.mainWindow);
    if (lock) {
        for (int i = 0; i < 4; ++i) {
            if (SendMessageA(list, CB_GETITEMDATA, i, 0) == lock->settings.FrameTime) {
                SendMessageA(list, CB_SETCURSEL, i, 0);
                break;
            }
        }
    }
    SendDlgItemMessageA(page, IDC_CONV_COUNTER, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, 7)), FALSE);
}

void OnRefresh(HWND page) {
    StateLock lock(g_app.mainWindow);
    if (!lock) return;
    const ConverterState& state = *lock;
    SetDlgItemTextA(page, IDC_CONV_OUTPUT, state.conv.outputPath);
    SetDlgItemTextA(page, IDC_CONV_COMMENT, state.conv.recordingComment);
    EnableWindow(GetDlgItem(page, IDC_CONV_SELECT), TRUE);
    HWND start = GetDlgItem(page, IDC_CONV_START);
    if (IsSourceOpen(state.source.sourceKind)) {
        switch (state.conv.conversionState) {
        case kConvOutputChosen:
        case kConvFinished: EnableWindow(start, TRUE); break;
        case kConvConverting:
            EnableWindow(start, FALSE);
            EnableWindow(GetDlgItem(page, IDC_CONV_SELECT), FALSE);
            break;
        default: break;
        }
    } else {
        EnableWindow(start, FALSE);
    }
    char status[128];
    LoadStringA(g_app.instance, StatusString(state), status, sizeof status);
    SetDlgItemTextA(page, IDC_CONV_STATUS, status);
}

void OnSelectOutput(HWND page) {
    if (ChooseOutputFile(g_app.mainWindow)) {
        StateLock lock(g_app.mainWindow);
        if (lock) SelectPage(g_app.mainWindow, *lock, 3);
    }
    OnRefresh(page);
}

void OnFrameTimeChanged(HWND page) {
    LRESULT index = SendDlgItemMessageA(page, IDC_CONV_FRAMETIME, CB_GETCURSEL, 0, 0);
    if (index < 0) return;
    StateLock lock(g_app.mainWindow);
    if (lock)
        lock->settings.FrameTime =
            static_cast<int32_t>(SendDlgItemMessageA(page, IDC_CONV_FRAMETIME, CB_GETITEMDATA, index, 0));
}

void OnCommentDone(HWND page) {
    StateLock lock(g_app.mainWindow);
    if (!lock) return;
    char text[256];
    GetDlgItemTextA(page, IDC_CONV_COMMENT, text, sizeof text);
    CopyText(lock->conv.recordingComment, sizeof lock->conv.recordingComment, text);
}

void OnCommand(HWND page, int id, int code) {
    switch (id) {
    case IDC_CONV_SELECT: OnSelectOutput(page); break;
    case IDC_CONV_START: StartConversion(page); break;
    case IDC_CONV_FRAMETIME: OnFrameTimeChanged(page); break;
    case IDC_CONV_COMMENT:
        if (code == EN_KILLFOCUS) OnCommentDone(page);
        break;
    default: break;
    }
}

void OnDestroyPage(HWND page) {
    StateLock lock(g_app.mainWindow);
    if (!lock || !lock->conv.timerId) return;
    KillTimer(page, kConvertTimerId);
    lock->conv.timerId = 0;
}

}  // namespace

INT_PTR CALLBACK ConvertPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitPage(page);
        return TRUE;
    case WM_DESTROY:
        OnDestroyPage(page);
        return FALSE;
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        return FALSE;
    case WM_TIMER:
        OnConversionTick(page);
        return FALSE;
    case WM_PAGE_REFRESH:
        OnRefresh(page);
        return FALSE;
    }
    return FALSE;
}
