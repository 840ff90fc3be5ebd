#include "EffectsBTestSupport.h"

#include <utility>

namespace effectsbtest {

namespace {

const int ProbeSlots = 128;
int probedSlot = -1;

// Every Direct3D method takes the object first and cleans up after itself
// in the caller (x64), so one function body serves any signature.
template <int N> HRESULT WINAPI Probe()
{
    probedSlot = N;
    return 0;
}

template <int... N> void FillProbes(void** table, std::integer_sequence<int, N...>)
{
    ((table[N] = reinterpret_cast<void*>(&Probe<N>)), ...);
}

HRESULT WINAPI CountCall()
{
    ++CountingDevice::calls;
    return 0;
}

template <typename F> F Original(int slot)
{
    return reinterpret_cast<F>(CallRecorder::current->original_[slot]);
}

int slotRenderState, slotTexture, slotStageState, slotDrawIndexed, slotVertexConstant;

void Record(Call call)
{
    if (CallRecorder::current)
        CallRecorder::current->calls_.push_back(call);
}

HRESULT WINAPI HookRenderState(IDirect3DDevice8* d, D3DRENDERSTATETYPE state, DWORD value)
{
    Record({Call::RenderState, DWORD(state), value, 0, nullptr});
    return Original<HRESULT(WINAPI*)(IDirect3DDevice8*, D3DRENDERSTATETYPE, DWORD)>(slotRenderState)(d, state, value);
}

HRESULT WINAPI HookTexture(IDirect3DDevice8* d, DWORD stage, IDirect3DBaseTexture8* texture)
{
    Record({Call::Texture, stage, 0, 0, texture});
    return Original<HRESULT(WINAPI*)(IDirect3DDevice8*, DWORD, IDirect3DBaseTexture8*)>(slotTexture)(d, stage, texture);
}

HRESULT WINAPI HookStageState(IDirect3DDevice8* d, DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    Record({Call::StageState, stage, DWORD(type), value, nullptr});
    return Original<HRESULT(WINAPI*)(IDirect3DDevice8*, DWORD, D3DTEXTURESTAGESTATETYPE, DWORD)>(slotStageState)(
        d, stage, type, value);
}

HRESULT WINAPI HookDrawIndexed(IDirect3DDevice8* d, D3DPRIMITIVETYPE type, UINT minIndex, UINT vertices, UINT start,
                               UINT primitives)
{
    Record({Call::DrawIndexed, DWORD(type), vertices, primitives, nullptr});
    return Original<HRESULT(WINAPI*)(IDirect3DDevice8*, D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT)>(slotDrawIndexed)(
        d, type, minIndex, vertices, start, primitives);
}

HRESULT WINAPI HookVertexConstant(IDirect3DDevice8* d, DWORD reg, const void* data, DWORD count)
{
    Record({Call::VertexConstant, reg, count, 0, data});
    return Original<HRESULT(WINAPI*)(IDirect3DDevice8*, DWORD, const void*, DWORD)>(slotVertexConstant)(d, reg, data,
                                                                                                      count);
}

} // namespace

int DeviceSlot(void (*call)(IDirect3DDevice8*))
{
    static void* table[ProbeSlots];
    FillProbes(table, std::make_integer_sequence<int, ProbeSlots>());
    void** object = table;
    probedSlot = -1;
    call(reinterpret_cast<IDirect3DDevice8*>(&object));
    return probedSlot;
}

CallRecorder* CallRecorder::current = nullptr;

CallRecorder::CallRecorder(IDirect3DDevice8* device) : device_(device)
{
    slotRenderState = DeviceSlot([](IDirect3DDevice8* d) { d->SetRenderState(D3DRS_ZENABLE, 0); });
    slotTexture = DeviceSlot([](IDirect3DDevice8* d) { d->SetTexture(0, nullptr); });
    slotStageState = DeviceSlot([](IDirect3DDevice8* d) { d->SetTextureStageState(0, D3DTSS_COLOROP, 0); });
    slotDrawIndexed = DeviceSlot([](IDirect3DDevice8* d) { d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 0, 0); });
    slotVertexConstant = DeviceSlot([](IDirect3DDevice8* d) { d->SetVertexShaderConstant(0, nullptr, 0); });
    const int count = DeviceSlot([](IDirect3DDevice8* d) { d->DeletePatch(0); }) + 1;
    void*** object = reinterpret_cast<void***>(device);
    original_ = *object;
    table_.assign(original_, original_ + count);
    table_[slotRenderState] = reinterpret_cast<void*>(&HookRenderState);
    table_[slotTexture] = reinterpret_cast<void*>(&HookTexture);
    table_[slotStageState] = reinterpret_cast<void*>(&HookStageState);
    table_[slotDrawIndexed] = reinterpret_cast<void*>(&HookDrawIndexed);
    table_[slotVertexConstant] = reinterpret_cast<void*>(&HookVertexConstant);
    current = this;
    *object = table_.data();
}

CallRecorder::~CallRecorder()
{
    *reinterpret_cast<void***>(device_) = original_;
    current = nullptr;
}

int CallRecorder::Count(Call::Kind kind) const
{
    int n = 0;
    for (const Call& c : calls_)
        n += c.kind == kind;
    return n;
}

DWORD CallRecorder::LastRenderState(DWORD state, DWORD none) const
{
    DWORD value = none;
    for (const Call& c : calls_)
        if (c.kind == Call::RenderState && c.a == state)
            value = c.b;
    return value;
}

int CountingDevice::calls = 0;

CountingDevice::CountingDevice()
{
    static void* table[ProbeSlots];
    for (void*& slot : table)
        slot = reinterpret_cast<void*>(&CountCall);
    table_ = table;
}

} // namespace effectsbtest
