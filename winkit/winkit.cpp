// Window utilities: dialogs from resources, fonts, window placement and the
// program directory. See winkit.h for the contracts.
#include "winkit/winkit.h"

#include "winkit/profile_batch.h"

#include <cstdio>
#include <cstring>

#include "textkit/sjis_text.h"

namespace {

bool g_debugMode = false;
HFONT g_fonts[2] = {nullptr, nullptr};
const char kPlacementKey[] = "WindowPlacement";
const char kPlacementSection[] = "INITIAL";

void ReportDialogFailure(int resourceId) {
    if (!g_debugMode) return;
    char text[64];
    snprintf(text, sizeof text, "dialog %d could not be created\n", resourceId);
    OutputDebugStringA(text);
}

// Shared procedure of the library's dialogs: centre on show, end or close
// on any push button, close a modeless dialog on WM_CLOSE.
INT_PTR CALLBACK KitDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        WkCenterDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED &&
            (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDYES ||
             LOWORD(wParam) == IDNO)) {
            if (GetWindowLongPtrA(dialog, DWLP_USER)) DestroyWindow(dialog);
            else EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        if (GetWindowLongPtrA(dialog, DWLP_USER)) DestroyWindow(dialog);
        else EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

// Marks a dialog as modeless so KitDialogProc destroys instead of ending it.
INT_PTR CALLBACK ModelessInitProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, 1);
    return KitDialogProc(dialog, message, wParam, lParam);
}

HFONT MakeFont(int height, int weight) {
    NONCLIENTMETRICSA metrics;
    memset(&metrics, 0, sizeof metrics);
    metrics.cbSize = sizeof metrics;
    LOGFONTA font;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font = metrics.lfMessageFont;
    } else {
        memset(&font, 0, sizeof font);
        font.lfCharSet = DEFAULT_CHARSET;
        lstrcpynA(font.lfFaceName, "MS UI Gothic", LF_FACESIZE);
    }
    if (height) font.lfHeight = height;
    font.lfWeight = weight;
    return CreateFontIndirectA(&font);
}

}  // namespace

LONG_PTR WkStartup(HINSTANCE instance) {
    return reinterpret_cast<LONG_PTR>(instance);
}

void WkInit() {}

void WkShutdown(LONG_PTR, HINSTANCE) {
    for (HFONT& font : g_fonts) {
        if (font) DeleteObject(font);
        font = nullptr;
    }
}

void WkGetModuleDir(HINSTANCE instance, char* dir) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(instance, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        dir[0] = '\0';
        return;
    }
    // Cut after the last backslash, stepping over double-byte characters.
    const int cut = LastCharIndex(path, '\\');
    if (cut >= 0) path[cut + 1] = '\0';
    lstrcpynA(dir, path, MAX_PATH);
}

void WkTrimPath(char* path) {
    size_t length = strlen(path);
    while (length > 0) {
        char* last = CharPrevA(path, path + length);
        if (*last != '\\' || last != path + length - 1) break;
        if (length == 3 && path[1] == ':') break;   // keep "C:\"
        *last = '\0';
        --length;
    }
}

BOOL WkRegisterWindowClass(HINSTANCE instance, const WkWindowClass& c) {
    WNDCLASSEXA wc;
    memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.style = c.style;
    wc.lpfnWndProc = c.procedure;
    wc.cbWndExtra = c.extraBytes;
    wc.hInstance = instance;
    if (c.icon) wc.hIcon = LoadIconA(instance, c.icon);
    if (c.smallIcon)
        wc.hIconSm = static_cast<HICON>(LoadImageA(instance, c.smallIcon, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = c.background;
    wc.lpszMenuName = c.menu;
    wc.lpszClassName = c.name;
    return RegisterClassExA(&wc) != 0;
}

HBITMAP WkScaledBitmap(HBITMAP bitmap, int width, int height) {
    BITMAP source;
    if (!bitmap || width <= 0 || height <= 0 || !GetObjectA(bitmap, sizeof source, &source)) return nullptr;
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP scaled = CreateCompatibleBitmap(screen, width, height);
    if (from && to && scaled) {
        HGDIOBJ oldFrom = SelectObject(from, bitmap), oldTo = SelectObject(to, scaled);
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, source.bmWidth, source.bmHeight, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from) DeleteDC(from);
    if (to) DeleteDC(to);
    ReleaseDC(nullptr, screen);
    return scaled;
}

void WkDebugMode() { g_debugMode = true; }

HWND WkModelessDialog(HWND owner, HINSTANCE instance, int resourceId) {
    HWND dialog = CreateDialogA(instance, MAKEINTRESOURCEA(resourceId), owner, ModelessInitProc);
    if (!dialog) {
        ReportDialogFailure(resourceId);
        return nullptr;
    }
    ShowWindow(dialog, SW_SHOW);
    return dialog;
}

INT_PTR WkModalDialog(HWND owner, HINSTANCE instance, int resourceId) {
    INT_PTR result = DialogBoxA(instance, MAKEINTRESOURCEA(resourceId), owner, KitDialogProc);
    if (result == -1) ReportDialogFailure(resourceId);
    return result;
}

INT_PTR WkMessageDialog(HWND owner, HINSTANCE instance, int resourceId) {
    return WkModalDialog(owner, instance, resourceId);
}

void WkCenterDialog(HWND dialog) {
    RECT area;
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner)) {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    } else {
        GetWindowRect(owner, &area);
    }
    RECT box;
    GetWindowRect(dialog, &box);
    int width = box.right - box.left, height = box.bottom - box.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    SetWindowPos(dialog, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT WkGetFont(int, int kind) {
    int slot = kind == kWkFontProminent ? 1 : 0;
    if (!g_fonts[slot]) g_fonts[slot] = slot ? MakeFont(-16, FW_BOLD) : MakeFont(0, FW_NORMAL);
    return g_fonts[slot] ? g_fonts[slot] : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

BOOL WkLoadWindowPlacement(HWND window, const char* section, const char* iniPath, int flags) {
    char text[96];
    GetPrivateProfileStringA(section, kPlacementKey, "", text, sizeof text, iniPath);
    int left, top, right, bottom, show;
    if (sscanf(text, "%d,%d,%d,%d,%d", &left, &top, &right, &bottom, &show) != 5) return FALSE;
    if (right - left < 100 || bottom - top < 80) return FALSE;
    // Keep the window reachable: at least part of its caption on the desktop.
    int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (left > screenWidth - 50 || top > screenHeight - 30 || right < 50 || top < -10) return FALSE;
    WINDOWPLACEMENT placement;
    memset(&placement, 0, sizeof placement);
    placement.length = sizeof placement;
    placement.rcNormalPosition = RECT{left, top, right, bottom};
    placement.showCmd = (flags & 1) ? SW_HIDE : (show == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    if (flags & 1) {
        // Position and size only; the caller shows the window itself.
        return SetWindowPos(window, nullptr, left, top, right - left, bottom - top,
                            SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return SetWindowPlacement(window, &placement);
}

BOOL WkStoreWindowPlacement(HWND window, const char* iniPath) {
    WINDOWPLACEMENT placement;
    memset(&placement, 0, sizeof placement);
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) return FALSE;
    const RECT& r = placement.rcNormalPosition;
    char text[96];
    snprintf(text, sizeof text, "%ld,%ld,%ld,%ld,%u", static_cast<long>(r.left), static_cast<long>(r.top),
             static_cast<long>(r.right), static_cast<long>(r.bottom),
             placement.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    // Through a checked copy: a write that fails must not cut the settings file short.
    ProfileBatch batch(iniPath);
    batch.Text(kPlacementSection, kPlacementKey, text);
    return batch.Commit() ? TRUE : FALSE;
}

int WkWindowDpi(HWND window) {
    HDC dc = GetDC(window);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(window, dc);
    return dpi > 0 ? dpi : 96;
}

int WkScaled(HWND window, int pixels) { return MulDiv(pixels, WkWindowDpi(window), 96); }

bool WkKeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }
