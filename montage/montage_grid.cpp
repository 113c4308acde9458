// The montage grid control. For now an empty framed area that holds the
// grid's place on the montage page; the grid's drawing and editing arrive
// with the montage page's own work.
#include "montage/montage_grid.h"

#include "resources/resource_ids.h"
#include "winkit/paint.h"

namespace {

LRESULT CALLBACK GridProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintScope paint(window);
        RECT box;
        GetClientRect(window, &box);
        FillRect(paint.dc(), &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawEdge(paint.dc(), &box, EDGE_SUNKEN, BF_RECT);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

BOOL RegisterMontageGridClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = GridProc;
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = GRID_CLASS;
    if (RegisterClassA(&wc)) return TRUE;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
