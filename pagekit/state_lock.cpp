// Locking of ConverterState; see state_lock.h.
#include "pagekit/state_lock.h"

StateLock::StateLock(HWND mainWindow) {
    if (!mainWindow) return;
    handle_ = reinterpret_cast<HGLOBAL>(GetWindowLongPtrA(mainWindow, kStateSlot));
    if (!handle_) return;
    state_ = static_cast<ConverterState*>(GlobalLock(handle_));
    if (!state_) handle_ = nullptr;
}

StateLock::~StateLock() {
    if (state_) GlobalUnlock(handle_);
}

HWND MainWindowOf(HWND window) { return window ? GetAncestor(window, GA_ROOTOWNER) : nullptr; }
