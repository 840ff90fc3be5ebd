#include "OruApplication.h"

#include "AppAccess.h"
#include "AppTimer.h"
#include "BuildDeviceCursor.h"
#include "D3D8Library.h"
#include "SelectDeviceDialog.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

OruApplication* g_registered = nullptr;
int g_pauseCount = 0;

const DWORD WindowedStyle = 0x10CE0000;   // visible, caption, system menu, sizing border, minimise box
const DWORD FullScreenStyle = 0x90080000; // popup, visible, system menu

const UINT MaxDistinctModes = 100;
const UINT MaxFormats = 20;

bool Is32Bit(D3DFORMAT f) { return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_R8G8B8; }
bool Is16Bit(D3DFORMAT f) { return f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 || f == D3DFMT_A1R5G5B5; }

} // namespace

OruApplication::OruApplication()
    : adapterCount(0), currentAdapter(0), windowed(TRUE), active(FALSE), ready(FALSE), clockRunning(TRUE),
      singleStep(FALSE), presentParams(), window(nullptr), focusWindow(nullptr), savedMenu(nullptr), d3d(nullptr),
      device(nullptr), caps(), backBufferDesc(), windowStyle(0), windowRect(), clientRect(), appTime(0.0f),
      windowTitle("OruEngine RG2"), depthBufferOn(FALSE), depthBitsMin(16), stencilBitsMin(0),
      initialClientWidth(800), initialClientHeight(600), deviceCursorInFullScreen(FALSE),
      confineCursorInFullScreen(TRUE), windowClassName("OruEngine_RG2_CLASS"), lastCursorPos(),
      runMode(RunModeConfigure), projection(), fieldOfView(1.0471976f), arcBall(), drawFlaggedObjects(0),
      world(nullptr), storedChoiceLoader(nullptr)
{
    D3DXMatrixIdentity(&projection);
    g_registered = this;
}

OruApplication::~OruApplication()
{
    if (g_registered == this)
        g_registered = nullptr;
}

OruApplication* App()
{
    return g_registered;
}

HRESULT OruApplication::AcceptDevice(const D3DCAPS8*, DWORD, D3DFORMAT)
{
    return 0;
}

LRESULT CALLBACK OruApplication::FrameworkWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!g_registered)
        return DefWindowProcA(window, message, wParam, lParam);
    return g_registered->MsgProc(window, message, wParam, lParam);
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
        bool got = active ? PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != 0
                          : GetMessageA(&msg, nullptr, 0, 0) != -1;
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

void OruApplication::InvalidateObjects()
{
    if (objectsRestored_) {
        objectsRestored_ = false;
        InvalidateDeviceObjects();
    }
}

void OruApplication::DeleteObjects()
{
    if (objectsInitialised_) {
        objectsInitialised_ = false;
        DeleteDeviceObjects();
    }
}

bool OruApplication::ReleaseDevice()
{
    if (!device)
        return true;
    ULONG remaining = device->Release();
    device = nullptr;
    return remaining == 0;
}

void OruApplication::ShutdownDevice3D()
{
    active = FALSE;
    ready = FALSE;
    if (device) {
        InvalidateObjects();
        DeleteObjects();
        ReleaseDevice();
    }
    if (d3d) {
        d3d->Release();
        d3d = nullptr;
    }
    FinalCleanup();
}

HRESULT OruApplication::ApplyWindowStyle()
{
    if (windowed) {
        SetWindowLongA(window, GWL_STYLE, LONG(windowStyle));
        if (savedMenu)
            SetMenu(window, savedMenu);
    } else {
        SetWindowLongA(window, GWL_STYLE, LONG(FullScreenStyle));
        if (HMENU menu = GetMenu(window))
            savedMenu = menu;
        SetMenu(window, nullptr);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Enumeration

int OruApplication::CompareDisplayModes(const void* a, const void* b)
{
    const D3DDISPLAYMODE* m1 = static_cast<const D3DDISPLAYMODE*>(a);
    const D3DDISPLAYMODE* m2 = static_cast<const D3DDISPLAYMODE*>(b);
    if (m1->Format != m2->Format)
        return m1->Format > m2->Format ? -1 : 1;
    if (m1->Width != m2->Width)
        return m1->Width < m2->Width ? -1 : 1;
    if (m1->Height != m2->Height)
        return m1->Height < m2->Height ? -1 : 1;
    return 0;
}

BOOL OruApplication::TryDepthStencilFormats(UINT ordinal, D3DDEVTYPE type, D3DFORMAT format, D3DFORMAT* out)
{
    struct Candidate {
        D3DFORMAT format;
        UINT depthMax;
        UINT stencilMax;
    };
    static const Candidate candidates[] = {
        {D3DFMT_D16, 16, 0},     {D3DFMT_D15S1, 15, 1},   {D3DFMT_D24X8, 24, 0},
        {D3DFMT_D24S8, 24, 8},   {D3DFMT_D24X4S4, 24, 4}, {D3DFMT_D32, 32, 0},
    };
    for (const Candidate& c : candidates) {
        if (depthBitsMin > c.depthMax || stencilBitsMin > c.stencilMax)
            continue;
        if (SUCCEEDED(d3d->CheckDeviceFormat(ordinal, type, format, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                             c.format)) &&
            SUCCEEDED(d3d->CheckDepthStencilMatch(ordinal, type, format, format, c.format))) {
            *out = c.format;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL OruApplication::PickDepthStencilFormat(UINT ordinal, D3DDEVTYPE type, D3DFORMAT format, D3DFORMAT* out)
{
    for (UINT stencil : {8u, 4u, 1u, 0u}) {
        stencilBitsMin = stencil;
        if (TryDepthStencilFormats(ordinal, type, format, out))
            return TRUE;
    }
    return FALSE;
}

void OruApplication::PickDefaultMode(OruDeviceRecord* record)
{
    auto pick = [record](bool (*depth)(D3DFORMAT)) {
        for (UINT m = 0; m < record->modeCount; ++m) {
            const OruDisplayMode& mode = record->modes[m];
            if (mode.width == 640 && mode.height == 480 && depth(mode.format)) {
                record->currentMode = m;
                return true;
            }
        }
        return false;
    };
    if (runMode == RunModeSaver)
        pick(Is16Bit);
    else if (!pick(Is32Bit))
        pick(Is16Bit);
}

int OruApplication::GetStencilBits()
{
    if (!depthBufferOn || adapterCount == 0)
        return 0;
    return StencilBitsOf(CurrentMode().depthStencilFormat);
}

int OruApplication::StencilBitsOf(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_D15S1:
        return 1;
    case D3DFMT_D24S8:
        return 8;
    case D3DFMT_D24X4S4:
        return 4;
    default:
        return 0;
    }
}

HRESULT OruApplication::EnumerateDevices()
{
    bool hardwareFound = false;
    bool hardwareMode = false;
    bool hardwareWindowed = false;
    bool hardwareDesktopWindowed = false;

    adapterCount = 0;
    const UINT ordinals = d3d->GetAdapterCount();
    for (UINT ordinal = 0; ordinal < ordinals && adapterCount < MaxAdapters; ++ordinal) {
        OruAdapterRecord& adapter = adapters[adapterCount];
        std::memset(&adapter, 0, sizeof adapter);
        adapter.ordinal = ordinal;
        d3d->GetAdapterIdentifier(ordinal, D3DENUM_NO_WHQL_LEVEL, &adapter.identifier);
        if (FAILED(d3d->GetAdapterDisplayMode(ordinal, &adapter.desktopMode)))
            continue;

        // Distinct modes (refresh rates ignored) and formats, desktop format first.
        D3DDISPLAYMODE modes[MaxDistinctModes];
        D3DFORMAT formats[MaxFormats];
        UINT modeCount = 0;
        UINT formatCount = 0;
        formats[formatCount++] = adapter.desktopMode.Format;
        const UINT reported = d3d->GetAdapterModeCount(ordinal);
        for (UINT i = 0; i < reported; ++i) {
            D3DDISPLAYMODE mode;
            if (FAILED(d3d->EnumAdapterModes(ordinal, i, &mode)))
                continue;
            if (mode.Width < 640 || mode.Height < 400)
                continue;
            bool listed = false;
            for (UINT m = 0; m < modeCount && !listed; ++m)
                listed = modes[m].Width == mode.Width && modes[m].Height == mode.Height && modes[m].Format == mode.Format;
            if (listed || modeCount >= MaxDistinctModes)
                continue;
            bool known = false;
            for (UINT f = 0; f < formatCount && !known; ++f)
                known = formats[f] == mode.Format;
            if (!known) {
                if (formatCount >= MaxFormats)
                    continue; // a mode whose format cannot be listed is left out
                formats[formatCount++] = mode.Format;
            }
            modes[modeCount++] = mode;
        }
        std::qsort(modes, modeCount, sizeof modes[0], CompareDisplayModes);

        static const D3DDEVTYPE types[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
        static const char* const names[] = {"HAL", "REF"};
        for (int t = 0; t < 2 && adapter.deviceCount < MaxDevicesPerAdapter; ++t) {
            OruDeviceRecord& record = adapter.devices[adapter.deviceCount];
            record.deviceType = types[t];
            if (FAILED(d3d->GetDeviceCaps(ordinal, types[t], &record.caps)))
                continue;
            record.description = names[t];
            record.modeCount = 0;
            record.currentMode = 0;
            record.canRenderWindowed = FALSE;
            record.windowed = FALSE;
            record.windowedMultiSample = D3DMULTISAMPLE_NONE;
            record.fullScreenMultiSample = D3DMULTISAMPLE_NONE;
            const bool isHal = types[t] == D3DDEVTYPE_HAL;
            const bool windowCaps = (record.caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0;

            bool confirmed[MaxFormats] = {};
            DWORD behaviour[MaxFormats] = {};
            D3DFORMAT depthFormat[MaxFormats] = {};
            for (UINT f = 0; f < formatCount; ++f) {
                if (FAILED(d3d->CheckDeviceType(ordinal, types[t], formats[f], formats[f], FALSE)))
                    continue;
                if (isHal) {
                    hardwareFound = true;
                    if (windowCaps) {
                        hardwareWindowed = true;
                        if (f == 0)
                            hardwareDesktopWindowed = true;
                    }
                }
                DWORD tries[4];
                int tryCount = 0;
                if (record.caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
                    if (record.caps.DevCaps & D3DDEVCAPS_PUREDEVICE)
                        tries[tryCount++] = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
                    tries[tryCount++] = D3DCREATE_HARDWARE_VERTEXPROCESSING;
                    tries[tryCount++] = D3DCREATE_MIXED_VERTEXPROCESSING;
                }
                tries[tryCount++] = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
                for (int k = 0; k < tryCount && !confirmed[f]; ++k) {
                    if (AcceptDevice(&record.caps, tries[k], formats[f]) >= 0) {
                        confirmed[f] = true;
                        behaviour[f] = tries[k];
                    }
                }
                if (confirmed[f] && depthBufferOn && !PickDepthStencilFormat(ordinal, types[t], formats[f], &depthFormat[f]))
                    confirmed[f] = false;
                DebugPrint("Confirm Formats f[%d]:%d conf-%d DepSten-%d\n", f, formats[f], confirmed[f], depthFormat[f]);
            }

            for (UINT m = 0; m < modeCount && record.modeCount < MaxDisplayModes; ++m) {
                UINT f = 0;
                while (f < formatCount && formats[f] != modes[m].Format)
                    ++f;
                if (f == formatCount || !confirmed[f])
                    continue;
                OruDisplayMode& mode = record.modes[record.modeCount++];
                mode.width = modes[m].Width;
                mode.height = modes[m].Height;
                mode.format = modes[m].Format;
                mode.behaviourFlags = behaviour[f];
                mode.depthStencilFormat = depthFormat[f];
                DebugPrint("MODES[%d] %d-%d FMT-%d Bef-%d DepSten %d\n", record.modeCount - 1, mode.width,
                           mode.height, mode.format, mode.behaviourFlags, mode.depthStencilFormat);
                if (isHal)
                    hardwareMode = true;
            }
            PickDefaultMode(&record);
            if (confirmed[0] && windowCaps) {
                record.canRenderWindowed = TRUE;
                record.windowed = TRUE;
            }
            if (record.modeCount > 0)
                ++adapter.deviceCount;
        }
        if (adapter.deviceCount > 0)
            ++adapterCount;
    }

    if (adapterCount == 0)
        return AppErrNoCompatibleDevice;

    for (UINT a = 0; a < adapterCount; ++a) {
        for (UINT d = 0; d < adapters[a].deviceCount; ++d) {
            if (!adapters[a].devices[d].windowed)
                continue;
            adapters[a].currentDevice = d;
            currentAdapter = a;
            windowed = TRUE;
            if (adapters[a].devices[d].deviceType == D3DDEVTYPE_REF) {
                HRESULT why = !hardwareFound              ? AppErrNoHardwareDevice
                              : !hardwareMode             ? AppErrHardwareLacksFeature
                              : !hardwareWindowed         ? AppErrNoWindowedHardware
                              : !hardwareDesktopWindowed  ? AppErrNoDesktopHardware
                                                          : AppErrNoDesktopHardwareFeature;
                ShowError(why, ErrorKindReference);
            }
            return 0;
        }
    }
    return AppErrNoWindowableDevice;
}

// ---------------------------------------------------------------------------
// Device creation, reset and display switching

D3DMULTISAMPLE_TYPE OruApplication::UsableMultiSample(BOOL inWindow)
{
    OruAdapterRecord& adapter = CurrentAdapter();
    OruDeviceRecord& record = CurrentDevice();
    D3DMULTISAMPLE_TYPE& stored = inWindow ? record.windowedMultiSample : record.fullScreenMultiSample;
    if (stored == D3DMULTISAMPLE_NONE)
        return stored;
    D3DFORMAT format = inWindow ? adapter.desktopMode.Format : CurrentMode().format;
    if (FAILED(d3d->CheckDeviceMultiSampleType(adapter.ordinal, record.deviceType, format, inWindow, stored)))
        stored = D3DMULTISAMPLE_NONE;
    return stored;
}

// In a window the back buffer takes the client size and the desktop format,
// full screen the current mode.
void OruApplication::SetBackBuffer(BOOL inWindow)
{
    if (inWindow) {
        presentParams.BackBufferWidth = UINT(clientRect.right - clientRect.left);
        presentParams.BackBufferHeight = UINT(clientRect.bottom - clientRect.top);
        presentParams.BackBufferFormat = CurrentAdapter().desktopMode.Format;
    } else {
        presentParams.BackBufferWidth = CurrentMode().width;
        presentParams.BackBufferHeight = CurrentMode().height;
        presentParams.BackBufferFormat = CurrentMode().format;
    }
}

void OruApplication::FillPresentParams()
{
    OruDeviceRecord& record = CurrentDevice();
    OruDisplayMode& mode = CurrentMode();
    std::memset(&presentParams, 0, sizeof presentParams);
    SetBackBuffer(record.windowed);
    presentParams.BackBufferCount = 1;
    presentParams.MultiSampleType = UsableMultiSample(record.windowed);
    presentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentParams.hDeviceWindow = window;
    presentParams.Windowed = record.windowed;
    presentParams.EnableAutoDepthStencil = depthBufferOn;
    presentParams.AutoDepthStencilFormat = mode.depthStencilFormat;
}

void OruApplication::ApplyCursorConfinement()
{
    if (!confineCursorInFullScreen)
        return;
    if (!windowed) {
        RECT rect;
        GetWindowRect(window, &rect);
        ClipCursor(&rect);
    } else {
        ClipCursor(nullptr);
    }
}

// Back-buffer description, device cursor and cursor confinement after the
// device was created or reset.
void OruApplication::AfterCreateOrReset()
{
    IDirect3DSurface8* back = nullptr;
    if (SUCCEEDED(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) {
        back->GetDesc(&backBufferDesc);
        back->Release();
    }
    if (deviceCursorInFullScreen && !windowed) {
        HCURSOR cursor = reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR));
        BuildDeviceCursor(device, cursor, TRUE);
        device->ShowCursor(TRUE);
    }
    ApplyCursorConfinement();
}

HRESULT OruApplication::InitDevice3D()
{
    ApplyWindowStyle();
    FillPresentParams();
    OruDeviceRecord& record = CurrentDevice();
    if (record.caps.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE)
        ShowError(AppErrNullReference, ErrorKindWarning);

    HRESULT hr = d3d->CreateDevice(CurrentAdapter().ordinal, record.deviceType, focusWindow,
                                   CurrentMode().behaviourFlags, &presentParams, &device);
    if (SUCCEEDED(hr)) {
        deviceAdapter_ = currentAdapter;
        deviceIndex_ = CurrentAdapter().currentDevice;
        if (windowed)
            SetWindowPos(window, HWND_NOTOPMOST, windowRect.left, windowRect.top, windowRect.right - windowRect.left,
                         windowRect.bottom - windowRect.top, SWP_SHOWWINDOW);
        device->GetDeviceCaps(&caps);
        AfterCreateOrReset();

        objectsInitialised_ = true;
        hr = InitDeviceObjects();
        if (SUCCEEDED(hr)) {
            objectsRestored_ = true;
            hr = RestoreDeviceObjects();
            if (SUCCEEDED(hr)) {
                active = TRUE;
                return 0;
            }
        }
        InvalidateObjects();
        DeleteObjects();
        ReleaseDevice();
    } else {
        device = nullptr;
    }

    // Fall back to the reference rasterizer of adapter 0 when a hardware
    // device failed.
    if (record.deviceType == D3DDEVTYPE_HAL) {
        currentAdapter = 0;
        OruAdapterRecord& first = adapters[0];
        for (UINT d = 0; d < first.deviceCount; ++d) {
            if (first.devices[d].deviceType == D3DDEVTYPE_REF) {
                first.currentDevice = d;
                windowed = first.devices[d].windowed;
                break;
            }
        }
        if (first.devices[first.currentDevice].deviceType == D3DDEVTYPE_REF) {
            SetWindowPos(window, HWND_NOTOPMOST, windowRect.left, windowRect.top, windowRect.right - windowRect.left,
                         windowRect.bottom - windowRect.top, SWP_SHOWWINDOW);
            ApplyWindowStyle();
            ShowError(hr, ErrorKindReference);
            return InitDevice3D();
        }
    }
    return hr;
}

void OruApplication::StepOnceIfStopped()
{
    if (!clockRunning) {
        singleStep = TRUE;
        AppTimer(ClockStart);
        AppTimer(ClockStop);
    }
}

HRESULT OruApplication::ResetDevice3D()
{
    if (!device)
        return E_FAIL;
    if (objectsRestored_) {
        objectsRestored_ = false;
        HRESULT hr = InvalidateDeviceObjects();
        if (FAILED(hr))
            return hr;
    }
    HRESULT hr = device->Reset(&presentParams);
    if (FAILED(hr))
        return hr;
    AfterCreateOrReset();
    objectsRestored_ = true;
    hr = RestoreDeviceObjects();
    if (FAILED(hr))
        return hr;
    StepOnceIfStopped();
    return 0;
}

HRESULT OruApplication::ToggleWindowed()
{
    if (!windowed && !CurrentDevice().canRenderWindowed)
        return FallBackToWindowed();

    ready = FALSE;
    windowed = !windowed;
    CurrentDevice().windowed = windowed;
    ApplyWindowStyle();

    presentParams.Windowed = windowed;
    presentParams.MultiSampleType = UsableMultiSample(windowed);
    presentParams.AutoDepthStencilFormat = CurrentMode().depthStencilFormat;
    presentParams.hDeviceWindow = window;
    SetBackBuffer(windowed);

    if (FAILED(ResetDevice3D())) {
        if (windowed)
            return FallBackToWindowed();
        return E_FAIL;
    }
    if (windowed)
        SetWindowPos(window, HWND_NOTOPMOST, windowRect.left, windowRect.top, windowRect.right - windowRect.left,
                     windowRect.bottom - windowRect.top, SWP_SHOWWINDOW);
    ready = TRUE;
    return 0;
}

HRESULT OruApplication::RecreateDevice()
{
    InvalidateObjects();
    DeleteObjects();
    if (!ReleaseDevice())
        return ShowError(AppErrReferenceCount, ErrorKindFatal);
    HRESULT hr = InitDevice3D();
    if (FAILED(hr))
        return ShowError(hr, ErrorKindFatal);
    return 0;
}

HRESULT OruApplication::FallBackToWindowed()
{
    if (!CurrentDevice().canRenderWindowed) {
        bool found = false;
        for (UINT a = 0; a < adapterCount && !found; ++a) {
            for (UINT d = 0; d < adapters[a].deviceCount && !found; ++d) {
                if (adapters[a].devices[d].canRenderWindowed) {
                    currentAdapter = a;
                    adapters[a].currentDevice = d;
                    found = true;
                }
            }
        }
        if (!found)
            return E_FAIL;
    }
    CurrentDevice().windowed = TRUE;
    windowed = TRUE;
    ready = FALSE;
    HRESULT hr = RecreateDevice();
    if (FAILED(hr))
        return hr;
    ready = TRUE;
    return 0;
}

HRESULT OruApplication::ChooseDevice()
{
    if (!windowed && FAILED(ToggleWindowed())) {
        ShowError(AppErrDeviceReset, ErrorKindFatal);
        return E_FAIL;
    }
    if (SelectDeviceDialog::Run(this) != IDOK)
        return 0;

    windowed = CurrentDevice().windowed;
    HRESULT hr = RecreateDevice();
    if (FAILED(hr))
        return hr;
    StepOnceIfStopped();
    return 0;
}

// ---------------------------------------------------------------------------
// Window messages, commands and pausing

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
