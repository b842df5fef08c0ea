#pragma once

// One owner for every Win32 handle and GDI object the window makes: the handle is given back
// with its release function when the owner goes out of scope.

#include <windows.h>

#include <utility>

template <typename Handle, auto release>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() {
    if (handle_) release(handle_);
  }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  Handle handle_ = nullptr;
};

using Font = ScopedHandle<HFONT, DeleteObject>;
using Bitmap = ScopedHandle<HBITMAP, DeleteObject>;
using Brush = ScopedHandle<HBRUSH, DeleteObject>;
using MemoryDc = ScopedHandle<HDC, DeleteDC>;
using ScreenDc = ScopedHandle<HDC, [](HDC dc) { ReleaseDC(nullptr, dc); }>;

// Selects an object into a device context and puts the previous one back when done, so that no
// object is deleted while it is still selected.
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;
  ~ScopedSelection() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};
