// Sees the calls a drawing class makes on a device, and can refuse some.
//
// While it lives, the device object's method table is swapped for a copy
// whose entries for the calls below write a line of text into `calls` and
// then pass the call on (or fail it, when told to); the device underneath
// stays what it was (Wine's, or the proxy d3d8.dll's), so what is drawn can
// still be read back. One recorder at a time.
//
// The lines: "SetRenderState <state> 0x<value>", "SetTextureStageState
// <stage> <type> <value>", "SetTexture <stage> texture|null",
// "SetVertexShaderConstant <register> <count>", "SetPixelShaderConstant
// <register> <count>", "SetStreamSource <stream> vb|null <stride>",
// "SetIndices ib|null <base>", "SetVertexShader 0x<handle>", "SetPixelShader
// 0x<handle>", "ApplyStateBlock 0x<token>", "ValidateDevice", "DrawPrimitive
// <type> <start> <count>", "DrawIndexedPrimitive <type> <min> <vertices>
// <start> <count>", "SetRenderTarget <surface>", "Clear 0x<flags>
// 0x<colour>", "BeginScene", "EndScene", "CreateVertexBuffer <length>
// 0x<usage> 0x<fvf> <pool>", "CreateDepthStencilSurface <width> <height>
// <samples>".
#pragma once

#include <windows.h>
#include <d3d8.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

// The slot of a virtual method in its class's table (the Itanium C++ ABI
// stores 1 + the byte offset in a pointer to a virtual member).
template <typename Method> size_t MethodSlot(Method method)
{
    static_assert(sizeof(Method) == 2 * sizeof(uintptr_t), "pointer to member layout");
    uintptr_t raw[2];
    std::memcpy(raw, &method, sizeof raw);
    return (raw[0] - 1) / sizeof(void*);
}

class DeviceRecorder {
public:
    explicit DeviceRecorder(IDirect3DDevice8* device);
    ~DeviceRecorder();
    DeviceRecorder(const DeviceRecorder&) = delete;
    DeviceRecorder& operator=(const DeviceRecorder&) = delete;

    // Calls whose names are here fail without reaching the device:
    // "SetTexture", "ValidateDevice", "Clear", "BeginScene" and
    // "SetRenderTarget" with D3DERR_INVALIDCALL, "SetRenderTarget#2" only
    // the second and later; "CreateVertexBuffer DYNAMIC" (dynamic buffers
    // only) and "CreateDepthStencilSurface" with D3DERR_OUTOFVIDEOMEMORY.
    std::set<std::string> refuse;
    // What ValidateDevice answers when it is not refused. The device is
    // asked too, but its answer depends on the stage states earlier draws
    // left; the drawing code acts only on a failure, which a test injects.
    HRESULT validateResult = D3D_OK;

    std::vector<std::string> calls;

    // The state when each draw (DrawPrimitive or DrawIndexedPrimitive) was
    // made: the textures bound, the last four floats set into each vertex
    // register, and the render states set since the recorder began.
    struct DrawState {
        IDirect3DBaseTexture8* textures[8];
        float registers[96][4];
        std::map<DWORD, DWORD> renderStates;
    };
    std::vector<DrawState> draws;

    // What the calls left: the last four floats set into each vertex
    // register, the buffers and shader bound, the depth surface of every
    // SetRenderTarget in order.
    float registers[96][4] = {};
    IDirect3DBaseTexture8* textures[8] = {};
    IDirect3DVertexBuffer8* streams[16] = {};
    IDirect3DIndexBuffer8* indices = nullptr;
    DWORD vertexShader = 0;
    std::vector<IDirect3DSurface8*> depths;

    void ClearCalls() { calls.clear(); }
    // Calls recorded from index `from` on whose text begins with prefix.
    std::vector<std::string> Calls(const std::string& prefix, size_t from = 0) const;
    int Count(const std::string& prefix) const { return int(Calls(prefix).size()); }
    // The values set for one render state, in order.
    std::vector<DWORD> RenderStates(D3DRENDERSTATETYPE state) const;
    // The last value set for a render state, or `none` when it was not set.
    DWORD LastRenderState(D3DRENDERSTATETYPE state, DWORD none = 0xDEADBEEF) const;
    // The line a SetRenderState call writes.
    static std::string RenderStateCall(D3DRENDERSTATETYPE state, DWORD value);

    // For the hooks.
    static DeviceRecorder* current;
    void** original = nullptr;
    int renderTargetCalls = 0;
    std::map<DWORD, DWORD> renderStatesSet;

private:
    IDirect3DDevice8* device_;
    std::vector<void*> table_;
};

// A device stand-in whose every method only counts the call and returns 0.
class CountingDevice {
public:
    CountingDevice();
    IDirect3DDevice8* Device() { return reinterpret_cast<IDirect3DDevice8*>(&table_); }
    static int calls;

private:
    void** table_;
};
