#pragma once

#include <windows.h>

// A key press that only repeats a key held down: bit 30 of the key message, the key's previous
// state, is set. Held, Enter would press a button again and again.
inline bool isRepeatedKeyPress(const MSG& message) {
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_SYSCHAR:
      return (message.lParam & (1 << 30)) != 0;
  }
  return false;
}
