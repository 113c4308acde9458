// The CTLKITSTATIC32 display control; see ctlkit.h.
#include "ctlkit/ctlkit.h"

#include "winkit/paint.h"

#include <cstring>

namespace {

// Extra window bytes: the font and the background colour.
enum { kFontSlot = 0, kColorSlot = sizeof(LONG_PTR), kExtraBytes = 2 * sizeof(LONG_PTR) };

COLORREF BackgroundOf(HWND window) {
    LONG_PTR stored = GetWindowLongPtrA(window, kColorSlot);
    return stored ? static_cast<COLORREF>(stored - 1) : RGB(192, 192, 192);
}

UINT TextFormatOf(LONG style) {
    UINT format = DT_NOPREFIX;
    if (style & CKS_RIGHT) format |= DT_RIGHT;
    else if (style & CKS_CENTER) format |= DT_CENTER;
    if (style & CKS_VCENTER) format |= DT_VCENTER | DT_SINGLELINE;
    else format |= DT_WORDBREAK;
    if (style & CKS_ELLIPSIS) format |= DT_PATH_ELLIPSIS | DT_SINGLELINE;
    return format;
}

// Draws the text in `box`. A one-line text too wide for the control is
// wrapped (between any two characters, as an edit field does) and centred
// vertically instead of being cut: every text shows whole.
// The path ellipsis serves paths only: a sentence keeps all its words.
void DrawWholeText(HDC dc, const char* text, int length, RECT box, UINT format) {
    if (!memchr(text, '\\', static_cast<size_t>(length))) format &= ~DT_PATH_ELLIPSIS;
    if ((format & DT_SINGLELINE) && !(format & DT_PATH_ELLIPSIS)) {
        RECT line = box;
        DrawTextA(dc, text, length, &line, format | DT_CALCRECT);
        if (line.right - line.left > box.right - box.left) {
            format = (format & ~(DT_SINGLELINE | DT_VCENTER)) | DT_WORDBREAK | DT_EDITCONTROL;
            RECT lines = box;
            DrawTextA(dc, text, length, &lines, format | DT_CALCRECT);
            const LONG spare = (box.bottom - box.top) - (lines.bottom - lines.top);
            if (spare > 0) box.top += spare / 2;
        }
    }
    DrawTextA(dc, text, length, &box, format);
}

void OnPaint(HWND window) {
    PaintScope paint(window);
    HDC dc = paint.dc();
    RECT box;
    GetClientRect(window, &box);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    COLORREF background = (style & CKS_FILL) ? BackgroundOf(window) : GetSysColor(COLOR_BTNFACE);
    {
        GdiObject<HBRUSH> brush(CreateSolidBrush(background));
        FillRect(dc, &box, brush.get());
    }
    if (style & CKS_SUNKEN) DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    else if (style & CKS_FRAME) DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT | BF_ADJUST);
    InflateRect(&box, -2, 0);

    char text[512];
    int length = GetWindowTextA(window, text, sizeof text);
    HFONT font = reinterpret_cast<HFONT>(GetWindowLongPtrA(window, kFontSlot));
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SelectScope selectFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(window) ? GetSysColor(COLOR_WINDOWTEXT) : GetSysColor(COLOR_GRAYTEXT));
    DrawWholeText(dc, text, length, box, TextFormatOf(style));
}

LRESULT CALLBACK DisplayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFONT:
        SetWindowLongPtrA(window, kFontSlot, static_cast<LONG_PTR>(wParam));
        if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return GetWindowLongPtrA(window, kFontSlot);
    case CKM_SETCOLOR:
        SetWindowLongPtrA(window, kColorSlot, static_cast<LONG_PTR>(lParam) + 1);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, TRUE);
        return result;
    }
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

BOOL CtlKitRegister() {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = DisplayProc;
    wc.cbWndExtra = kExtraBytes;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = CTLKIT_STATIC_CLASS_NAME;
    if (RegisterClassA(&wc)) return TRUE;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
