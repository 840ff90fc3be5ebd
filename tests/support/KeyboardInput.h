// Real keyboard input through the system's input queue, for tests that
// press keys as a user would.
#pragma once

#include <windows.h>

#include <initializer_list>

// Presses keys as the keyboard would: each key down in order, then up in
// reverse (so {VK_MENU, VK_RETURN} is Alt+Enter). The keys go to the window
// with the keyboard focus, of whichever process.
void PressKeys(std::initializer_list<WORD> keys);

// Whether `window` comes to the front with the keyboard focus of its thread
// on `focus` (the window itself when null) within timeoutMs: where pressed
// keys then go.
bool WaitForFocus(HWND window, DWORD timeoutMs, HWND focus = nullptr);
