// Real pointer movement in the X display, for tests that move the mouse as a
// user would.
//
// Wine's SetCursorPos (and SendInput) only warp the X pointer when the
// calling process can grab it; while a full-screen window of another process
// confines the cursor, that process holds the grab and the warp is refused:
// the move then lives only in the Windows cursor position, which GetCursorPos
// replaces with the X pointer's again within 100 ms. A user's move goes
// through the X server, so the tests move the X pointer there, with xdotool
// (a Unix program, which Wine starts as any other).
#pragma once

#include <windows.h>

// Moves the pointer to (x, y) on the screen and waits (up to 10 s) until the
// cursor is there. False when xdotool cannot be started or the cursor does
// not get there (a point off the screen, say).
bool MovePointerTo(int x, int y);

// Moves the pointer by (dx, dy) pixels from where the cursor is, the same way.
bool MovePointerBy(int dx, int dy);
