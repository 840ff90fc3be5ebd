#include <initguid.h> // defines IID_IDirect3DDevice8 here

#include "ProxyDevice.h"

#include "ProxyDirect3D.h"
#include "ProxyLog.h"
#include "ProxyBuffer.h"

#include <cstdint>
#include <string>

namespace {

// TestCooperativeLevel calls that report D3DERR_DEVICELOST after lost=N strikes.
const int LostCalls = 5;

unsigned long Hex(HRESULT hr)
{
    return static_cast<unsigned long>(hr);
}

unsigned long long Address(const void* p)
{
    return reinterpret_cast<uintptr_t>(p);
}

bool PowerOfTwo(unsigned n)
{
    return n && !(n & (n - 1));
}

} // namespace

ProxyDevice::ProxyDevice(IDirect3DDevice8* real, ProxyDirect3D* parent, UINT adapter)
    : real_(real), parent_(parent), adapter_(adapter)
{
}

HRESULT ProxyDevice::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualGUID(riid, __uuidof(IUnknown)) || IsEqualGUID(riid, IID_IDirect3DDevice8)) {
        AddRef();
        *object = static_cast<IDirect3DDevice8*>(this);
        return S_OK;
    }
    return real_->QueryInterface(riid, object);
}

ULONG ProxyDevice::AddRef()
{
    return real_->AddRef();
}

ULONG ProxyDevice::Release()
{
    // The real device holds the real Direct3D object; when it goes, that
    // object may go with it. Holding the proxy Direct3D object across the
    // call lets it see its own final release and delete itself.
    ProxyDirect3D* parent = parent_;
    parent->AddRef();
    ULONG count = real_->Release();
    if (count == 0) {
        const bool extra = parent->Config().Has(InjectionConfig::ExtraRef);
        if (extra)
            count = 1;
        ProxyLog::Write("Device.Release -> %lu presents=%u%s", static_cast<unsigned long>(count), presents_,
                        extra ? " injected" : "");
        delete this;
    }
    parent->Release();
    return count;
}

HRESULT ProxyDevice::TestCooperativeLevel()
{
    HRESULT hr;
    bool injected = true;
    if (loss_ == Loss::Lost) {
        hr = D3DERR_DEVICELOST;
        if (--lostCallsLeft_ <= 0)
            loss_ = Loss::NotReset;
    } else if (loss_ == Loss::NotReset) {
        hr = D3DERR_DEVICENOTRESET;
    } else {
        hr = real_->TestCooperativeLevel();
        injected = false;
    }
    if (hr != D3D_OK)
        ProxyLog::Write("TestCooperativeLevel -> 0x%lX%s", Hex(hr), injected ? " injected" : "");
    return hr;
}

HRESULT ProxyDevice::GetDirect3D(IDirect3D8** direct3D)
{
    IDirect3D8* real = nullptr;
    const HRESULT hr = real_->GetDirect3D(direct3D ? &real : nullptr);
    // The real call counted the reference; the proxy shares the real count.
    if (direct3D)
        *direct3D = SUCCEEDED(hr) ? parent_ : nullptr;
    return hr;
}

HRESULT ProxyDevice::GetDeviceCaps(D3DCAPS8* caps)
{
    const HRESULT hr = real_->GetDeviceCaps(caps);
    if (SUCCEEDED(hr) && caps) {
        parent_->AdjustCaps(*caps, adapter_);
        ProxyLog::Write("Device.GetDeviceCaps -> 0x%lX vs=0x%lX ps=0x%lX caps2=0x%lX", Hex(hr),
                        static_cast<unsigned long>(caps->VertexShaderVersion),
                        static_cast<unsigned long>(caps->PixelShaderVersion), static_cast<unsigned long>(caps->Caps2));
    } else {
        ProxyLog::Write("Device.GetDeviceCaps -> 0x%lX", Hex(hr));
    }
    return hr;
}

HRESULT ProxyDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters)
{
    const HRESULT hr = real_->GetCreationParameters(parameters);
    if (SUCCEEDED(hr) && parameters)
        parameters->AdapterOrdinal = adapter_;
    return hr;
}

HRESULT ProxyDevice::Reset(D3DPRESENT_PARAMETERS* parameters)
{
    const std::string passed = ProxyLog::Parameters(parameters);
    HRESULT hr;
    bool injected = true;
    if (loss_ == Loss::Lost) {
        // Not yet: the device is still lost.
        hr = D3DERR_DEVICELOST;
    } else if (parent_->CountResetAndCheckFailure()) {
        // A failed Reset leaves a device to be reset, as Wine's does.
        hr = D3DERR_INVALIDCALL;
        loss_ = Loss::NotReset;
    } else {
        hr = real_->Reset(parameters);
        injected = false;
        if (SUCCEEDED(hr))
            loss_ = Loss::None;
    }
    ProxyLog::Write("Reset %s -> 0x%lX%s", passed.c_str(), Hex(hr), injected ? " injected" : "");
    return hr;
}

HRESULT ProxyDevice::Present(const RECT* srcRect, const RECT* dstRect, HWND dstWindowOverride,
                             const RGNDATA* dirtyRegion)
{
    ++presents_;
    HRESULT hr;
    bool injected = false;
    if (loss_ != Loss::None) {
        hr = D3DERR_DEVICELOST;
        injected = true;
    } else {
        hr = real_->Present(srcRect, dstRect, dstWindowOverride, dirtyRegion);
        if (SUCCEEDED(hr) && parent_->CountPresentAndCheckLoss()) {
            loss_ = Loss::Lost;
            lostCallsLeft_ = LostCalls;
        }
    }
    if (hr != D3D_OK || PowerOfTwo(presents_))
        ProxyLog::Write("Present n=%u -> 0x%lX%s", presents_, Hex(hr), injected ? " injected" : "");
    return hr;
}

void ProxyDevice::SetGammaRamp(DWORD flags, const D3DGAMMARAMP* ramp)
{
    if (ramp)
        ProxyLog::Write("SetGammaRamp flags=0x%lX red=%u/%u/%u green=%u/%u/%u blue=%u/%u/%u",
                        static_cast<unsigned long>(flags), ramp->red[0], ramp->red[128], ramp->red[255], ramp->green[0],
                        ramp->green[128], ramp->green[255], ramp->blue[0], ramp->blue[128], ramp->blue[255]);
    else
        ProxyLog::Write("SetGammaRamp flags=0x%lX ramp=null", static_cast<unsigned long>(flags));
    real_->SetGammaRamp(flags, ramp);
}

HRESULT ProxyDevice::CreateVertexShader(const DWORD* declaration, const DWORD* byteCode, DWORD* shader, DWORD usage)
{
    if (parent_->Config().Has(InjectionConfig::ShaderCreateFail)) {
        if (shader)
            *shader = 0;
        ProxyLog::Write("CreateVertexShader usage=0x%lX -> 0x%lX injected", static_cast<unsigned long>(usage),
                        Hex(D3DERR_INVALIDCALL));
        return D3DERR_INVALIDCALL;
    }
    const HRESULT hr = real_->CreateVertexShader(declaration, byteCode, shader, usage);
    ProxyLog::Write("CreateVertexShader usage=0x%lX -> 0x%lX", static_cast<unsigned long>(usage), Hex(hr));
    return hr;
}

HRESULT ProxyDevice::CreatePixelShader(const DWORD* byteCode, DWORD* shader)
{
    if (parent_->Config().Has(InjectionConfig::ShaderCreateFail)) {
        if (shader)
            *shader = 0;
        ProxyLog::Write("CreatePixelShader -> 0x%lX injected", Hex(D3DERR_INVALIDCALL));
        return D3DERR_INVALIDCALL;
    }
    const HRESULT hr = real_->CreatePixelShader(byteCode, shader);
    ProxyLog::Write("CreatePixelShader -> 0x%lX", Hex(hr));
    return hr;
}

// Everything else forwards unchanged.

UINT ProxyDevice::GetAvailableTextureMem()
{
    return real_->GetAvailableTextureMem();
}

HRESULT ProxyDevice::ResourceManagerDiscardBytes(DWORD bytes)
{
    return real_->ResourceManagerDiscardBytes(bytes);
}

HRESULT ProxyDevice::GetDisplayMode(D3DDISPLAYMODE* mode)
{
    return real_->GetDisplayMode(mode);
}

HRESULT ProxyDevice::SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface8* cursorBitmap)
{
    return real_->SetCursorProperties(xHotSpot, yHotSpot, cursorBitmap);
}

void ProxyDevice::SetCursorPosition(UINT xScreenSpace, UINT yScreenSpace, DWORD flags)
{
    real_->SetCursorPosition(xScreenSpace, yScreenSpace, flags);
}

WINBOOL ProxyDevice::ShowCursor(WINBOOL show)
{
    return real_->ShowCursor(show);
}

HRESULT ProxyDevice::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* parameters, IDirect3DSwapChain8** swapChain)
{
    return real_->CreateAdditionalSwapChain(parameters, swapChain);
}

HRESULT ProxyDevice::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** backBuffer)
{
    return real_->GetBackBuffer(index, type, backBuffer);
}

HRESULT ProxyDevice::GetRasterStatus(D3DRASTER_STATUS* rasterStatus)
{
    return real_->GetRasterStatus(rasterStatus);
}

void ProxyDevice::GetGammaRamp(D3DGAMMARAMP* ramp)
{
    real_->GetGammaRamp(ramp);
}

HRESULT ProxyDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                   IDirect3DTexture8** texture)
{
    return real_->CreateTexture(width, height, levels, usage, format, pool, texture);
}

HRESULT ProxyDevice::CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                         D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture8** volumeTexture)
{
    return real_->CreateVolumeTexture(width, height, depth, levels, usage, format, pool, volumeTexture);
}

HRESULT ProxyDevice::CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                       IDirect3DCubeTexture8** cubeTexture)
{
    return real_->CreateCubeTexture(edgeLength, levels, usage, format, pool, cubeTexture);
}

HRESULT ProxyDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                        IDirect3DVertexBuffer8** vertexBuffer)
{
    HRESULT hr;
    bool injected = false;
    if (parent_->Config().Has(InjectionConfig::VertexBufferCreateFail)) {
        if (vertexBuffer)
            *vertexBuffer = nullptr;
        hr = D3DERR_OUTOFVIDEOMEMORY;
        injected = true;
    } else {
        hr = real_->CreateVertexBuffer(length, usage, fvf, pool, vertexBuffer);
        if (SUCCEEDED(hr) && vertexBuffer && *vertexBuffer &&
            parent_->Config().Has(InjectionConfig::VertexBufferLockFail))
            *vertexBuffer = new ProxyVertexBuffer(*vertexBuffer, "VertexBuffer");
    }
    ProxyLog::Write("CreateVertexBuffer length=%u usage=0x%lX fvf=0x%lX pool=%d -> 0x%lX vb=0x%llX%s", length,
                    static_cast<unsigned long>(usage), static_cast<unsigned long>(fvf), int(pool), Hex(hr),
                    Address(SUCCEEDED(hr) && vertexBuffer ? *vertexBuffer : nullptr), injected ? " injected" : "");
    return hr;
}

HRESULT ProxyDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                       IDirect3DIndexBuffer8** indexBuffer)
{
    HRESULT hr;
    bool injected = false;
    if (parent_->Config().Has(InjectionConfig::IndexBufferCreateFail)) {
        if (indexBuffer)
            *indexBuffer = nullptr;
        hr = D3DERR_OUTOFVIDEOMEMORY;
        injected = true;
    } else {
        hr = real_->CreateIndexBuffer(length, usage, format, pool, indexBuffer);
        if (SUCCEEDED(hr) && indexBuffer && *indexBuffer && parent_->Config().Has(InjectionConfig::IndexBufferLockFail))
            *indexBuffer = new ProxyIndexBuffer(*indexBuffer, "IndexBuffer");
    }
    ProxyLog::Write("CreateIndexBuffer length=%u usage=0x%lX format=%d pool=%d -> 0x%lX ib=0x%llX%s", length,
                    static_cast<unsigned long>(usage), int(format), int(pool), Hex(hr),
                    Address(SUCCEEDED(hr) && indexBuffer ? *indexBuffer : nullptr), injected ? " injected" : "");
    return hr;
}

HRESULT ProxyDevice::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                        WINBOOL lockable, IDirect3DSurface8** surface)
{
    return real_->CreateRenderTarget(width, height, format, multiSample, lockable, surface);
}

HRESULT ProxyDevice::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                               D3DMULTISAMPLE_TYPE multiSample, IDirect3DSurface8** surface)
{
    return real_->CreateDepthStencilSurface(width, height, format, multiSample, surface);
}

HRESULT ProxyDevice::CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** surface)
{
    return real_->CreateImageSurface(width, height, format, surface);
}

HRESULT ProxyDevice::CopyRects(IDirect3DSurface8* srcSurface, const RECT* srcRects, UINT rectCount,
                               IDirect3DSurface8* dstSurface, const POINT* dstPoints)
{
    return real_->CopyRects(srcSurface, srcRects, rectCount, dstSurface, dstPoints);
}

HRESULT ProxyDevice::UpdateTexture(IDirect3DBaseTexture8* sourceTexture, IDirect3DBaseTexture8* destinationTexture)
{
    return real_->UpdateTexture(sourceTexture, destinationTexture);
}

HRESULT ProxyDevice::GetFrontBuffer(IDirect3DSurface8* destSurface)
{
    return real_->GetFrontBuffer(destSurface);
}

HRESULT ProxyDevice::SetRenderTarget(IDirect3DSurface8* renderTarget, IDirect3DSurface8* newZStencil)
{
    return real_->SetRenderTarget(renderTarget, newZStencil);
}

HRESULT ProxyDevice::GetRenderTarget(IDirect3DSurface8** renderTarget)
{
    return real_->GetRenderTarget(renderTarget);
}

HRESULT ProxyDevice::GetDepthStencilSurface(IDirect3DSurface8** zStencilSurface)
{
    return real_->GetDepthStencilSurface(zStencilSurface);
}

HRESULT ProxyDevice::BeginScene()
{
    if (parent_->Config().Has(InjectionConfig::BeginSceneFail))
        return D3DERR_INVALIDCALL;
    if (const unsigned n = parent_->CountBeginSceneAndCheckFailure()) {
        ProxyLog::Write("BeginScene n=%u -> 0x%lX injected", n, Hex(D3DERR_INVALIDCALL));
        return D3DERR_INVALIDCALL;
    }
    return real_->BeginScene();
}

HRESULT ProxyDevice::EndScene()
{
    const HRESULT hr = real_->EndScene();
    if (parent_->Config().Has(InjectionConfig::BeginSceneFail))
        ProxyLog::Write("EndScene -> 0x%lX", Hex(hr));
    return hr;
}

HRESULT ProxyDevice::Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil)
{
    return real_->Clear(rectCount, rects, flags, color, z, stencil);
}

HRESULT ProxyDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    return real_->SetTransform(state, matrix);
}

HRESULT ProxyDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix)
{
    return real_->GetTransform(state, matrix);
}

HRESULT ProxyDevice::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    return real_->MultiplyTransform(state, matrix);
}

HRESULT ProxyDevice::SetViewport(const D3DVIEWPORT8* viewport)
{
    return real_->SetViewport(viewport);
}

HRESULT ProxyDevice::GetViewport(D3DVIEWPORT8* viewport)
{
    return real_->GetViewport(viewport);
}

HRESULT ProxyDevice::SetMaterial(const D3DMATERIAL8* material)
{
    return real_->SetMaterial(material);
}

HRESULT ProxyDevice::GetMaterial(D3DMATERIAL8* material)
{
    return real_->GetMaterial(material);
}

HRESULT ProxyDevice::SetLight(DWORD index, const D3DLIGHT8* light)
{
    return real_->SetLight(index, light);
}

HRESULT ProxyDevice::GetLight(DWORD index, D3DLIGHT8* light)
{
    return real_->GetLight(index, light);
}

HRESULT ProxyDevice::LightEnable(DWORD index, WINBOOL enable)
{
    return real_->LightEnable(index, enable);
}

HRESULT ProxyDevice::GetLightEnable(DWORD index, WINBOOL* enable)
{
    return real_->GetLightEnable(index, enable);
}

HRESULT ProxyDevice::SetClipPlane(DWORD index, const float* plane)
{
    return real_->SetClipPlane(index, plane);
}

HRESULT ProxyDevice::GetClipPlane(DWORD index, float* plane)
{
    return real_->GetClipPlane(index, plane);
}

HRESULT ProxyDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    return real_->SetRenderState(state, value);
}

HRESULT ProxyDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value)
{
    return real_->GetRenderState(state, value);
}

HRESULT ProxyDevice::BeginStateBlock()
{
    const HRESULT hr = real_->BeginStateBlock();
    ProxyLog::Write("BeginStateBlock -> 0x%lX", Hex(hr));
    return hr;
}

HRESULT ProxyDevice::EndStateBlock(DWORD* token)
{
    HRESULT hr = real_->EndStateBlock(token);
    bool injected = false;
    if (parent_->Config().Has(InjectionConfig::EndStateBlockFail)) {
        if (SUCCEEDED(hr) && token)
            real_->DeleteStateBlock(*token);
        if (token)
            *token = 0;
        hr = D3DERR_INVALIDCALL;
        injected = true;
    }
    ProxyLog::Write("EndStateBlock -> 0x%lX token=0x%lX%s", Hex(hr), static_cast<unsigned long>(token ? *token : 0),
                    injected ? " injected" : "");
    return hr;
}

HRESULT ProxyDevice::ApplyStateBlock(DWORD token)
{
    const HRESULT hr = real_->ApplyStateBlock(token);
    ProxyLog::Write("ApplyStateBlock token=0x%lX -> 0x%lX", static_cast<unsigned long>(token), Hex(hr));
    return hr;
}

HRESULT ProxyDevice::CaptureStateBlock(DWORD token)
{
    return real_->CaptureStateBlock(token);
}

HRESULT ProxyDevice::DeleteStateBlock(DWORD token)
{
    const HRESULT hr = real_->DeleteStateBlock(token);
    ProxyLog::Write("DeleteStateBlock token=0x%lX -> 0x%lX", static_cast<unsigned long>(token), Hex(hr));
    return hr;
}

HRESULT ProxyDevice::CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token)
{
    return real_->CreateStateBlock(type, token);
}

HRESULT ProxyDevice::SetClipStatus(const D3DCLIPSTATUS8* clipStatus)
{
    return real_->SetClipStatus(clipStatus);
}

HRESULT ProxyDevice::GetClipStatus(D3DCLIPSTATUS8* clipStatus)
{
    return real_->GetClipStatus(clipStatus);
}

HRESULT ProxyDevice::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture)
{
    return real_->GetTexture(stage, texture);
}

HRESULT ProxyDevice::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture)
{
    return real_->SetTexture(stage, texture);
}

HRESULT ProxyDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value)
{
    return real_->GetTextureStageState(stage, type, value);
}

HRESULT ProxyDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    return real_->SetTextureStageState(stage, type, value);
}

HRESULT ProxyDevice::ValidateDevice(DWORD* numPasses)
{
    return real_->ValidateDevice(numPasses);
}

HRESULT ProxyDevice::GetInfo(DWORD devInfoID, void* devInfoStruct, DWORD devInfoStructSize)
{
    return real_->GetInfo(devInfoID, devInfoStruct, devInfoStructSize);
}

HRESULT ProxyDevice::SetPaletteEntries(UINT paletteIdx, const PALETTEENTRY* entries)
{
    return real_->SetPaletteEntries(paletteIdx, entries);
}

HRESULT ProxyDevice::GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries)
{
    return real_->GetPaletteEntries(paletteNumber, entries);
}

HRESULT ProxyDevice::SetCurrentTexturePalette(UINT paletteNumber)
{
    return real_->SetCurrentTexturePalette(paletteNumber);
}

HRESULT ProxyDevice::GetCurrentTexturePalette(UINT* paletteNumber)
{
    return real_->GetCurrentTexturePalette(paletteNumber);
}

HRESULT ProxyDevice::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount)
{
    return real_->DrawPrimitive(primitiveType, startVertex, primitiveCount);
}

HRESULT ProxyDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, UINT minIndex, UINT numVertices,
                                          UINT startIndex, UINT primCount)
{
    return real_->DrawIndexedPrimitive(primitiveType, minIndex, numVertices, startIndex, primCount);
}

HRESULT ProxyDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const void* data, UINT stride)
{
    return real_->DrawPrimitiveUP(primitiveType, primitiveCount, data, stride);
}

HRESULT ProxyDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIdx, UINT vertexCount,
                                            UINT primitiveCount, const void* indexData, D3DFORMAT indexFormat,
                                            const void* data, UINT stride)
{
    return real_->DrawIndexedPrimitiveUP(primitiveType, minVertexIdx, vertexCount, primitiveCount, indexData,
                                         indexFormat, data, stride);
}

HRESULT ProxyDevice::ProcessVertices(UINT srcStartIndex, UINT destIndex, UINT vertexCount,
                                     IDirect3DVertexBuffer8* destBuffer, DWORD flags)
{
    return real_->ProcessVertices(srcStartIndex, destIndex, vertexCount, ProxyVertexBuffer::Unwrap(destBuffer), flags);
}

HRESULT ProxyDevice::SetVertexShader(DWORD handle)
{
    const HRESULT hr = real_->SetVertexShader(handle);
    ProxyLog::Write("SetVertexShader handle=0x%lX -> 0x%lX", static_cast<unsigned long>(handle), Hex(hr));
    return hr;
}

HRESULT ProxyDevice::GetVertexShader(DWORD* handle)
{
    return real_->GetVertexShader(handle);
}

HRESULT ProxyDevice::DeleteVertexShader(DWORD handle)
{
    const HRESULT hr = real_->DeleteVertexShader(handle);
    ProxyLog::Write("DeleteVertexShader handle=0x%lX -> 0x%lX", static_cast<unsigned long>(handle), Hex(hr));
    return hr;
}

HRESULT ProxyDevice::SetVertexShaderConstant(DWORD regIdx, const void* data, DWORD count)
{
    return real_->SetVertexShaderConstant(regIdx, data, count);
}

HRESULT ProxyDevice::GetVertexShaderConstant(DWORD reg, void* constantData, DWORD constantCount)
{
    return real_->GetVertexShaderConstant(reg, constantData, constantCount);
}

HRESULT ProxyDevice::GetVertexShaderDeclaration(DWORD handle, void* data, DWORD* sizeOfData)
{
    return real_->GetVertexShaderDeclaration(handle, data, sizeOfData);
}

HRESULT ProxyDevice::GetVertexShaderFunction(DWORD handle, void* data, DWORD* sizeOfData)
{
    return real_->GetVertexShaderFunction(handle, data, sizeOfData);
}

HRESULT ProxyDevice::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData, UINT stride)
{
    const HRESULT hr = real_->SetStreamSource(streamNumber, ProxyVertexBuffer::Unwrap(streamData), stride);
    ProxyLog::Write("SetStreamSource stream=%u vb=0x%llX stride=%u -> 0x%lX", streamNumber, Address(streamData), stride,
                    Hex(hr));
    return hr;
}

HRESULT ProxyDevice::GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8** streamData, UINT* stride)
{
    return real_->GetStreamSource(streamNumber, streamData, stride);
}

HRESULT ProxyDevice::SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex)
{
    const HRESULT hr = real_->SetIndices(ProxyIndexBuffer::Unwrap(indexData), baseVertexIndex);
    ProxyLog::Write("SetIndices ib=0x%llX base=%u -> 0x%lX", Address(indexData), baseVertexIndex, Hex(hr));
    return hr;
}

HRESULT ProxyDevice::GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex)
{
    return real_->GetIndices(indexData, baseVertexIndex);
}

HRESULT ProxyDevice::SetPixelShader(DWORD handle)
{
    const HRESULT hr = real_->SetPixelShader(handle);
    ProxyLog::Write("SetPixelShader handle=0x%lX -> 0x%lX", static_cast<unsigned long>(handle), Hex(hr));
    return hr;
}

HRESULT ProxyDevice::GetPixelShader(DWORD* handle)
{
    return real_->GetPixelShader(handle);
}

HRESULT ProxyDevice::DeletePixelShader(DWORD handle)
{
    const HRESULT hr = real_->DeletePixelShader(handle);
    ProxyLog::Write("DeletePixelShader handle=0x%lX -> 0x%lX", static_cast<unsigned long>(handle), Hex(hr));
    return hr;
}

HRESULT ProxyDevice::SetPixelShaderConstant(DWORD regIdx, const void* data, DWORD count)
{
    return real_->SetPixelShaderConstant(regIdx, data, count);
}

HRESULT ProxyDevice::GetPixelShaderConstant(DWORD reg, void* constantData, DWORD constantCount)
{
    return real_->GetPixelShaderConstant(reg, constantData, constantCount);
}

HRESULT ProxyDevice::GetPixelShaderFunction(DWORD handle, void* data, DWORD* sizeOfData)
{
    return real_->GetPixelShaderFunction(handle, data, sizeOfData);
}

HRESULT ProxyDevice::DrawRectPatch(UINT handle, const float* segmentCount, const D3DRECTPATCH_INFO* patchInfo)
{
    return real_->DrawRectPatch(handle, segmentCount, patchInfo);
}

HRESULT ProxyDevice::DrawTriPatch(UINT handle, const float* segmentCount, const D3DTRIPATCH_INFO* patchInfo)
{
    return real_->DrawTriPatch(handle, segmentCount, patchInfo);
}

HRESULT ProxyDevice::DeletePatch(UINT handle)
{
    return real_->DeletePatch(handle);
}
