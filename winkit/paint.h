// Painting helpers that pair every acquisition with its release, even on
// early returns: the paint scope (BeginPaint/EndPaint), a window's device
// context outside painting (GetDC/ReleaseDC), an off-screen picture to draw
// into and copy out at once (no flicker), an object selected into a device
// context (restored on leaving), and a GDI object the code created (deleted
// on leaving). Used by the display control and the grid.
#pragma once

#include <windows.h>

// BeginPaint on construction, EndPaint on destruction.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    HDC dc() const { return dc_; }
    const RECT& dirty() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_ = {};
    HDC dc_;
};

// GetDC on construction, ReleaseDC on destruction.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC dc() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An off-screen picture of `width` x `height` pixels compatible with
// `target`: draw into dc(), then CopyTo the target in one step. dc() is
// null when the picture could not be made.
class MemoryDc {
public:
    MemoryDc(HDC target, int width, int height)
        : dc_(CreateCompatibleDC(target)),
          bitmap_(width > 0 && height > 0 ? CreateCompatibleBitmap(target, width, height) : nullptr),
          width_(width), height_(height) {
        if (dc_ && bitmap_) previous_ = SelectObject(dc_, bitmap_);
    }
    ~MemoryDc() {
        if (previous_) SelectObject(dc_, previous_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    HDC dc() const { return previous_ ? dc_ : nullptr; }
    void CopyTo(HDC target) const {
        if (previous_) BitBlt(target, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
    }

private:
    HDC dc_;
    HBITMAP bitmap_;
    int width_, height_;
    HGDIOBJ previous_ = nullptr;
};

// Selects `object` into `dc`; the previous object is selected back on leaving.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectScope() {
        if (previous_) SelectObject(dc_, previous_);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Owns a GDI object the code created (pen, brush, font, bitmap) and deletes
// it on leaving. Destroy the selections of it first: declare it before them.
template <typename Handle>
class GdiObject {
public:
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() {
        if (handle_) DeleteObject(handle_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_;
};
