// The montage page: the list of the eight montage patterns (choosing one
// reloads it from the settings file and makes it the current pattern;
// typing renames the current pattern), "Pattern Registry" storing the
// current pattern, "Pattern Copy..." (copy to a slot, export, import), the calibration condition import, the "TC Type" box that
// switches the grid's filter column, and the montage grid that shows and
// edits the current pattern, with a line under it telling how to edit it,
// laid out with the page's size and never smaller than the grid needs.
#include "montage/montage_page.h"

#include <cstdio>

#include "engine/grid_keys.h"
#include "montage/cal_condition.h"
#include "montage/pattern_copy.h"
#include "montage/pattern_store.h"
#include "pagekit/profile.h"
#include "pagekit/program.h"
#include "pagekit/record_notice.h"
#include "pagekit/state_lock.h"
#include "pagekit/ui_seam.h"
#include "resources/resource_ids.h"
#include "textkit/sjis_text.h"
#include "winkit/winkit.h"

namespace {

HWND Grid(HWND page) { return GetDlgItem(page, IDC_MONT_GRID); }

// The current slot, 0..7 (CurrentPattern's choice for a stray value).
int PatternIndex(const ConverterState& state) {
    return state.currentPattern < kPatternCount ? state.currentPattern : 0;
}

void AddListName(HWND page, const char* name) {
    SendDlgItemMessageA(page, IDC_MONT_PATTERN_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

// Makes slot k the current pattern, shows it in the list and repaints the grid.
void SelectSlot(HWND page, ConverterState& state, int k) {
    state.currentPattern = static_cast<uint16_t>(k);
    SendDlgItemMessageA(page, IDC_MONT_PATTERN_LIST, CB_SETCURSEL, k, 0);
    InvalidateRect(Grid(page), nullptr, FALSE);
}

// The page is made before the patterns are loaded: the list first shows the
// names as stored, empty for a slot without one.
void FillStoredNames(HWND page, ConverterState& state) {
    SendDlgItemMessageA(page, IDC_MONT_PATTERN_LIST, CB_RESETCONTENT, 0, 0);
    for (int k = 0; k < kPatternCount; ++k) {
        char section[16];
        snprintf(section, sizeof section, "Pattern%i", k + 1);
        char* name = state.patterns[k].name;
        ReadProfileText(section, "PATTERN", "", name, kPatternNameSize, g_program.settingsPath);
        AddListName(page, name);
    }
}

// The hint line under the grid, in the page's font.
void CreateHintLine(HWND page) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(page, GWLP_HINSTANCE));
    HWND hint = CreateWindowExA(0, "STATIC", GridHintText(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0, 0, 1, 1,
                                page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MONT_GRID_HINT)), instance,
                                nullptr);
    if (hint) SendMessageA(hint, WM_SETFONT, SendMessageA(page, WM_GETFONT, 0, 0), FALSE);
}

void OnInitPage(HWND page, ConverterState& state) {
    CreateHintLine(page);
    SendDlgItemMessageA(page, IDC_MONT_PATTERN_LIST, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, kWkFontPatternList)), FALSE);
    SendMessageA(Grid(page), WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, kWkFontGrid)), FALSE);
    SendMessageA(Grid(page), WM_GRID_ATTACH, reinterpret_cast<WPARAM>(state.self), 0);
    CheckDlgButton(page, IDC_MONT_TCTYPE, state.settings.TCType ? BST_CHECKED : BST_UNCHECKED);
    FillStoredNames(page, state);
    SelectSlot(page, state, PatternIndex(state));
}

// The page's measures in pixels: the gaps (4 pixels at 96 dpi), the height
// of the row of controls along the top, of a text line and of a button.
struct PageMeasures {
    int gap, top, line, button, buttonWidth, hintWidth;
};

PageMeasures MeasuresOf(HWND page) {
    PageMeasures m = {WkScaled(page, 4), 30, 16, 0, 0, 0};
    HDC dc = GetDC(page);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0)));
        TEXTMETRICA metrics;
        if (GetTextMetricsA(dc, &metrics)) m.line = metrics.tmHeight + 2;
        SIZE hint = {0, 0};
        const char* text = GridHintText();
        if (GetTextExtentPoint32A(dc, text, lstrlenA(text), &hint)) m.hintWidth = hint.cx + 2;
        SelectObject(dc, old);
        ReleaseDC(page, dc);
    }
    RECT r = {0, 0, 0, 0};
    GetWindowRect(GetDlgItem(page, IDC_MONT_PATTERN_LIST), &r);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
    if (r.bottom > 0) m.top = r.bottom + m.gap;
    GetClientRect(GetDlgItem(page, IDC_MONT_REGISTER), &r);
    m.button = r.bottom;
    m.buttonWidth = r.right;
    return m;
}

// The grid fills the page between the row along the top and the hint line
// above the row of buttons along its bottom edge.
void LayOut(HWND page, int width, int height) {
    const PageMeasures m = MeasuresOf(page);
    const int bw = m.buttonWidth, y = height - m.button - m.gap, hintY = y - m.gap - m.line;
    MoveWindow(Grid(page), m.gap, m.top, width - 2 * m.gap, hintY - m.gap - m.top, TRUE);
    MoveWindow(GetDlgItem(page, IDC_MONT_GRID_HINT), m.gap, hintY, width - 2 * m.gap, m.line, TRUE);
    const UINT keepSize = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(GetDlgItem(page, IDC_MONT_REGISTER), nullptr, m.gap, y, 0, 0, keepSize);
    SetWindowPos(GetDlgItem(page, IDC_MONT_COPY), nullptr, bw + 2 * m.gap, y, 0, 0, keepSize);
    SetWindowPos(GetDlgItem(page, IDC_MONT_LOAD_CAL), nullptr, 2 * bw + 4 * m.gap, y, 0, 0, keepSize);
}

// The smallest page that shows every control whole: the grid's own minimum,
// the top row, and the buttons as LayOut places them.
LRESULT MinimumPageSize(HWND page) {
    const PageMeasures m = MeasuresOf(page);
    const LRESULT grid = SendMessageA(Grid(page), WM_GRID_MINSIZE, 0, 0);
    int width = LOWORD(grid) + 2 * m.gap;
    RECT r = {0, 0, 0, 0};
    GetClientRect(GetDlgItem(page, IDC_MONT_LOAD_CAL), &r);
    if (2 * m.buttonWidth + 4 * m.gap + r.right + m.gap > width) width = 2 * m.buttonWidth + 4 * m.gap + r.right + m.gap;
    GetWindowRect(GetDlgItem(page, IDC_MONT_TCTYPE), &r);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
    if (r.right + m.gap > width) width = r.right + m.gap;
    if (m.hintWidth + 2 * m.gap > width) width = m.hintWidth + 2 * m.gap;
    const int height = m.top + HIWORD(grid) + 3 * m.gap + m.line + m.button + m.gap;
    return MAKELRESULT(width, height);
}

// A slot chosen in the list is read again from the settings file, from the
// start-up state on, so no edit of it survives, whichever keys it stores.
void OnPatternChosen(HWND page, ConverterState& state) {
    const int k = static_cast<int>(SendDlgItemMessageA(page, IDC_MONT_PATTERN_LIST, CB_GETCURSEL, 0, 0));
    if (k < 0 || k >= kPatternCount) return;
    ResetPatternToStartup(state.patterns[k]);
    LoadPattern(state.patterns, k, g_program.settingsPath);
    SelectSlot(page, state, k);
}

// The list shows the names held in the patterns, renamed ones included.
void RebuildList(HWND page, ConverterState& state) {
    SendDlgItemMessageA(page, IDC_MONT_PATTERN_LIST, CB_RESETCONTENT, 0, 0);
    for (const MontagePattern& p : state.patterns) AddListName(page, p.name);
    SelectSlot(page, state, PatternIndex(state));
}

void OnNameTyped(HWND page, ConverterState& state) {
    char text[256];
    GetDlgItemTextA(page, IDC_MONT_PATTERN_LIST, text, sizeof text);
    CopyText(CurrentPattern(state).name, kPatternNameSize, text);
}

void OnPatternListNotice(HWND page, ConverterState& state, int code) {
    if (code == CBN_SELCHANGE) OnPatternChosen(page, state);
    else if (code == CBN_KILLFOCUS || code == CBN_DROPDOWN) RebuildList(page, state);
    else if (code == CBN_EDITCHANGE) OnNameTyped(page, state);
}

void OnLoadCal(HWND page, ConverterState& state) {
    if (LoadCalCondition(page, state)) InvalidateRect(Grid(page), nullptr, FALSE);
}

// Pattern Copy may have renamed the slots or replaced the current pattern.
void OnPatternCopy(HWND page, ConverterState& state) {
    RunPatternCopyDialog(page);
    RebuildList(page, state);
    InvalidateRect(Grid(page), nullptr, FALSE);
}

void OnTcType(HWND page, ConverterState& state) {
    state.settings.TCType = IsDlgButtonChecked(page, IDC_MONT_TCTYPE) == BST_CHECKED ? 1 : 0;
    InvalidateRect(Grid(page), nullptr, TRUE);
}

void OnCommand(HWND page, ConverterState& state, int id, int code) {
    switch (id) {
    case IDC_MONT_PATTERN_LIST:
        OnPatternListNotice(page, state, code);
        break;
    case IDC_MONT_REGISTER:
        StorePattern(state.patterns, PatternIndex(state), g_program.settingsPath);
        break;
    case IDC_MONT_COPY:
        OnPatternCopy(page, state);
        break;
    case IDC_MONT_LOAD_CAL:
        OnLoadCal(page, state);
        break;
    case IDC_MONT_TCTYPE:
        OnTcType(page, state);
        break;
    }
}

}  // namespace

INT_PTR CALLBACK MontagePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        WithState(page, [&](ConverterState& state) { OnInitPage(page, state); });
        return TRUE;
    case WM_SIZE:
        LayOut(page, LOWORD(lParam), HIWORD(lParam));
        return FALSE;
    case WM_PAGE_MINSIZE:
        SetWindowLongPtrA(page, DWLP_MSGRESULT, MinimumPageSize(page));
        return TRUE;
    case WM_COMMAND:
        WithState(page, [&](ConverterState& state) { OnCommand(page, state, LOWORD(wParam), HIWORD(wParam)); });
        NoticeRecordChanged(page);   // another pattern, a calibration import
        return FALSE;
    case WM_DESTROY:
        return TRUE;
    }
    return FALSE;
}
