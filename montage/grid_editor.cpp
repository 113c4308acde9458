// The montage grid's in-place editor and choice menus; see grid_editor.h.
// The editor is one EDIT control that lives as long as the grid. While it is
// open its window procedure is replaced by EditorProc, which turns Enter, Tab
// and the loss of the focus into notices posted to the grid; closing puts the
// class procedure back. Notices are posted, not sent, so the editor's own key
// handling has returned before the grid hides or moves it.
#include "montage/grid_editor.h"

#include <cstdio>

#include "engine/grid_keys.h"
#include "montage/grid_window.h"
#include "pagekit/program.h"
#include "pagekit/record_notice.h"
#include "pagekit/ui_seam.h"
#include "resources/resource_ids.h"
#include "textkit/sjis_text.h"

namespace {

// 1 while the editor is shown and accepting input. The program has one grid,
// so one flag serves; it is process-wide because the editor procedure must
// answer keys even when no record can be locked.
LONG g_editActive = 0;
// The editor's class window procedure, to which EditorProc passes messages on.
WNDPROC g_editClassProc = nullptr;

enum { kEditorTextSize = 128 };     // text read back from the editor, terminator included

LRESULT PassOn(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!g_editClassProc) return DefWindowProcA(edit, message, wParam, lParam);
    return CallWindowProcA(g_editClassProc, edit, message, wParam, lParam);
}

void PostNotice(HWND edit, int code) {
    PostMessageA(GetParent(edit), WM_COMMAND, MAKEWPARAM(IDC_MONT_GRID_EDITOR, code), reinterpret_cast<LPARAM>(edit));
}

// Enter, Esc and Tab end the editing; Up and Down do nothing; Left and Right move
// the caret (and go to the grid once the editing has ended).
LRESULT OnEditorKeyDown(HWND edit, WPARAM key, LPARAM lParam) {
    switch (key) {
    case VK_TAB:
        g_editActive = 0;
        PostNotice(edit, GRID_EDIT_TAB);
        return 0;
    case VK_RETURN:
        g_editActive = 0;
        PostNotice(edit, GRID_EDIT_ENTER);
        return 0;
    case VK_ESCAPE:
        g_editActive = 0;
        PostNotice(edit, GRID_EDIT_ESCAPE);
        return 0;
    case VK_LEFT:
    case VK_RIGHT:
        if (g_editActive) break;
        PostMessageA(GetParent(edit), WM_KEYDOWN, key, lParam);
        return 0;
    case VK_UP:
    case VK_DOWN:
        return 0;
    }
    return PassOn(edit, WM_KEYDOWN, key, lParam);
}

// Characters reach the text only while editing, never Enter or Tab. A
// double-byte character packed into one message has its second message
// waiting behind it, which is dropped so the character is not entered twice.
LRESULT OnEditorChar(HWND edit, WPARAM code, LPARAM lParam) {
    if (!g_editActive || code == '\r' || code == '\t' || code == 0x1B) return 0;
    const char bytes[3] = {static_cast<char>(code & 0xFF), static_cast<char>((code >> 8) & 0xFF), '\0'};
    if (bytes[0] && bytes[1] && SjisCharWidth(bytes) == 2) {
        MSG next;
        PeekMessageA(&next, edit, WM_CHAR, WM_CHAR, PM_REMOVE);
    }
    return PassOn(edit, WM_CHAR, code, lParam);
}

LRESULT CALLBACK EditorProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KILLFOCUS:
        g_editActive = 0;
        PostNotice(edit, GRID_EDIT_KILLFOCUS);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        return OnEditorKeyDown(edit, wParam, lParam);
    case WM_CHAR:
        return OnEditorChar(edit, wParam, lParam);
    }
    return PassOn(edit, message, wParam, lParam);
}

// The row the editor works on, or 0 when the selection has none.
int EditedRow(HWND grid, const ConverterState& s) {
    const int row = s.gridSel.last;
    return row >= 1 && row <= GridLayoutOf(grid, s).rows ? row : 0;
}

// The line under the grid: how to edit it, or why the last typed value was
// refused (the column's title and the reason).
void ShowGridHint(HWND grid, const ConverterState& s, GridTextVerdict verdict) {
    static const int kReasons[] = {0, IDS_GRID_NO_NUMBER, IDS_GRID_NOT_WHOLE, IDS_GRID_TOO_LARGE,
                                   IDS_GRID_NEGATIVE, IDS_GRID_ZERO};
    HWND hint = GetDlgItem(GetParent(grid), IDC_MONT_GRID_HINT);
    if (!hint) return;
    if (verdict <= kGridTextTaken || verdict >= int(sizeof kReasons / sizeof kReasons[0])) {
        SetWindowTextA(hint, GridHintText());
        return;
    }
    char format[128] = "", text[192];
    LoadStringA(g_program.instance, kReasons[verdict], format, sizeof format);
    snprintf(text, sizeof text, format, GridTitle(s.gridSel.column, s.settings.TCType));
    SetWindowTextA(hint, text);
}

// Hides the editor and, when `store` is set and it was open, stores its text
// in the edited cell. A text the cell cannot take leaves the value, beeps
// and says why under the grid; the verdict is returned.
GridTextVerdict CloseGridEditor(HWND grid, ConverterState& s, bool store) {
    HWND edit = s.gridEditWindow;
    char text[kEditorTextSize] = "";
    const bool shown = edit && (GetWindowLongPtrA(edit, GWL_STYLE) & WS_VISIBLE);
    if (shown) {
        GetWindowTextA(edit, text, sizeof text);
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC)) == EditorProc && s.gridEditProc)
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s.gridEditProc));
        ShowWindow(edit, SW_HIDE);
    }
    g_editActive = 0;
    const int row = EditedRow(grid, s);
    if (!store || !shown || !row) return kGridTextTaken;
    const GridTextVerdict verdict = StoreGridEditorText(GridRow(s, row), s.gridSel.column, text, s.settings.TCType);
    // The reason stays under the grid until a value is taken.
    if (verdict != kGridTextTaken) Ui().beep(MB_ICONEXCLAMATION);
    else NoticeRecordChanged(grid);   // the preview compares and follows
    ShowGridHint(grid, s, verdict);
    return verdict;
}

void OnEditorEnter(HWND grid, ConverterState& s) {
    // A refused value: the editor opens again on the same cell, showing the
    // value kept, so the operator can type it anew.
    if (CloseGridEditor(grid, s, true) != kGridTextTaken) {
        InvalidateRect(grid, nullptr, FALSE);
        OpenGridEditor(grid, s);
        return;
    }
    const int next = NextEditRow(s.gridSel.last, GridLayoutOf(grid, s).rows);
    s.gridSel.first = next;
    s.gridSel.last = next;
    // The stored value and the moved selection are shown at once.
    InvalidateRect(grid, nullptr, FALSE);
    if (GridRow(s, next).enabled > 0) OpenGridEditor(grid, s);
}

}  // namespace

void CreateGridEditor(HWND grid, ConverterState& s) {
    if (s.gridEditWindow && IsWindow(s.gridEditWindow) && GetParent(s.gridEditWindow) == grid) return;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(grid, GWLP_HINSTANCE));
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 1, 1, grid,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MONT_GRID_EDITOR)), instance, nullptr);
    s.gridEditWindow = edit;
    s.gridEditProc = edit ? reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC)) : nullptr;
    g_editClassProc = s.gridEditProc;
}

void OpenGridEditor(HWND grid, ConverterState& s) {
    HWND edit = s.gridEditWindow;
    const int column = s.gridSel.column;
    const int limit = GridEditorLimit(column);
    const int row = EditedRow(grid, s);
    if (!edit || !s.gridEditProc || !limit || !row) return;
    GridBox box = GridCell(GridLayoutOf(grid, s), column, row);
    box.top -= 1;
    box.bottom += 1;
    char text[kGridTextSize];
    GridEditorText(text, sizeof text, column, GridRow(s, row), s.settings.TCType);

    g_editClassProc = s.gridEditProc;
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditorProc));
    if (HFONT font = GridFont(grid)) SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(edit, EM_LIMITTEXT, limit, 0);
    MoveWindow(edit, box.left, box.top, box.right - box.left, box.bottom - box.top, TRUE);
    SetWindowTextA(edit, text);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    ShowWindow(edit, SW_SHOW);
    SetFocus(edit);
    g_editActive = 1;
}

void OpenGridEditorWith(HWND grid, ConverterState& s, const char* text) {
    OpenGridEditor(grid, s);
    HWND edit = s.gridEditWindow;
    if (!g_editActive || !edit) return;
    SetWindowTextA(edit, text);
    SendMessageA(edit, EM_SETSEL, 0x7FFF, 0x7FFF);
}

void OnGridEditorNotice(HWND grid, ConverterState& s, int code) {
    if (code != GRID_EDIT_ENTER && code != GRID_EDIT_TAB && code != GRID_EDIT_KILLFOCUS && code != GRID_EDIT_ESCAPE)
        return;
    // The editor has been opened again since this notice was posted (a
    // double click on another cell): the notice belongs to the earlier opening.
    if (g_editActive) return;
    if (code == GRID_EDIT_ENTER) OnEditorEnter(grid, s);
    else CloseGridEditor(grid, s, false);
    // Esc leaves the value as it was and gives the keys back to the grid.
    if (code == GRID_EDIT_ESCAPE) SetFocus(grid);
}

void OpenGridChoiceMenu(HWND grid, ConverterState& s) {
    POINT at;
    GetCursorPos(&at);
    OpenGridChoiceMenuAt(grid, s, at);
}

void OpenGridChoiceMenuAt(HWND grid, ConverterState& s, POINT at) {
    GridChoiceMenu choices;
    BuildGridChoices(choices, s.gridSel.column, CurrentPattern(s), s.gridSel.last, GridViewOf(s));
    if (choices.count == 0) return;     // an empty menu shows nothing
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    for (int i = 0; i < choices.count; ++i) {
        const UINT flags = MF_STRING | (i == choices.checked ? MF_CHECKED : MF_UNCHECKED);
        AppendMenuA(menu, flags, IDM_GRID_CHOICE_FIRST + choices.items[i].index, choices.items[i].text);
    }
    const int command = Ui().popupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, at.x, at.y, grid);
    DestroyMenu(menu);
    if (command >= IDM_GRID_CHOICE_FIRST && command <= IDM_GRID_CHOICE_LAST) PostMessageA(grid, WM_COMMAND, command, 0);
}

void ApplyGridChoiceCommand(HWND grid, ConverterState& s, int command) {
    if (command < IDM_GRID_CHOICE_FIRST || command > IDM_GRID_CHOICE_LAST) return;
    ApplyGridChoice(CurrentPattern(s), s.gridSel, command - IDM_GRID_CHOICE_FIRST, GridViewOf(s));
    InvalidateRect(grid, nullptr, FALSE);
    NoticeRecordChanged(grid);
}
