// The frame of the main window; see frame.h.
#include "app/frame.h"

#include <commctrl.h>

#include <cstring>

#include "app/app_globals.h"
#include "app/page_host.h"
#include "app/window_size.h"
#include "check/check_runner.h"
#include "convert/convert_page.h"
#include "ctlkit/ctlkit.h"
#include "montage/montage_page.h"
#include "pagekit/program.h"
#include "patient/patient_page.h"
#include "resources/resource_ids.h"
#include "source/source_page.h"
#include "textkit/sjis_text.h"
#include "winkit/winkit.h"

namespace {

struct ToolButton { int image; int command; int label; int tooltip; };

// The toolbar's image strip: 16 images of 16 x 16 pixels.
const int kToolImageSize = 16;
const int kToolImageCount = 16;

// Toolbar buttons in order; image -1 is a separator.
const ToolButton kToolButtons[] = {
    {-1, 0, 0, 0},
    {3, IDM_FILE_OPEN, 0, IDS_TIP_OPEN},
    {4, IDM_FILE_CLOSE, 1, IDS_TIP_CLOSE},
    {-1, 0, 0, 0},
    {5, IDM_FILE_CONVERT, 2, IDS_TIP_CONVERT},
    {6, IDM_FILE_PREVIEW, 5, IDS_TIP_VIEW},
    {7, IDM_FILE_CHECK, 6, IDS_TIP_CHECK},
    {-1, 0, 0, 0},
    {0, IDM_HELP_CONTENTS, 3, IDS_TIP_HELP},
    {-1, 0, 0, 0},
    {1, IDM_FILE_EXIT, 4, IDS_TIP_EXIT},
    {-1, 0, 0, 0},
};

struct PageEntry { int tabText; const char* dialog; DLGPROC proc; };

const PageEntry kPages[kPageCount] = {
    /* kPageSource */ {IDS_TAB_SOURCE, DLG_SOURCEDATA, SourcePageProc},
    /* kPagePatient */ {IDS_TAB_PATIENT, DLG_PATIENTSETUP, PatientPageProc},
    /* kPageMontage */ {IDS_TAB_MONTAGE, DLG_MONTAGESETUP, MontagePageProc},
    /* kPageConvert */ {IDS_TAB_CONVERT, DLG_CONVERTINFO, ConvertPageProc},
};

int ClientHeight(HWND window) {
    RECT box = {0, 0, 0, 0};
    if (window) GetClientRect(window, &box);
    return box.bottom - box.top;
}

void BuildStatusLine(HWND mainWindow) {
    HWND status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, mainWindow,
                                  reinterpret_cast<HMENU>(IDC_MAIN_STATUSBAR), g_program.instance, nullptr);
    if (!status) return;
    int edges[3] = {WkScaled(mainWindow, 80), WkScaled(mainWindow, 500), -1};
    SendMessageA(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    HWND display = CreateWindowExA(0, CTLKIT_STATIC_CLASS_NAME, "", WS_CHILD | WS_VISIBLE | CTLKIT_STYLE_STATUS,
                                   WkScaled(mainWindow, 502), 1, WkScaled(mainWindow, 350),
                                   ClientHeight(status) - 3, status,
                                   reinterpret_cast<HMENU>(IDC_MAIN_STATUS_DISPLAY), g_program.instance, nullptr);
    if (!display) return;
    SendMessageA(display, CKM_SETCOLOR, 0, RGB(192, 192, 192));
    SendMessageA(display, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, kWkFontNormal)), 0);
}

// The toolbar's images: the strip of 16-pixel images, drawn `size` pixels
// square (16 on a plain screen, 24 at 144 dpi); the toolbar keeps a copy.
void AddToolbarImages(HWND toolbar, int size) {
    SendMessageA(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(size, size));
    if (size == kToolImageSize) {
        TBADDBITMAP bitmap = {g_program.instance, IDB_TOOLBAR};
        SendMessageA(toolbar, TB_ADDBITMAP, kToolImageCount, reinterpret_cast<LPARAM>(&bitmap));
        return;
    }
    HBITMAP strip = static_cast<HBITMAP>(LoadImageA(g_program.instance, MAKEINTRESOURCEA(IDB_TOOLBAR), IMAGE_BITMAP,
                                                    0, 0, LR_CREATEDIBSECTION));
    HBITMAP scaled = WkScaledBitmap(strip, kToolImageCount * size, size);
    if (strip) DeleteObject(strip);
    if (!scaled) return;
    TBADDBITMAP bitmap = {nullptr, reinterpret_cast<UINT_PTR>(scaled)};
    SendMessageA(toolbar, TB_ADDBITMAP, kToolImageCount, reinterpret_cast<LPARAM>(&bitmap));
    DeleteObject(scaled);
}

HWND BuildToolbar(HWND mainWindow) {
    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                                   WS_CHILD | WS_VISIBLE | TBSTYLE_WRAPABLE | TBSTYLE_TOOLTIPS | CCS_ADJUSTABLE |
                                       CCS_NORESIZE,
                                   0, 0, GetSystemMetrics(SM_CXSCREEN), WkScaled(mainWindow, 42), mainWindow,
                                   reinterpret_cast<HMENU>(IDC_MAIN_TOOLBAR), g_program.instance, nullptr);
    if (!toolbar) return nullptr;
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(WkScaled(mainWindow, 32), WkScaled(mainWindow, 32)));
    AddToolbarImages(toolbar, WkScaled(mainWindow, kToolImageSize));

    // Labels as one double-zero-terminated list, each at most 31 characters;
    // "View" and "Check" (labels 5 and 6) follow the five of the first toolbar.
    static const int kLabelIds[] = {IDS_TB_TAFF, IDS_TB_CLOSE, IDS_TB_CONV, IDS_TB_HELP,
                                    IDS_TB_EXIT, IDS_TB_VIEW,  IDS_TB_CHECK};
    char labels[7 * 32 + 1];
    size_t used = 0;
    for (int id : kLabelIds) {
        int length = LoadStringA(g_program.instance, id, labels + used, 32);
        used += static_cast<size_t>(length) + 1;
        labels[used - 1] = '\0';
    }
    labels[used] = '\0';
    SendMessageA(toolbar, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>(labels));

    TBBUTTON buttons[sizeof kToolButtons / sizeof kToolButtons[0]];
    memset(buttons, 0, sizeof buttons);
    for (size_t i = 0; i < sizeof kToolButtons / sizeof kToolButtons[0]; ++i) {
        const ToolButton& b = kToolButtons[i];
        if (b.image < 0) {
            buttons[i].fsStyle = TBSTYLE_SEP;
        } else {
            buttons[i].iBitmap = b.image;
            buttons[i].idCommand = b.command;
            buttons[i].fsState = TBSTATE_ENABLED;
            buttons[i].fsStyle = TBSTYLE_BUTTON;
            buttons[i].iString = b.label;
        }
    }
    SendMessageA(toolbar, TB_ADDBUTTONSA, sizeof kToolButtons / sizeof kToolButtons[0],
                 reinterpret_cast<LPARAM>(buttons));
    ShowWindow(toolbar, SW_SHOW);
    return toolbar;
}

void BuildTabs(HWND mainWindow, ConverterState& state) {
    HWND status = GetDlgItem(mainWindow, IDC_MAIN_STATUSBAR);
    HWND tab = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 2, 1,
                               200, ClientHeight(mainWindow) - ClientHeight(status) - 6, mainWindow,
                               reinterpret_cast<HMENU>(IDC_MAIN_TAB), g_program.instance, nullptr);
    state.frame.tab = tab;
    if (!tab) return;
    SendMessageA(tab, WM_SETFONT, reinterpret_cast<WPARAM>(WkGetFont(0, kWkFontNormal)), 0);
    for (int i = 0; i < kPageCount; ++i) {
        char text[64];
        LoadStringA(g_program.instance, kPages[i].tabText, text, sizeof text);
        TCITEMA item;
        memset(&item, 0, sizeof item);
        item.mask = TCIF_TEXT;
        item.pszText = text;
        SendMessageA(tab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
        // Each page lives in a host that scrolls it when the room is smaller.
        HWND host = CreatePageHost(tab);
        HWND page = CreateDialogParamA(g_program.instance, kPages[i].dialog, host ? host : tab, kPages[i].proc, 0);
        if (!page) {
            if (host) DestroyWindow(host);
            continue;   // the tab stays; the page is not kept
        }
        state.frame.pages[i] = page;
        ShowWindow(page, SW_HIDE);
    }
    state.frame.pageCount = kPageCount;
    SelectPage(mainWindow, state, state.frame.currentPage);
}

void PlacePage(HWND tab, HWND page) {
    if (!tab || !page) return;
    RECT item = {0, 0, 0, 0}, client;
    SendMessageA(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    GetClientRect(tab, &client);
    int top = item.bottom + 1;
    PlaceHostedPage(page, RECT{1, top, client.right - 1, top + client.bottom - item.bottom - 4});
}

}  // namespace

void BuildFrame(HWND mainWindow, ConverterState& state) {
    BuildStatusLine(mainWindow);
    state.frame.toolbar = BuildToolbar(mainWindow);
    BuildTabs(mainWindow, state);
}

void SelectPage(HWND, ConverterState& state, int index) {
    if (index < 0 || index >= kPageCount) return;
    FrameHandles& frame = state.frame;
    if (frame.currentPage < kPageCount && frame.pages[frame.currentPage]) {
        ShowWindow(frame.pages[frame.currentPage], SW_HIDE);
        if (HWND host = HostOf(frame.pages[frame.currentPage])) ShowWindow(host, SW_HIDE);
    }
    SendMessageA(frame.tab, TCM_SETCURSEL, index, 0);
    HWND page = frame.pages[index];
    if (HWND host = HostOf(page)) ShowWindow(host, SW_SHOW);
    if (page) ShowWindow(page, SW_SHOW);
    g_app.currentPage = page;
    PlacePage(frame.tab, page);
    frame.currentPage = static_cast<uint16_t>(index);
    if (page) SendMessageA(page, WM_PAGE_REFRESH, 0, 0);
}

void LayoutFrame(HWND mainWindow, const ConverterState& state, int width, int height) {
    HWND status = GetDlgItem(mainWindow, IDC_MAIN_STATUSBAR);
    LPARAM size = MAKELPARAM(width, height);
    if (status) SendMessageA(status, WM_SIZE, SIZE_RESTORED, size);
    if (state.frame.toolbar) SendMessageA(state.frame.toolbar, WM_SIZE, SIZE_RESTORED, size);
    int toolbarHeight = ClientHeight(state.frame.toolbar);
    if (!state.frame.tab) return;
    MoveWindow(state.frame.tab, 1, toolbarHeight + 2, width - 2,
               height - toolbarHeight - ClientHeight(status) - 6, TRUE);
    for (HWND page : state.frame.pages) PlacePage(state.frame.tab, page);
}

// The pages are laid out in dialog units of their font, and the grid's
// columns and rows need their room at the screen's dpi. Where the starting
// size is smaller than the one that shows every page whole, the window grows
// to it; where it already holds every page, nothing changes.
void FitWindowToPages(HWND mainWindow, const ConverterState& state) {
    RECT client;
    GetClientRect(mainWindow, &client);
    LayoutFrame(mainWindow, state, client.right, client.bottom);
    const SIZE minimum = MinimumWindowSize(mainWindow, state);
    RECT window;
    GetWindowRect(mainWindow, &window);
    const LONG width = window.right - window.left, height = window.bottom - window.top;
    if (minimum.cx <= width && minimum.cy <= height) return;
    SetWindowPos(mainWindow, nullptr, 0, 0, minimum.cx > width ? minimum.cx : width,
                 minimum.cy > height ? minimum.cy : height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BuildCaption(char* caption, size_t size, const char* hospital, unsigned sourceKind, const char* orgFile) {
    if (size == 0) return;
    int room = static_cast<int>(size);
    caption[0] = '\0';
    auto append = [&](const char* text) {
        int used = static_cast<int>(strlen(caption));
        CopyText(caption + used, room - used, text);
    };
    append("TAFF To PSG File Converter - ");
    append(hospital);
    if (IsSourceOpen(static_cast<uint16_t>(sourceKind))) {
        append(" [");
        append(orgFile);
        append("]");
    }
}

void SetCaption(HWND mainWindow, const ConverterState& state) {
    char caption[kCaptionSize];
    BuildCaption(caption, sizeof caption, state.patient.hospital, state.source.sourceKind,
                 state.settings.OrgFile);
    SetWindowTextA(mainWindow, caption);
}

LRESULT OnFrameNotify(HWND mainWindow, ConverterState& state, const NMHDR* header) {
    if (header->code == TCN_SELCHANGE) {
        int index = static_cast<int>(SendMessageA(state.frame.tab, TCM_GETCURSEL, 0, 0));
        if (index >= 0) SelectPage(mainWindow, state, index);
    } else if (header->code == TTN_GETDISPINFOA || header->code == TTN_GETDISPINFOW) {
        for (const ToolButton& b : kToolButtons) {
            if (b.image < 0 || static_cast<UINT_PTR>(b.command) != header->idFrom) continue;
            if (header->code == TTN_GETDISPINFOA) {
                auto* info = reinterpret_cast<NMTTDISPINFOA*>(const_cast<NMHDR*>(header));
                info->hinst = g_program.instance;
                info->lpszText = MAKEINTRESOURCEA(b.tooltip);
            } else {
                auto* info = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header));
                info->hinst = g_program.instance;
                info->lpszText = MAKEINTRESOURCEW(b.tooltip);
            }
        }
    }
    return 0;
}

void ShowCheckStatus(HWND mainWindow, const HeldCheck& held) {
    char text[256];
    CheckStatusText(held, text, sizeof text);
    if (HWND status = GetDlgItem(mainWindow, IDC_MAIN_STATUSBAR))
        SendMessageA(status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text));
}
