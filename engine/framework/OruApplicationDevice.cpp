// The Direct3D device: creation with its fall-back to the reference
// rasterizer, reset, the switch between window and full screen, the change
// of device, and the release of the device and its objects.
#include "OruApplication.h"

#include "AppTimer.h"
#include "BuildDeviceCursor.h"
#include "SelectDeviceDialog.h"

#include <cstring>

namespace {

const DWORD FullScreenStyle = 0x90080000; // popup, visible, system menu

} // namespace

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
