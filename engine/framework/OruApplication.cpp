// The application's start-up, its message loop and its frame, the error
// boxes, and the one application object's registration.
#include "OruApplication.h"

#include "AppAccess.h"
#include "AppTimer.h"
#include "D3D8Library.h"
#include "mesh/Pi.h"

#include <cstdio>
#include <cstring>

namespace {

// The program-wide application pointer: the last application constructed;
// reached through App().
OruApplication* g_app = nullptr;

const DWORD WindowedStyle = 0x10CE0000;   // visible, caption, system menu, sizing border, minimise box

} // namespace

OruApplication::OruApplication()
    : adapterCount(0), currentAdapter(0), windowed(TRUE), active(FALSE), ready(FALSE), clockRunning(TRUE),
      singleStep(FALSE), presentParams(), window(nullptr), focusWindow(nullptr), savedMenu(nullptr), d3d(nullptr),
      device(nullptr), caps(), backBufferDesc(), windowStyle(0), windowRect(), clientRect(), appTime(0.0f),
      windowTitle("OruEngine RG2"), depthBufferOn(FALSE), depthBitsMin(16), stencilBitsMin(0),
      initialClientWidth(800), initialClientHeight(600), deviceCursorInFullScreen(FALSE),
      confineCursorInFullScreen(TRUE), windowClassName("OruEngine_RG2_CLASS"), lastCursorPos(),
      runMode(RunModeConfigure), projection(), fieldOfView(Pi / 3.0f), arcBall(), drawFlaggedObjects(0),
      world(nullptr), storedChoiceLoader(nullptr)
{
    D3DXMatrixIdentity(&projection);
    g_app = this;
}

OruApplication::~OruApplication()
{
    if (g_app == this)
        g_app = nullptr;
}

OruApplication* App()
{
    return g_app;
}

HRESULT OruApplication::AcceptDevice(const D3DCAPS8*, DWORD, D3DFORMAT)
{
    return 0;
}

LRESULT CALLBACK OruApplication::FrameworkWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!g_app)
        return DefWindowProcA(window, message, wParam, lParam);
    return g_app->MsgProc(window, message, wParam, lParam);
}

HWND OruApplication::FindRunningInstance()
{
    return FindWindowA(windowClassName, windowTitle);
}

HRESULT OruApplication::ShowError(HRESULT code, int kind)
{
    char text[512];
    std::snprintf(text, sizeof text, "%s", AppErrorText(code));
    if (kind == ErrorKindFatal) {
        // One fatal error, one box: later failures of the same shutdown only
        // pass their code on.
        if (!fatalShown_) {
            fatalShown_ = true;
            std::strncat(text, "\n\nThis application will now exit.", sizeof text - std::strlen(text) - 1);
            MessageBoxA(nullptr, text, windowTitle, MB_ICONERROR | MB_OK);
        }
        if (window && IsWindow(window))
            SendMessageA(window, WM_CLOSE, 0, 0);
    } else if (kind == ErrorKindReference) {
        std::strncat(text,
                     "\n\nSwitching to the reference rasterizer,\na software device that implements the entire\n"
                     "Direct3D feature set, but runs very slowly.",
                     sizeof text - std::strlen(text) - 1);
        MessageBoxA(nullptr, text, windowTitle, MB_ICONWARNING | MB_OK);
    } else {
        MessageBoxA(nullptr, text, windowTitle, MB_ICONWARNING | MB_OK);
    }
    return code;
}

HRESULT OruApplication::Startup(HINSTANCE instance)
{
    d3d = D3D8Library::Create();
    if (!d3d)
        return ShowError(AppErrDirect3DInit, ErrorKindFatal);

    HRESULT hr = EnumerateDevices();
    if (FAILED(hr)) {
        d3d->Release();
        d3d = nullptr;
        return ShowError(hr, ErrorKindFatal);
    }

    if (!window) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = FrameworkWndProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IconApplication));
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = windowClassName;
        RegisterClassA(&wc);

        windowStyle = WindowedStyle;
        RECT rect = {0, 0, LONG(initialClientWidth), LONG(initialClientHeight)};
        AdjustWindowRect(&rect, windowStyle, TRUE);
        window = CreateWindowExA(0, windowClassName, windowTitle, windowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                 rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
        if (!window) {
            // Without a window there is nothing to draw into.
            d3d->Release();
            d3d = nullptr;
            return ShowError(E_FAIL, ErrorKindFatal);
        }
    }
    if (!focusWindow)
        focusWindow = window;

    windowStyle = DWORD(GetWindowLongA(window, GWL_STYLE));
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &clientRect);

    AppTimer(ClockStart);

    hr = OneTimeSceneInit();
    if (FAILED(hr)) {
        d3d->Release();
        d3d = nullptr;
        return ShowError(hr, ErrorKindFatal);
    }

    hr = InitDevice3D();
    if (FAILED(hr)) {
        if (d3d) {
            d3d->Release();
            d3d = nullptr;
        }
        return ShowError(hr, ErrorKindFatal);
    }

    if (runMode == RunModeSaver) {
        if (storedChoiceLoader)
            storedChoiceLoader();
        if (currentAdapter != deviceAdapter_ || CurrentAdapter().currentDevice != deviceIndex_) {
            // The stored choice is another device: create that one, full
            // screen, instead of resetting the windowed one with its values.
            windowed = FALSE;
            CurrentDevice().windowed = FALSE;
            ready = FALSE;
            hr = RecreateDevice();
        } else {
            hr = ToggleWindowed();
        }
        if (FAILED(hr))
            return ShowError(hr, ErrorKindFatal);
    }

    GetCursorPos(&lastCursorPos);
    ready = TRUE;
    return 0;
}

int OruApplication::RunMessageLoop()
{
    HACCEL accelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(AcceleratorTable));
    MSG msg = {};
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    while (msg.message != WM_QUIT) {
        bool got = true;
        if (active) {
            got = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != 0;
        } else if (GetMessageA(&msg, nullptr, 0, 0) == -1) {
            // An error that would repeat for ever: the window closes as at
            // any other end, and the loop ends.
            if (window)
                SendMessageA(window, WM_CLOSE, 0, 0);
            return -1;
        }
        if (got) {
            if (msg.message == WM_QUIT)
                break;
            if (!window || !TranslateAcceleratorA(window, accelerators, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else if (active && ready) {
            if (FAILED(RenderFrame()) && window)
                SendMessageA(window, WM_CLOSE, 0, 0);
        }
    }
    return int(msg.wParam);
}

HRESULT OruApplication::RenderFrame()
{
    if (!device)
        return E_FAIL;
    HRESULT hr = device->TestCooperativeLevel();
    if (FAILED(hr)) {
        if (hr == D3DERR_DEVICELOST)
            return 0;
        if (hr == D3DERR_DEVICENOTRESET) {
            if (windowed) {
                OruAdapterRecord& adapter = CurrentAdapter();
                d3d->GetAdapterDisplayMode(adapter.ordinal, &adapter.desktopMode);
                presentParams.BackBufferFormat = adapter.desktopMode.Format;
            }
            return ResetDevice3D();
        }
        return hr;
    }

    float t = AppTimer(ClockAppTime);
    float dt = AppTimer(ClockElapsedTime);
    if (dt == 0.0f && clockRunning)
        return 0;

    if (clockRunning || singleStep) {
        appTime = t;
        hr = UpdateScene();
        if (FAILED(hr))
            return hr;
        singleStep = FALSE;
    }
    hr = Render();
    if (FAILED(hr))
        return hr;
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return 0;
}
