// The preview's keys: those on the traces (paging, choosing and scaling a
// trace, the check's findings) and the routing the message loop offers
// before dispatching (Tab through the row of controls and back, Enter and
// Esc on a control).
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "preview/preview_view.h"
#include "preview/preview_window.h"
#include "resources/resource_ids.h"

namespace preview {

// The keys on the traces: PgDn/PgUp (and Right/Left) page, Home/End go to
// the first and last epoch, Up/Down choose a trace and Esc none, + and -
// scale the chosen trace (or all), A fits it (or all) to the epoch, F
// switches the filters, 1 to 4 choose the epoch length. F3 (or N) goes to
// the epoch of the next finding of the night check after this epoch,
// Shift+F3 (or P) to the previous one before it: of the chosen trace, or
// of any trace when none is chosen; the finding's trace is then chosen (Esc
// lets it go, so the next F3 looks at every trace again). A beep when there
// is none.
void OnKey(HWND window, PreviewView& v, WPARAM key) {
    switch (key) {
    case VK_F3: StepToFinding(window, v, GetKeyState(VK_SHIFT) >= 0); break;
    case 'N': StepToFinding(window, v, true); break;
    case 'P': StepToFinding(window, v, false); break;
    case VK_NEXT: case VK_RIGHT: GoToEpoch(window, v, v.epoch + 1); break;
    case VK_PRIOR: case VK_LEFT: GoToEpoch(window, v, v.epoch - 1); break;
    case VK_HOME: GoToEpoch(window, v, 0); break;
    case VK_END: GoToEpoch(window, v, EpochCountOf(v) - 1); break;
    case VK_DOWN: Select(window, v, v.selected + 1 < v.plan.count ? v.selected + 1 : v.plan.count - 1); break;
    case VK_UP: Select(window, v, v.selected < 0 ? v.plan.count - 1 : std::max(0, v.selected - 1)); break;
    case VK_ESCAPE: Select(window, v, -1); break;
    case VK_ADD: case VK_OEM_PLUS: Rescale(window, v, kScaleStep, false); break;
    case VK_SUBTRACT: case VK_OEM_MINUS: Rescale(window, v, 1.0 / kScaleStep, false); break;
    case 'A': Rescale(window, v, 1.0, true); break;
    case 'F': SetFiltered(window, v, !v.filtered); break;
    case '1': case '2': case '3': case '4': ChooseEpochLength(window, v, int(key - '1')); break;
    }
}

}  // namespace preview

namespace {

using preview::kControlCount;
using preview::kControls;

// The control of the preview that holds `focus` (a combo box for its
// list's parts); the preview itself for the traces.
int FocusIndex(HWND preview, HWND focus) {
    while (focus && focus != preview && GetParent(focus) != preview) focus = GetParent(focus);
    if (!focus || focus == preview) return -1;
    const int id = GetDlgCtrlID(focus);
    for (int i = 0; i < kControlCount; ++i)
        if (kControls[i].id == id) return i;
    return -1;
}

// The next stop of Tab (or Shift+Tab) after `from`: the controls that take
// the focus, then the traces (-1).
int NextStop(HWND preview, int from, bool backward) {
    for (int step = 0; step <= kControlCount; ++step) {
        from = backward ? (from < 0 ? kControlCount - 1 : from - 1) : (from + 1 >= kControlCount ? -1 : from + 1);
        if (from < 0) return -1;
        HWND control = GetDlgItem(preview, kControls[from].id);
        if ((kControls[from].style & WS_TABSTOP) && IsWindowEnabled(control) && IsWindowVisible(control)) return from;
    }
    return -1;
}

}  // namespace

bool TranslatePreviewKey(HWND preview, const MSG& message) {
    if (message.message != WM_KEYDOWN || !IsWindow(preview)) return false;
    if (message.hwnd != preview && !IsChild(preview, message.hwnd)) return false;
    if (GetKeyState(VK_MENU) < 0) return false;
    const int at = FocusIndex(preview, message.hwnd);
    switch (message.wParam) {
    case VK_TAB: {
        if (GetKeyState(VK_CONTROL) < 0) return false;
        const int next = NextStop(preview, at, GetKeyState(VK_SHIFT) < 0);
        HWND target = next < 0 ? preview : GetDlgItem(preview, kControls[next].id);
        SetFocus(target);
        if (next >= 0 && kControls[next].id == IDC_PREV_JUMP_TIME) SendMessageA(target, EM_SETSEL, 0, -1);
        return true;
    }
    case VK_RETURN:
        if (at < 0) return false;
        if (kControls[at].id == IDC_PREV_JUMP_TIME) {
            SendMessageA(preview, WM_COMMAND, MAKEWPARAM(IDC_PREV_JUMP, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(preview, IDC_PREV_JUMP)));
            return true;
        }
        if (!strcmp(kControls[at].windowClass, "BUTTON")) {
            SendMessageA(GetDlgItem(preview, kControls[at].id), BM_CLICK, 0, 0);
            return true;
        }
        return false;
    case VK_ESCAPE:
        if (at < 0) return false;
        SetFocus(preview);
        return true;
    }
    return false;
}
