#pragma once

// The program's message loop. Keys for the window's controls (Tab, Shift+Tab, Enter, Space) go
// through the dialog manager, as in a dialog box.

#include <windows.h>

// Runs until WM_QUIT and returns its exit code.
int runMessageLoop(HWND window);

// Handles every message that is already waiting, the same way, and returns.
void dispatchWaitingMessages(HWND window);
