// Locks the ConverterState of a main window for the length of one handler.
// The record's movable memory handle sits in slot 0 of the window's extra
// bytes; without a handle, or when the lock fails, the lock is empty and the
// handler does nothing.
#pragma once

#include <windows.h>

#include "app/converter_state.h"

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
