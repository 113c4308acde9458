// The montage grid control (window class MORLEXMONTPATTERN): draws the
// current pattern's channel entries as a table of a header row and MaxCh
// channel rows, turns left presses and drags into a selection of rows in one
// column, opens the in-place editor on a double click and the column's
// choice menu on a right-button release. The grid owns no data: it works on
// the ConverterState attached by WM_GRID_ATTACH, whose handle it keeps in its
// first window value, and it keeps its selection in that record.
//
// The whole table is drawn into an off-screen picture and copied to the
// window in one step, both when painting and when the selection changes, so
// nothing flickers; the layout is recomputed from the client area each time.
#include "montage/montage_grid.h"

#include <windowsx.h>

#include "montage/grid_editor.h"
#include "montage/grid_window.h"
#include "pagekit/record_notice.h"
#include "pagekit/state_lock.h"
#include "resources/resource_ids.h"
#include "winkit/paint.h"

namespace {

const COLORREF kHeaderColour = RGB(192, 220, 192);
const COLORREF kSelectionColour = RGB(255, 255, 0);
const UINT kTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX;

struct Brushes {
    HBRUSH header;
    HBRUSH white;
    HBRUSH selection;
};

COLORREF InkColour(GridInk ink) {
    return ink == kInkRed ? RGB(255, 0, 0) : ink == kInkGrey ? RGB(128, 128, 128) : RGB(0, 0, 0);
}

void FillBox(HDC dc, const GridBox& box, HBRUSH brush) {
    RECT r = {box.left, box.top, box.right, box.bottom};
    FillRect(dc, &r, brush);
}

void DrawBoxText(HDC dc, const GridBox& box, const char* text) {
    RECT r = {box.left, box.top, box.right, box.bottom};
    DrawTextA(dc, text, -1, &r, kTextFormat);
}

bool IsSelected(const GridSelection& s, int column, int row) {
    return column == s.column && s.first >= 1 && row >= s.first && row <= s.last;
}

void DrawHeaderRow(HDC dc, const GridLayout& g, const ConverterState& s, const Brushes& brushes) {
    SetTextColor(dc, RGB(0, 0, 0));
    for (int c = 0; c < kGridColumnCount; ++c) {
        const GridBox cell = GridCell(g, c, 0);
        FillBox(dc, cell, brushes.header);
        DrawBoxText(dc, cell, GridTitle(c, s.settings.TCType));
    }
}

void DrawChannelRow(HDC dc, const GridLayout& g, const ConverterState& s, int row, const Brushes& brushes) {
    const ChannelSetting& ch = CurrentPattern(s).channels[row - 1];
    const GridView view = GridViewOf(s);
    for (int c = 0; c < kGridColumnCount; ++c) {
        const GridBox cell = GridCell(g, c, row);
        HBRUSH brush = c == kGridColCh ? brushes.header : IsSelected(s.gridSel, c, row) ? brushes.selection : brushes.white;
        FillBox(dc, cell, brush);
        char text[kGridTextSize];
        FormatGridCell(text, sizeof text, c, row, ch, view);
        SetTextColor(dc, InkColour(GridCellInk(c, row, ch, view)));
        DrawBoxText(dc, cell, text);
    }
}

// Draws the table of `s` (with its selection) into `dc`, which covers the
// client area `client`. The background stays black: a 2-pixel frame and the
// lines between the cells.
void DrawTable(HWND grid, HDC dc, const RECT& client, const ConverterState& s) {
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const GridLayout g = LayoutGrid(client.right, client.bottom, s.settings.MaxCh);
    GdiObject<HBRUSH> header(CreateSolidBrush(GetNearestColor(dc, kHeaderColour)));
    GdiObject<HBRUSH> selection(CreateSolidBrush(GetNearestColor(dc, kSelectionColour)));
    SelectScope font(dc, GridFont(grid));
    SetBkMode(dc, TRANSPARENT);
    const Brushes brushes = {header.get(), static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), selection.get()};
    DrawHeaderRow(dc, g, s, brushes);
    for (int row = 1; row <= g.rows; ++row) DrawChannelRow(dc, g, s, row, brushes);
}

// Draws the grid into `target` (a paint or window DC) through an off-screen
// picture; without a record only the black background shows. The open
// editor's place is left alone so the copy never covers it.
void Present(HWND grid, HDC target, const ConverterState* s) {
    RECT client;
    GetClientRect(grid, &client);
    MemoryDc picture(target, client.right, client.bottom);
    HDC dc = picture.dc() ? picture.dc() : target;
    if (s) DrawTable(grid, dc, client, *s);
    else FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (!picture.dc()) return;
    const int saved = SaveDC(target);
    HWND edit = s ? s->gridEditWindow : nullptr;
    if (edit && IsWindowVisible(edit)) {
        RECT place;
        GetWindowRect(edit, &place);
        MapWindowPoints(nullptr, grid, reinterpret_cast<POINT*>(&place), 2);
        ExcludeClipRect(target, place.left, place.top, place.right, place.bottom);
    }
    picture.CopyTo(target);
    RestoreDC(target, saved);
}

// The grid repaints after every change of the pattern it shows (an edit, a
// choice, another pattern, an import): the preview is told to compare.
void OnPaint(HWND grid) {
    PaintScope paint(grid);
    StateLock lock(grid);
    Present(grid, paint.dc(), lock.get());
    NoticeRecordChanged(grid);
}

// WM_PRINTCLIENT: the same picture into a device context of the caller's.
void OnPrintClient(HWND grid, HDC dc) {
    StateLock lock(grid);
    Present(grid, dc, lock.get());
}

// Stores the selection and draws the grid with it at once.
void SelectAndDraw(HWND grid, ConverterState& s, int column, int first, int last) {
    s.gridSel.column = column;
    s.gridSel.first = first;
    s.gridSel.last = last;
    WindowDc dc(grid);
    if (dc.dc()) Present(grid, dc.dc(), &s);
}

void Notify(HWND grid, int code) {
    PostMessageA(GetParent(grid), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(grid), code), reinterpret_cast<LPARAM>(grid));
}

GridHit HitAt(HWND grid, const ConverterState& s, LPARAM at) {
    return HitTestGrid(GridLayoutOf(grid, s), GET_X_LPARAM(at), GET_Y_LPARAM(at));
}

void TakeFocus(HWND grid) {
    if (GetFocus() != grid) SetFocus(grid);
}

void OnLButtonDown(HWND grid, ConverterState& s, LPARAM at) {
    TakeFocus(grid);
    const GridHit hit = HitAt(grid, s, at);
    if (!hit.ok() || !PressSelects(hit.column, GridRow(s, hit.row))) return;
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
    if (!RightReleaseKeeps(s.gridSel, hit)) SelectAndDraw(grid, s, hit.column, hit.row, hit.row);
    if (SelectionHasMenu(s.gridSel)) OpenGridChoiceMenu(grid, s);
}

void OnCommand(HWND grid, ConverterState& s, int id, int code) {
    if (id == IDC_MONT_GRID_EDITOR) OnGridEditorNotice(grid, s, code);
    else if (id >= IDM_GRID_CHOICE_FIRST && id <= IDM_GRID_CHOICE_LAST) ApplyGridChoiceCommand(grid, s, id);
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

LRESULT CALLBACK GridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_PAINT:
        OnPaint(grid);
        return 0;
    case WM_PRINTCLIENT:
        OnPrintClient(grid, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;   // painting covers the whole client area, background included
    case WM_ENABLE:
        InvalidateRect(grid, nullptr, FALSE);
        return 0;
    case WM_SETFONT:
        SetWindowLongPtrA(grid, kGridSlotFont, static_cast<LONG_PTR>(wParam));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_GRID_ATTACH:
        OnAttach(grid, wParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONUP:
    case WM_COMMAND:
    case WM_CAPTURECHANGED:
        return OnRecordMessage(grid, message, wParam, lParam);
    }
    return DefWindowProcA(grid, message, wParam, lParam);
}

}  // namespace

BOOL RegisterMontageGridClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC | CS_PARENTDC;
    wc.lpfnWndProc = GridProc;
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);   // the attached record's handle and the font
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = GRID_CLASS;
    if (RegisterClassA(&wc)) return TRUE;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
