// The signal preview window; see preview_window.h. Its view (the epoch, the
// trace scales, the filter choice, its own reader handle and a copy of what
// it last drew from) is the window's own, kept behind GWLP_USERDATA; the
// working record is only read, under the lock, when the window is told the
// record may have changed. The overview strip (preview_overview), the keys
// (preview_keys) and the hints (preview_hints) have files of their own.
#include "preview/preview_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/check_marks.h"
#include "engine/epoch_values.h"
#include "engine/preview_layout.h"
#include "engine/trace_axis.h"
#include "recfile/recfile.h"
#include "pagekit/held_check.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
#include "pagekit/ui_seam.h"
#include "preview/preview_paint.h"
#include "preview/preview_view.h"
#include "resources/resource_ids.h"
#include "winkit/paint.h"
#include "winkit/winkit.h"

namespace preview {

const int32_t kEpochChoices[] = {10, 30, 60, 120};
const int kEpochChoiceCount = int(sizeof kEpochChoices / sizeof kEpochChoices[0]);
const int kDefaultEpochChoice = 1;   // 30 seconds, the scoring epoch

const ControlSpec kControls[] = {
    {IDC_PREV_EPOCH_LENGTH, "COMBOBOX", 0, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, {9, 72}},
    {IDC_PREV_EPOCH_START, "STATIC", 0, SS_SUNKEN | SS_CENTERIMAGE, {22, 160}},
    {IDC_PREV_JUMP_TIME, "EDIT", 0, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, {10, 72}},
    {IDC_PREV_JUMP, "BUTTON", IDS_PREV_JUMP, BS_PUSHBUTTON | WS_TABSTOP, {6, 48}},
    {IDC_PREV_LARGER, "BUTTON", IDS_PREV_LARGER, BS_PUSHBUTTON | WS_TABSTOP, {4, 28}},
    {IDC_PREV_SMALLER, "BUTTON", IDS_PREV_SMALLER, BS_PUSHBUTTON | WS_TABSTOP, {4, 28}},
    {IDC_PREV_FIT, "BUTTON", IDS_PREV_FIT, BS_PUSHBUTTON | WS_TABSTOP, {7, 52}},
    {IDC_PREV_FILTER, "BUTTON", IDS_PREV_FILTER, BS_AUTOCHECKBOX | WS_TABSTOP, {8, 64}},
};
const int kControlCount = int(sizeof kControls / sizeof kControls[0]);

PreviewView* ViewOf(HWND window) { return reinterpret_cast<PreviewView*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

int64_t EpochCountOf(const PreviewView& v) { return EpochCount(v.plan, v.epochSeconds); }

double NightSeconds(const PreviewView& v) {
    return v.plan.sampleRate > 0 ? double(v.plan.lengthSamples) / v.plan.sampleRate : 0.0;
}

// The night check's findings the window shows: those of the held check when
// it belongs to the open recording and the pattern drawn; null otherwise.
const std::vector<CheckFinding>* ShownFindings(const PreviewView& v) {
    return v.Open() && v.findingsValid ? &v.findings : nullptr;
}

// Copies the record's held check's findings when its result changed since
// they were taken.
void TakeFindings(PreviewView& v, const HeldCheck& held) {
    if (v.findingsTaken && held.resultSerial == v.findingsSerial) return;
    v.findingsTaken = true;
    v.findingsSerial = held.resultSerial;
    v.findingsValid = held.valid;
    v.findings = held.result.findings;
}

void LoadText(int id, char* out, int size) {
    if (LoadStringA(g_program.instance, id, out, size) <= 0 && size > 0) out[0] = '\0';
}

// The work area (the screen less the task bar) of the screen `window` is
// on, or nearest to.
RECT WorkAreaOf(HWND window) {
    MONITORINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return info.rcWork;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

RECT ClientArea(HWND window) {
    RECT area = {0, 0, 0, 0};
    GetClientRect(window, &area);
    return area;
}

// The columns of the epoch for the plot's width, reduced anew when stale,
// and each trace's opening axis.
void TakeColumns(PreviewView& v) {
    const int32_t columns = PlotColumns(v.areas);
    if (!v.columnsValid || v.columnCount != columns) {
        v.epochs->Columns(v.source, v.plan, v.epoch * v.epochSeconds, v.epochSeconds, columns, &v.columns, v.filtered);
        v.columnCount = columns;
        v.columnsValid = true;
    }
    for (int32_t t = 0; t < v.plan.count; ++t) {
        if (v.placed[t]) continue;
        v.axes[t] = OpeningAxis(v.plan.traces[t], v.pattern.position, v.columns.data() + size_t(t) * size_t(columns),
                                columns);
        v.placed[t] = true;
    }
}

PreviewPicture PictureOf(const PreviewView& v) {
    return PreviewPicture{&v.source,         &v.plan,         &v.pattern.position,
                          v.epoch * v.epochSeconds,          v.epochSeconds,  v.columns.data(),
                          v.columnCount,                     v.axes,          v.filtered,
                          v.selected,                        v.epochs->NotRecorded().data(),
                          ShownFindings(v)};
}

// ---- layout ----------------------------------------------------------------

// The areas and the controls' places from the window's font, dpi and size.
void LayOut(HWND window, PreviewView& v) {
    {
        WindowDc dc(window);
        if (dc.dc()) v.font = MeasureFont(dc.dc());
    }
    const RECT client = ClientArea(window);
    v.areas = LayOutPreview(v.font, client.right, client.bottom, OverviewHeight(v.font, v.plan.count));
    const PreviewBox strip = OverviewBox(v.areas);
    MoveWindow(v.overview, strip.left, strip.top, strip.right - strip.left, strip.bottom - strip.top, TRUE);
    RowControl sizes[kControlCount];
    PreviewBox places[kControlCount];
    for (int i = 0; i < kControlCount; ++i) sizes[i] = kControls[i].size;
    v.rowRight = PlaceControlRow(v.font, v.areas, sizes, kControlCount, places);
    for (int i = 0; i < kControlCount; ++i) {
        const PreviewBox& b = places[i];
        // A drop-down list's height is that of its open list.
        const int height = kControls[i].id == IDC_PREV_EPOCH_LENGTH ? (b.bottom - b.top) * 8 : b.bottom - b.top;
        MoveWindow(GetDlgItem(window, kControls[i].id), b.left, b.top, b.right - b.left, height, TRUE);
    }
}

void BuildControls(HWND window, PreviewView& v) {
    for (const ControlSpec& spec : kControls) {
        char text[64] = "";
        if (spec.text) LoadText(spec.text, text, sizeof text);
        HWND control = CreateWindowExA(0, spec.windowClass, text, WS_CHILD | WS_VISIBLE | spec.style, 0, 0, 10, 10,
                                       window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)),
                                       g_program.instance, nullptr);
        if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, 0)), FALSE);
    }
    HWND list = GetDlgItem(window, IDC_PREV_EPOCH_LENGTH);
    char format[32];
    LoadText(IDS_PREV_SECONDS, format, sizeof format);
    for (int32_t seconds : kEpochChoices) {
        char text[32];
        snprintf(text, sizeof text, format, int(seconds));
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageA(list, CB_SETCURSEL, kDefaultEpochChoice, 0);
    SendDlgItemMessageA(window, IDC_PREV_JUMP_TIME, EM_LIMITTEXT, 8, 0);
    CheckDlgButton(window, IDC_PREV_FILTER, BST_CHECKED);
    char name[64];
    LoadText(IDS_PREV_OVERVIEW, name, sizeof name);
    v.overview = CreateWindowExA(0, PREVIEW_OVERVIEW_CLASS, name, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PREV_OVERVIEW)),
                                 g_program.instance, nullptr);
    BuildHints(window, v);
}

// ---- place in the night -----------------------------------------------------

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
    if (v.overview) InvalidateRect(v.overview, nullptr, FALSE);
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

// ---- following the record ---------------------------------------------------

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
    v.selected = -1;
    std::fill(v.placed, v.placed + kChannelEntries, false);
    if (source.sourceKind != kSourceTaff) return;
    v.reader = TaffOpen(source.sourcePath, 0);
    if (v.reader) v.epochs.reset(new EpochReader(v.reader, TaffGetValue(v.reader, TAFF_VALUE_SKIP_WORD, 0)));
}

// The caption names the recording's file, not its whole path.
void Title(HWND window, const PreviewView& v) {
    char title[kPathSize + 64];
    LoadText(IDS_PREV_TITLE, title, sizeof title);
    if (v.Open()) {
        const char* name = v.source.sourcePath;
        for (const char* c = name; *c; ++c)
            if (*c == '\\' || *c == '/' || *c == ':') name = c + 1;
        char format[64];
        LoadText(IDS_PREV_TITLE_FILE, format, sizeof format);
        snprintf(title, sizeof title, format, name);
    }
    SetWindowTextA(window, title);
}

// A trace keeps its scale while it stays the same channel drawn the same
// way; otherwise it opens anew with the next drawing.
bool SameTrace(const TraceInfo& a, const TraceInfo& b) {
    return a.source == b.source && a.signalType == b.signalType && a.sensitivity == b.sensitivity &&
           a.scale.physMin == b.scale.physMin && a.scale.physMax == b.scale.physMax;
}

// Compares the record with what is drawn and takes it when they differ.
void OnRecordChanged(HWND window, PreviewView& v, const ConverterState& state) {
    const MontagePattern& pattern = CurrentPattern(state);
    const bool timeConstants = state.settings.TCType != 0;
    if (v.recordTaken && memcmp(&v.source, &state.source, sizeof v.source) == 0 &&
        memcmp(&v.pattern, &pattern, sizeof v.pattern) == 0 && v.timeConstants == timeConstants)
        return;
    const TracePlan before = v.plan;
    FollowRecording(v, state.source);
    memcpy(&v.source, &state.source, sizeof v.source);
    memcpy(&v.pattern, &pattern, sizeof v.pattern);
    v.timeConstants = timeConstants;
    v.recordTaken = true;
    PlanTraces(v.source, v.pattern, &v.plan, v.timeConstants);
    for (int32_t t = 0; t < v.plan.count; ++t)
        if (t >= before.count || !SameTrace(before.traces[t], v.plan.traces[t])) v.placed[t] = false;
    if (v.selected >= v.plan.count) v.selected = -1;
    if (v.plan.count != before.count) LayOut(window, v);   // the strip has a row per trace
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
    if (!lock) return;
    TakeFindings(v, *lock->check);
    OnRecordChanged(window, v, *lock);
}

// ---- the operator's commands ------------------------------------------------

void ChooseEpochLength(HWND window, PreviewView& v, int choice) {
    if (choice < 0 || choice >= kEpochChoiceCount) return;
    SendDlgItemMessageA(window, IDC_PREV_EPOCH_LENGTH, CB_SETCURSEL, choice, 0);
    const int64_t start = v.epoch * v.epochSeconds;   // the new epoch holds the old one's start
    v.epochSeconds = kEpochChoices[choice];
    v.epoch = -1;
    GoToEpoch(window, v, start / v.epochSeconds);
}

void OnEpochLength(HWND window, PreviewView& v) {
    ChooseEpochLength(window, v, int(SendDlgItemMessageA(window, IDC_PREV_EPOCH_LENGTH, CB_GETCURSEL, 0, 0)));
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

// The chosen trace, or every trace when none is chosen, scaled by `factor`
// (fit: fitted to the epoch's signal instead).
void Rescale(HWND window, PreviewView& v, double factor, bool fit) {
    for (int32_t t = 0; t < v.plan.count; ++t) {
        if (v.selected >= 0 && t != v.selected) continue;
        if (!v.placed[t]) continue;   // opens with the next drawing
        if (fit) {
            if (v.columnsValid && v.columnCount > 0)
                v.axes[t] = FitAxis(v.axes[t], v.columns.data() + size_t(t) * size_t(v.columnCount), v.columnCount);
        } else {
            v.axes[t] = ScaleAxis(v.axes[t], factor);
        }
    }
    InvalidateRect(window, nullptr, FALSE);
}

void SetFiltered(HWND window, PreviewView& v, bool filtered) {
    v.filtered = filtered;
    CheckDlgButton(window, IDC_PREV_FILTER, filtered ? BST_CHECKED : BST_UNCHECKED);
    Redraw(window, v);
}

void Select(HWND window, PreviewView& v, int trace) {
    v.selected = trace >= 0 && trace < v.plan.count ? trace : -1;
    InvalidateRect(window, nullptr, FALSE);
    if (v.overview) InvalidateRect(v.overview, nullptr, FALSE);
}

// ---- the night check's findings ---------------------------------------------

// Goes to the epoch holding second `at` of the night with trace `trace`
// chosen (-1: none).
void GoToSecond(HWND window, PreviewView& v, double at, int trace) {
    if (!v.Open()) return;
    GoToEpoch(window, v, EpochHolding(at, v.epochSeconds));
    Select(window, v, trace);
}

// F3 / Shift+F3: the epoch of the next (or previous) finding of the chosen
// trace, or of any trace when none is chosen; a beep when there is none.
void StepToFinding(HWND window, PreviewView& v, bool forward) {
    const std::vector<CheckFinding>* findings = ShownFindings(v);
    const int at = findings ? StepFinding(*findings, double(v.epoch) * v.epochSeconds, v.epochSeconds, v.selected,
                                          v.plan.count, forward)
                            : -1;
    if (at < 0) {
        Ui().beep(0);
        return;
    }
    const CheckFinding& f = (*findings)[size_t(at)];
    GoToSecond(window, v, f.startSeconds, f.trace);
}

// Told where to go (a finding chosen in the check window): `trace` is
// chosen when the plan has it, none otherwise; `milliseconds` from the
// recording's start.
void OnGoTo(HWND window, PreviewView& v, WPARAM trace, LPARAM milliseconds) {
    const int chosen = trace < WPARAM(std::max(v.plan.count, 0)) ? int(trace) : -1;
    GoToSecond(window, v, std::max<LPARAM>(milliseconds, 0) / 1000.0, chosen);
}

// The held check changed: its findings taken from the record, the marks,
// the labels' names and the strip anew.
void OnCheckChanged(HWND window, PreviewView& v) {
    {
        StateLock lock(GetWindow(window, GW_OWNER));
        if (lock) TakeFindings(v, *lock->check);
    }
    v.hovered = -1;
    v.offScale.trace = -1;
    if (v.tip) SendMessageA(v.tip, TTM_POP, 0, 0);
    InvalidateRect(window, nullptr, FALSE);
    if (v.overview) InvalidateRect(v.overview, nullptr, FALSE);
}

void OnCommand(HWND window, PreviewView& v, int id, int code) {
    switch (id) {
    case IDC_PREV_EPOCH_LENGTH:
        if (code == CBN_SELCHANGE) OnEpochLength(window, v);
        break;
    case IDC_PREV_JUMP: OnJump(window, v); break;
    case IDC_PREV_LARGER: Rescale(window, v, kScaleStep, false); break;
    case IDC_PREV_SMALLER: Rescale(window, v, 1.0 / kScaleStep, false); break;
    case IDC_PREV_FIT: Rescale(window, v, 1.0, true); break;
    case IDC_PREV_FILTER: SetFiltered(window, v, IsDlgButtonChecked(window, IDC_PREV_FILTER) == BST_CHECKED); break;
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

// A click on a trace's label or scale chooses that trace (a click on the
// chosen one lets it go again).
void OnLabelClick(HWND window, PreviewView& v, LPARAM at) {
    SetFocus(window);
    const int x = static_cast<short>(LOWORD(at)), y = static_cast<short>(HIWORD(at));
    if (x < v.areas.labels.left || x >= v.areas.scale.right) return;
    const int t = TraceAtRow(v.areas, v.plan, y);
    if (t >= 0) Select(window, v, t == v.selected ? -1 : t);
}

// ---- painting -----------------------------------------------------------

void PaintView(HWND window, HDC target, PreviewView& v) {
    const RECT client = ClientArea(window);
    MemoryDc picture(target, client.right, client.bottom);
    HDC dc = picture.dc() ? picture.dc() : target;
    if (!v.Open() || !v.epochs) {
        PaintNoRecording(dc, client, v.areas);
    } else {
        TakeColumns(v);
        PaintPreview(dc, client, v.areas, PictureOf(v));
    }
    if (picture.dc()) picture.CopyTo(target);
}

void OnPaint(HWND window, PreviewView& v) {
    PaintScope paint(window);
    PaintView(window, paint.dc(), v);
}


// The window is never narrower than its row of controls, nor lower than
// the row with a few traces' room, unless its screen's work area is.
void OnMinMaxInfo(HWND window, const PreviewView& v, MINMAXINFO* info) {
    RECT frame = {0, 0, v.rowRight, v.areas.plot.top + 8 * v.font.lineHeight};
    AdjustWindowRectEx(&frame, DWORD(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongPtrA(window, GWL_EXSTYLE)));
    const RECT work = WorkAreaOf(window);
    info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, std::min(frame.right - frame.left, work.right - work.left));
    info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, std::min(frame.bottom - frame.top, work.bottom - work.top));
}

LRESULT OnCreate(HWND window, const CREATESTRUCTA* creation) {
    PreviewView* view = new (std::nothrow) PreviewView();
    if (!view) return -1;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    BuildControls(window, *view);
    LayOut(window, *view);
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
    case WM_SIZE:
        LayOut(window, v);
        Redraw(window, v);
        return 0;
    case WM_GETMINMAXINFO: OnMinMaxInfo(window, v, reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    case WM_RECORD_CHANGED: TakeRecord(window, v, GetWindow(window, GW_OWNER)); return 0;
    case WM_COMMAND: OnCommand(window, v, LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_KEYDOWN: OnKey(window, v, wParam); return 0;
    case WM_HSCROLL: OnScroll(window, v, LOWORD(wParam)); return 0;
    case WM_LBUTTONDOWN: OnLabelClick(window, v, lParam); return 0;
    case WM_MOUSEMOVE: OnMouseMove(v, lParam); return 0;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == TTN_GETDISPINFOA)
            OnHintText(window, v, reinterpret_cast<NMTTDISPINFOA*>(lParam));
        return 0;
    case WM_CHECK_CHANGED: OnCheckChanged(window, v); return 0;
    case WM_PREVIEW_GOTO: OnGoTo(window, v, wParam, lParam); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace preview

using namespace preview;

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
    const WkWindowClass c = {PreviewWindowProc, PREVIEW_CLASS, CS_HREDRAW | CS_VREDRAW, 0, MAKEINTRESOURCEA(IDI_APP),
                             nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr};
    return WkRegisterWindowClass(instance, c) && RegisterOverviewClass(instance);   // the strip, a child of the preview
}

HWND ShowPreviewWindow(HWND owner, HWND existing) {
    if (existing) {
        if (IsIconic(existing)) ShowWindow(existing, SW_RESTORE);
        ShowWindow(existing, SW_SHOW);
        SetForegroundWindow(existing);
        BringWindowToTop(existing);
        return existing;
    }
    // 960 x 680 on a plain screen, more at a higher dpi; never more than
    // the work area of the owner's screen, and wholly on it.
    int dpi = 96;
    if (HDC screen = GetDC(nullptr)) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    RECT ownerBox = {0, 0, 0, 0};
    GetWindowRect(owner, &ownerBox);
    const RECT work = WorkAreaOf(owner);
    const PreviewBox place = PlaceInWorkArea(PixelsAt(960, dpi), PixelsAt(680, dpi),
                                             PreviewBox{work.left, work.top, work.right, work.bottom},
                                             PreviewBox{ownerBox.left, ownerBox.top, ownerBox.right, ownerBox.bottom});
    char title[64];
    LoadText(IDS_PREV_TITLE, title, sizeof title);
    HWND window = CreateWindowExA(0, PREVIEW_CLASS, title, WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_CLIPCHILDREN,
                                  place.left, place.top, place.right - place.left, place.bottom - place.top, owner,
                                  nullptr, g_program.instance, nullptr);
    if (!window) return nullptr;
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    return window;
}
