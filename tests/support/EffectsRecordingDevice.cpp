#include "EffectsRecordingDevice.h"

#include <cstdarg>
#include <cstdio>

EffectsRecordingDevice::EffectsRecordingDevice(IDirect3DDevice8* real) : real_(real)
{
    real_->AddRef();
}

EffectsRecordingDevice::~EffectsRecordingDevice()
{
    real_->Release();
}

std::vector<std::string> EffectsRecordingDevice::Calls(const std::string& prefix, size_t mark) const
{
    std::vector<std::string> out;
    for (size_t i = mark; i < calls.size(); ++i)
        if (calls[i].compare(0, prefix.size(), prefix) == 0)
            out.push_back(calls[i]);
    return out;
}

void EffectsRecordingDevice::Note(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    calls.push_back(text);
}

HRESULT EffectsRecordingDevice::QueryInterface(REFIID riid, void** object)
{
    return real_->QueryInterface(riid, object);
}

HRESULT EffectsRecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                   IDirect3DVertexBuffer8** buffer)
{
    Note("CreateVertexBuffer %u 0x%lX 0x%lX %d", length, static_cast<unsigned long>(usage),
         static_cast<unsigned long>(fvf), int(pool));
    return real_->CreateVertexBuffer(length, usage, fvf, pool, buffer);
}

HRESULT EffectsRecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    Note("SetRenderState %d 0x%lX", int(state), static_cast<unsigned long>(value));
    return real_->SetRenderState(state, value);
}

HRESULT EffectsRecordingDevice::ApplyStateBlock(DWORD token)
{
    Note("ApplyStateBlock");
    return real_->ApplyStateBlock(token);
}

HRESULT EffectsRecordingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture)
{
    Note("SetTexture %lu %s", static_cast<unsigned long>(stage), texture ? "tex" : "null");
    return real_->SetTexture(stage, texture);
}

HRESULT EffectsRecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    Note("SetTextureStageState %lu %d %lu", static_cast<unsigned long>(stage), int(type),
         static_cast<unsigned long>(value));
    return real_->SetTextureStageState(stage, type, value);
}

HRESULT EffectsRecordingDevice::ValidateDevice(DWORD* passes)
{
    ++validateCalls;
    Note("ValidateDevice");
    if (validateResult != 0)
        return validateResult;
    return real_->ValidateDevice(passes);
}

HRESULT EffectsRecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count)
{
    Note("DrawPrimitive %d %u %u", int(type), start, count);
    return real_->DrawPrimitive(type, start, count);
}

HRESULT EffectsRecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertices,
                                                     UINT startIndex, UINT count)
{
    Note("DrawIndexedPrimitive %d", int(type));
    return real_->DrawIndexedPrimitive(type, minIndex, vertices, startIndex, count);
}

HRESULT EffectsRecordingDevice::SetVertexShader(DWORD handle)
{
    Note("SetVertexShader 0x%lX", static_cast<unsigned long>(handle));
    return real_->SetVertexShader(handle);
}

HRESULT EffectsRecordingDevice::SetPixelShader(DWORD handle)
{
    Note("SetPixelShader 0x%lX", static_cast<unsigned long>(handle));
    return real_->SetPixelShader(handle);
}

HRESULT EffectsRecordingDevice::SetVertexShaderConstant(DWORD reg, const void* data, DWORD count)
{
    Note("SetVertexShaderConstant %lu %lu", static_cast<unsigned long>(reg), static_cast<unsigned long>(count));
    return real_->SetVertexShaderConstant(reg, data, count);
}

HRESULT EffectsRecordingDevice::SetPixelShaderConstant(DWORD reg, const void* data, DWORD count)
{
    Note("SetPixelShaderConstant %lu %lu", static_cast<unsigned long>(reg), static_cast<unsigned long>(count));
    return real_->SetPixelShaderConstant(reg, data, count);
}
