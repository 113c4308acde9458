// The signal preview window (class MORLEXPREVIEW): one modeless top-level
// window owned by the main window, showing the channels the current pattern
// writes, epoch by epoch, with the values the PSG file will hold, drawn
// through the montage's filters or as they are. It reads through a reader
// handle of its own, so a conversion running meanwhile is not touched; it
// follows the record when told (WM_RECORD_CHANGED).
#pragma once

#include <windows.h>

// Registers the window class. Non-zero on success.
BOOL RegisterPreviewClass(HINSTANCE instance);

// Shows the preview for the main window `owner`: `existing` (the open
// preview, or null) brought to the front, otherwise a new one. Returns the
// window, or null when it could not be made. The window sends its owner
// WM_PREVIEW_CLOSED when it is destroyed: the owner's handle is then forgotten.
HWND ShowPreviewWindow(HWND owner, HWND existing);

// The keys the message loop offers the preview before dispatching: Tab and
// Shift+Tab move through its controls and back to the traces, Enter in the
// clock-time field jumps (on a button, presses it), Esc on a control goes
// back to the traces. True when the key was taken.
bool TranslatePreviewKey(HWND preview, const MSG& message);

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
