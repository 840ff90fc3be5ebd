// Reads what the display shows of a window's client area through GDI, for
// tests of programs running in their own process.
#pragma once

#include "Image.h"

#include <windows.h>

class ScreenCapture {
public:
    // The client area of window as shown on screen; empty when the window
    // is gone or has no area.
    static Image Client(HWND window);
};
