#include "LifecycleApp.h"

LifecycleApp::LifecycleApp()
{
    windowTitle = "Sel Engine Reef Glow";
    depthBufferOn = TRUE;
    depthBitsMin = 15;
    runMode = RunModeDebug;
}

HRESULT LifecycleApp::Note(const char* what)
{
    events.push_back(what);
    return 0;
}

HRESULT LifecycleApp::InitDeviceObjects() { return Note("Init"); }
HRESULT LifecycleApp::InvalidateDeviceObjects() { return Note("Invalidate"); }
HRESULT LifecycleApp::DeleteDeviceObjects() { return Note("Delete"); }
HRESULT LifecycleApp::FinalCleanup() { return Note("FinalCleanup"); }

HRESULT LifecycleApp::RestoreDeviceObjects()
{
    Note("Restore");
    return failRestore ? E_FAIL : 0;
}

HRESULT LifecycleApp::UpdateScene()
{
    ++updates;
    return 0;
}

HRESULT LifecycleApp::Render()
{
    ++renders;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, LifecycleClearColour, 1.0f, 0);
    LONG w = LONG(backBufferDesc.Width), h = LONG(backBufferDesc.Height);
    if (w > 16 && h > 16) {
        LONG x = LONG(appTime * 100.0f) % (w - 16);
        D3DRECT marker = {x, h / 2, x + 16, h / 2 + 16};
        device->Clear(1, &marker, D3DCLEAR_TARGET, 0x00FFC000, 1.0f, 0);
    }
    return 0;
}

void LifecycleApp::Pump(DWORD ms)
{
    HACCEL accelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(AcceleratorTable));
    const DWORD start = GetTickCount();
    while (!quit && GetTickCount() - start < ms) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                break;
            }
            if (!window || !TranslateAcceleratorA(window, accelerators, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else if (active && ready && device) {
            if (FAILED(RenderFrame()) && window)
                SendMessageA(window, WM_CLOSE, 0, 0);
        } else {
            Sleep(1);
        }
    }
}

int LifecycleApp::Count(const std::string& what) const
{
    int n = 0;
    for (const std::string& e : events)
        n += e == what;
    return n;
}
