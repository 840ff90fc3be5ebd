#include "VSServer.h"

#include "StateTokens.h"
#include "framework/AppAccess.h"
#include "framework/OruApplication.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

namespace {

// D3DFVF_XYZ, which callers may bind in place of a vertex shader.
const DWORD FixedFunctionXyz = 2;

} // namespace

VSServer::VSServer() : keys(), handles(), count(0), isPixel(), currentVS(0), currentPS(0), results()
{
    ResetCurrent();
}

DWORD VSServer::CreateShader(const DWORD* declaration, const DWORD* function, HRESULT* result)
{
    if (result)
        *result = 0;
    if (!declaration && !DeviceHasPixelShaders())
        return NoPixelShaderHandle;

    for (int i = 0; i < count; ++i) {
        if (keys[i] == function) {
            if (result)
                *result = results[i];
            return handles[i];
        }
    }

    if (count >= VSServerCapacity) {
        DebugPrint(2, "ZING! VSServer full\n");
        TRACE_D3D(E_OUTOFMEMORY);
        if (result)
            *result = E_OUTOFMEMORY;
        return 0;
    }

    IDirect3DDevice8* device = Device();
    DWORD handle = 0;
    HRESULT hr = D3DERR_INVALIDCALL;
    if (device && function)
        hr = declaration ? device->CreateVertexShader(declaration, function, &handle, 0)
                         : device->CreatePixelShader(function, &handle);
    if (SUCCEEDED(hr)) {
        DebugPrint("======= Create %s Shader : %d \n", declaration ? "Vertex" : "Pixel", handle);
    } else {
        DebugPrint("ZING! Create Vertex Shader\n");
        TRACE_D3D(hr);
        handle = 0;
    }

    keys[count] = function;
    handles[count] = handle;
    isPixel[count] = declaration ? 0 : 1;
    results[count] = SUCCEEDED(hr) ? 0 : hr;
    ++count;
    if (result)
        *result = SUCCEEDED(hr) ? 0 : hr;
    return handle;
}

HRESULT VSServer::InvalidateDeviceObjects()
{
    IDirect3DDevice8* device = Device();
    for (int i = 0; i < count; ++i) {
        DebugPrint(isPixel[i] ? "Invalidate PS:%d - Handle %d\n" : "Invalidate VS:%d - Handle %d\n", i, handles[i]);
        // A refused shader has no device object to delete.
        if (device && handles[i] != 0) {
            if (isPixel[i])
                device->DeletePixelShader(handles[i]);
            else
                device->DeleteVertexShader(handles[i]);
        }
        keys[i] = nullptr;
        handles[i] = 0;
        isPixel[i] = 0;
        results[i] = 0;
    }
    count = 0;
    return 0;
}

void VSServer::SetShaders(DWORD vs, DWORD ps, int noCheck)
{
    IDirect3DDevice8* device = Device();
    if (vs != currentVS) {
        TRACE_D3D(device ? device->SetVertexShader(vs) : D3DERR_INVALIDCALL);
        currentVS = vs;
    }
    if (ps == NoPixelShaderHandle)
        ps = 0;
    if (ps != currentPS) {
        TRACE_D3D(device ? device->SetPixelShader(ps) : D3DERR_INVALIDCALL);
        currentPS = ps;
    }
    if (noCheck)
        return;
    auto cached = [this](DWORD handle, int pixel) {
        for (int i = 0; i < count; ++i)
            if (handles[i] == handle && isPixel[i] == pixel)
                return true;
        return false;
    };
    if (vs != FixedFunctionXyz && !cached(vs, 0))
        DebugPrint(2, "Illegal VS:%X\n", vs);
    if (ps != 0 && !cached(ps, 1))
        DebugPrint(2, "Illegal PS:%X\n", ps);
}

void VSServer::ResetCurrent()
{
    currentVS = NoShaderRemembered;
    currentPS = NoShaderRemembered;
}
