#include "KeyboardInput.h"

#include <vector>

void PressKeys(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        inputs.push_back(in);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *--it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool WaitForFocus(HWND window, DWORD timeoutMs, HWND focus)
{
    if (!focus)
        focus = window;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    const DWORD start = GetTickCount();
    for (;;) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (GetForegroundWindow() == window && GetGUIThreadInfo(thread, &info) && info.hwndFocus == focus)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}
