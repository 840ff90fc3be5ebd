#include "PointerInput.h"

#include <cstdio>

namespace {

// Starts xdotool with arguments. Wine starts a Unix program without a
// process handle to wait on, so callers wait for its effect.
bool StartXdotool(const char* arguments)
{
    char command[256];
    std::snprintf(command, sizeof command, "Z:\\usr\\bin\\xdotool %s", arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);
    return true;
}

} // namespace

bool MovePointerTo(int x, int y)
{
    char arguments[64];
    std::snprintf(arguments, sizeof arguments, "mousemove %d %d", x, y);
    if (!StartXdotool(arguments))
        return false;
    // GetCursorPos answers the X pointer's position once the last Windows
    // cursor change is 100 ms old.
    const DWORD start = GetTickCount();
    for (;;) {
        Sleep(20);
        POINT p;
        if (GetCursorPos(&p) && p.x == x && p.y == y && GetTickCount() - start >= 150)
            return true;
        if (GetTickCount() - start >= 10000)
            return false;
    }
}

bool MovePointerBy(int dx, int dy)
{
    POINT p;
    return GetCursorPos(&p) && MovePointerTo(p.x + dx, p.y + dy);
}
