// The montage grid's picture; see grid_paint.h. The whole table is drawn
// into an off-screen picture and copied to the window in one step, so
// nothing flickers; the layout is recomputed from the client area each time.
#include "montage/grid_paint.h"

#include "montage/grid_window.h"
#include "winkit/paint.h"

namespace {

const COLORREF kHeaderColour = RGB(192, 220, 192);
const COLORREF kSelectionColour = RGB(255, 255, 0);
// Texts are cut at their cell, so a long one never runs into its neighbour.
const UINT kTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;

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

void DrawHeaderRow(HDC dc, const GridLayout& layout, const ConverterState& s, const Brushes& brushes) {
    SetTextColor(dc, RGB(0, 0, 0));
    for (int c = 0; c < kGridColumnCount; ++c) {
        const GridBox cell = GridCell(layout, c, 0);
        FillBox(dc, cell, brushes.header);
        DrawBoxText(dc, cell, GridTitle(c, s.settings.TCType));
    }
}

void DrawChannelRow(HDC dc, const GridLayout& layout, const ConverterState& s, int row, const Brushes& brushes) {
    const ChannelSetting& ch = CurrentPattern(s).channels[row - 1];
    const GridView view = GridViewOf(s);
    for (int c = 0; c < kGridColumnCount; ++c) {
        const GridBox cell = GridCell(layout, c, row);
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
    const GridLayout layout = GridLayoutOf(grid, s);
    GdiObject<HBRUSH> header(CreateSolidBrush(GetNearestColor(dc, kHeaderColour)));
    GdiObject<HBRUSH> selection(CreateSolidBrush(GetNearestColor(dc, kSelectionColour)));
    SelectScope font(dc, GridFont(grid));
    SetBkMode(dc, TRANSPARENT);
    const Brushes brushes = {header.get(), static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), selection.get()};
    DrawHeaderRow(dc, layout, s, brushes);
    for (int row = 1; row <= layout.rows; ++row) DrawChannelRow(dc, layout, s, row, brushes);
}

}  // namespace

void PresentGrid(HWND grid, HDC target, const ConverterState* s) {
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
