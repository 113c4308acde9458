// The main window's smallest size; see window_size.h.
#include "app/window_size.h"

#include "app/page_host.h"
#include "pagekit/state_lock.h"

SIZE MinimumWindowSize(HWND mainWindow, const ConverterState& state) {
    SIZE needed = {0, 0};
    HWND placed = nullptr;
    for (HWND page : state.frame.pages) {
        if (!page) continue;
        if (!placed) placed = page;
        const SIZE s = PageNeeds(page);
        if (s.cx > needed.cx) needed.cx = s.cx;
        if (s.cy > needed.cy) needed.cy = s.cy;
    }
    if (!placed) return SIZE{0, 0};
    // What the frame takes around a page's place at the present size stays
    // the same at any other (the toolbar keeps one row at these widths); the
    // page's border comes on top of what it needs inside.
    RECT window, room, frame, inside;
    GetWindowRect(mainWindow, &window);
    HWND host = HostOf(placed);
    GetWindowRect(host ? host : placed, &room);
    GetWindowRect(placed, &frame);
    GetClientRect(placed, &inside);
    const LONG borderX = frame.right - frame.left - inside.right, borderY = frame.bottom - frame.top - inside.bottom;
    if (!host) room = RECT{0, 0, inside.right + borderX, inside.bottom + borderY};
    return SIZE{window.right - window.left - (room.right - room.left) + needed.cx + borderX,
                window.bottom - window.top - (room.bottom - room.top) + needed.cy + borderY};
}

void OnGetMinMaxInfo(HWND mainWindow, MINMAXINFO* info) {
    StateLock lock(mainWindow);
    if (!lock || !info) return;
    SIZE minimum = MinimumWindowSize(mainWindow, *lock);
    RECT work;
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
        // Too low for the screen: the pages scroll, and their scroll bar
        // takes its width on top.
        if (minimum.cy > work.bottom - work.top) {
            minimum.cy = work.bottom - work.top;
            minimum.cx += GetSystemMetrics(SM_CXVSCROLL);
        }
        if (minimum.cx > work.right - work.left) minimum.cx = work.right - work.left;
    }
    if (minimum.cx > info->ptMinTrackSize.x) info->ptMinTrackSize.x = minimum.cx;
    if (minimum.cy > info->ptMinTrackSize.y) info->ptMinTrackSize.y = minimum.cy;
}
