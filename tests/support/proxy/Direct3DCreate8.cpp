// The proxy's only export. It reads the injection and log settings, creates
// the real object from the system directory's d3d8.dll and wraps it.
//
// What Wine 8.0's Direct3D 8 reports here (Xvfb 1024x768x24, llvmpipe), for
// the tests built on this proxy:
// - 1 adapter, "NVIDIA GeForce GTX 470" (Wine's stand-in description);
//   GetAdapterMonitor gives a monitor.
// - desktop mode 1024x768, D3DFMT_X8R8G8B8 (22), refresh rate 0.
// - 2 modes: 1024x768 in X8R8G8B8 (22) and R5G6B5 (23); no 640x480.
// - CheckDeviceType: full screen accepts X8R8G8B8 and R5G6B5, each as both
//   display and back-buffer format; windowed on the X8R8G8B8 desktop accepts
//   X8R8G8B8 and A8R8G8B8 back buffers. Everything else (A8R8G8B8, X1R5G5B5,
//   A1R5G5B5, R8G8B8 displays; 16-bit windowed back buffers) is refused.
// - CheckDepthStencilMatch (and CheckDeviceFormat for depth/stencil) accept
//   D16_LOCKABLE, D24S8, D16 and D24X8, on X8R8G8B8 and R5G6B5 targets alike;
//   D32, D15S1 and D24X4S4 are refused.
// - CheckDeviceMultiSampleType accepts types 0 and 4 (and the undefined 1),
//   windowed and full screen alike, on HAL and REF; a windowed CreateDevice
//   with type 4 succeeds, with type 2 fails.
// - HAL, REF and SW caps are the same: VertexShaderVersion 0xFFFE0101 (1.1),
//   PixelShaderVersion 0xFFFF0104 (1.4), Caps2 0x200A0000 with
//   D3DCAPS2_CANRENDERWINDOWED, DevCaps with HWTRANSFORMANDLIGHT and PUREDEVICE.
// - D3DDEVTYPE_REF (and SW) devices create, with software, hardware, mixed and
//   pure vertex processing; vertex and pixel shaders 1.1 create.
// - The device holds a reference to its Direct3D object, resources one to
//   their device. Reset with a D3DPOOL_DEFAULT resource alive fails with
//   D3DERR_DEVICELOST and leaves the device to be reset (TestCooperativeLevel
//   D3DERR_DEVICENOTRESET, Present D3DERR_DEVICELOST).

#include "InjectionConfig.h"
#include "ProxyDirect3D.h"
#include "ProxyLog.h"

#include <windows.h>
#include <d3d8.h>

#include <string>

namespace {

typedef IDirect3D8*(WINAPI* CreateFunction)(UINT);

// The real entry point, loaded by full path so that the proxy's own module
// (which has the same name) is not found instead.
CreateFunction RealCreate()
{
    static CreateFunction create = [] {
        char path[MAX_PATH];
        const UINT n = GetSystemDirectoryA(path, MAX_PATH);
        if (n == 0 || n + sizeof "\\d3d8.dll" > MAX_PATH)
            return CreateFunction(nullptr);
        const std::string full = std::string(path, n) + "\\d3d8.dll";
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&RealCreate), &self);
        HMODULE real = LoadLibraryA(full.c_str());
        if (!real || real == self)
            return CreateFunction(nullptr);
        return reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(real, "Direct3DCreate8")));
    }();
    return create;
}

} // namespace

extern "C" IDirect3D8* WINAPI Direct3DCreate8(UINT sdkVersion)
{
    const InjectionConfig config = InjectionConfig::FromEnvironment();
    ProxyLog::Open(config.LogPath());
    IDirect3D8* result = nullptr;
    if (!config.Has(InjectionConfig::CreateNull)) {
        CreateFunction create = RealCreate();
        IDirect3D8* real = create ? create(sdkVersion) : nullptr;
        if (real)
            result = new ProxyDirect3D(real, config);
    }
    ProxyLog::Write("Direct3DCreate8 sdk=%u inject=%s -> %s%s", sdkVersion, config.Description().c_str(),
                    result ? "object" : "null", config.Has(InjectionConfig::CreateNull) ? " injected" : "");
    return result;
}
