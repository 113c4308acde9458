// Driving the real program from outside; see e2e_windows.h.
#include "tests/e2e/e2e_windows.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "engine/grid_rules.h"
#include "resources/resource_ids.h"

namespace e2e {

namespace {

constexpr int kPoll = 50;   // ms between looks at the program's windows

struct DialogSearch {
    DWORD process;
    const char* caption;
    int id;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM data) {
    DialogSearch& s = *reinterpret_cast<DialogSearch*>(data);
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof cls);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (strcmp(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    if (s.process && process != s.process) return TRUE;
    if (s.caption && WindowText(window) != s.caption) return TRUE;
    if (s.id && !GetDlgItem(window, s.id)) return TRUE;
    s.found = window;
    return FALSE;
}

HWND FindDialog(const char* caption, int id) {
    DialogSearch s{0, caption, id, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

struct PageSearch {
    MainUi* ui;
};

BOOL CALLBACK SortPage(HWND window, LPARAM data) {
    MainUi& ui = *reinterpret_cast<MainUi*>(data);
    if (GetDlgItem(window, IDC_SRC_SETLABELS)) ui.source = window;
    else if (GetDlgItem(window, IDC_PAT_SAVE_ON_EXIT)) ui.patient = window;
    else if (GetDlgItem(window, IDC_MONT_GRID)) ui.montage = window;
    else if (GetDlgItem(window, IDC_CONV_STATUS)) ui.convert = window;
    return TRUE;
}

// The edit field inside a combo box (the file name of the Explorer-style
// dialog is a combo box holding an edit).
HWND EditOf(HWND control) {
    char cls[32] = "";
    GetClassNameA(control, cls, sizeof cls);
    if (_stricmp(cls, "Edit") == 0) return control;
    HWND edit = FindWindowExA(control, nullptr, "Edit", nullptr);
    return edit ? edit : control;
}

struct TextSearch {
    const char* text;
    bool found;
};

BOOL CALLBACK MatchText(HWND child, LPARAM data) {
    TextSearch& s = *reinterpret_cast<TextSearch*>(data);
    if (WindowText(child).find(s.text) != std::string::npos) s.found = true;
    return !s.found;
}

struct WholeCheck {
    HWND dialog;
    RECT client;   // in screen coordinates
    const char* what;
};

BOOL CALLBACK CheckInside(HWND child, LPARAM data) {
    WholeCheck& c = *reinterpret_cast<WholeCheck*>(data);
    if (GetParent(child) != c.dialog || !IsWindowVisible(child)) return TRUE;
    RECT r;
    GetWindowRect(child, &r);
    if (r.right > c.client.right || r.bottom > c.client.bottom)
        ADD_FAILURE() << c.what << ": control " << GetDlgCtrlID(child) << " \"" << WindowText(child)
                      << "\" is cut off (" << r.right - c.client.left << "," << r.bottom - c.client.top
                      << " outside " << c.client.right - c.client.left << "x" << c.client.bottom - c.client.top << ")";
    return TRUE;
}

}  // namespace

bool Program::Start(const std::string& exe, bool waitForWindow) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = "\"" + exe + "\"";
    const std::string folder = exe.substr(0, exe.find_last_of("\\/"));
    if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return false;
    if (!waitForWindow) return true;
    WaitFor([&] {
        main = FindWindowA(MAIN_CLASS, nullptr);
        // The creation handler ends with the caption of the facility.
        return main && WindowText(main).rfind("TAFF To PSG File Converter - ", 0) == 0;
    }, 20000);
    return main != nullptr;
}

DWORD Program::WaitForExit(DWORD ms) {
    if (!process.hProcess || WaitForSingleObject(process.hProcess, ms) != WAIT_OBJECT_0) return 0xDEAD;
    DWORD code = 0xBAD;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

void Program::Kill() {
    if (!process.hProcess) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    process = {};
}

bool MainUi::FindPages() {
    HWND tab = GetDlgItem(main, IDC_MAIN_TAB);
    if (!tab) return false;
    EnumChildWindows(tab, SortPage, reinterpret_cast<LPARAM>(this));
    return source && patient && montage && convert;
}

bool MainUi::ShowPage(int index) {
    HWND tab = GetDlgItem(main, IDC_MAIN_TAB);
    // Moving the tab control's focus to an item selects it and tells the
    // main window as a click does (TCN_SELCHANGE). No pointer crosses the
    // process boundary, which a click at an item's rectangle would need.
    SendMessageA(tab, TCM_SETCURFOCUS, index, 0);
    const HWND pages[] = {source, patient, montage, convert};
    if (index < 0 || index > 3) return false;
    return WaitFor([&] { return IsWindowVisible(pages[index]) != FALSE; }, 5000);
}

bool WaitFor(const std::function<bool()>& condition, int ms) {
    for (int waited = 0;; waited += kPoll) {
        if (condition()) return true;
        if (waited >= ms) return false;
        Sleep(kPoll);
    }
}

int CountMainWindows() {
    int count = 0;
    for (HWND w = FindWindowA(MAIN_CLASS, nullptr); w; w = FindWindowExA(nullptr, w, MAIN_CLASS, nullptr)) ++count;
    return count;
}

HWND WaitForDialog(const char* caption, int ms) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindDialog(caption, 0)) != nullptr; }, ms);
    return found;
}

HWND WaitForDialogWithControl(int id, int ms) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindDialog(nullptr, id)) != nullptr; }, ms);
    return found;
}

bool ChooseFileInDialog(HWND dialog, const std::string& path) {
    HWND name = GetDlgItem(dialog, 0x47C);          // cmb13: the Explorer-style name field
    if (!name) name = GetDlgItem(dialog, 0x480);    // edt1: the older dialog's
    if (!name) return false;
    // Typed until the field reads it back, so nothing the dialog still puts
    // there while it settles replaces the path.
    if (!WaitFor([&] {
            SendMessageA(EditOf(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
            return WindowText(EditOf(name)) == path;
        }, 10000))
        return false;
    PressButton(dialog, IDOK);
    return WaitFor([&] { return !IsWindowVisible(dialog); }, 10000);
}

std::string WindowText(HWND window) {
    char text[1024] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    text[sizeof text - 1] = '\0';
    return text;
}

std::string ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void EditField(HWND dialog, int id, const std::string& text) {
    HWND edit = GetDlgItem(dialog, id);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
}

void PressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool DialogSays(HWND dialog, const char* text) {
    TextSearch s{text, false};
    EnumChildWindows(dialog, MatchText, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void ExpectWholeDialog(HWND dialog, const char* what) {
    WholeCheck c{dialog, {}, what};
    GetClientRect(dialog, &c.client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&c.client), 2);
    EnumChildWindows(dialog, CheckInside, reinterpret_cast<LPARAM>(&c));
}

bool TextFits(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    const std::string text = WindowText(control);
    RECT client;
    GetClientRect(control, &client);
    LOGFONTA font = {};
    HFONT shown = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (!shown || !GetObjectA(shown, sizeof font, &font)) {
        font.lfHeight = -13;
        font.lfCharSet = SHIFTJIS_CHARSET;
        strcpy(font.lfFaceName, "ＭＳ ゴシック");
    }
    HFONT made = CreateFontIndirectA(&font);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, made);
    RECT need = client;
    DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    DeleteObject(made);
    if (need.bottom - need.top > client.bottom - client.top || need.right - need.left > client.right - client.left) {
        ADD_FAILURE() << "\"" << text << "\" needs " << need.right - need.left << "x" << need.bottom - need.top
                      << ", the control has " << client.right << "x" << client.bottom;
        return false;
    }
    return true;
}

void MontagePageSteps(const MainUi& ui) {
    // The pattern list, once the page has one, offers the sample pattern.
    HWND list = GetDlgItem(ui.montage, IDC_MONT_PATTERN_LIST);
    char cls[32] = "";
    if (list) GetClassNameA(list, cls, sizeof cls);
    const bool combo = _stricmp(cls, "ComboBox") == 0;
    if (!combo && _stricmp(cls, "ListBox") != 0) return;
    if (SendMessageA(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0) <= 0) return;   // not filled by this page yet
    const LRESULT at = SendMessageA(list, combo ? CB_FINDSTRING : LB_FINDSTRING, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>("Sample night"));
    EXPECT_GE(at, 0) << "the pattern list does not offer the sample pattern";
}

bool EditGridLabel(const MainUi& ui, int maxCh, int row, const std::string& label) {
    HWND grid = GetDlgItem(ui.montage, IDC_MONT_GRID);
    HWND editor = GetDlgItem(grid, IDC_MONT_GRID_EDITOR);
    RECT client;
    if (!grid || !editor || !GetClientRect(grid, &client)) return false;
    const GridBox cell = GridCell(LayoutGrid(client.right, client.bottom, maxCh), kGridColLabel, row);
    const LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(grid, WM_LBUTTONUP, 0, at);
    SendMessageA(grid, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(grid, WM_LBUTTONUP, 0, at);
    if (!WaitFor([&] { return IsWindowVisible(editor) != FALSE; }, 5000)) return false;
    SendMessageA(editor, EM_SETSEL, 0, -1);
    for (unsigned char c : label) SendMessageA(editor, WM_CHAR, c, 1);
    SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 1);
    return true;
}

bool SaveScreenshot(HWND window, const std::string& path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * h;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * h);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return static_cast<bool>(out);
}

bool ShowsSettled(HWND window) {
    // Everything invalid is painted now, and the program has handled what
    // was sent to it before this (its window thread answers in order).
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
}

}  // namespace e2e
