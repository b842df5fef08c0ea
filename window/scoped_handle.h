#pragma once

// The window's handles and GDI objects, each given back with its own function when its owner
// goes out of scope.

#include <windows.h>

#include "owned_handle.h"

using Font = remittance::Owned<HFONT, DeleteObject>;
using Bitmap = remittance::Owned<HBITMAP, DeleteObject>;
using Brush = remittance::Owned<HBRUSH, DeleteObject>;
using MemoryDc = remittance::Owned<HDC, DeleteDC>;
using ScreenDc = remittance::Owned<HDC, [](HDC dc) { ReleaseDC(nullptr, dc); }>;

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
