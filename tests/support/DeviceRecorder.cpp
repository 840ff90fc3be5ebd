#include "DeviceRecorder.h"

#include <cstdarg>
#include <cstdio>

namespace {

DeviceRecorder& Current()
{
    return *DeviceRecorder::current;
}

template <typename Fn> Fn Original(size_t slot)
{
    return reinterpret_cast<Fn>(Current().original[slot]);
}

void Note(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Current().calls.push_back(text);
}

bool Refused(const std::string& name)
{
    DeviceRecorder& r = Current();
    if (name == "SetRenderTarget") {
        ++r.renderTargetCalls;
        if (r.renderTargetCalls >= 2 && r.refuse.count("SetRenderTarget#2"))
            return true;
    }
    return r.refuse.count(name) != 0;
}

void NoteDraw()
{
    DeviceRecorder& r = Current();
    DeviceRecorder::DrawState state;
    std::memcpy(state.textures, r.textures, sizeof state.textures);
    std::memcpy(state.registers, r.registers, sizeof state.registers);
    state.renderStates = r.renderStatesSet;
    r.draws.push_back(state);
}

HRESULT STDMETHODCALLTYPE HookRenderState(IDirect3DDevice8* self, D3DRENDERSTATETYPE state, DWORD value)
{
    Note("%s", DeviceRecorder::RenderStateCall(state, value).c_str());
    Current().renderStatesSet[DWORD(state)] = value;
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, D3DRENDERSTATETYPE, DWORD);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::SetRenderState))(self, state, value);
}

HRESULT STDMETHODCALLTYPE HookStageState(IDirect3DDevice8* self, DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                         DWORD value)
{
    Note("SetTextureStageState %lu %d %lu", static_cast<unsigned long>(stage), int(type),
         static_cast<unsigned long>(value));
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD, D3DTEXTURESTAGESTATETYPE, DWORD);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::SetTextureStageState))(self, stage, type, value);
}

HRESULT STDMETHODCALLTYPE HookSetTexture(IDirect3DDevice8* self, DWORD stage, IDirect3DBaseTexture8* t)
{
    Note("SetTexture %lu %s", static_cast<unsigned long>(stage), t ? "texture" : "null");
    if (Refused("SetTexture"))
        return D3DERR_INVALIDCALL;
    Current().textures[stage & 7] = t;
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD, IDirect3DBaseTexture8*);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::SetTexture))(self, stage, t);
}

HRESULT STDMETHODCALLTYPE HookVertexConstant(IDirect3DDevice8* self, DWORD reg, const void* data, DWORD count)
{
    Note("SetVertexShaderConstant %lu %lu", static_cast<unsigned long>(reg), static_cast<unsigned long>(count));
    const float* f = static_cast<const float*>(data);
    for (DWORD i = 0; i < count && reg + i < 96 && f; ++i)
        std::memcpy(Current().registers[reg + i], f + 4 * i, 4 * sizeof(float));
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD, const void*, DWORD);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::SetVertexShaderConstant))(self, reg, data, count);
}

HRESULT STDMETHODCALLTYPE HookPixelConstant(IDirect3DDevice8* self, DWORD reg, const void* data, DWORD count)
{
    Note("SetPixelShaderConstant %lu %lu", static_cast<unsigned long>(reg), static_cast<unsigned long>(count));
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD, const void*, DWORD);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::SetPixelShaderConstant))(self, reg, data, count);
}

HRESULT STDMETHODCALLTYPE HookValidate(IDirect3DDevice8* self, DWORD* passes)
{
    Note("ValidateDevice");
    if (Refused("ValidateDevice"))
        return D3DERR_INVALIDCALL;
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD*);
    Original<Fn>(MethodSlot(&IDirect3DDevice8::ValidateDevice))(self, passes);
    return Current().validateResult;
}

HRESULT STDMETHODCALLTYPE HookDrawIndexed(IDirect3DDevice8* self, D3DPRIMITIVETYPE type, UINT minIndex,
                                          UINT vertices, UINT start, UINT count)
{
    Note("DrawIndexedPrimitive %d %u %u %u %u", int(type), minIndex, vertices, start, count);
    NoteDraw();
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::DrawIndexedPrimitive))(self, type, minIndex, vertices, start,
                                                                             count);
}

HRESULT STDMETHODCALLTYPE HookDraw(IDirect3DDevice8* self, D3DPRIMITIVETYPE type, UINT start, UINT count)
{
    Note("DrawPrimitive %d %u %u", int(type), start, count);
    NoteDraw();
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, D3DPRIMITIVETYPE, UINT, UINT);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::DrawPrimitive))(self, type, start, count);
}

HRESULT STDMETHODCALLTYPE HookStream(IDirect3DDevice8* self, UINT stream, IDirect3DVertexBuffer8* vb, UINT stride)
{
    Note("SetStreamSource %u %s %u", stream, vb ? "vb" : "null", stride);
    Current().streams[stream & 15] = vb;
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, UINT, IDirect3DVertexBuffer8*, UINT);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::SetStreamSource))(self, stream, vb, stride);
}

HRESULT STDMETHODCALLTYPE HookIndices(IDirect3DDevice8* self, IDirect3DIndexBuffer8* ib, UINT base)
{
    Note("SetIndices %s %u", ib ? "ib" : "null", base);
    Current().indices = ib;
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, IDirect3DIndexBuffer8*, UINT);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::SetIndices))(self, ib, base);
}

HRESULT STDMETHODCALLTYPE HookVertexShader(IDirect3DDevice8* self, DWORD handle)
{
    Note("SetVertexShader 0x%lX", static_cast<unsigned long>(handle));
    Current().vertexShader = handle;
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::SetVertexShader))(self, handle);
}

HRESULT STDMETHODCALLTYPE HookPixelShader(IDirect3DDevice8* self, DWORD handle)
{
    Note("SetPixelShader 0x%lX", static_cast<unsigned long>(handle));
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::SetPixelShader))(self, handle);
}

HRESULT STDMETHODCALLTYPE HookApplyStateBlock(IDirect3DDevice8* self, DWORD token)
{
    Note("ApplyStateBlock 0x%lX", static_cast<unsigned long>(token));
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::ApplyStateBlock))(self, token);
}

HRESULT STDMETHODCALLTYPE HookSetRenderTarget(IDirect3DDevice8* self, IDirect3DSurface8* target,
                                              IDirect3DSurface8* depth)
{
    Note("SetRenderTarget %p", static_cast<void*>(target));
    Current().depths.push_back(depth);
    if (Refused("SetRenderTarget"))
        return D3DERR_INVALIDCALL;
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, IDirect3DSurface8*, IDirect3DSurface8*);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::SetRenderTarget))(self, target, depth);
}

HRESULT STDMETHODCALLTYPE HookClear(IDirect3DDevice8* self, DWORD count, const D3DRECT* rects, DWORD flags,
                                    D3DCOLOR colour, float z, DWORD stencil)
{
    Note("Clear 0x%lX 0x%08lX", static_cast<unsigned long>(flags), static_cast<unsigned long>(colour));
    if (Refused("Clear"))
        return D3DERR_INVALIDCALL;
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::Clear))(self, count, rects, flags, colour, z, stencil);
}

HRESULT STDMETHODCALLTYPE HookBeginScene(IDirect3DDevice8* self)
{
    Note("BeginScene");
    if (Refused("BeginScene"))
        return D3DERR_INVALIDCALL;
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::BeginScene))(self);
}

HRESULT STDMETHODCALLTYPE HookEndScene(IDirect3DDevice8* self)
{
    Note("EndScene");
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::EndScene))(self);
}

HRESULT STDMETHODCALLTYPE HookCreateVertexBuffer(IDirect3DDevice8* self, UINT length, DWORD usage, DWORD fvf,
                                                 D3DPOOL pool, IDirect3DVertexBuffer8** vb)
{
    Note("CreateVertexBuffer %u 0x%lX 0x%lX %d", length, static_cast<unsigned long>(usage),
         static_cast<unsigned long>(fvf), int(pool));
    if ((usage & D3DUSAGE_DYNAMIC) && Refused("CreateVertexBuffer DYNAMIC")) {
        if (vb)
            *vb = nullptr;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer8**);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::CreateVertexBuffer))(self, length, usage, fvf, pool, vb);
}

HRESULT STDMETHODCALLTYPE HookCreateDepthStencilSurface(IDirect3DDevice8* self, UINT width, UINT height,
                                                        D3DFORMAT format, D3DMULTISAMPLE_TYPE samples,
                                                        IDirect3DSurface8** surface)
{
    Note("CreateDepthStencilSurface %u %u %d", width, height, int(samples));
    if (Refused("CreateDepthStencilSurface")) {
        if (surface)
            *surface = nullptr;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE,
                                           IDirect3DSurface8**);
    return Original<Fn>(MethodSlot(&IDirect3DDevice8::CreateDepthStencilSurface))(self, width, height, format,
                                                                                  samples, surface);
}

HRESULT WINAPI CountCall()
{
    ++CountingDevice::calls;
    return 0;
}

} // namespace

DeviceRecorder* DeviceRecorder::current = nullptr;

DeviceRecorder::DeviceRecorder(IDirect3DDevice8* device) : device_(device)
{
    original = *reinterpret_cast<void***>(device);
    table_.assign(original, original + MethodSlot(&IDirect3DDevice8::DeletePatch) + 1);
    const struct {
        size_t slot;
        void* hook;
    } hooks[] = {
        {MethodSlot(&IDirect3DDevice8::SetRenderState), reinterpret_cast<void*>(&HookRenderState)},
        {MethodSlot(&IDirect3DDevice8::SetTextureStageState), reinterpret_cast<void*>(&HookStageState)},
        {MethodSlot(&IDirect3DDevice8::SetTexture), reinterpret_cast<void*>(&HookSetTexture)},
        {MethodSlot(&IDirect3DDevice8::SetVertexShaderConstant), reinterpret_cast<void*>(&HookVertexConstant)},
        {MethodSlot(&IDirect3DDevice8::SetPixelShaderConstant), reinterpret_cast<void*>(&HookPixelConstant)},
        {MethodSlot(&IDirect3DDevice8::ValidateDevice), reinterpret_cast<void*>(&HookValidate)},
        {MethodSlot(&IDirect3DDevice8::DrawIndexedPrimitive), reinterpret_cast<void*>(&HookDrawIndexed)},
        {MethodSlot(&IDirect3DDevice8::DrawPrimitive), reinterpret_cast<void*>(&HookDraw)},
        {MethodSlot(&IDirect3DDevice8::SetStreamSource), reinterpret_cast<void*>(&HookStream)},
        {MethodSlot(&IDirect3DDevice8::SetIndices), reinterpret_cast<void*>(&HookIndices)},
        {MethodSlot(&IDirect3DDevice8::SetVertexShader), reinterpret_cast<void*>(&HookVertexShader)},
        {MethodSlot(&IDirect3DDevice8::SetPixelShader), reinterpret_cast<void*>(&HookPixelShader)},
        {MethodSlot(&IDirect3DDevice8::ApplyStateBlock), reinterpret_cast<void*>(&HookApplyStateBlock)},
        {MethodSlot(&IDirect3DDevice8::SetRenderTarget), reinterpret_cast<void*>(&HookSetRenderTarget)},
        {MethodSlot(&IDirect3DDevice8::Clear), reinterpret_cast<void*>(&HookClear)},
        {MethodSlot(&IDirect3DDevice8::BeginScene), reinterpret_cast<void*>(&HookBeginScene)},
        {MethodSlot(&IDirect3DDevice8::EndScene), reinterpret_cast<void*>(&HookEndScene)},
        {MethodSlot(&IDirect3DDevice8::CreateVertexBuffer), reinterpret_cast<void*>(&HookCreateVertexBuffer)},
        {MethodSlot(&IDirect3DDevice8::CreateDepthStencilSurface),
         reinterpret_cast<void*>(&HookCreateDepthStencilSurface)},
    };
    for (const auto& h : hooks)
        table_[h.slot] = h.hook;
    current = this;
    *reinterpret_cast<void***>(device_) = table_.data();
}

DeviceRecorder::~DeviceRecorder()
{
    *reinterpret_cast<void***>(device_) = original;
    current = nullptr;
}

std::vector<std::string> DeviceRecorder::Calls(const std::string& prefix, size_t from) const
{
    std::vector<std::string> out;
    for (size_t i = from; i < calls.size(); ++i)
        if (calls[i].compare(0, prefix.size(), prefix) == 0)
            out.push_back(calls[i]);
    return out;
}

std::vector<DWORD> DeviceRecorder::RenderStates(D3DRENDERSTATETYPE state) const
{
    const std::string prefix = "SetRenderState " + std::to_string(int(state)) + " ";
    std::vector<DWORD> values;
    for (const std::string& call : Calls(prefix))
        values.push_back(DWORD(std::stoul(call.substr(prefix.size()), nullptr, 16)));
    return values;
}

DWORD DeviceRecorder::LastRenderState(D3DRENDERSTATETYPE state, DWORD none) const
{
    const std::vector<DWORD> values = RenderStates(state);
    return values.empty() ? none : values.back();
}

std::string DeviceRecorder::RenderStateCall(D3DRENDERSTATETYPE state, DWORD value)
{
    char text[64];
    std::snprintf(text, sizeof text, "SetRenderState %d 0x%lX", int(state), static_cast<unsigned long>(value));
    return text;
}

int CountingDevice::calls = 0;

CountingDevice::CountingDevice()
{
    static void* table[128];
    for (void*& slot : table)
        slot = reinterpret_cast<void*>(&CountCall);
    table_ = table;
}
