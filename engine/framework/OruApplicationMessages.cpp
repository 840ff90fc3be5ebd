// The application's window messages, its commands and pausing.
#include "OruApplication.h"

#include "AppTimer.h"
#include "trace/DebugPrint.h"

namespace {

int g_pauseCount = 0;

} // namespace

void OruApplication::SetPaused(BOOL pause)
{
    g_pauseCount += pause ? 1 : -1;
    ready = g_pauseCount == 0;
    if (pause && g_pauseCount == 1 && clockRunning)
        AppTimer(ClockStop);
    if (g_pauseCount == 0 && clockRunning)
        AppTimer(ClockStart);
}

// Resets the windowed device when the window's client size has changed.
// False when the reset failed (the fatal box has closed the window).
bool OruApplication::ResizeToClient()
{
    RECT oldClient = clientRect;
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &clientRect);
    if (oldClient.right - oldClient.left == clientRect.right - clientRect.left &&
        oldClient.bottom - oldClient.top == clientRect.bottom - clientRect.top)
        return true;
    if (clientRect.right <= clientRect.left || clientRect.bottom <= clientRect.top)
        return true;
    ready = FALSE;
    presentParams.BackBufferWidth = UINT(clientRect.right - clientRect.left);
    presentParams.BackBufferHeight = UINT(clientRect.bottom - clientRect.top);
    if (FAILED(ResetDevice3D())) {
        ShowError(AppErrDeviceReset, ErrorKindFatal);
        return false;
    }
    ready = TRUE;
    return true;
}

LRESULT OruApplication::MsgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DebugPrint("MsgProc : %08X %08X %08X", message, unsigned(wParam), unsigned(lParam));
    switch (message) {
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXHIDE) {
            active = FALSE;
            if (!windowed && confineCursorInFullScreen)
                ClipCursor(nullptr);
        } else {
            active = TRUE;
            // A size change outside a border drag (a maximise by the window
            // manager, say) also needs a back buffer of the new size.
            if (!inSizeMove_ && windowed && ready && device && hwnd == window)
                ResizeToClient();
        }
        break;

    case WM_PAINT:
        // Keep the picture while frames are paused; never draw on a device
        // whose objects are not restored (a box may be up during a reset).
        if (device && !ready && windowed && objectsRestored_) {
            Render();
            device->Present(nullptr, nullptr, nullptr, nullptr);
        }
        break;

    case WM_CLOSE: {
        ShutdownDevice3D();
        ClipCursor(nullptr);
        if (HMENU menu = GetMenu(hwnd))
            DestroyMenu(menu);
        if (savedMenu) {
            DestroyMenu(savedMenu);
            savedMenu = nullptr;
        }
        DestroyWindow(hwnd);
        if (hwnd == window)
            window = nullptr;
        PostQuitMessage(0);
        return 0;
    }

    case WM_ACTIVATEAPP:
        if (!wParam && runMode != RunModeDebug) {
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        break;

    case WM_SETCURSOR:
        if (active && ready && !windowed) {
            SetCursor(nullptr);
            if (deviceCursorInFullScreen && device)
                device->ShowCursor(TRUE);
            return TRUE;
        }
        break;

    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize.x = 100;
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize.y = 100;
        break;

    case WM_CONTEXTMENU:
        if (windowed) {
            HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ContextMenu));
            if (menu) {
                if (HMENU popup = GetSubMenu(menu, 0))
                    TrackPopupMenuEx(popup, TPM_VERTICAL, short(LOWORD(lParam)), short(HIWORD(lParam)), hwnd,
                                     nullptr);
                DestroyMenu(menu);
            }
        }
        break;

    case WM_NCHITTEST:
        if (!windowed)
            return HTCLIENT;
        break;

    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MOVE:
        case SC_SIZE:
        case SC_MAXIMIZE:
        case SC_KEYMENU:
        case SC_MONITORPOWER:
            if (!windowed)
                return 1;
            break;
        }
        break;

    case WM_MOUSEMOVE:
        if (active && ready && device) {
            POINT cursor;
            GetCursorPos(&cursor);
            if (!windowed)
                ScreenToClient(hwnd, &cursor);
            device->SetCursorPosition(cursor.x, cursor.y, 0);
        }
        break;

    case WM_ENTERMENULOOP:
        SetPaused(TRUE);
        break;
    case WM_ENTERSIZEMOVE:
        inSizeMove_ = true;
        SetPaused(TRUE);
        break;
    case WM_EXITMENULOOP:
        SetPaused(FALSE);
        break;
    case WM_EXITSIZEMOVE:
        inSizeMove_ = false;
        SetPaused(FALSE);
        if (active && windowed && device && !ResizeToClient())
            return 0;
        break;

    case WM_POWERBROADCAST:
        if (wParam == PBT_APMQUERYSUSPEND || wParam == PBT_APMRESUMESUSPEND)
            return TRUE;
        break;

    case WM_COMMAND: {
        const int command = LOWORD(wParam);
        const bool debug = runMode == RunModeDebug;
        switch (command) {
        case CommandChangeDevice:
        case CommandToggleFullScreen:
            if (!debug) {
                PostMessageA(hwnd, WM_CLOSE, 0, 0);
                return 0;
            }
            if (active && ready) {
                SetPaused(TRUE);
                if (command == CommandChangeDevice) {
                    if (FAILED(ChooseDevice()))
                        return 0;
                } else if (FAILED(ToggleWindowed())) {
                    ShowError(AppErrDeviceReset, ErrorKindFatal);
                    return 0;
                }
                SetPaused(FALSE);
            }
            return 0;
        case CommandGoStop:
            if (!debug) {
                PostMessageA(hwnd, WM_CLOSE, 0, 0);
                return 0;
            }
            clockRunning = !clockRunning;
            AppTimer(clockRunning ? ClockStart : ClockStop);
            break;
        case CommandSingleStep:
            if (!debug) {
                PostMessageA(hwnd, WM_CLOSE, 0, 0);
                return 0;
            }
            AppTimer(clockRunning ? ClockStop : ClockStep);
            clockRunning = FALSE;
            singleStep = TRUE;
            break;
        case CommandExit:
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
