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
#include "engine/check_texts.h"
#include "engine/epoch_values.h"
#include "filekit/filekit.h"
#include "pagekit/check_words.h"
#include "pagekit/file_dialogs.h"
#include "pagekit/held_check.h"
#include "pagekit/profile.h"
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
const Column kFindingColumns[] = {{IDS_CHECK_COL_CHANNEL, 70}, {IDS_CHECK_COL_CHECK, 90}, {IDS_CHECK_COL_FROM, 62},
                                  {IDS_CHECK_COL_TO, 62},      {IDS_CHECK_COL_VALUE, 120}, {IDS_CHECK_COL_LEVEL, 42},
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
    HWND focus = nullptr;           // the control that had the focus when the window was left
    HeldCheck held;                 // the record's held check, copied when told it changed
};

// Where the check window was when last closed (none yet: beside the main window).
bool g_placed = false;
RECT g_lastPlace = {0, 0, 0, 0};

CheckView* ViewOf(HWND window) { return reinterpret_cast<CheckView*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

void SetText(HWND window, int id, const std::string& text) { SetDlgItemTextA(window, id, text.c_str()); }

std::string Clock(const SourceInfo& source, double seconds) {
    char text[32];
    FormatClockTime(text, sizeof text, source, static_cast<int64_t>(seconds));
    return text;
}

std::string Hours(double hours) {
    char text[32];
    snprintf(text, sizeof text, "%.1f", hours);
    return text;
}

// A finding's text in column `c`.
std::string FindingCell(const CheckView& v, const CheckFinding& f, int c) {
    switch (c) {
    case 0: return f.label;
    case 1: return KindText(f.kind);
    case 2: return Clock(v.source, f.startSeconds);
    case 3: return Clock(v.source, f.endSeconds);
    case 4: return FindingValueText(f.kind, f.value, f.unit, v.held.result.mainsHz);
    case 5: return LevelText(f.level);
    case 6: {
        const std::string note = ValueNamesNote(f.kind, v.held.result.mainsHz) ? "" : NoteText(f.note);
        return note + (f.other[0] ? std::string(note.empty() ? "" : " / ") + f.other : "");
    }
    }
    return "";
}

std::string ChannelCell(const ChannelSummary& ch, int c) {
    switch (c) {
    case 0: return ch.label;
    case 1: return SignalText(ch.kind);
    case 2: return Hours(ch.usableHours);
    case 3: return Hours(ch.hours);
    case 4: return VerdictText(ch.verdict);
    }
    return "";
}

// The order of two findings by column `c` (numbers and times as numbers).
bool FindingBefore(const CheckFinding& a, const CheckFinding& b, int c) {
    switch (c) {
    case 0: return a.trace < b.trace;
    case 1: return a.kind < b.kind;
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
    const std::string outcome = ShownText(RuleOutcomeText(held.result, ReportLanguage::Japanese, false));
    SetText(window, IDC_CHECK_VERDICT, verdict.empty() ? verdict : verdict + "\r\n" + outcome);
    EnableWindow(GetDlgItem(window, IDC_CHECK_SAVE), !verdict.empty());
}

void LayOut(HWND window);
void OnListFocus(HWND window, const CheckView& v, HWND list);

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
    LayOut(window);     // the channel rows as many as the check found
    // Rows arriving in a list that has the focus: its first row is marked.
    HWND focus = GetFocus();
    if (focus && GetParent(focus) == window &&
        (GetDlgCtrlID(focus) == IDC_CHECK_FINDINGS || GetDlgCtrlID(focus) == IDC_CHECK_CHANNELS))
        OnListFocus(window, v, focus);
}

// ---- layout -------------------------------------------------------------------

// The channel rows the window makes room for: every written channel, up to
// kChannelRowsShown (the held check's, else the record's plan).
const int kChannelRowsShown = 16;

int ChannelRowsWanted(HWND window) {
    int rows = 0;
    const CheckView* v = ViewOf(window);
    if (v && v->held.valid) rows = int(v->held.result.channels.size());
    if (rows == 0) {
        StateLock lock(GetWindow(window, GW_OWNER));
        if (lock) {
            TracePlan plan;
            rows = PlanTraces(lock->source, CurrentPattern(*lock), &plan, lock->settings.TCType != 0);
        }
    }
    return std::max(1, std::min(kChannelRowsShown, rows));
}

// The height of a list that shows its column titles and `rows` rows whole.
int ListHeightFor(HWND list, int rows) {
    RECT header = {0, 0, 0, 0};
    if (HWND h = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0))) GetWindowRect(h, &header);
    // A row's height as the list lays it out: what sixteen rows more add
    // (whatever the list counts besides its rows cancels out).
    const DWORD one = DWORD(SendMessageA(list, LVM_APPROXIMATEVIEWRECT, 1, MAKELPARAM(-1, -1)));
    const DWORD more = DWORD(SendMessageA(list, LVM_APPROXIMATEVIEWRECT, 17, MAKELPARAM(-1, -1)));
    int rowHeight = (int(HIWORD(more)) - int(HIWORD(one))) / 16;
    if (rowHeight <= 0) rowHeight = WkScaled(list, 17);
    const int frame = 2 * GetSystemMetrics(SM_CYBORDER) + 2 * GetSystemMetrics(SM_CYEDGE);
    return int(header.bottom - header.top) + rows * rowHeight + frame;
}

// The fixed parts above the lists: the state line with the save button and
// the two-line verdict.
int TopHeight(HWND window) {
    const int m = WkScaled(window, 6), line = WkScaled(window, 18), button = WkScaled(window, 24);
    return m + button + m / 2 + 2 * line + m / 2;
}

void LayOut(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int m = WkScaled(window, 6), line = WkScaled(window, 18), button = WkScaled(window, 24);
    const int width = client.right - 2 * m;
    HWND channels = GetDlgItem(window, IDC_CHECK_CHANNELS);
    // All channel rows (up to 16) while the findings keep a few rows.
    const int findingsLeast = ListHeightFor(channels, 4);
    const int room = std::max(0, int(client.bottom) - TopHeight(window) - m - m / 2 - findingsLeast);
    const int channelsHeight = std::min(ListHeightFor(channels, ChannelRowsWanted(window)), room);
    int y = m;
    MoveWindow(GetDlgItem(window, IDC_CHECK_STATE), m, y, width - WkScaled(window, 130), line, TRUE);
    MoveWindow(GetDlgItem(window, IDC_CHECK_SAVE), client.right - m - WkScaled(window, 120), y, WkScaled(window, 120),
               button, TRUE);
    y += button + m / 2;
    MoveWindow(GetDlgItem(window, IDC_CHECK_VERDICT), m, y, width, 2 * line, TRUE);
    y += 2 * line + m / 2;
    MoveWindow(channels, m, y, width, channelsHeight, TRUE);
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
        info.language = LoadReportLanguage(PrivateProfile(g_program.settingsPath));
        // NAME.check.html, offered in the recording's folder.
        CopyText(proposal, sizeof proposal, FileNameOf(CheckReportPathFor(lock->source.sourcePath)).c_str());
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

// Marks `row` of `list` chosen (selected, focused, scrolled into view); -1
// chooses none.
void ChooseRow(HWND list, int row) {
    LVITEMA item;
    memset(&item, 0, sizeof item);
    item.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&item));
    if (row < 0) return;
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    SendMessageA(list, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
}

int ChosenRow(HWND list) { return int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); }

// A channel chosen: its first finding (in the findings' order) is chosen
// too, or none when it has none.
void OnChannelChosen(HWND window, const CheckView& v, int row) {
    const NightCheckResult& r = v.held.result;
    if (row < 0 || size_t(row) >= v.channelRows.size() || size_t(v.channelRows[size_t(row)]) >= r.channels.size())
        return;
    const int32_t trace = r.channels[size_t(v.channelRows[size_t(row)])].trace;
    int first = -1;
    for (size_t i = 0; i < v.findingRows.size() && first < 0; ++i)
        if (size_t(v.findingRows[i]) < r.findings.size() && r.findings[size_t(v.findingRows[i])].trace == trace)
            first = int(i);
    ChooseRow(GetDlgItem(window, IDC_CHECK_FINDINGS), first);
}

// A list taking the focus with no row focused marks its first row, so the
// operator sees where the arrows start.
void OnListFocus(HWND window, const CheckView& v, HWND list) {
    if (SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED) >= 0) return;
    if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 0) return;
    ChooseRow(list, 0);
    if (GetDlgCtrlID(list) == IDC_CHECK_CHANNELS) OnChannelChosen(window, v, 0);
}

LRESULT OnNotify(HWND window, CheckView& v, const NMHDR* header) {
    if (header->idFrom != IDC_CHECK_FINDINGS && header->idFrom != IDC_CHECK_CHANNELS) return 0;
    switch (header->code) {
    case LVN_COLUMNCLICK:
        SortBy(window, v, int(header->idFrom), reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
        break;
    case LVN_ITEMCHANGED: {
        const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
        if (header->idFrom == IDC_CHECK_CHANNELS && (change->uNewState & LVIS_SELECTED) &&
            !(change->uOldState & LVIS_SELECTED))
            OnChannelChosen(window, v, change->iItem);
        break;
    }
    case NM_SETFOCUS: OnListFocus(window, v, header->hwndFrom); break;
    case LVN_ITEMACTIVATE:
        // The row activated is the one selected (a double click selects
        // it first); the notice's own item is not filled in for Enter by
        // every list-view implementation.
        if (header->idFrom == IDC_CHECK_FINDINGS) ShowFinding(window, v, ChosenRow(header->hwndFrom));
        break;
    }
    return 0;
}

// Enter: on the save button the report is saved; in either list the chosen
// finding is shown (a channel chooses its first finding).
void OnEnter(HWND window, const CheckView& v, HWND focus) {
    if (focus == GetDlgItem(window, IDC_CHECK_SAVE)) {
        if (IsWindowEnabled(focus)) OnSave(window, v);
        return;
    }
    const int row = ChosenRow(GetDlgItem(window, IDC_CHECK_FINDINGS));
    if (row < 0) Ui().beep(0);
    else ShowFinding(window, v, row);
}

// The focus order of Tab: the findings, the channels, the save button (when
// it can save).
void MoveFocus(HWND window, HWND focus, bool backward) {
    HWND order[] = {GetDlgItem(window, IDC_CHECK_FINDINGS), GetDlgItem(window, IDC_CHECK_CHANNELS),
                    GetDlgItem(window, IDC_CHECK_SAVE)};
    const int count = 3;
    int at = -1;
    for (int i = 0; i < count; ++i)
        if (order[i] == focus) at = i;
    for (int step = 1; step <= count; ++step) {
        const int next = ((at < 0 ? (backward ? count : -1) : at) + (backward ? -step : step) + 2 * count) % count;
        if (order[next] && IsWindowEnabled(order[next])) {
            SetFocus(order[next]);
            return;
        }
    }
}

void OnActivate(HWND window, CheckView& v, WPARAM state) {
    if (LOWORD(state) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) v.focus = focus;
        return;
    }
    // Back to where the operator was, else the findings.
    SetFocus(v.focus && IsWindow(v.focus) ? v.focus : GetDlgItem(window, IDC_CHECK_FINDINGS));
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
    if (!IsIconic(window) && GetWindowRect(window, &g_lastPlace)) g_placed = true;
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
    case WM_ACTIVATE:
        if (v) OnActivate(window, *v, wParam);
        return 0;
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

namespace {

// Where the check window goes: where it was last, else beside the main
// window `owner` (right of it, else left of it, else at the work area's
// right edge over it), top edges level; always inside the work area `work`,
// its size cut to it.
RECT PlaceWindow(const RECT& owner, const RECT& work, SIZE size, const RECT* last) {
    const LONG workWidth = work.right - work.left, workHeight = work.bottom - work.top;
    LONG w = std::min(size.cx, workWidth), h = std::min(size.cy, workHeight);
    LONG x, y;
    if (last) {
        w = std::min(last->right - last->left, workWidth);
        h = std::min(last->bottom - last->top, workHeight);
        x = last->left;
        y = last->top;
    } else {
        x = owner.right + w <= work.right ? owner.right : owner.left - w >= work.left ? owner.left - w : work.right - w;
        y = owner.top;
    }
    x = std::max(work.left, std::min(x, work.right - w));
    y = std::max(work.top, std::min(y, work.bottom - h));
    return RECT{x, y, x + w, y + h};
}

// The window's size: 640 pixels wide at 96 dpi, high enough for every
// channel row (up to 16) and eight finding rows.
SIZE WantedSize(HWND window) {
    HWND channels = GetDlgItem(window, IDC_CHECK_CHANNELS);
    const int m = WkScaled(window, 6);
    RECT frame = {0, 0, WkScaled(window, 640),
                  TopHeight(window) + ListHeightFor(channels, ChannelRowsWanted(window)) + m / 2 +
                      ListHeightFor(channels, 8) + m};
    AdjustWindowRectEx(&frame, DWORD(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongPtrA(window, GWL_EXSTYLE)));
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace

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
    RECT ownerRect = {0, 0, 0, 0}, work = {0, 0, 0, 0};
    GetWindowRect(owner, &ownerRect);
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) work = monitor.rcWork;
    else SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const RECT place = PlaceWindow(ownerRect, work, WantedSize(window), g_placed ? &g_lastPlace : nullptr);
    SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, SW_SHOW);
    SetFocus(GetDlgItem(window, IDC_CHECK_FINDINGS));
    return window;
}

bool TranslateCheckKey(HWND check, const MSG& message) {
    if (message.message != WM_KEYDOWN || !check || !IsWindow(check)) return false;
    if (message.hwnd != check && !IsChild(check, message.hwnd)) return false;
    if (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) < 0) return false;
    CheckView* v = ViewOf(check);
    if (!v) return false;
    switch (message.wParam) {
    case VK_TAB: MoveFocus(check, message.hwnd, GetKeyState(VK_SHIFT) < 0); return true;
    case VK_RETURN: OnEnter(check, *v, message.hwnd); return true;
    case VK_ESCAPE: DestroyWindow(check); return true;
    }
    return false;
}
