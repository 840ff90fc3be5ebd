// The proxy's IDirect3D8: forwards every call to the real object, logs the
// calls of interest and injects the faults of its InjectionConfig. Its
// reference count is the real object's; it is deleted when that reaches 0
// through it (a device keeps it alive, as the real device keeps the real
// object).
#pragma once

#include "InjectionConfig.h"

#include <windows.h>
#include <d3d8.h>

#include <map>
#include <vector>

class ProxyDirect3D final : public IDirect3D8 {
public:
    ProxyDirect3D(IDirect3D8* real, const InjectionConfig& config);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDirect3D8
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void* initializeFunction) override;
    UINT STDMETHODCALLTYPE GetAdapterCount() override;
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT adapter, DWORD flags,
                                                   D3DADAPTER_IDENTIFIER8* identifier) override;
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT adapter) override;
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) override;
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                              D3DFORMAT backBufferFormat, WINBOOL windowed) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                                D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT surfaceFormat,
                                                         WINBOOL windowed, D3DMULTISAMPLE_TYPE multiSample) override;
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                                     D3DFORMAT renderTargetFormat, D3DFORMAT depthFormat) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) override;
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT adapter) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                                           D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) override;

    // For the proxy's devices.
    const InjectionConfig& Config() const { return config_; }
    // Applies the capability faults and reports the program's adapter ordinal.
    void AdjustCaps(D3DCAPS8& caps, UINT adapter) const;
    // Counts one successful Present; true when it is the one after which
    // lost=N makes the device lost.
    bool CountPresentAndCheckLoss();
    // Counts one Reset; true when it is to fail.
    bool CountResetAndCheckFailure();
    // Counts one BeginScene; its number when it is to fail, else 0.
    unsigned CountBeginSceneAndCheckFailure();

private:
    // The real ordinal for a program's ordinal; false when it is out of range.
    bool MapAdapter(UINT adapter, UINT& real);
    // Whether format is the desktop format of the program's adapter.
    bool IsDesktopFormat(UINT adapter, D3DFORMAT format);
    // The adapter count that adapters_many reports.
    static const UINT ManyAdapters = 12;
    const std::vector<D3DDISPLAYMODE>& Modes(UINT realAdapter);

    IDirect3D8* real_;
    InjectionConfig config_;
    std::map<UINT, std::vector<D3DDISPLAYMODE>> modes_;
    unsigned presents_ = 0;
    unsigned resets_ = 0;
    unsigned beginScenes_ = 0;
};
