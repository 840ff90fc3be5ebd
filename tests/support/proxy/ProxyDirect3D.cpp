#include <initguid.h> // defines IID_IDirect3D8 here

#include "ProxyDirect3D.h"

#include "ModeList.h"
#include "ProxyDevice.h"
#include "ProxyLog.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string FormatList(const std::vector<D3DDISPLAYMODE>& modes)
{
    std::string list;
    std::vector<D3DFORMAT> seen;
    for (const D3DDISPLAYMODE& m : modes) {
        bool known = false;
        for (D3DFORMAT f : seen)
            known = known || f == m.Format;
        if (known)
            continue;
        seen.push_back(m.Format);
        list += (list.empty() ? "" : ",") + std::to_string(int(m.Format));
    }
    return list.empty() ? "none" : list;
}

} // namespace

ProxyDirect3D::ProxyDirect3D(IDirect3D8* real, const InjectionConfig& config) : real_(real), config_(config)
{
}

HRESULT ProxyDirect3D::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualGUID(riid, __uuidof(IUnknown)) || IsEqualGUID(riid, IID_IDirect3D8)) {
        AddRef();
        *object = static_cast<IDirect3D8*>(this);
        return S_OK;
    }
    return real_->QueryInterface(riid, object);
}

ULONG ProxyDirect3D::AddRef()
{
    return real_->AddRef();
}

ULONG ProxyDirect3D::Release()
{
    const ULONG count = real_->Release();
    if (count == 0) {
        ProxyLog::Write("Direct3D.Release -> 0");
        delete this;
    }
    return count;
}

HRESULT ProxyDirect3D::RegisterSoftwareDevice(void* initializeFunction)
{
    return real_->RegisterSoftwareDevice(initializeFunction);
}

UINT ProxyDirect3D::GetAdapterCount()
{
    UINT count = config_.Has(InjectionConfig::NoAdapters) ? 0 : real_->GetAdapterCount();
    if (count > 0 && config_.Has(InjectionConfig::AdaptersMany))
        count = ManyAdapters;
    else if (count > 0 && config_.Has(InjectionConfig::TwoAdapters))
        ++count;
    ProxyLog::Write("GetAdapterCount -> %u", count);
    return count;
}

bool ProxyDirect3D::MapAdapter(UINT adapter, UINT& real)
{
    if (config_.Has(InjectionConfig::NoAdapters))
        return false;
    const UINT realCount = real_->GetAdapterCount();
    real = adapter;
    if (realCount > 0 && config_.Has(InjectionConfig::AdaptersMany) && adapter >= realCount && adapter < ManyAdapters)
        real = 0;
    else if (config_.Has(InjectionConfig::TwoAdapters) && realCount > 0 && adapter == realCount)
        real = 0;
    return real < realCount;
}

HRESULT ProxyDirect3D::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER8* identifier)
{
    UINT real;
    if (!MapAdapter(adapter, real))
        return D3DERR_INVALIDCALL;
    HRESULT hr = real_->GetAdapterIdentifier(real, flags, identifier);
    if (SUCCEEDED(hr) && identifier && real != adapter) {
        char suffix[32] = " (second)";
        if (config_.Has(InjectionConfig::AdaptersMany))
            std::snprintf(suffix, sizeof suffix, " (view %u)", adapter);
        const size_t length = strnlen(identifier->Description, sizeof identifier->Description);
        if (length + std::strlen(suffix) < sizeof identifier->Description)
            std::memcpy(identifier->Description + length, suffix, std::strlen(suffix) + 1);
        identifier->DeviceIdentifier.Data1 ^= 0x5EC0 + adapter;
    }
    return hr;
}

const std::vector<D3DDISPLAYMODE>& ProxyDirect3D::Modes(UINT realAdapter)
{
    auto found = modes_.find(realAdapter);
    if (found == modes_.end())
        found = modes_.emplace(realAdapter, ModeList::Build(real_, realAdapter, config_)).first;
    return found->second;
}

UINT ProxyDirect3D::GetAdapterModeCount(UINT adapter)
{
    UINT real;
    UINT count = 0;
    if (MapAdapter(adapter, real))
        count = UINT(Modes(real).size());
    ProxyLog::Write("GetAdapterModeCount adapter=%u -> %u formats=%s", adapter, count,
                    count ? FormatList(Modes(real)).c_str() : "none");
    return count;
}

HRESULT ProxyDirect3D::EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode)
{
    UINT real;
    HRESULT hr = D3DERR_INVALIDCALL;
    bool last = false;
    if (MapAdapter(adapter, real) && displayMode) {
        const std::vector<D3DDISPLAYMODE>& modes = Modes(real);
        if (mode < modes.size()) {
            *displayMode = modes[mode];
            hr = D3D_OK;
            last = mode + 1 == modes.size();
        }
    }
    if (hr != D3D_OK)
        ProxyLog::Write("EnumAdapterModes adapter=%u mode=%u -> 0x%lX", adapter, mode, static_cast<unsigned long>(hr));
    else if (last)
        ProxyLog::Write("EnumAdapterModes adapter=%u mode=%u last -> 0x0 %ux%u format=%d refresh=%u", adapter, mode,
                        displayMode->Width, displayMode->Height, int(displayMode->Format), displayMode->RefreshRate);
    return hr;
}

HRESULT ProxyDirect3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode)
{
    UINT real;
    const HRESULT hr = MapAdapter(adapter, real) ? real_->GetAdapterDisplayMode(real, displayMode) : D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr) && displayMode)
        ProxyLog::Write("GetAdapterDisplayMode adapter=%u -> 0x%lX %ux%u format=%d refresh=%u", adapter,
                        static_cast<unsigned long>(hr), displayMode->Width, displayMode->Height,
                        int(displayMode->Format), displayMode->RefreshRate);
    else
        ProxyLog::Write("GetAdapterDisplayMode adapter=%u -> 0x%lX", adapter, static_cast<unsigned long>(hr));
    return hr;
}

HRESULT ProxyDirect3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                       D3DFORMAT backBufferFormat, WINBOOL windowed)
{
    UINT real;
    HRESULT hr = D3DERR_INVALIDCALL;
    const bool hal = type == D3DDEVTYPE_HAL;
    const bool injected = (adapter == 0 && config_.Has(InjectionConfig::BadAdapter0)) ||
                          (hal && config_.Has(InjectionConfig::NoHal)) ||
                          (hal && config_.Has(InjectionConfig::HalNoDesktop) &&
                           IsDesktopFormat(adapter, displayFormat));
    if (injected)
        hr = D3DERR_NOTAVAILABLE;
    else if (MapAdapter(adapter, real))
        hr = real_->CheckDeviceType(real, type, displayFormat, backBufferFormat, windowed);
    ProxyLog::Write("CheckDeviceType adapter=%u type=%d display=%d backbuffer=%d windowed=%d -> 0x%lX%s", adapter,
                    int(type), int(displayFormat), int(backBufferFormat), windowed ? 1 : 0,
                    static_cast<unsigned long>(hr), injected ? " injected" : "");
    return hr;
}

HRESULT ProxyDirect3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                         D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat)
{
    UINT real;
    if (!MapAdapter(adapter, real))
        return D3DERR_INVALIDCALL;
    return real_->CheckDeviceFormat(real, type, adapterFormat, usage, resourceType, checkFormat);
}

HRESULT ProxyDirect3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT surfaceFormat,
                                                  WINBOOL windowed, D3DMULTISAMPLE_TYPE multiSample)
{
    UINT real;
    const bool injected = config_.Has(InjectionConfig::MultiSampleNone);
    const HRESULT hr = injected                    ? D3DERR_NOTAVAILABLE
                       : MapAdapter(adapter, real) ? real_->CheckDeviceMultiSampleType(real, type, surfaceFormat,
                                                                                       windowed, multiSample)
                                                   : D3DERR_INVALIDCALL;
    ProxyLog::Write("CheckDeviceMultiSampleType adapter=%u type=%d format=%d windowed=%d ms=%d -> 0x%lX%s", adapter,
                    int(type), int(surfaceFormat), windowed ? 1 : 0, int(multiSample), static_cast<unsigned long>(hr),
                    injected ? " injected" : "");
    return hr;
}

HRESULT ProxyDirect3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                              D3DFORMAT renderTargetFormat, D3DFORMAT depthFormat)
{
    UINT real;
    const bool hal = type == D3DDEVTYPE_HAL;
    const bool injected = (hal && config_.Has(InjectionConfig::HalNoDepth)) ||
                          (hal && config_.Has(InjectionConfig::HalNoDesktopDepth) &&
                           IsDesktopFormat(adapter, adapterFormat));
    const HRESULT hr = injected                    ? D3DERR_NOTAVAILABLE
                       : MapAdapter(adapter, real) ? real_->CheckDepthStencilMatch(real, type, adapterFormat,
                                                                                   renderTargetFormat, depthFormat)
                                                   : D3DERR_INVALIDCALL;
    ProxyLog::Write("CheckDepthStencilMatch adapter=%u type=%d adapterformat=%d target=%d depthformat=%d -> 0x%lX%s",
                    adapter, int(type), int(adapterFormat), int(renderTargetFormat), int(depthFormat),
                    static_cast<unsigned long>(hr), injected ? " injected" : "");
    return hr;
}

void ProxyDirect3D::AdjustCaps(D3DCAPS8& caps, UINT adapter) const
{
    caps.AdapterOrdinal = adapter;
    if (config_.Has(InjectionConfig::NoShaders)) {
        caps.VertexShaderVersion = 0;
        caps.PixelShaderVersion = 0;
    }
    if (config_.Has(InjectionConfig::NoWindowed) ||
        (caps.DeviceType == D3DDEVTYPE_HAL && config_.Has(InjectionConfig::HalNoWindowed)))
        caps.Caps2 &= ~DWORD(D3DCAPS2_CANRENDERWINDOWED);
    if (caps.DeviceType == D3DDEVTYPE_REF && config_.Has(InjectionConfig::NullReference))
        caps.PrimitiveMiscCaps |= D3DPMISCCAPS_NULLREFERENCE;
}

bool ProxyDirect3D::IsDesktopFormat(UINT adapter, D3DFORMAT format)
{
    UINT real;
    D3DDISPLAYMODE desktop;
    return MapAdapter(adapter, real) && SUCCEEDED(real_->GetAdapterDisplayMode(real, &desktop)) &&
           desktop.Format == format;
}

HRESULT ProxyDirect3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps)
{
    UINT real;
    const bool injected = type == D3DDEVTYPE_HAL && config_.Has(InjectionConfig::NoHal);
    const HRESULT hr = injected                    ? D3DERR_NOTAVAILABLE
                       : MapAdapter(adapter, real) ? real_->GetDeviceCaps(real, type, caps)
                                                   : D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr) && caps) {
        AdjustCaps(*caps, adapter);
        ProxyLog::Write("GetDeviceCaps adapter=%u type=%d -> 0x%lX vs=0x%lX ps=0x%lX caps2=0x%lX", adapter, int(type),
                        static_cast<unsigned long>(hr), static_cast<unsigned long>(caps->VertexShaderVersion),
                        static_cast<unsigned long>(caps->PixelShaderVersion), static_cast<unsigned long>(caps->Caps2));
    } else {
        ProxyLog::Write("GetDeviceCaps adapter=%u type=%d -> 0x%lX%s", adapter, int(type),
                        static_cast<unsigned long>(hr), injected ? " injected" : "");
    }
    return hr;
}

HMONITOR ProxyDirect3D::GetAdapterMonitor(UINT adapter)
{
    UINT real;
    return MapAdapter(adapter, real) ? real_->GetAdapterMonitor(real) : nullptr;
}

HRESULT ProxyDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                                    D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device)
{
    // The parameters as the program passed them: the real call fills in
    // a windowed back buffer's zero size.
    const std::string passed = ProxyLog::Parameters(parameters);
    if (device)
        *device = nullptr;
    UINT real;
    HRESULT hr = D3DERR_INVALIDCALL;
    const bool injected = config_.Has(InjectionConfig::CreateFail) ||
                          (type == D3DDEVTYPE_HAL && config_.Has(InjectionConfig::HalCreate)) ||
                          (adapter == 0 && config_.Has(InjectionConfig::BadAdapter0));
    if (injected) {
        hr = D3DERR_NOTAVAILABLE;
    } else if (MapAdapter(adapter, real)) {
        IDirect3DDevice8* created = nullptr;
        hr = real_->CreateDevice(real, type, focusWindow, behaviour, parameters, device ? &created : nullptr);
        if (device && SUCCEEDED(hr) && created)
            *device = new ProxyDevice(created, this, adapter);
    }
    ProxyLog::Write("CreateDevice adapter=%u type=%d behaviour=0x%lX %s -> 0x%lX%s", adapter, int(type),
                    static_cast<unsigned long>(behaviour), passed.c_str(), static_cast<unsigned long>(hr),
                    injected ? " injected" : "");
    return hr;
}

bool ProxyDirect3D::CountPresentAndCheckLoss()
{
    ++presents_;
    return config_.Has(InjectionConfig::Lost) && presents_ == config_.LostAfter();
}

bool ProxyDirect3D::CountResetAndCheckFailure()
{
    ++resets_;
    return config_.Has(InjectionConfig::ResetFail) || (config_.Has(InjectionConfig::ResetFailOnce) && resets_ == 1);
}

unsigned ProxyDirect3D::CountBeginSceneAndCheckFailure()
{
    ++beginScenes_;
    return config_.Has(InjectionConfig::BeginSceneFailAt) && beginScenes_ == config_.FailingBeginScene() ? beginScenes_
                                                                                                         : 0;
}
