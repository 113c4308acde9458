// The signal preview window; see preview_window.h. Its view (the epoch, the
// scales, its own reader handle and a copy of what it last drew from) is
// the window's own, kept behind GWLP_USERDATA; the working record is only
// read, under the lock, when the window is told the record may have changed.
#include "preview/preview_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/epoch_values.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
#include "pagekit/ui_seam.h"
#include "preview/preview_paint.h"
#include "resources/resource_ids.h"
#include "winkit/paint.h"
#include "winkit/winkit.h"

namespace {

const int32_t kEpochChoices[] = {10, 30, 60, 120};
const int kDefaultEpochChoice = 1;   // 30 seconds, the scoring epoch
const double kGainStep = 2.0;
const double kLargestGain = 1024.0;

struct PreviewView {
    TaffHandle reader = nullptr;        // our own handle on the recording's files
    TaffHandle readerFor = nullptr;     // the record's handle it was opened beside
    std::unique_ptr<EpochReader> epochs;
    bool recordTaken = false;           // the record has been read at least once
    SourceInfo source;                  // copies of what is drawn from
    MontagePattern pattern;
    TracePlan plan;
    int32_t epochSeconds = 30;
    int64_t epoch = 0;
    double gain = 1.0;
    double traceGain[kChannelEntries];
    std::vector<ColumnRange> columns;   // the epoch reduced to the plot's columns
    int32_t columnCount = 0;
    bool columnsValid = false;

    PreviewView() {
        memset(&source, 0, sizeof source);
        memset(&pattern, 0, sizeof pattern);
        memset(&plan, 0, sizeof plan);
        std::fill(traceGain, traceGain + kChannelEntries, 1.0);
    }
    ~PreviewView() {
        if (reader) TaffClose(reader);
    }
    bool Open() const { return reader != nullptr && source.sourceKind == kSourceTaff; }
};

PreviewView* ViewOf(HWND window) { return reinterpret_cast<PreviewView*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

int64_t EpochCountOf(const PreviewView& v) { return EpochCount(v.plan, v.epochSeconds); }

HWND MakeControl(HWND window, const char* cls, const char* text, DWORD style, int x, int w, int id) {
    HWND control = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, 6, w, 22, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_program.instance, nullptr);
    if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, 0)), FALSE);
    return control;
}

void BuildControls(HWND window) {
    HWND list = MakeControl(window, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 6, 80,
                            IDC_PREV_EPOCH_LENGTH);
    if (list) {
        MoveWindow(list, 6, 6, 80, 160, FALSE);
        for (int32_t seconds : kEpochChoices) {
            char text[16];
            snprintf(text, sizeof text, "%d 秒", int(seconds));
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        SendMessageA(list, CB_SETCURSEL, kDefaultEpochChoice, 0);
    }
    MakeControl(window, "STATIC", "", SS_SUNKEN | SS_CENTERIMAGE, 94, 170, IDC_PREV_EPOCH_START);
    MakeControl(window, "EDIT", "", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 276, 80, IDC_PREV_JUMP_TIME);
    SendDlgItemMessageA(window, IDC_PREV_JUMP_TIME, EM_LIMITTEXT, 8, 0);
    MakeControl(window, "BUTTON", "移動", BS_PUSHBUTTON | WS_TABSTOP, 360, 48, IDC_PREV_JUMP);
    MakeControl(window, "BUTTON", "+", BS_PUSHBUTTON | WS_TABSTOP, 420, 28, IDC_PREV_LARGER);
    MakeControl(window, "BUTTON", "-", BS_PUSHBUTTON | WS_TABSTOP, 452, 28, IDC_PREV_SMALLER);
}

RECT ClientArea(HWND window) {
    RECT area = {0, 0, 0, 0};
    GetClientRect(window, &area);
    return area;
}

// The start control and the scroll bar after a move or a new recording.
void ShowPlace(HWND window, const PreviewView& v) {
    char text[64] = "";
    if (v.Open()) FormatEpochStart(text, sizeof text, v.source, v.epoch * v.epochSeconds);
    SetDlgItemTextA(window, IDC_PREV_EPOCH_START, text);
    SCROLLINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    const int64_t count = v.Open() ? EpochCountOf(v) : 0;
    info.nMin = 0;
    info.nMax = count > 0 ? static_cast<int>(std::min<int64_t>(count - 1, INT32_MAX - 1)) : 0;
    info.nPage = 1;
    info.nPos = static_cast<int>(v.epoch);
    SetScrollInfo(window, SB_HORZ, &info, TRUE);
}

void Redraw(HWND window, PreviewView& v) {
    v.columnsValid = false;
    InvalidateRect(window, nullptr, FALSE);
}

// Moves to epoch `epoch` (kept within the recording).
void GoToEpoch(HWND window, PreviewView& v, int64_t epoch) {
    const int64_t last = std::max<int64_t>(0, EpochCountOf(v) - 1);
    epoch = std::max<int64_t>(0, std::min(epoch, last));
    if (epoch == v.epoch) return;
    v.epoch = epoch;
    ShowPlace(window, v);
    Redraw(window, v);
}

// Opens our own handle when the record's recording is another one than the
// handle was opened for (or closes it when none is open).
void FollowRecording(PreviewView& v, const SourceInfo& source) {
    const bool same = v.readerFor == source.sourceHandle && strcmp(v.source.sourcePath, source.sourcePath) == 0 &&
                      v.source.sourceKind == source.sourceKind;
    if (same && v.recordTaken) return;
    if (v.reader) v.reader = TaffClose(v.reader);
    v.epochs.reset();
    v.readerFor = source.sourceHandle;
    v.epoch = 0;
    std::fill(v.traceGain, v.traceGain + kChannelEntries, 1.0);
    if (source.sourceKind != kSourceTaff) return;
    v.reader = TaffOpen(source.sourcePath, 0);
    if (v.reader) v.epochs.reset(new EpochReader(v.reader, TaffGetValue(v.reader, TAFF_VALUE_SKIP_WORD, 0)));
}

void Title(HWND window, const PreviewView& v) {
    char title[kPathSize + 32];
    snprintf(title, sizeof title, "波形確認%s%s", v.Open() ? " - " : "", v.Open() ? v.source.sourcePath : "");
    SetWindowTextA(window, title);
}

// Compares the record with what is drawn and takes it when they differ.
void OnRecordChanged(HWND window, PreviewView& v, const ConverterState& state) {
    const MontagePattern& pattern = CurrentPattern(state);
    if (v.recordTaken && memcmp(&v.source, &state.source, sizeof v.source) == 0 &&
        memcmp(&v.pattern, &pattern, sizeof v.pattern) == 0)
        return;
    const int32_t traces = v.plan.count;
    FollowRecording(v, state.source);
    memcpy(&v.source, &state.source, sizeof v.source);
    memcpy(&v.pattern, &pattern, sizeof v.pattern);
    v.recordTaken = true;
    PlanTraces(v.source, v.pattern, &v.plan);
    if (v.plan.count != traces) std::fill(v.traceGain, v.traceGain + kChannelEntries, 1.0);
    GoToEpoch(window, v, v.epoch);
    Title(window, v);
    ShowPlace(window, v);
    Redraw(window, v);
}

// `owner` is the main window: the window's owner (an overlapped window has
// no parent to find it by), or while the window is being made, the owner
// of the creation data.
void TakeRecord(HWND window, PreviewView& v, HWND owner) {
    StateLock lock(owner);
    if (lock) OnRecordChanged(window, v, *lock);
}

void OnEpochLength(HWND window, PreviewView& v) {
    const LRESULT choice = SendDlgItemMessageA(window, IDC_PREV_EPOCH_LENGTH, CB_GETCURSEL, 0, 0);
    if (choice < 0 || choice >= LRESULT(sizeof kEpochChoices / sizeof kEpochChoices[0])) return;
    const int64_t start = v.epoch * v.epochSeconds;   // the new epoch holds the old one's start
    v.epochSeconds = kEpochChoices[choice];
    v.epoch = -1;
    GoToEpoch(window, v, start / v.epochSeconds);
    SetFocus(window);
}

void OnJump(HWND window, PreviewView& v) {
    char text[32];
    GetDlgItemTextA(window, IDC_PREV_JUMP_TIME, text, sizeof text);
    const int64_t seconds = v.plan.sampleRate > 0 ? (v.plan.lengthSamples + v.plan.sampleRate - 1) / v.plan.sampleRate : 0;
    const int64_t offset = v.Open() ? ClockTimeOffset(v.source, text, seconds) : -1;
    if (offset < 0) {
        Ui().beep(0);
        return;
    }
    GoToEpoch(window, v, offset / v.epochSeconds);
    SetFocus(window);
}

void ScaleAll(HWND window, PreviewView& v, double factor) {
    v.gain = std::max(1.0 / kLargestGain, std::min(kLargestGain, v.gain * factor));
    InvalidateRect(window, nullptr, FALSE);
    SetFocus(window);
}

void OnCommand(HWND window, PreviewView& v, int id, int code) {
    switch (id) {
    case IDC_PREV_EPOCH_LENGTH:
        if (code == CBN_SELCHANGE) OnEpochLength(window, v);
        break;
    case IDC_PREV_JUMP: OnJump(window, v); break;
    case IDC_PREV_LARGER: ScaleAll(window, v, kGainStep); break;
    case IDC_PREV_SMALLER: ScaleAll(window, v, 1.0 / kGainStep); break;
    }
}

void OnKey(HWND window, PreviewView& v, WPARAM key) {
    switch (key) {
    case VK_NEXT: case VK_RIGHT: case VK_DOWN: GoToEpoch(window, v, v.epoch + 1); break;
    case VK_PRIOR: case VK_LEFT: case VK_UP: GoToEpoch(window, v, v.epoch - 1); break;
    case VK_HOME: GoToEpoch(window, v, 0); break;
    case VK_END: GoToEpoch(window, v, EpochCountOf(v) - 1); break;
    case VK_ADD: case VK_OEM_PLUS: ScaleAll(window, v, kGainStep); break;
    case VK_SUBTRACT: case VK_OEM_MINUS: ScaleAll(window, v, 1.0 / kGainStep); break;
    }
}

void OnScroll(HWND window, PreviewView& v, int request) {
    SCROLLINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(window, SB_HORZ, &info);
    switch (request) {
    case SB_LINELEFT: case SB_PAGELEFT: GoToEpoch(window, v, v.epoch - 1); break;
    case SB_LINERIGHT: case SB_PAGERIGHT: GoToEpoch(window, v, v.epoch + 1); break;
    case SB_LEFT: GoToEpoch(window, v, 0); break;
    case SB_RIGHT: GoToEpoch(window, v, EpochCountOf(v) - 1); break;
    case SB_THUMBTRACK: case SB_THUMBPOSITION: GoToEpoch(window, v, info.nTrackPos); break;
    }
}

// A click on a trace's label scales that trace alone: the left button
// larger, the right button smaller.
void OnLabelClick(HWND window, PreviewView& v, LPARAM at, double factor) {
    SetFocus(window);
    const RECT area = ClientArea(window);
    const int x = static_cast<short>(LOWORD(at)), y = static_cast<short>(HIWORD(at));
    const int t = InLabelColumn(area, x) ? TraceAt(area, v.plan.count, y) : -1;
    if (t < 0) return;
    v.traceGain[t] = std::max(1.0 / kLargestGain, std::min(kLargestGain, v.traceGain[t] * factor));
    InvalidateRect(window, nullptr, FALSE);
}

void PaintView(HWND window, HDC target, PreviewView& v) {
    const RECT area = ClientArea(window);
    MemoryDc picture(target, area.right, area.bottom);
    HDC dc = picture.dc() ? picture.dc() : target;
    if (!v.Open() || !v.epochs) {
        PaintNoRecording(dc, area);
    } else {
        const int32_t columns = PlotColumns(area);
        if (!v.columnsValid || v.columnCount != columns) {
            v.epochs->Columns(v.source, v.plan, v.epoch * v.epochSeconds, v.epochSeconds, columns, &v.columns);
            v.columnCount = columns;
            v.columnsValid = true;
        }
        const PreviewPicture p = {&v.source, &v.plan, &v.pattern.position, v.epoch * v.epochSeconds, v.epochSeconds,
                                  v.columns.data(), v.columnCount, v.gain, v.traceGain};
        PaintPreview(dc, area, p);
    }
    if (picture.dc()) picture.CopyTo(target);
}

void OnPaint(HWND window, PreviewView& v) {
    PaintScope paint(window);
    PaintView(window, paint.dc(), v);
}

LRESULT OnCreate(HWND window, const CREATESTRUCTA* creation) {
    PreviewView* view = new (std::nothrow) PreviewView();
    if (!view) return -1;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    BuildControls(window);
    TakeRecord(window, *view, creation->hwndParent);
    return 0;
}

// The owner keeps the handle while the window lives; it is told when the
// handle stops naming this window.
void OnDestroy(HWND window) {
    if (HWND owner = GetWindow(window, GW_OWNER))
        SendMessageA(owner, WM_PREVIEW_CLOSED, reinterpret_cast<WPARAM>(window), 0);
}

void OnNcDestroy(HWND window) {
    delete ViewOf(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
}

// The messages that need the view, each handed to its handler.
LRESULT OnViewMessage(HWND window, PreviewView& v, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: OnPaint(window, v); return 0;
    case WM_PRINTCLIENT: PaintView(window, reinterpret_cast<HDC>(wParam), v); return 0;
    case WM_ERASEBKGND: return 1;   // painting covers the client area
    case WM_SIZE: Redraw(window, v); return 0;
    case WM_RECORD_CHANGED: TakeRecord(window, v, GetWindow(window, GW_OWNER)); return 0;
    case WM_COMMAND: OnCommand(window, v, LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_KEYDOWN: OnKey(window, v, wParam); return 0;
    case WM_HSCROLL: OnScroll(window, v, LOWORD(wParam)); return 0;
    case WM_LBUTTONDOWN: OnLabelClick(window, v, lParam, kGainStep); return 0;
    case WM_RBUTTONDOWN: OnLabelClick(window, v, lParam, 1.0 / kGainStep); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_NCDESTROY:
        OnNcDestroy(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    PreviewView* view = ViewOf(window);
    if (!view) return DefWindowProcA(window, message, wParam, lParam);
    return OnViewMessage(window, *view, message, wParam, lParam);
}

BOOL RegisterPreviewClass(HINSTANCE instance) {
    WNDCLASSEXA wc;
    memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PreviewWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = PREVIEW_CLASS;
    return RegisterClassExA(&wc) != 0;
}

HWND ShowPreviewWindow(HWND owner, HWND existing) {
    if (existing) {
        if (IsIconic(existing)) ShowWindow(existing, SW_RESTORE);
        ShowWindow(existing, SW_SHOW);
        SetForegroundWindow(existing);
        BringWindowToTop(existing);
        return existing;
    }
    HWND window = CreateWindowExA(0, PREVIEW_CLASS, "波形確認",
                                  WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                                  960, 680, owner, nullptr, g_program.instance, nullptr);
    if (!window) return nullptr;
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    return window;
}
