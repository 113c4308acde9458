// The main window's keyboard and size rules; see window_keys.h.
#include "app/window_keys.h"

#include "app/frame.h"
#include "app/page_host.h"
#include "pagekit/state_lock.h"
#include "resources/resource_ids.h"
#include "winkit/winkit.h"

namespace {

// The control of `page` that holds `focus` (a combo box's own edit field
// gives the combo box), or null when the focus is elsewhere.
HWND PageControlOf(HWND page, HWND focus) {
    while (focus && GetParent(focus) != page) focus = GetParent(focus);
    return focus;
}

// The first and the last control of `page` that Tab stops at.
HWND FirstStop(HWND page) { return GetNextDlgTabItem(page, nullptr, FALSE); }
HWND LastStop(HWND page) {
    HWND first = FirstStop(page);
    return first ? GetNextDlgTabItem(page, first, TRUE) : nullptr;
}

// Gives `control` of `page` the focus as the dialog manager does (a text
// field gets its text selected).
void FocusControl(HWND page, HWND control) {
    if (!control) return;
    SendMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    ScrollIntoView(page, control);
}

void SwitchPage(HWND mainWindow, ConverterState& state, bool backward) {
    const int count = state.frame.pageCount > 0 ? int(state.frame.pageCount) : int(kPageCount);
    const int next = (state.frame.currentPage + (backward ? count - 1 : 1)) % count;
    SelectPage(mainWindow, state, next);
    if (state.frame.tab) SetFocus(state.frame.tab);
}

// Tab and Shift+Tab: from the tab strip (or the window itself) to the first
// or last control of the page; inside the page to the next or previous one,
// and from its last (first) back to the tab strip.
void MoveFocus(HWND mainWindow, const ConverterState& state, bool backward) {
    HWND page = state.frame.currentPage < kPageCount ? state.frame.pages[state.frame.currentPage] : nullptr;
    if (!page) return;
    HWND focus = GetFocus();
    HWND control = PageControlOf(page, focus);
    if (!control) {
        FocusControl(page, backward ? LastStop(page) : FirstStop(page));
        return;
    }
    HWND edge = backward ? FirstStop(page) : LastStop(page);
    if (control == edge && state.frame.tab) {
        SetFocus(state.frame.tab);
        return;
    }
    FocusControl(page, GetNextDlgTabItem(page, control, backward));
    (void)mainWindow;
}

struct Extent {
    HWND page;
    LONG right, bottom;
};

BOOL CALLBACK ExtendToChild(HWND child, LPARAM data) {
    Extent& e = *reinterpret_cast<Extent*>(data);
    if (GetParent(child) != e.page || !(GetWindowLongPtrA(child, GWL_STYLE) & WS_VISIBLE)) return TRUE;
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, e.page, reinterpret_cast<POINT*>(&r), 2);
    if (r.right > e.right) e.right = r.right;
    if (r.bottom > e.bottom) e.bottom = r.bottom;
    return TRUE;
}

}  // namespace

SIZE PageNeeds(HWND page) {
    const LRESULT own = SendMessageA(page, WM_PAGE_MINSIZE, 0, 0);
    if (own) return SIZE{LOWORD(own), HIWORD(own)};
    Extent e{page, 0, 0};
    EnumChildWindows(page, ExtendToChild, reinterpret_cast<LPARAM>(&e));
    const LONG margin = 4;
    return SIZE{e.right + margin, e.bottom + margin};
}

bool TranslateWindowKey(HWND mainWindow, const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || WkKeyDown(VK_MENU)) return false;
    if (message.hwnd != mainWindow && !IsChild(mainWindow, message.hwnd)) return false;
    StateLock lock(mainWindow);
    if (!lock) return false;
    ConverterState& state = *lock;
    const bool backward = WkKeyDown(VK_SHIFT);
    if (WkKeyDown(VK_CONTROL)) {
        SwitchPage(mainWindow, state, backward);
        return true;
    }
    // The grid's editor ends its editing on Tab itself.
    if (state.gridEditWindow && message.hwnd == state.gridEditWindow) return false;
    MoveFocus(mainWindow, state, backward);
    return true;
}

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
