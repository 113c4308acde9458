// The page host; see page_host.h. The page is the host's only child; the
// host's scroll positions are the page's offsets to the left and up.
#include "app/page_host.h"

#include "resources/resource_ids.h"

namespace {

const int kLine = 24;   // pixels per scroll-bar arrow step and wheel line

// How far a page's visible controls reach, gathered by ExtendToChild.
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

SCROLLINFO Info(UINT mask) {
    SCROLLINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = mask;
    return info;
}

HWND PageIn(HWND host) { return GetWindow(host, GW_CHILD); }

// The page's offset on one axis for a scroll position, kept within range.
int Position(HWND host, int bar) {
    SCROLLINFO info = Info(SIF_ALL);
    if (!GetScrollInfo(host, bar, &info)) return 0;
    return info.nPos;
}

void MovePage(HWND host) {
    HWND page = PageIn(host);
    if (page) SetWindowPos(page, nullptr, -Position(host, SB_HORZ), -Position(host, SB_VERT), 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetBar(HWND host, int bar, int need, int room) {
    SCROLLINFO info = Info(SIF_RANGE | SIF_PAGE);
    info.nMin = 0;
    info.nMax = need > room ? need - 1 : 0;
    info.nPage = need > room ? static_cast<UINT>(room) : 0;
    SetScrollInfo(host, bar, &info, TRUE);
    ShowScrollBar(host, bar, need > room);
}

// Sizes the page to what it needs or to the room, whichever is larger, and
// shows a scroll bar on each axis where the room is smaller.
void LayOutHost(HWND host) {
    static bool busy = false;     // showing a bar resizes the host
    HWND page = PageIn(host);
    if (busy || !page) return;
    busy = true;
    RECT outer;
    GetWindowRect(host, &outer);
    SIZE need = PageNeeds(page);
    RECT frame, inside;     // the page's border
    GetWindowRect(page, &frame);
    GetClientRect(page, &inside);
    need.cx += frame.right - frame.left - inside.right;
    need.cy += frame.bottom - frame.top - inside.bottom;
    int w = outer.right - outer.left, h = outer.bottom - outer.top;
    bool vertical = need.cy > h, horizontal = need.cx > (vertical ? w - GetSystemMetrics(SM_CXVSCROLL) : w);
    if (horizontal && !vertical) vertical = need.cy > h - GetSystemMetrics(SM_CYHSCROLL);
    if (vertical) w -= GetSystemMetrics(SM_CXVSCROLL);
    if (horizontal) h -= GetSystemMetrics(SM_CYHSCROLL);
    SetBar(host, SB_VERT, vertical ? need.cy : 0, h);
    SetBar(host, SB_HORZ, horizontal ? need.cx : 0, w);
    SetWindowPos(page, nullptr, -Position(host, SB_HORZ), -Position(host, SB_VERT), need.cx > w ? need.cx : w,
                 need.cy > h ? need.cy : h, SWP_NOZORDER | SWP_NOACTIVATE);
    busy = false;
}

void ScrollTo(HWND host, int bar, int position) {
    SCROLLINFO info = Info(SIF_POS);
    info.nPos = position;
    SetScrollInfo(host, bar, &info, TRUE);
    MovePage(host);
}

void OnScroll(HWND host, int bar, int code) {
    SCROLLINFO info = Info(SIF_ALL);
    if (!GetScrollInfo(host, bar, &info)) return;
    int position = info.nPos;
    switch (code) {
    case SB_LINEUP: position -= kLine; break;
    case SB_LINEDOWN: position += kLine; break;
    case SB_PAGEUP: position -= static_cast<int>(info.nPage); break;
    case SB_PAGEDOWN: position += static_cast<int>(info.nPage); break;
    case SB_THUMBTRACK: case SB_THUMBPOSITION: position = info.nTrackPos; break;
    case SB_TOP: position = info.nMin; break;
    case SB_BOTTOM: position = info.nMax; break;
    default: return;
    }
    ScrollTo(host, bar, position);
}

LRESULT CALLBACK PageHostProc(HWND host, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        LayOutHost(host);
        return 0;
    case WM_VSCROLL:
        OnScroll(host, SB_VERT, LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        OnScroll(host, SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        ScrollTo(host, SB_VERT, Position(host, SB_VERT) - GET_WHEEL_DELTA_WPARAM(wParam) * 3 * kLine / WHEEL_DELTA);
        return 0;
    }
    return DefWindowProcA(host, message, wParam, lParam);
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

BOOL RegisterPageHostClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PageHostProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = PAGE_HOST_CLASS;
    if (RegisterClassA(&wc)) return TRUE;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreatePageHost(HWND tab) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(tab, GWLP_HINSTANCE));
    return CreateWindowExA(WS_EX_CONTROLPARENT, PAGE_HOST_CLASS, "", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 1, 1, tab,
                           nullptr, instance, nullptr);
}

HWND HostOf(HWND page) {
    HWND parent = page ? GetParent(page) : nullptr;
    char name[64] = "";
    if (parent) GetClassNameA(parent, name, sizeof name);
    return lstrcmpiA(name, PAGE_HOST_CLASS) == 0 ? parent : nullptr;
}

void PlaceHostedPage(HWND page, const RECT& area) {
    if (!page) return;
    HWND host = HostOf(page);
    SetWindowPos(host ? host : page, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (host) LayOutHost(host);
}

void ScrollIntoView(HWND page, HWND control) {
    HWND host = HostOf(page);
    if (!host || !control) return;
    RECT r, room;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
    GetClientRect(host, &room);
    if (r.bottom > room.bottom) ScrollTo(host, SB_VERT, Position(host, SB_VERT) + r.bottom - room.bottom);
    else if (r.top < 0) ScrollTo(host, SB_VERT, Position(host, SB_VERT) + r.top);
    if (r.right > room.right) ScrollTo(host, SB_HORZ, Position(host, SB_HORZ) + r.right - room.right);
    else if (r.left < 0) ScrollTo(host, SB_HORZ, Position(host, SB_HORZ) + r.left);
}
