// The montage grid control (window class MORLEXMONTPATTERN): draws the
// current pattern's channel entries as a table of a header row and MaxCh
// channel rows, turns left presses and drags into a selection of rows in one
// column, opens the in-place editor on a double click and the column's
// choice menu on a right-button release. The keyboard does the same: the
// arrows move the selected cell, Shift with Up or Down extends it within its
// column, Enter and F2 open the editor, a typed character opens it with that
// character, and Space, Shift+F10 or the context-menu key open the choice
// menu at the cell. The grid owns no data: it works on
// the ConverterState attached by WM_GRID_ATTACH, whose handle it keeps in its
// first window value, and it keeps its selection in that record.
// Drawing is grid_paint's.
#include "montage/montage_grid.h"

#include <windowsx.h>

#include "engine/grid_keys.h"
#include "montage/grid_editor.h"
#include "montage/grid_paint.h"
#include "montage/grid_window.h"
#include "pagekit/state_lock.h"
#include "resources/resource_ids.h"
#include "winkit/paint.h"
#include "winkit/winkit.h"

namespace {

void OnPaint(HWND grid) {
    PaintScope paint(grid);
    StateLock lock(grid);
    PresentGrid(grid, paint.dc(), lock.get());
}

// WM_PRINTCLIENT: the same picture into a device context of the caller's.
void OnPrintClient(HWND grid, HDC dc) {
    StateLock lock(grid);
    PresentGrid(grid, dc, lock.get());
}

// Stores the selection and draws the grid with it at once.
void SelectAndDraw(HWND grid, ConverterState& s, int column, int first, int last) {
    s.gridSel.column = column;
    s.gridSel.first = first;
    s.gridSel.last = last;
    WindowDc dc(grid);
    if (dc.dc()) PresentGrid(grid, dc.dc(), &s);
}

void Notify(HWND grid, int code) {
    PostMessageA(GetParent(grid), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(grid), code), reinterpret_cast<LPARAM>(grid));
}

GridHit HitAt(HWND grid, const ConverterState& s, LPARAM at) {
    return HitTestGrid(GridLayoutOf(grid, s), GET_X_LPARAM(at), GET_Y_LPARAM(at));
}

int CursorOf(HWND grid) { return static_cast<int>(GetWindowLongPtrA(grid, kGridSlotCursor)); }
void SetCursorRow(HWND grid, int row) { SetWindowLongPtrA(grid, kGridSlotCursor, row); }

void TakeFocus(HWND grid) {
    if (GetFocus() != grid) SetFocus(grid);
}

void OnLButtonDown(HWND grid, ConverterState& s, LPARAM at) {
    TakeFocus(grid);
    const GridHit hit = HitAt(grid, s, at);
    if (!hit.ok() || !PressSelects(hit.column, GridRow(s, hit.row))) return;
    SetCursorRow(grid, hit.row);
    s.gridSel.dragging = 1;
    SetCapture(grid);
    SelectAndDraw(grid, s, hit.column, hit.row, hit.row);
    Notify(grid, GRID_NOTIFY_PRESS);
}

void OnMouseMove(HWND grid, ConverterState& s, LPARAM at) {
    if (!s.gridSel.dragging) return;
    GridSelection range = s.gridSel;
    if (!DragSelection(range, HitAt(grid, s, at))) return;
    SelectAndDraw(grid, s, range.column, range.first, range.last);
    Notify(grid, GRID_NOTIFY_DRAG);
}

void OnLButtonUp(HWND grid, ConverterState& s) {
    // The flag is cleared before the capture goes, whose loss also clears it.
    const bool dragging = s.gridSel.dragging != 0;
    s.gridSel.dragging = 0;
    ReleaseCapture();
    if (!dragging) return;
    SelectAndDraw(grid, s, s.gridSel.column, s.gridSel.first, s.gridSel.last);
    Notify(grid, GRID_NOTIFY_RELEASE);
}

void OnDoubleClick(HWND grid, ConverterState& s, LPARAM at) {
    TakeFocus(grid);
    const GridHit hit = HitAt(grid, s, at);
    if (hit.ok() && DoubleClickEdits(hit.column, GridRow(s, hit.row))) OpenGridEditor(grid, s);
}

void OnRButtonUp(HWND grid, ConverterState& s, LPARAM at) {
    const GridHit hit = HitAt(grid, s, at);
    if (!RightReleaseKeeps(s.gridSel, hit)) {
        SelectAndDraw(grid, s, hit.column, hit.row, hit.row);
        SetCursorRow(grid, hit.row);
    }
    if (SelectionHasMenu(s.gridSel)) OpenGridChoiceMenu(grid, s);
}

// The keyboard's selection, drawn as a press would draw it.
void SelectByKey(HWND grid, ConverterState& s, const GridSelection& next) {
    SelectAndDraw(grid, s, next.column, next.first, next.last);
}

// Narrows a range to the row the keyboard works on before it is edited.
void SelectCursorCell(HWND grid, ConverterState& s) {
    const int row = CursorOf(grid) >= s.gridSel.first && CursorOf(grid) <= s.gridSel.last ? CursorOf(grid) : s.gridSel.last;
    if (s.gridSel.first != row || s.gridSel.last != row) SelectAndDraw(grid, s, s.gridSel.column, row, row);
    SetCursorRow(grid, row);
}

bool CursorCellEdits(HWND grid, ConverterState& s) {
    const int rows = GridLayoutOf(grid, s).rows;
    return SelectionHasMenu(s.gridSel) && s.gridSel.last <= rows &&
           DoubleClickEdits(s.gridSel.column, GridRow(s, s.gridSel.last));
}

// The choice menu of the selected column, at the lower left of the row the
// keyboard works on.
void OpenMenuAtCell(HWND grid, ConverterState& s) {
    if (!SelectionHasMenu(s.gridSel)) return;
    int row = CursorOf(grid);
    if (row < s.gridSel.first || row > s.gridSel.last) row = s.gridSel.last;
    const GridBox cell = GridCell(GridLayoutOf(grid, s), s.gridSel.column, row);
    POINT at = {cell.left, cell.bottom};
    ClientToScreen(grid, &at);
    OpenGridChoiceMenuAt(grid, s, at);
}

// A key of the grid; false when it is not the grid's (the default window
// procedure then has it, so the menu's Alt keys keep working).
bool OnGridKey(HWND grid, ConverterState& s, WPARAM key, bool alt) {
    const GridKeyAction action = GridKeyFor(static_cast<int>(key), WkKeyDown(VK_SHIFT), WkKeyDown(VK_CONTROL), alt);
    int cursor = CursorOf(grid);
    const int rows = GridLayoutOf(grid, s).rows;
    switch (action) {
    case kGridKeyNone:
        return false;
    case kGridKeyExtendUp:
    case kGridKeyExtendDown:
        SelectByKey(grid, s, ExtendGridSelection(s.gridSel, &cursor, action, rows));
        break;
    case kGridKeyEdit:
        SelectCursorCell(grid, s);
        if (CursorCellEdits(grid, s)) OpenGridEditor(grid, s);
        return true;
    case kGridKeyMenu: {
        // The space the key also typed waits in the queue; left there, the
        // menu would take it as a key of its own and close.
        MSG typed;
        if (PeekMessageA(&typed, grid, WM_CHAR, WM_CHAR, PM_NOREMOVE) && typed.wParam == ' ')
            PeekMessageA(&typed, grid, WM_CHAR, WM_CHAR, PM_REMOVE);
        OpenMenuAtCell(grid, s);
        return true;
    }
    case kGridKeyNextControl:
    case kGridKeyPreviousControl:
        PostMessageA(GetParent(grid), WM_NEXTDLGCTL, action == kGridKeyPreviousControl, FALSE);
        return true;
    default:
        SelectByKey(grid, s, MoveGridCursor(s.gridSel, &cursor, action, rows));
        break;
    }
    SetCursorRow(grid, cursor);
    return true;
}

// A typed character opens the editor on an editable cell with it. A
// double-byte character's trail byte waits as the next character message.
bool OnGridChar(HWND grid, ConverterState& s, WPARAM code) {
    if (!TypedCharOpensEditor(static_cast<unsigned>(code))) return code == ' ' || code == '\r';
    char text[3] = {static_cast<char>(code & 0xFF), static_cast<char>((code >> 8) & 0xFF), '\0'};
    if (!text[1] && IsDBCSLeadByte(static_cast<BYTE>(text[0]))) {
        MSG next;
        if (PeekMessageA(&next, grid, WM_CHAR, WM_CHAR, PM_REMOVE)) text[1] = static_cast<char>(next.wParam & 0xFF);
    }
    SelectCursorCell(grid, s);
    if (CursorCellEdits(grid, s)) OpenGridEditorWith(grid, s, text);
    return true;
}

// The key messages, with the attached record locked.
LRESULT OnKeyMessage(HWND grid, UINT message, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    {
        StateLock lock(grid);
        if (!lock) return DefWindowProcA(grid, message, wParam, lParam);
        if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)
            handled = OnGridKey(grid, *lock, wParam, (lParam & (1 << 29)) != 0 && wParam != VK_F10);
        else if (message == WM_CHAR)
            handled = OnGridChar(grid, *lock, wParam);
        else    // the release of a key that opened the menu gives no second one
            handled = wParam == VK_APPS || (wParam == VK_F10 && WkKeyDown(VK_SHIFT));
    }
    return handled ? 0 : DefWindowProcA(grid, message, wParam, lParam);
}

void OnCommand(HWND grid, ConverterState& s, int id, int code) {
    if (id == IDC_MONT_GRID_EDITOR) OnGridEditorNotice(grid, s, code);
    else if (id >= IDM_GRID_CHOICE_FIRST && id <= IDM_GRID_CHOICE_LAST) ApplyGridChoiceCommand(grid, s, id);
}

// The size the grid needs: every column its room at the screen's dpi and
// every row a line of its font.
LRESULT OnMinimumSize(HWND grid) {
    int textHeight = 16;
    HDC dc = GetDC(grid);
    if (dc) {
        {
            SelectScope font(dc, GridFont(grid));
            TEXTMETRICA metrics;
            if (GetTextMetricsA(dc, &metrics)) textHeight = metrics.tmHeight;
        }
        ReleaseDC(grid, dc);
    }
    int maxCh = kChannelEntries;
    {
        StateLock lock(grid);
        if (lock) maxCh = lock->settings.MaxCh;
    }
    return MAKELRESULT(GridMinimumWidth(WkWindowDpi(grid)), GridMinimumHeight(maxCh, textHeight));
}

void OnAttach(HWND grid, WPARAM handle) {
    SetWindowLongPtrA(grid, kGridSlotState, static_cast<LONG_PTR>(handle));
    StateLock lock(grid);
    if (!lock) return;
    CreateGridEditor(grid, *lock);
    InvalidateRect(grid, nullptr, FALSE);
}

// The mouse and command messages, each with the attached record locked.
LRESULT OnRecordMessage(HWND grid, UINT message, WPARAM wParam, LPARAM lParam) {
    StateLock lock(grid);
    if (!lock) return 0;
    ConverterState& s = *lock;
    switch (message) {
    case WM_LBUTTONDOWN: OnLButtonDown(grid, s, lParam); break;
    case WM_MOUSEMOVE: OnMouseMove(grid, s, lParam); break;
    case WM_LBUTTONUP: OnLButtonUp(grid, s); break;
    case WM_LBUTTONDBLCLK: OnDoubleClick(grid, s, lParam); break;
    case WM_RBUTTONUP: OnRButtonUp(grid, s, lParam); break;
    case WM_COMMAND: OnCommand(grid, s, LOWORD(wParam), HIWORD(wParam)); break;
    case WM_CAPTURECHANGED: if (reinterpret_cast<HWND>(lParam) != grid) s.gridSel.dragging = 0; break;
    }
    return 0;
}

// Tab reaches the grid like any other control of the page.
void OnCreate(HWND grid) { SetWindowLongPtrA(grid, GWL_STYLE, GetWindowLongPtrA(grid, GWL_STYLE) | WS_TABSTOP); }

bool IsRecordMessage(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_MOUSEMOVE || message == WM_LBUTTONUP ||
           message == WM_LBUTTONDBLCLK || message == WM_RBUTTONUP || message == WM_COMMAND ||
           message == WM_CAPTURECHANGED;
}

bool IsKeyMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_KEYUP || message == WM_SYSKEYUP ||
           message == WM_CHAR;
}

LRESULT CALLBACK GridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: OnCreate(grid); return 0;
    case WM_PAINT: OnPaint(grid); return 0;
    case WM_PRINTCLIENT: OnPrintClient(grid, reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;   // painting covers the whole client area, background included
    case WM_ENABLE: InvalidateRect(grid, nullptr, FALSE); return 0;
    case WM_SETFONT: SetWindowLongPtrA(grid, kGridSlotFont, static_cast<LONG_PTR>(wParam)); return 0;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_GRID_ATTACH: OnAttach(grid, wParam); return 0;
    case WM_GRID_MINSIZE: return OnMinimumSize(grid);
    }
    if (IsRecordMessage(message)) return OnRecordMessage(grid, message, wParam, lParam);
    if (IsKeyMessage(message)) return OnKeyMessage(grid, message, wParam, lParam);
    return DefWindowProcA(grid, message, wParam, lParam);
}

}  // namespace

BOOL RegisterMontageGridClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC | CS_PARENTDC;
    wc.lpfnWndProc = GridProc;
    wc.cbWndExtra = 3 * sizeof(LONG_PTR);   // the attached record's handle, the font and the keyboard's row
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = GRID_CLASS;
    if (RegisterClassA(&wc)) return TRUE;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
