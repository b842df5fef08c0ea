#pragma once

// The remittance list scrolls sideways as far as the end of its widest name, so that names that
// differ only past the list's width can be told apart and read whole. A list whose names all fit
// keeps no sideways scroll, and so no horizontal scroll bar.

#include <windows.h>

// Measures every name of `list` in the list's own font and lets the list scroll sideways to the
// end of the widest, or not at all when every name fits. Call it once the list is filled and
// again whenever its font changes (at a new DPI).
void fitSidewaysScroll(HWND list);

// Left and Right scroll `list` sideways by a third of its width when it has names wider than
// itself, and `key` is then used up: true. Otherwise the list takes the key as it always does.
bool scrollSideways(HWND list, WPARAM key);
