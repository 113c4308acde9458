// The main window at its smallest and by keyboard: shrunk as far as it goes,
// every control of every page lies whole inside its page and the grid has
// the room its columns and rows need; every text of every dialog and page
// fits its control (both run at 96 dpi and, in a prefix of their own, at
// 144 dpi); Tab, Shift+Tab, Ctrl+Tab and Ctrl+Shift+Tab as the message loop
// hands them over.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/window_keys.h"
#include "engine/grid_rules.h"
#include "resources/resource_ids.h"
#include "tests/app/gui_support.h"

namespace {

int ScreenDpi() {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return dpi;
}

RECT PlaceIn(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::vector<HWND> Controls(HWND page) {
    std::vector<HWND> controls;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (IsWindowVisible(c)) controls.push_back(c);
    return controls;
}

// Every dialog template linked into the program (numbered and named).
std::vector<std::string> DialogTemplates() {
    std::vector<std::string> names;
    EnumResourceNamesA(
        GetModuleHandleA(nullptr), reinterpret_cast<LPCSTR>(RT_DIALOG),
        [](HMODULE, LPCSTR, LPSTR name, LONG_PTR found) -> BOOL {
            auto* list = reinterpret_cast<std::vector<std::string>*>(found);
            list->push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : name);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&names));
    return names;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Why `text`, laid out in the font of `control` as DrawText `flags` say,
// does not fit `room` (width and height), or "" when it does.
std::string Misfit(HWND control, const std::string& text, SIZE room, UINT flags) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT need = {0, 0, room.cx, 0};
    DrawTextA(dc, text.c_str(), -1, &need, flags | DT_CALCRECT | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    if (need.right <= room.cx && need.bottom <= room.cy) return "";
    return "'" + text + "' needs " + std::to_string(need.right) + "x" + std::to_string(need.bottom) + ", has " +
           std::to_string(room.cx) + "x" + std::to_string(room.cy);
}

// The same for a static text or button of a dialog: a static text wraps at
// its width and must lie whole inside; a button's one line needs the room
// beside its box, or inside its edges.
std::string TextMisfit(HWND control) {
    char text[512] = "", className[32] = "";
    GetWindowTextA(control, text, sizeof text);
    GetClassNameA(control, className, sizeof className);
    const LONG style = static_cast<LONG>(GetWindowLongPtrA(control, GWL_STYLE));
    RECT client;
    GetClientRect(control, &client);
    if (!text[0] || !(style & WS_VISIBLE)) return "";
    if (lstrcmpiA(className, "Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP) return "";
        return Misfit(control, text, {client.right, client.bottom},
                      (type == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK) | (style & SS_NOPREFIX ? DT_NOPREFIX : 0));
    }
    if (lstrcmpiA(className, "Button") != 0) return "";
    const LONG type = style & BS_TYPEMASK, edge = GetSystemMetrics(SM_CXEDGE), box = GetSystemMetrics(SM_CXMENUCHECK);
    LONG room = client.right - 2 * edge;
    if (type == BS_GROUPBOX) room = client.right - 2 * box;
    else if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) room = client.right - box - 2 * edge;
    return Misfit(control, text, {room, 0x7FFF}, DT_SINGLELINE);
}
// The smallest window at each scaling the tests run at, in pixels, on the
// 1280x1024 test display. At 96 dpi every page fits whole in its place; at
// 144 dpi the window is as high as the work area, a scroll bar wide wider
// than the pages need, and the patient page alone scrolls in its place.
struct Smallest {
    int dpi;
    SIZE window;
    SIZE place;             // a page's place in the tab control
    int scrollingPage;      // -1: none
    LONG scrollingHeight;   // the height of the page that scrolls
};
const Smallest kSmallest[] = {
    {96, {585, 691}, {573, 555}, -1, 0},
    {144, {856, 1024}, {842, 832}, kPagePatient, 867},
};

class WindowFit : public MainWindowTest {
protected:
    HWND Page(int index) { return State().frame.pages[index]; }
    // Presses Tab (with Shift and Ctrl as asked) where the focus is, as the
    // message loop offers it to the window.
    bool Tab(bool shift = false, bool ctrl = false) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG m = {};
        m.hwnd = GetFocus();
        m.message = WM_KEYDOWN;
        m.wParam = VK_TAB;
        const bool handled = TranslateWindowKey(window, m);
        keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        PumpPending();
        return handled;
    }
    HWND Tabs() { return GetDlgItem(window, IDC_MAIN_TAB); }
    // The control of `page` that holds the focus (a combo box for its field).
    static HWND Focused(HWND page) {
        HWND focus = GetFocus();
        while (focus && GetParent(focus) != page) focus = GetParent(focus);
        return focus;
    }
};

TEST_F(WindowFit, SmallestWindowShowsEveryPageWhole) {
    const int dpi = ScreenDpi();
    if (const char* expected = std::getenv("EXPECTED_DPI")) {
        ASSERT_EQ(atoi(expected), dpi);
    }
    const Smallest* want = nullptr;
    for (const Smallest& s : kSmallest)
        if (s.dpi == dpi) want = &s;
    ASSERT_NE(nullptr, want) << "no sizes are known at " << dpi << " dpi";
    Open();
    // The toolbar's images at the screen's dpi.
    int iconWidth = 0, iconHeight = 0;
    ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageA(GetDlgItem(window, IDC_MAIN_TOOLBAR),
                                                                    TB_GETIMAGELIST, 0, 0)),
                          &iconWidth, &iconHeight);
    EXPECT_EQ(dpi == 144 ? 24 : 16, iconWidth);
    EXPECT_EQ(iconWidth, iconHeight);
    for (SIZE asked : {SIZE{1, 1}, SIZE{420, 430}}) {
        SetWindowPos(window, nullptr, 0, 0, asked.cx, asked.cy, SWP_NOMOVE | SWP_NOZORDER);
        PumpPending();
        RECT w;
        GetWindowRect(window, &w);
        EXPECT_EQ(want->window.cx, w.right - w.left) << dpi;
        EXPECT_EQ(want->window.cy, w.bottom - w.top) << dpi;
        for (int index = 0; index < kPageCount; ++index) {
            SendMessageA(window, WM_SHOW_PAGE, index, 0);
            HWND page = Page(index), host = GetParent(page);
            RECT room, view;
            GetClientRect(page, &room);
            GetClientRect(host, &view);
            const std::vector<HWND> controls = Controls(page);
            EXPECT_GT(controls.size(), 2u);
            for (HWND control : controls) {
                const RECT r = PlaceIn(page, control);
                EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= room.right && r.bottom <= room.bottom)
                    << "page " << index << " control " << GetDlgCtrlID(control) << " at " << r.left << ","
                    << r.top << "-" << r.right << "," << r.bottom << " in " << room.right << "x" << room.bottom
                    << " at " << dpi << " dpi";
            }
            const LONG style = GetWindowLongPtrA(host, GWL_STYLE);
            const RECT place = PlaceIn(host, page);
            EXPECT_FALSE(style & WS_HSCROLL) << index;   // as wide as it needs
            if (index != want->scrollingPage) {
                // The page fills its place, nothing hidden.
                EXPECT_FALSE(style & WS_VSCROLL) << index;
                EXPECT_EQ(want->place.cx, place.right - place.left) << index;
                EXPECT_EQ(want->place.cy, place.bottom - place.top) << index;
                continue;
            }
            // Taller than its place: it scrolls, down to its last row.
            EXPECT_TRUE(style & WS_VSCROLL) << index;
            EXPECT_EQ(want->place.cy, view.bottom) << index;
            EXPECT_EQ(want->scrollingHeight, place.bottom - place.top) << index;
            SendMessageA(host, WM_VSCROLL, SB_BOTTOM, 0);
            EXPECT_EQ(view.bottom, PlaceIn(host, page).bottom) << index;
            SendMessageA(host, WM_VSCROLL, SB_TOP, 0);
            EXPECT_EQ(0, PlaceIn(host, page).top) << index;
        }
    }
    // The grid keeps every column apart and every row a text line high.
    HWND grid = GetDlgItem(Page(kPageMontage), IDC_MONT_GRID);
    RECT client;
    GetClientRect(grid, &client);
    EXPECT_GE(client.right, GridMinimumWidth(ScreenDpi()));
    const LRESULT needs = SendMessageA(grid, WM_GRID_MINSIZE, 0, 0);
    EXPECT_GE(client.bottom, HIWORD(needs));
    EXPECT_GT(HIWORD(needs), 4 + 17 * 8);
}

// Every text of every dialog template, and the pages' texts made by the
// program at their longest, fit their controls at the screen's dpi.
TEST_F(WindowFit, EveryTextFitsItsControl) {
    Open();
    const std::vector<std::string> templates = DialogTemplates();
    EXPECT_GT(templates.size(), 20u);
    for (const std::string& name : templates) {
        const char* resource = name[0] == '#' ? MAKEINTRESOURCEA(atoi(name.c_str() + 1)) : name.c_str();
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), resource, window, QuietDialogProc, 0);
        ASSERT_NE(nullptr, dialog) << name;
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            EXPECT_EQ("", TextMisfit(c)) << name << " control " << GetDlgCtrlID(c) << " at " << ScreenDpi() << " dpi";
        DestroyWindow(dialog);
    }
    // Texts the program makes at their longest: the patient page's identity
    // line (the longest study code, every option) and every status of the
    // conversion page (a framed display wrapping between any characters).
    IdentityOptions& identity = State().settings.identity;
    identity = {kIdentityResearch, 1, 1, 1, {}};
    lstrcpynA(identity.studyCode, std::string(kStudyCodeSize - 1, 'W').c_str(), kStudyCodeSize);
    SendMessageA(window, WM_SHOW_PAGE, kPagePatient, 0);
    HWND line = GetDlgItem(Page(kPagePatient), IDC_PAT_IDENTITY);
    ASSERT_NE(std::string::npos, ControlText(Page(kPagePatient), IDC_PAT_IDENTITY).find("WWWWWWWWWWWWWWWWWWW"));
    EXPECT_EQ("", TextMisfit(line)) << ScreenDpi() << " dpi";
    HWND status = GetDlgItem(Page(kPageConvert), IDC_CONV_STATUS);
    RECT inside;
    GetClientRect(status, &inside);
    for (int id : {IDS_STATUS_NO_SOURCE, IDS_STATUS_NO_OUTPUT, IDS_STATUS_READY, IDS_STATUS_CONVERTING,
                   IDS_STATUS_DONE, IDS_STATUS_WRITE_FAILED, IDS_STATUS_STOPPED, IDS_STATUS_DONE_SHORT,
                   IDS_STATUS_NO_CHANNEL, IDS_STATUS_NO_MEMORY}) {
        char text[128] = "";
        LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
        EXPECT_EQ("", Misfit(status, text, {inside.right - 8, inside.bottom - 4},
                             DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX))
            << id << " at " << ScreenDpi() << " dpi";
    }
}

TEST_F(WindowFit, TabMovesBetweenTheTabStripAndThePageAndCtrlTabSwitchesPages) {
    Open();
    SendMessageA(window, WM_SHOW_PAGE, kPagePatient, 0);
    HWND page = Page(kPagePatient);
    HWND first = GetNextDlgTabItem(page, nullptr, FALSE), last = GetNextDlgTabItem(page, first, TRUE);
    ASSERT_NE(first, last);
    SetFocus(Tabs());
    EXPECT_TRUE(Tab());
    EXPECT_EQ(first, Focused(page));
    EXPECT_TRUE(Tab());
    EXPECT_EQ(GetNextDlgTabItem(page, first, FALSE), Focused(page));
    EXPECT_TRUE(Tab(true));
    EXPECT_EQ(first, Focused(page));
    EXPECT_TRUE(Tab(true));                     // before the first control: the tab strip
    EXPECT_EQ(Tabs(), GetFocus());
    EXPECT_TRUE(Tab(true));
    EXPECT_EQ(last, Focused(page));
    EXPECT_TRUE(Tab());                         // after the last: the tab strip again
    EXPECT_EQ(Tabs(), GetFocus());

    EXPECT_TRUE(Tab(false, true));
    EXPECT_EQ(kPageMontage, State().frame.currentPage);
    EXPECT_TRUE(IsWindowVisible(Page(kPageMontage)));
    EXPECT_TRUE(Tab(false, true));
    EXPECT_TRUE(Tab(false, true));
    EXPECT_EQ(kPageSource, State().frame.currentPage);      // round to the first
    EXPECT_TRUE(Tab(true, true));
    EXPECT_EQ(kPageConvert, State().frame.currentPage);
    EXPECT_EQ(Tabs(), GetFocus());

    // The grid is one of the montage page's stops.
    SendMessageA(window, WM_SHOW_PAGE, kPageMontage, 0);
    HWND grid = GetDlgItem(Page(kPageMontage), IDC_MONT_GRID);
    SetFocus(GetDlgItem(Page(kPageMontage), IDC_MONT_TCTYPE));
    EXPECT_TRUE(Tab());
    EXPECT_EQ(grid, GetFocus());
    // Other keys are the page's.
    MSG m = {};
    m.hwnd = grid;
    m.message = WM_KEYDOWN;
    m.wParam = VK_DOWN;
    EXPECT_FALSE(TranslateWindowKey(window, m));
}

}  // namespace
