// The check window; see check_window.h. It keeps no copy of the check: it
// lists the held check (pagekit/held_check.h) whenever told it changed, and
// its own view (the sort of each list) behind GWLP_USERDATA.
#include "check/check_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "check/check_runner.h"
#include "engine/check_report.h"
#include "engine/epoch_values.h"
#include "filekit/filekit.h"
#include "pagekit/file_dialogs.h"
#include "pagekit/held_check.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
#include "pagekit/ui_seam.h"
#include "resources/resource_ids.h"
#include "textkit/sjis_text.h"
#include "winkit/winkit.h"

namespace {

// The columns of the two lists: title string and width in pixels at 96 dpi.
struct Column {
    int text;
    int width;
};
const Column kFindingColumns[] = {{IDS_CHECK_COL_CHANNEL, 80}, {IDS_CHECK_COL_CHECK, 90}, {IDS_CHECK_COL_FROM, 70},
                                  {IDS_CHECK_COL_TO, 70},      {IDS_CHECK_COL_VALUE, 70}, {IDS_CHECK_COL_LEVEL, 50},
                                  {IDS_CHECK_COL_NOTE, 150}};
const Column kChannelColumns[] = {{IDS_CHECK_COL_CHANNEL, 80}, {IDS_CHECK_COL_KIND, 70}, {IDS_CHECK_COL_USABLE, 110},
                                  {IDS_CHECK_COL_HOURS, 80},   {IDS_CHECK_COL_VERDICT, 70}};
const int kFindingColumnCount = int(sizeof kFindingColumns / sizeof kFindingColumns[0]);
const int kChannelColumnCount = int(sizeof kChannelColumns / sizeof kChannelColumns[0]);

struct CheckView {
    int findingSort = 2;        // the column the findings are sorted by (from: the night's order)
    bool findingDown = false;
    int channelSort = -1;       // -1: the file's order
    bool channelDown = false;
    std::vector<int> findingRows;   // finding index of each row
    std::vector<int> channelRows;
    SourceInfo source;              // for the clock times
    uint32_t listed = 0;            // the held result's serial the lists show
    bool filled = false;
    HeldCheck held;                 // the record's held check, copied when told it changed
};

CheckView* ViewOf(HWND window) { return reinterpret_cast<CheckView*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

void SetText(HWND window, int id, const std::string& text) { SetDlgItemTextA(window, id, text.c_str()); }

std::string Clock(const SourceInfo& source, double seconds) {
    char text[32];
    FormatClockTime(text, sizeof text, source, static_cast<int64_t>(seconds));
    return text;
}

std::string Number(double value, const char* format) {
    char text[48];
    snprintf(text, sizeof text, format, value);
    return text;
}

// A finding's text in column `c`.
std::string FindingCell(const CheckView& v, const CheckFinding& f, int c) {
    switch (c) {
    case 0: return f.label;
    case 1: return CheckKindName(f.kind);
    case 2: return Clock(v.source, f.startSeconds);
    case 3: return Clock(v.source, f.endSeconds);
    case 4: return Number(f.value, "%.4g");
    case 5: return CheckLevelName(f.level);
    case 6: return std::string(f.note ? f.note : "") + (f.other[0] ? std::string(" / ") + f.other : "");
    }
    return "";
}

std::string ChannelCell(const ChannelSummary& ch, int c) {
    switch (c) {
    case 0: return ch.label;
    case 1: return ch.kind ? ch.kind : "";
    case 2: return Number(ch.usableHours, "%.2f");
    case 3: return Number(ch.hours, "%.2f");
    case 4: return CheckVerdictName(ch.verdict);
    }
    return "";
}

// The order of two findings by column `c` (numbers and times as numbers).
bool FindingBefore(const CheckFinding& a, const CheckFinding& b, int c) {
    switch (c) {
    case 0: return a.trace < b.trace;
    case 1: return strcmp(CheckKindName(a.kind), CheckKindName(b.kind)) < 0;
    case 2: return a.startSeconds < b.startSeconds;
    case 3: return a.endSeconds < b.endSeconds;
    case 4: return a.value < b.value;
    case 5: return a.level < b.level;
    }
    return strcmp(a.note ? a.note : "", b.note ? b.note : "") < 0;
}

bool ChannelBefore(const ChannelSummary& a, const ChannelSummary& b, int c) {
    switch (c) {
    case 1: return strcmp(a.kind ? a.kind : "", b.kind ? b.kind : "") < 0;
    case 2: return a.usableHours < b.usableHours;
    case 3: return a.hours < b.hours;
    case 4: return a.verdict < b.verdict;
    }
    return a.trace < b.trace;
}

void AddColumns(HWND list, const Column* columns, int count) {
    for (int i = 0; i < count; ++i) {
        std::string title = ProgramText(columns[i].text);
        LVCOLUMNA column;
        memset(&column, 0, sizeof column);
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = &title[0];
        column.cx = WkScaled(list, columns[i].width);
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void AddRow(HWND list, int row, const std::vector<std::string>& cells) {
    for (size_t c = 0; c < cells.size(); ++c) {
        std::string text = cells[c];
        LVITEMA item;
        memset(&item, 0, sizeof item);
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = static_cast<int>(c);
        item.pszText = &text[0];
        SendMessageA(list, c == 0 ? LVM_INSERTITEMA : LVM_SETITEMTEXTA, c == 0 ? 0 : row,
                     reinterpret_cast<LPARAM>(&item));
    }
}

// ---- filling ----------------------------------------------------------------

// Fills `list` with a row per item of `items` (none while the held check
// is not valid), ordered by column `column` (`down`: the other way);
// `rows` keeps each row's item index.
template <class Item, class Before, class Cell>
void FillList(HWND list, bool valid, const std::vector<Item>& items, std::vector<int>& rows, int column, bool down,
              int columns, Before before, Cell cell) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    rows.clear();
    if (valid)
        for (size_t i = 0; i < items.size(); ++i) rows.push_back(static_cast<int>(i));
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        return down ? before(items[size_t(b)], items[size_t(a)], column)
                    : before(items[size_t(a)], items[size_t(b)], column);
    });
    for (size_t row = 0; row < rows.size(); ++row) {
        std::vector<std::string> cells;
        for (int col = 0; col < columns; ++col) cells.push_back(cell(items[size_t(rows[row])], col));
        AddRow(list, static_cast<int>(row), cells);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void FillFindings(HWND window, CheckView& v) {
    FillList(GetDlgItem(window, IDC_CHECK_FINDINGS), v.held.valid, v.held.result.findings, v.findingRows, v.findingSort,
             v.findingDown, kFindingColumnCount, FindingBefore,
             [&v](const CheckFinding& f, int col) { return FindingCell(v, f, col); });
}

void FillChannels(HWND window, CheckView& v) {
    FillList(GetDlgItem(window, IDC_CHECK_CHANNELS), v.held.valid, v.held.result.channels, v.channelRows, v.channelSort,
             v.channelDown, kChannelColumnCount, ChannelBefore, ChannelCell);
}

// The state line and the verdict line with how the rule judged the night.
void FillLines(HWND window, const HeldCheck& held) {
    SetText(window, IDC_CHECK_STATE, CheckProgressText(held));
    const std::string verdict = CheckVerdictText(held);
    SetText(window, IDC_CHECK_VERDICT, verdict.empty() ? verdict : verdict + "\r\n" + held.result.ruleOutcome);
    EnableWindow(GetDlgItem(window, IDC_CHECK_SAVE), !verdict.empty());
}

// Reads the owner's record for the clock times and the held check (its
// result only when it changed) and fills the lines, and the lists when the
// result changed (not with each progress notice, which would lose the
// operator's place in them).
void Refresh(HWND window, CheckView& v) {
    {
        StateLock lock(GetWindow(window, GW_OWNER));
        if (lock) {
            memcpy(&v.source, &lock->source, sizeof v.source);
            const HeldCheck& held = *lock->check;
            if (held.resultSerial != v.held.resultSerial || !v.filled) v.held = held;
            else v.held.running = held.running, v.held.done = held.done, v.held.stopped = held.stopped;
        }
    }
    FillLines(window, v.held);
    if (v.filled && v.listed == v.held.resultSerial) return;
    v.filled = true;
    v.listed = v.held.resultSerial;
    FillChannels(window, v);
    FillFindings(window, v);
}

// ---- layout -------------------------------------------------------------------

void LayOut(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int m = WkScaled(window, 6), line = WkScaled(window, 18), button = WkScaled(window, 24);
    const int width = client.right - 2 * m;
    const int channelsHeight = WkScaled(window, 120);
    int y = m;
    MoveWindow(GetDlgItem(window, IDC_CHECK_STATE), m, y, width - WkScaled(window, 130), line, TRUE);
    MoveWindow(GetDlgItem(window, IDC_CHECK_SAVE), client.right - m - WkScaled(window, 120), y, WkScaled(window, 120),
               button, TRUE);
    y += button + m / 2;
    MoveWindow(GetDlgItem(window, IDC_CHECK_VERDICT), m, y, width, 2 * line, TRUE);
    y += 2 * line + m / 2;
    MoveWindow(GetDlgItem(window, IDC_CHECK_CHANNELS), m, y, width, channelsHeight, TRUE);
    y += channelsHeight + m / 2;
    MoveWindow(GetDlgItem(window, IDC_CHECK_FINDINGS), m, y, width, std::max(0, int(client.bottom) - y - m), TRUE);
}

HWND Child(HWND window, const char* windowClass, int id, const char* text, DWORD style) {
    HWND child = CreateWindowExA(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_program.instance, nullptr);
    if (child) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, 0)), FALSE);
    return child;
}

HWND BuildList(HWND window, int id, const Column* columns, int count) {
    HWND list = Child(window, WC_LISTVIEWA, id, "", LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | WS_BORDER |
                                                        WS_TABSTOP);
    if (!list) return nullptr;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    AddColumns(list, columns, count);
    return list;
}

// ---- the operator's commands ------------------------------------------------

// A finding chosen (Enter or a double click): the owner shows its stretch
// in the preview with its channel selected.
void ShowFinding(HWND window, const CheckView& v, int row) {
    const NightCheckResult& r = v.held.result;
    if (row < 0 || size_t(row) >= v.findingRows.size()) return;
    const size_t index = size_t(v.findingRows[size_t(row)]);
    if (index >= r.findings.size()) return;
    const CheckFinding& f = r.findings[index];
    PostMessageA(GetWindow(window, GW_OWNER), WM_SHOW_FINDING, static_cast<WPARAM>(f.trace),
                 static_cast<LPARAM>(f.startSeconds * 1000.0));
}

void SortBy(HWND window, CheckView& v, int list, int column) {
    int& sort = list == IDC_CHECK_FINDINGS ? v.findingSort : v.channelSort;
    bool& down = list == IDC_CHECK_FINDINGS ? v.findingDown : v.channelDown;
    down = sort == column ? !down : false;
    sort = column;
    if (list == IDC_CHECK_FINDINGS) FillFindings(window, v);
    else FillChannels(window, v);
}

// Saves the report of the held check: a Save As dialog proposing
// NAME.check.html beside the recording.
void OnSave(HWND window, const CheckView& v) {
    const HeldCheck& held = v.held;
    if (!held.valid || !held.result.complete) return;
    HWND owner = GetWindow(window, GW_OWNER);
    CheckReportInfo info;
    char proposal[kPathSize] = "";
    char lastOutput[kPathSize] = "";
    {
        StateLock lock(owner);
        if (!lock) return;
        info = MakeCheckReportInfo(lock->settings, lock->source, lock->patient, lock->source.sourcePath, "");
        // NAME.check.html, offered in the recording's folder.
        const std::string path = CheckReportPathFor(lock->source.sourcePath);
        const size_t cut = path.find_last_of("\\/:");
        CopyText(proposal, sizeof proposal, path.c_str() + (cut == std::string::npos ? 0 : cut + 1));
        CopyText(lastOutput, sizeof lastOutput, lock->source.sourcePath);
    }
    const std::string title = ProgramText(IDS_CHECK_SAVE_TITLE);
    if (!AskSaveFile(window, title.c_str(), "HTML (*.html)|*.html|", "html", lastOutput, proposal)) return;
    if (WriteFileBeside(g_fileBuffers.fileName, CheckReportHtml(held.result, info), true) != 0) {
        Ui().beep(MB_ICONEXCLAMATION);
        Ui().messageBox(window, ProgramText(IDS_CHECK_NOT_SAVED).c_str(), ProgramText(IDS_CHECK_CAPTION_WARN).c_str(),
                        MB_OK | MB_ICONEXCLAMATION);
    }
}

LRESULT OnNotify(HWND window, CheckView& v, const NMHDR* header) {
    if (header->idFrom != IDC_CHECK_FINDINGS && header->idFrom != IDC_CHECK_CHANNELS) return 0;
    switch (header->code) {
    case LVN_COLUMNCLICK:
        SortBy(window, v, int(header->idFrom), reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
        break;
    case LVN_ITEMACTIVATE:
        // The row activated is the one selected (a double click selects
        // it first); the notice's own item is not filled in for Enter by
        // every list-view implementation.
        if (header->idFrom == IDC_CHECK_FINDINGS)
            ShowFinding(window, v, int(SendMessageA(header->hwndFrom, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)));
        break;
    }
    return 0;
}

LRESULT OnCreate(HWND window) {
    CheckView* v = new CheckView;
    memset(&v->source, 0, sizeof v->source);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(v));
    Child(window, "STATIC", IDC_CHECK_STATE, "", SS_LEFT);
    Child(window, "BUTTON", IDC_CHECK_SAVE, ProgramText(IDS_CHECK_SAVE).c_str(), BS_PUSHBUTTON | WS_TABSTOP);
    Child(window, "STATIC", IDC_CHECK_VERDICT, "", SS_LEFT | SS_SUNKEN);
    BuildList(window, IDC_CHECK_CHANNELS, kChannelColumns, kChannelColumnCount);
    BuildList(window, IDC_CHECK_FINDINGS, kFindingColumns, kFindingColumnCount);
    LayOut(window);
    return 0;
}

void OnDestroy(HWND window) {
    SendMessageA(GetWindow(window, GW_OWNER), WM_CHECK_CLOSED, reinterpret_cast<WPARAM>(window), 0);
}

void OnNcDestroy(HWND window) {
    delete ViewOf(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
}

void OnMinMaxInfo(HWND window, MINMAXINFO* info) {
    info->ptMinTrackSize.x = WkScaled(window, 420);
    info->ptMinTrackSize.y = WkScaled(window, 320);
}

}  // namespace

LRESULT CALLBACK CheckWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) return OnCreate(window);
    CheckView* v = ViewOf(window);
    switch (message) {
    case WM_SIZE: LayOut(window); return 0;
    case WM_GETMINMAXINFO: OnMinMaxInfo(window, reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    case WM_NOTIFY: return v ? OnNotify(window, *v, reinterpret_cast<const NMHDR*>(lParam)) : 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_CHECK_SAVE && v) OnSave(window, *v);
        return 0;
    case WM_CHECK_CHANGED:
        if (v) Refresh(window, *v);
        return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_NCDESTROY: OnNcDestroy(window); break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL RegisterCheckWindowClass(HINSTANCE instance) {
    const WkWindowClass c = {CheckWindowProc, CHECK_CLASS, 0, 0, MAKEINTRESOURCEA(IDI_APP), nullptr,
                             reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr};
    return WkRegisterWindowClass(instance, c);
}

HWND ShowCheckWindow(HWND owner, HWND existing) {
    if (existing && IsWindow(existing)) {
        if (IsIconic(existing)) ShowWindow(existing, SW_RESTORE);
        SetForegroundWindow(existing);
        return existing;
    }
    HWND window = CreateWindowExA(0, CHECK_CLASS, ProgramText(IDS_CHECK_TITLE).c_str(),
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                                  WkScaled(owner, 640), WkScaled(owner, 520), owner, nullptr, g_program.instance,
                                  nullptr);
    if (!window) return nullptr;
    SendMessageA(window, WM_CHECK_CHANGED, 0, 0);   // the list filled once the owner is known
    ShowWindow(window, SW_SHOW);
    return window;
}
