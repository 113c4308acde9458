// The montage page: the list of the eight montage patterns (choosing one
// reloads it from the settings file and makes it the current pattern;
// typing renames the current pattern), "Pattern Registry" storing the
// current pattern, "Pattern Copy..." (copy to a slot, export, import), the calibration condition import, the "TC Type" box that
// switches the grid's filter column, and the montage grid that shows and
// edits the current pattern, laid out with the page's size.
#include "montage/montage_page.h"

#include <cstdio>

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

void OnInitPage(HWND page, ConverterState& state) {
    SendDlgItemMessageA(page, IDC_MONT_PATTERN_LIST, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, kWkFontPatternList)), FALSE);
    SendMessageA(Grid(page), WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, kWkFontGrid)), FALSE);
    SendMessageA(Grid(page), WM_GRID_ATTACH, reinterpret_cast<WPARAM>(state.self), 0);
    CheckDlgButton(page, IDC_MONT_TCTYPE, state.settings.TCType ? BST_CHECKED : BST_UNCHECKED);
    FillStoredNames(page, state);
    SelectSlot(page, state, PatternIndex(state));
}

// The grid fills the page above the row of buttons along its bottom edge.
void LayOut(HWND page, int width, int height) {
    RECT button = {0, 0, 0, 0};
    GetClientRect(GetDlgItem(page, IDC_MONT_REGISTER), &button);
    const int bw = button.right, bh = button.bottom, y = height - bh - 4;
    MoveWindow(Grid(page), 4, 30, width - 8, height - bh - 36, TRUE);
    const UINT keepSize = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(GetDlgItem(page, IDC_MONT_REGISTER), nullptr, 4, y, 0, 0, keepSize);
    SetWindowPos(GetDlgItem(page, IDC_MONT_COPY), nullptr, bw + 8, y, 0, 0, keepSize);
    SetWindowPos(GetDlgItem(page, IDC_MONT_LOAD_CAL), nullptr, 2 * bw + 16, y, 0, 0, keepSize);
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
    case WM_COMMAND:
        WithState(page, [&](ConverterState& state) { OnCommand(page, state, LOWORD(wParam), HIWORD(wParam)); });
        NoticeRecordChanged(page);   // another pattern, a calibration import
        return FALSE;
    case WM_DESTROY:
        return TRUE;
    }
    return FALSE;
}
