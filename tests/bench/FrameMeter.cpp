// A d3d8.dll for measuring: it passes Direct3DCreate8 to the system's
// d3d8.dll and counts the device's successful Present calls, without
// changing anything the program sees. Placed beside a program that Wine
// runs with d3d8=n,b, it appends to the file named by REEF_FRAME_LOG:
//   # Direct3DCreate8, # device        (the object made, a device's Present counted)
//   first_present_ms <milliseconds from process creation to the first frame>
//   <seconds since the first frame> <frames presented so far> <draw calls>
//       <primitives drawn> <render-target switches>   (so far; about once a second)
#include "VtablePatch.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdio>

namespace {

const size_t Direct3DMethods = 16;
const size_t DeviceMethods = 97;
const size_t CreateDeviceIndex = 15;
const size_t PresentIndex = 15;
const size_t SetRenderTargetIndex = 31;
const size_t DrawPrimitiveIndex = 70;
const size_t DrawIndexedPrimitiveIndex = 71;
// Devices one process may create (F2 re-creates it); later ones are not counted.
const int DevicePatchCapacity = 16;

typedef IDirect3D8*(WINAPI* CreateFunction)(UINT);
typedef HRESULT(WINAPI* CreateDeviceFunction)(IDirect3D8*, UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                              IDirect3DDevice8**);
typedef HRESULT(WINAPI* PresentFunction)(IDirect3DDevice8*, const RECT*, const RECT*, HWND, const RGNDATA*);
typedef HRESULT(WINAPI* SetRenderTargetFunction)(IDirect3DDevice8*, IDirect3DSurface8*, IDirect3DSurface8*);
typedef HRESULT(WINAPI* DrawPrimitiveFunction)(IDirect3DDevice8*, D3DPRIMITIVETYPE, UINT, UINT);
typedef HRESULT(WINAPI* DrawIndexedPrimitiveFunction)(IDirect3DDevice8*, D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT);

VtablePatch direct3DPatches[4];
int direct3DPatchCount = 0;
CreateDeviceFunction realCreateDevice = nullptr;
VtablePatch devicePatches[DevicePatchCapacity];
int devicePatchCount = 0;
PresentFunction realPresent = nullptr;
SetRenderTargetFunction realSetRenderTarget = nullptr;
DrawPrimitiveFunction realDrawPrimitive = nullptr;
DrawIndexedPrimitiveFunction realDrawIndexedPrimitive = nullptr;

HANDLE logFile = INVALID_HANDLE_VALUE;
LARGE_INTEGER frequency;
LARGE_INTEGER firstPresent;
LONGLONG nextMark = 0;
unsigned long long presents = 0;
// What the frames asked of the device: the content a frame rate depends on.
unsigned long long draws = 0;
unsigned long long primitives = 0;
unsigned long long targets = 0;

void WriteLine(const char* text)
{
    if (logFile == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(logFile, text, static_cast<DWORD>(lstrlenA(text)), &written, nullptr);
}

double MillisecondsSinceProcessCreation()
{
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1.0;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a, b;
    a.LowPart = created.dwLowDateTime;
    a.HighPart = created.dwHighDateTime;
    b.LowPart = now.dwLowDateTime;
    b.HighPart = now.dwHighDateTime;
    return (static_cast<double>(b.QuadPart) - static_cast<double>(a.QuadPart)) / 10000.0;
}

HRESULT WINAPI CountingPresent(IDirect3DDevice8* device, const RECT* source, const RECT* destination, HWND window,
                               const RGNDATA* dirty)
{
    const HRESULT hr = realPresent(device, source, destination, window, dirty);
    if (FAILED(hr))
        return hr;
    ++presents;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char line[96];
    if (presents == 1) {
        firstPresent = now;
        nextMark = now.QuadPart + frequency.QuadPart;
        snprintf(line, sizeof line, "first_present_ms %.1f\n", MillisecondsSinceProcessCreation());
        WriteLine(line);
    } else if (now.QuadPart >= nextMark) {
        nextMark = now.QuadPart + frequency.QuadPart;
        const double seconds =
            static_cast<double>(now.QuadPart - firstPresent.QuadPart) / static_cast<double>(frequency.QuadPart);
        snprintf(line, sizeof line, "%.4f %llu %llu %llu %llu\n", seconds, presents, draws, primitives, targets);
        WriteLine(line);
    }
    return hr;
}

HRESULT WINAPI CountingSetRenderTarget(IDirect3DDevice8* device, IDirect3DSurface8* target, IDirect3DSurface8* depth)
{
    ++targets;
    return realSetRenderTarget(device, target, depth);
}

HRESULT WINAPI CountingDrawPrimitive(IDirect3DDevice8* device, D3DPRIMITIVETYPE type, UINT start, UINT count)
{
    ++draws;
    primitives += count;
    return realDrawPrimitive(device, type, start, count);
}

HRESULT WINAPI CountingDrawIndexedPrimitive(IDirect3DDevice8* device, D3DPRIMITIVETYPE type, UINT minIndex,
                                            UINT vertices, UINT start, UINT count)
{
    ++draws;
    primitives += count;
    return realDrawIndexedPrimitive(device, type, minIndex, vertices, start, count);
}

HRESULT WINAPI PatchingCreateDevice(IDirect3D8* d3d, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behaviour,
                                    D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device)
{
    const HRESULT hr = realCreateDevice(d3d, adapter, type, focus, behaviour, parameters, device);
    if (SUCCEEDED(hr) && device && *device && devicePatchCount < DevicePatchCapacity) {
        VtablePatch& patch = devicePatches[devicePatchCount];
        if (patch.Attach(*device, DeviceMethods)) {
            ++devicePatchCount;
            void* original = patch.Replace(PresentIndex, reinterpret_cast<void*>(&CountingPresent));
            realPresent = reinterpret_cast<PresentFunction>(original);
            realSetRenderTarget = reinterpret_cast<SetRenderTargetFunction>(
                patch.Replace(SetRenderTargetIndex, reinterpret_cast<void*>(&CountingSetRenderTarget)));
            realDrawPrimitive = reinterpret_cast<DrawPrimitiveFunction>(
                patch.Replace(DrawPrimitiveIndex, reinterpret_cast<void*>(&CountingDrawPrimitive)));
            realDrawIndexedPrimitive = reinterpret_cast<DrawIndexedPrimitiveFunction>(
                patch.Replace(DrawIndexedPrimitiveIndex, reinterpret_cast<void*>(&CountingDrawIndexedPrimitive)));
            WriteLine("# device\n");
        }
    }
    return hr;
}

// The system's entry point, loaded by full path so that this module (which
// has the same name) is not found instead.
CreateFunction RealCreate()
{
    static CreateFunction create = [] {
        char path[MAX_PATH];
        const UINT n = GetSystemDirectoryA(path, MAX_PATH);
        if (n == 0 || n + sizeof "\\d3d8.dll" > MAX_PATH)
            return CreateFunction(nullptr);
        lstrcatA(path, "\\d3d8.dll");
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&RealCreate), &self);
        HMODULE real = LoadLibraryA(path);
        if (!real || real == self)
            return CreateFunction(nullptr);
        return reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(real, "Direct3DCreate8")));
    }();
    return create;
}

} // namespace

extern "C" IDirect3D8* WINAPI Direct3DCreate8(UINT sdkVersion)
{
    if (logFile == INVALID_HANDLE_VALUE) {
        char path[MAX_PATH];
        const DWORD n = GetEnvironmentVariableA("REEF_FRAME_LOG", path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            logFile = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        QueryPerformanceFrequency(&frequency);
        WriteLine("# Direct3DCreate8\n");
    }
    CreateFunction create = RealCreate();
    IDirect3D8* d3d = create ? create(sdkVersion) : nullptr;
    if (d3d && direct3DPatchCount < 4) {
        VtablePatch& patch = direct3DPatches[direct3DPatchCount];
        if (patch.Attach(d3d, Direct3DMethods)) {
            ++direct3DPatchCount;
            void* original = patch.Replace(CreateDeviceIndex, reinterpret_cast<void*>(&PatchingCreateDevice));
            realCreateDevice = reinterpret_cast<CreateDeviceFunction>(original);
        }
    }
    return d3d;
}
