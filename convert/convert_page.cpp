// The conversion page: the output file, the frame time, the recording
// comment, the start button, the frame counter and the status text. The
// page shows the conversion's state; the conversion controller changes it.
#include "convert/convert_page.h"

#include <cstdio>
#include <iterator>

#include "convert/conversion_controller.h"
#include "engine/conversion_run.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
#include "resources/resource_ids.h"
#include "textkit/sjis_text.h"
#include "winkit/winkit.h"

namespace {


// The status of a chosen output or a finished run: a failed write, a start
// refused for want of a channel or of memory, or `otherwise`.
int OutcomeString(const ConversionFields& c, int otherwise) {
    if (c.writeFailed) return IDS_STATUS_WRITE_FAILED;
    if (c.lastRefusal == kHeaderNoChannel) return IDS_STATUS_NO_CHANNEL;
    if (c.lastRefusal == kHeaderNoMemory) return IDS_STATUS_NO_MEMORY;
    return otherwise;
}

// The status string for the page's condition. A run the operator stopped
// says so, even once its recording is closed.
int StatusString(const ConverterState& state) {
    const ConversionFields& c = state.conv;
    if (c.runStopped && !IsConverting(c)) return IDS_STATUS_STOPPED;
    if (state.source.sourceKind == kSourceNone) return IDS_STATUS_NO_SOURCE;
    switch (c.conversionState) {
    case kConvNoOutput: return IDS_STATUS_NO_OUTPUT;
    case kConvOutputChosen: return OutcomeString(c, IDS_STATUS_READY);
    case kConvConverting: return IDS_STATUS_CONVERTING;
    default: return OutcomeString(c, c.shortSource ? IDS_STATUS_DONE_SHORT : IDS_STATUS_DONE);
    }
}

void OnInitPage(HWND page, const ConverterState* state) {
    HWND list = GetDlgItem(page, IDC_CONV_FRAMETIME);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (int seconds : kFrameTimeChoices) {
        char text[16];
        snprintf(text, sizeof text, "%3isec ", seconds);
        LRESULT index = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(list, CB_SETITEMDATA, index, seconds);
    }
    if (state) {
        for (int i = 0; i < int(std::size(kFrameTimeChoices)); ++i) {
            if (SendMessageA(list, CB_GETITEMDATA, i, 0) == state->settings.FrameTime) {
                SendMessageA(list, CB_SETCURSEL, i, 0);
                break;
            }
        }
    }
    SendDlgItemMessageA(page, IDC_CONV_COUNTER, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, kWkFontProminent)), FALSE);
}

void OnRefresh(HWND page, const ConverterState& state) {
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
    LoadStringA(g_program.instance, StatusString(state), status, sizeof status);
    SetDlgItemTextA(page, IDC_CONV_STATUS, status);
}

// "File Select...": a chosen file brings this page forward (the shell
// switches the tab); the page shows the outcome either way.
void OnSelectOutput(HWND page, ConverterState& state) {
    HWND mainWindow = MainWindowOf(page);
    if (ChooseOutput(mainWindow, state)) SendMessageA(mainWindow, WM_SHOW_PAGE, kPageConvert, 0);
    OnRefresh(page, state);
}

void OnFrameTimeChanged(HWND page, ConverterState& state) {
    LRESULT index = SendDlgItemMessageA(page, IDC_CONV_FRAMETIME, CB_GETCURSEL, 0, 0);
    if (index < 0) return;
    state.settings.FrameTime =
        static_cast<int32_t>(SendDlgItemMessageA(page, IDC_CONV_FRAMETIME, CB_GETITEMDATA, index, 0));
}

void OnCommentDone(HWND page, ConverterState& state) {
    char text[256];
    GetDlgItemTextA(page, IDC_CONV_COMMENT, text, sizeof text);
    CopyText(state.conv.recordingComment, sizeof state.conv.recordingComment, text);
}

void OnCommand(HWND page, ConverterState& state, int id, int code) {
    switch (id) {
    case IDC_CONV_SELECT: OnSelectOutput(page, state); break;
    case IDC_CONV_START: StartConversion(state); break;
    case IDC_CONV_FRAMETIME: OnFrameTimeChanged(page, state); break;
    case IDC_CONV_COMMENT:
        if (code == EN_KILLFOCUS) OnCommentDone(page, state);
        break;
    default: break;
    }
}

}  // namespace

INT_PTR CALLBACK ConvertPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        StateLock lock(MainWindowOf(page));
        OnInitPage(page, lock.get());
        return TRUE;
    }
    case WM_COMMAND:
        WithState(page, [&](ConverterState& state) { OnCommand(page, state, LOWORD(wParam), HIWORD(wParam)); });
        return FALSE;
    case WM_TIMER:
        if (wParam == IDT_CONV_FRAME) WithState(page, [](ConverterState& state) { OnConversionTimer(state); });
        return FALSE;
    case WM_PAGE_REFRESH:
        WithState(page, [&](ConverterState& state) { OnRefresh(page, state); });
        return FALSE;
    }
    return FALSE;
}
