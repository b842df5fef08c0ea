#pragma once

// The name a screen reader announces for a control that no label control names, such as the
// remittance list under its painted heading.

#include <windows.h>

#include <string>

// From now on the accessible object of `control` itself is named `name`; its items keep their own
// names, and everything else is the system's standard object for the control. Lasts as long as the
// control; call it once per control, on the thread that owns it, which has started COM (the answer
// to a screen reader is handed over through COM), and once the control is filled: from then on
// every message to the control goes through one more step, under Wine a call to the Wine server.
// Where the control cannot be subclassed or COM cannot hand the answer over, the control keeps the
// system's unnamed object: the window works on, only less well described.
void nameForScreenReaders(HWND control, std::wstring name);
