// The montage page. For now the page attaches its montage grid to the
// working record, so the grid shows and edits the current pattern, and lays
// the grid and the buttons out with the page's size; the page's own controls
// arrive with its later work. The montage patterns are loaded at start with
// the settings.
#include "montage/montage_page.h"

#include "pagekit/state_lock.h"
#include "resources/resource_ids.h"
#include "winkit/winkit.h"

namespace {

// Gives the grid its font, then the record's handle (WM_GRID_ATTACH).
void AttachGrid(HWND page) {
    HWND grid = GetDlgItem(page, IDC_MONT_GRID);
    SendMessageA(grid, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, 15)), FALSE);
    StateLock lock(MainWindowOf(page));
    if (lock) SendMessageA(grid, WM_GRID_ATTACH, reinterpret_cast<WPARAM>(lock->self), 0);
}

// The grid fills the page above the row of buttons along its bottom edge.
void LayOut(HWND page, int width, int height) {
    RECT button = {0, 0, 0, 0};
    GetClientRect(GetDlgItem(page, IDC_MONT_REGISTER), &button);
    const int bw = button.right, bh = button.bottom, y = height - bh - 4;
    MoveWindow(GetDlgItem(page, IDC_MONT_GRID), 4, 30, width - 8, height - bh - 36, TRUE);
    const UINT keepSize = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(GetDlgItem(page, IDC_MONT_REGISTER), nullptr, 4, y, 0, 0, keepSize);
    SetWindowPos(GetDlgItem(page, IDC_MONT_COPY), nullptr, bw + 8, y, 0, 0, keepSize);
    SetWindowPos(GetDlgItem(page, IDC_MONT_LOAD_CAL), nullptr, 2 * bw + 16, y, 0, 0, keepSize);
}

}  // namespace

INT_PTR CALLBACK MontagePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        AttachGrid(page);
        return TRUE;
    case WM_SIZE:
        LayOut(page, LOWORD(lParam), HIWORD(lParam));
        return FALSE;
    case WM_DESTROY:
        return TRUE;
    }
    return FALSE;
}
