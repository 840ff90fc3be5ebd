// A program for ProxyTest that uses Direct3D 8 the way the saver does: it
// binds d3d8.dll by name (so the proxy beside it is found), opens a windowed
// device on a hidden window, presents frames and recovers a lost device.
// Failed calls leave the engine's DXZING trace; a fatal one shows a message
// box. Progress goes to OutputDebugString as "ProxyClient: ..." lines.
//   ProxyClient.exe <frames>
// Exit codes: 0 done, 1 no Direct3D object, 2 no device, 3 not recovered.

#include "D3D8Library.h"
#include "trace/TraceD3DResult.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Say(const char* format, unsigned long value)
{
    char text[128];
    std::snprintf(text, sizeof text, format, value);
    OutputDebugStringA(text);
}

int Fail(const char* text, int code)
{
    MessageBoxA(nullptr, text, "ProxyClient", MB_OK | MB_ICONERROR);
    return code;
}

// Waits for the device to come back and resets it; false when it does not.
bool Recover(IDirect3DDevice8* device, D3DPRESENT_PARAMETERS& parameters)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        const HRESULT hr = device->TestCooperativeLevel();
        if (hr == D3D_OK)
            return true;
        if (hr == D3DERR_DEVICENOTRESET) {
            const HRESULT reset = device->Reset(&parameters);
            Say("ProxyClient: reset -> 0x%lX", static_cast<unsigned long>(reset));
            if (SUCCEEDED(reset))
                return true;
        }
        Sleep(5);
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 10;
    IDirect3D8* d3d = D3D8Library::Create();
    if (!d3d)
        return Fail("Direct3D 8 is not available.", 1);
    HWND window = CreateWindowA("STATIC", "ProxyClient", WS_OVERLAPPEDWINDOW, 0, 0, 96, 96, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    D3DDISPLAYMODE mode = {};
    TRACE_D3D(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode));
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.BackBufferWidth = 64;
    parameters.BackBufferHeight = 48;
    parameters.BackBufferFormat = mode.Format;
    parameters.hDeviceWindow = window;
    IDirect3DDevice8* device = nullptr;
    if (TRACE_D3D(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &parameters, &device))) {
        d3d->Release();
        return Fail("The Direct3D device could not be created.", 2);
    }
    for (int frame = 0; frame < frames;) {
        TRACE_D3D(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x001020C0, 1.0f, 0));
        const HRESULT hr = device->Present(nullptr, nullptr, nullptr, nullptr);
        TRACE_D3D(hr);
        if (hr == D3DERR_DEVICELOST) {
            Say("ProxyClient: lost after %lu frames", static_cast<unsigned long>(frame));
            if (!Recover(device, parameters)) {
                device->Release();
                d3d->Release();
                return Fail("The Direct3D device could not be restored.", 3);
            }
            continue;
        }
        ++frame;
    }
    Say("ProxyClient: presented %lu frames", static_cast<unsigned long>(frames));
    Say("ProxyClient: device release -> %lu", device->Release());
    Say("ProxyClient: direct3d release -> %lu", d3d->Release());
    DestroyWindow(window);
    return 0;
}
