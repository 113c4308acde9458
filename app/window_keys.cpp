// The main window's keyboard rules; see window_keys.h.
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

}  // namespace

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
