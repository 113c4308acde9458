// Window utilities used throughout the program: start-up and shutdown,
// dialogs from resources (modeless, modal and message dialogs), centring,
// fonts, the main window's placement in the settings file and the program's
// directory.
#pragma once

#include <windows.h>


// Starts the library for the program instance; the value is handed back to
// WkShutdown.
LONG_PTR WkStartup(HINSTANCE instance);
void WkInit();
void WkShutdown(LONG_PTR startupValue, HINSTANCE instance);

// Writes the folder of the program's executable into `dir` (260 bytes).
void WkGetModuleDir(HINSTANCE instance, char* dir);
// Removes trailing backslashes (never the one after a drive letter "C:\").
void WkTrimPath(char* path);

// Turns on debug mode (the settings file's INITIAL/Debug): the dialog
// helpers then report failures to create a dialog with OutputDebugString.
void WkDebugMode();

// Creates dialog resource `resourceId` as a visible modeless window owned by
// `owner`, centred on it. The dialog closes itself on WM_CLOSE. Null on failure.
HWND WkModelessDialog(HWND owner, HINSTANCE instance, int resourceId);
// Runs dialog resource `resourceId` modally, centred on `owner`. Returns the
// id of the button that ended it (IDOK = 1, IDCANCEL = 2), or -1 on failure.
INT_PTR WkModalDialog(HWND owner, HINSTANCE instance, int resourceId);
// A message dialog: a modal dialog resource of texts and OK/Cancel buttons.
INT_PTR WkMessageDialog(HWND owner, HINSTANCE instance, int resourceId);
// Centres `dialog` on its owner (or on the screen without one).
void WkCenterDialog(HWND dialog);

// A window class of the program: its procedure and name, the class style,
// the bytes kept with each window, the icon and small icon (resource names
// of the program; null: none), the background brush and the menu (null:
// none). The cursor is the arrow.
struct WkWindowClass {
    WNDPROC procedure;
    const char* name;
    UINT style;
    int extraBytes;
    const char* icon;
    const char* smallIcon;
    HBRUSH background;
    const char* menu;
};
// Registers `c` for `instance`. Non-zero on success.
BOOL WkRegisterWindowClass(HINSTANCE instance, const WkWindowClass& c);

// Pixels per inch of the screen `window` is drawn on (96 when unknown).
int WkWindowDpi(HWND window);
// A length of the plain (96 pixels per inch) screen in pixels at the dpi of
// `window`, rounded to the nearest pixel.
int WkScaled(HWND window, int pixels);
// A copy of `bitmap` drawn `width` x `height` pixels (smoothed), for
// images made for a plain screen shown at a higher dpi. The caller deletes
// it; null on failure.
HBITMAP WkScaledBitmap(HBITMAP bitmap, int width, int height);
// True while `key` (a virtual-key code) is held down, as of the message
// being handled.
bool WkKeyDown(int key);

// Font kinds by use: the prominent kind is a larger bold font for values
// that must stand out; every other kind is the program's normal
// user-interface font. The pattern list and the montage grid ask for kinds
// of their own, so either could get its own font without touching callers.
enum WkFontKind {
    kWkFontNormal = 0,
    kWkFontProminent = 7,
    kWkFontPatternList = 8,
    kWkFontGrid = 15
};

// The font of `kind` (family 0). Fonts live until WkShutdown.
HFONT WkGetFont(int family, int kind);

// Window placement in `section` of the settings file (key "WindowPlacement",
// "left,top,right,bottom,showCmd"). Load applies a stored placement that
// fits on the screen; `flags` 1 = position and size only, the caller shows
// the window (the program shows it with its show command). Non-zero when a
// placement was applied.
BOOL WkLoadWindowPlacement(HWND window, const char* section, const char* iniPath, int flags);
BOOL WkStoreWindowPlacement(HWND window, const char* iniPath);
