// Opens a Direct3D 8 device in a window and clears it to the scene's clear
// colour every frame, until the window is closed or Esc is pressed.

#include "D3D8Library.h"
#include "trace/TraceD3DResult.h"

#include <windows.h>
#include <d3d8.h>

namespace {

const D3DCOLOR ClearColour = 0x001020C0;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int Fail(const char* text)
{
    MessageBoxA(nullptr, text, "Reef Glow 3 smoke", MB_ICONERROR | MB_OK);
    return 1;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "ReefGlowClearSmoke";
    RegisterClassA(&wc);

    RECT rect = {0, 0, 800, 600};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowA(wc.lpszClassName, "Reef Glow 3 smoke", WS_OVERLAPPEDWINDOW, 0, 0,
                                rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
    if (!window)
        return Fail("The window could not be created.");

    IDirect3D8* d3d = D3D8Library::Create();
    if (!d3d)
        return Fail("Direct3D 8 is not available.");
    D3DDISPLAYMODE mode;
    if (TRACE_D3D(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
        return Fail("The display mode could not be read.");

    D3DPRESENT_PARAMETERS pp = {};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferFormat = mode.Format;
    pp.hDeviceWindow = window;
    IDirect3DDevice8* device = nullptr;
    if (TRACE_D3D(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &pp, &device)))
        return Fail("The Direct3D device could not be created.");

    ShowWindow(window, show);
    MSG msg = {};
    while (msg.message != WM_QUIT) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        TRACE_D3D(device->Clear(0, nullptr, D3DCLEAR_TARGET, ClearColour, 1.0f, 0));
        TRACE_D3D(device->Present(nullptr, nullptr, nullptr, nullptr));
        Sleep(10);
    }
    device->Release();
    d3d->Release();
    return 0;
}
