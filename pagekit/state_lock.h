// Locks the ConverterState of a main window for the length of one handler.
// The record's movable memory handle sits in slot 0 of the window's extra
// bytes; without a handle, or when the lock fails, the lock is empty and the
// handler does nothing. Pages and dialogs find the main window from their
// own window (MainWindowOf), never through a program-wide global.
#pragma once

#include <windows.h>

#include "pagekit/converter_state.h"

class StateLock {
public:
    explicit StateLock(HWND mainWindow);
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

    explicit operator bool() const { return state_ != nullptr; }
    ConverterState* operator->() const { return state_; }
    ConverterState& operator*() const { return *state_; }
    ConverterState* get() const { return state_; }

private:
    HGLOBAL handle_ = nullptr;
    ConverterState* state_ = nullptr;
};

// The extra-bytes slot that holds the record's handle.
enum { kStateSlot = 0 };

// The main window a page or dialog belongs to: the root of its parents and
// owners (a page is a child of the main window's tab control; a modal dialog
// is owned by the main window).
HWND MainWindowOf(HWND window);

// Calls `handler(state)` with the locked record of the main window `window`
// belongs to; nothing happens without a record. The pages' procedures hand
// their messages on with it.
template <typename Handler>
void WithState(HWND window, Handler handler) {
    StateLock lock(MainWindowOf(window));
    if (lock) handler(*lock);
}
