// A Direct3D 8 device for the effects' tests: it forwards every call to a
// real device, writes the calls the effects make into a list ("SetTexture 0
// tex", "SetTextureStageState 1 13 2", ...), and can fail ValidateDevice.
#pragma once

#include <d3d8.h>
#include <windows.h>

#include <string>
#include <vector>

class EffectsRecordingDevice : public IDirect3DDevice8 {
public:
    // Forwards to real, which it holds a reference on.
    explicit EffectsRecordingDevice(IDirect3DDevice8* real);
    ~EffectsRecordingDevice();
    EffectsRecordingDevice(const EffectsRecordingDevice&) = delete;
    EffectsRecordingDevice& operator=(const EffectsRecordingDevice&) = delete;

    std::vector<std::string> calls;
    // Non-zero: ValidateDevice returns this without asking the real device.
    HRESULT validateResult = 0;
    int validateCalls = 0;

    // Calls recorded from mark on whose text begins with prefix.
    std::vector<std::string> Calls(const std::string& prefix, size_t mark = 0) const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    // The wrapper lives as long as the test that made it; only the real
    // device's count moves.
    ULONG STDMETHODCALLTYPE AddRef() override { return real_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return real_->Release(); }

    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer8** buffer) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT STDMETHODCALLTYPE ApplyStateBlock(DWORD token) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD* passes) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertices, UINT startIndex,
                                                   UINT count) override;
    HRESULT STDMETHODCALLTYPE SetVertexShader(DWORD handle) override;
    HRESULT STDMETHODCALLTYPE SetPixelShader(DWORD handle) override;
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) override;
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstant(DWORD reg, const void* data, DWORD count) override;

    // The rest pass straight through.
    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override { return real_->TestCooperativeLevel(); }
    UINT STDMETHODCALLTYPE GetAvailableTextureMem() override { return real_->GetAvailableTextureMem(); }
    HRESULT STDMETHODCALLTYPE ResourceManagerDiscardBytes(DWORD Bytes) override
    {
        return real_->ResourceManagerDiscardBytes(Bytes);
    }
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D8** ppD3D8) override { return real_->GetDirect3D(ppD3D8); }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS8* pCaps) override { return real_->GetDeviceCaps(pCaps); }
    HRESULT STDMETHODCALLTYPE GetDisplayMode(D3DDISPLAYMODE* pMode) override { return real_->GetDisplayMode(pMode); }
    HRESULT STDMETHODCALLTYPE GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override
    {
        return real_->GetCreationParameters(pParameters);
    }
    HRESULT STDMETHODCALLTYPE SetCursorProperties(UINT XHotSpot, UINT YHotSpot,
                                                  IDirect3DSurface8* pCursorBitmap) override
    {
        return real_->SetCursorProperties(XHotSpot, YHotSpot, pCursorBitmap);
    }
    void STDMETHODCALLTYPE SetCursorPosition(UINT XScreenSpace, UINT YScreenSpace, DWORD Flags) override
    {
        return real_->SetCursorPosition(XScreenSpace, YScreenSpace, Flags);
    }
    WINBOOL STDMETHODCALLTYPE ShowCursor(WINBOOL bShow) override { return real_->ShowCursor(bShow); }
    HRESULT STDMETHODCALLTYPE CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pPresentationParameters,
                                                        IDirect3DSwapChain8** pSwapChain) override
    {
        return real_->CreateAdditionalSwapChain(pPresentationParameters, pSwapChain);
    }
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override
    {
        return real_->Reset(pPresentationParameters);
    }
    HRESULT STDMETHODCALLTYPE Present(const RECT* src_rect, const RECT* dst_rect, HWND dst_window_override,
                                      const RGNDATA* dirty_region) override
    {
        return real_->Present(src_rect, dst_rect, dst_window_override, dirty_region);
    }
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                                            IDirect3DSurface8** ppBackBuffer) override
    {
        return real_->GetBackBuffer(BackBuffer, Type, ppBackBuffer);
    }
    HRESULT STDMETHODCALLTYPE GetRasterStatus(D3DRASTER_STATUS* pRasterStatus) override
    {
        return real_->GetRasterStatus(pRasterStatus);
    }
    void STDMETHODCALLTYPE SetGammaRamp(DWORD flags, const D3DGAMMARAMP* ramp) override
    {
        real_->SetGammaRamp(flags, ramp);
    }
    void STDMETHODCALLTYPE GetGammaRamp(D3DGAMMARAMP* pRamp) override { return real_->GetGammaRamp(pRamp); }
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, IDirect3DTexture8** ppTexture) override
    {
        return real_->CreateTexture(Width, Height, Levels, Usage, Format, Pool, ppTexture);
    }
    HRESULT STDMETHODCALLTYPE CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage,
                                                  D3DFORMAT Format, D3DPOOL Pool,
                                                  IDirect3DVolumeTexture8** ppVolumeTexture) override
    {
        return real_->CreateVolumeTexture(Width, Height, Depth, Levels, Usage, Format, Pool, ppVolumeTexture);
    }
    HRESULT STDMETHODCALLTYPE CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                                D3DPOOL Pool, IDirect3DCubeTexture8** ppCubeTexture) override
    {
        return real_->CreateCubeTexture(EdgeLength, Levels, Usage, Format, Pool, ppCubeTexture);
    }
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                IDirect3DIndexBuffer8** ppIndexBuffer) override
    {
        return real_->CreateIndexBuffer(Length, Usage, Format, Pool, ppIndexBuffer);
    }
    HRESULT STDMETHODCALLTYPE CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                                 D3DMULTISAMPLE_TYPE MultiSample, WINBOOL Lockable,
                                                 IDirect3DSurface8** ppSurface) override
    {
        return real_->CreateRenderTarget(Width, Height, Format, MultiSample, Lockable, ppSurface);
    }
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                        D3DMULTISAMPLE_TYPE MultiSample,
                                                        IDirect3DSurface8** ppSurface) override
    {
        return real_->CreateDepthStencilSurface(Width, Height, Format, MultiSample, ppSurface);
    }
    HRESULT STDMETHODCALLTYPE CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                 IDirect3DSurface8** ppSurface) override
    {
        return real_->CreateImageSurface(Width, Height, Format, ppSurface);
    }
    HRESULT STDMETHODCALLTYPE CopyRects(IDirect3DSurface8* src_surface, const RECT* src_rects, UINT rect_count,
                                        IDirect3DSurface8* dst_surface, const POINT* dst_points) override
    {
        return real_->CopyRects(src_surface, src_rects, rect_count, dst_surface, dst_points);
    }
    HRESULT STDMETHODCALLTYPE UpdateTexture(IDirect3DBaseTexture8* pSourceTexture,
                                            IDirect3DBaseTexture8* pDestinationTexture) override
    {
        return real_->UpdateTexture(pSourceTexture, pDestinationTexture);
    }
    HRESULT STDMETHODCALLTYPE GetFrontBuffer(IDirect3DSurface8* pDestSurface) override
    {
        return real_->GetFrontBuffer(pDestSurface);
    }
    HRESULT STDMETHODCALLTYPE SetRenderTarget(IDirect3DSurface8* pRenderTarget,
                                              IDirect3DSurface8* pNewZStencil) override
    {
        return real_->SetRenderTarget(pRenderTarget, pNewZStencil);
    }
    HRESULT STDMETHODCALLTYPE GetRenderTarget(IDirect3DSurface8** ppRenderTarget) override
    {
        return real_->GetRenderTarget(ppRenderTarget);
    }
    HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) override
    {
        return real_->GetDepthStencilSurface(ppZStencilSurface);
    }
    HRESULT STDMETHODCALLTYPE BeginScene() override { return real_->BeginScene(); }
    HRESULT STDMETHODCALLTYPE EndScene() override { return real_->EndScene(); }
    HRESULT STDMETHODCALLTYPE Clear(DWORD rect_count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                                    DWORD stencil) override
    {
        return real_->Clear(rect_count, rects, flags, color, z, stencil);
    }
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override
    {
        return real_->SetTransform(state, matrix);
    }
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override
    {
        return real_->GetTransform(State, pMatrix);
    }
    HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override
    {
        return real_->MultiplyTransform(state, matrix);
    }
    HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT8* viewport) override
    {
        return real_->SetViewport(viewport);
    }
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT8* pViewport) override { return real_->GetViewport(pViewport); }
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL8* material) override
    {
        return real_->SetMaterial(material);
    }
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL8* pMaterial) override { return real_->GetMaterial(pMaterial); }
    HRESULT STDMETHODCALLTYPE SetLight(DWORD index, const D3DLIGHT8* light) override
    {
        return real_->SetLight(index, light);
    }
    HRESULT STDMETHODCALLTYPE GetLight(DWORD Index, D3DLIGHT8* pLight) override
    {
        return real_->GetLight(Index, pLight);
    }
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD Index, WINBOOL Enable) override
    {
        return real_->LightEnable(Index, Enable);
    }
    HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD Index, WINBOOL* pEnable) override
    {
        return real_->GetLightEnable(Index, pEnable);
    }
    HRESULT STDMETHODCALLTYPE SetClipPlane(DWORD index, const float* plane) override
    {
        return real_->SetClipPlane(index, plane);
    }
    HRESULT STDMETHODCALLTYPE GetClipPlane(DWORD Index, float* pPlane) override
    {
        return real_->GetClipPlane(Index, pPlane);
    }
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override
    {
        return real_->GetRenderState(State, pValue);
    }
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override { return real_->BeginStateBlock(); }
    HRESULT STDMETHODCALLTYPE EndStateBlock(DWORD* pToken) override { return real_->EndStateBlock(pToken); }
    HRESULT STDMETHODCALLTYPE CaptureStateBlock(DWORD Token) override { return real_->CaptureStateBlock(Token); }
    HRESULT STDMETHODCALLTYPE DeleteStateBlock(DWORD Token) override { return real_->DeleteStateBlock(Token); }
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE Type, DWORD* pToken) override
    {
        return real_->CreateStateBlock(Type, pToken);
    }
    HRESULT STDMETHODCALLTYPE SetClipStatus(const D3DCLIPSTATUS8* clip_status) override
    {
        return real_->SetClipStatus(clip_status);
    }
    HRESULT STDMETHODCALLTYPE GetClipStatus(D3DCLIPSTATUS8* pClipStatus) override
    {
        return real_->GetClipStatus(pClipStatus);
    }
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override
    {
        return real_->GetTexture(Stage, ppTexture);
    }
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override
    {
        return real_->GetTextureStageState(Stage, Type, pValue);
    }
    HRESULT STDMETHODCALLTYPE GetInfo(DWORD DevInfoID, void* pDevInfoStruct, DWORD DevInfoStructSize) override
    {
        return real_->GetInfo(DevInfoID, pDevInfoStruct, DevInfoStructSize);
    }
    HRESULT STDMETHODCALLTYPE SetPaletteEntries(UINT palette_idx, const PALETTEENTRY* entries) override
    {
        return real_->SetPaletteEntries(palette_idx, entries);
    }
    HRESULT STDMETHODCALLTYPE GetPaletteEntries(UINT PaletteNumber, PALETTEENTRY* pEntries) override
    {
        return real_->GetPaletteEntries(PaletteNumber, pEntries);
    }
    HRESULT STDMETHODCALLTYPE SetCurrentTexturePalette(UINT PaletteNumber) override
    {
        return real_->SetCurrentTexturePalette(PaletteNumber);
    }
    HRESULT STDMETHODCALLTYPE GetCurrentTexturePalette(UINT* PaletteNumber) override
    {
        return real_->GetCurrentTexturePalette(PaletteNumber);
    }
    HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE primitive_type, UINT primitive_count, const void* data,
                                              UINT stride) override
    {
        return real_->DrawPrimitiveUP(primitive_type, primitive_count, data, stride);
    }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitive_type, UINT min_vertex_idx,
                                                     UINT vertex_count, UINT primitive_count, const void* index_data,
                                                     D3DFORMAT index_format, const void* data, UINT stride) override
    {
        return real_->DrawIndexedPrimitiveUP(primitive_type, min_vertex_idx, vertex_count, primitive_count, index_data,
                                             index_format, data, stride);
    }
    HRESULT STDMETHODCALLTYPE ProcessVertices(UINT SrcStartIndex, UINT DestIndex, UINT VertexCount,
                                              IDirect3DVertexBuffer8* pDestBuffer, DWORD Flags) override
    {
        return real_->ProcessVertices(SrcStartIndex, DestIndex, VertexCount, pDestBuffer, Flags);
    }
    HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD* declaration, const DWORD* byte_code, DWORD* shader,
                                                 DWORD usage) override
    {
        return real_->CreateVertexShader(declaration, byte_code, shader, usage);
    }
    HRESULT STDMETHODCALLTYPE GetVertexShader(DWORD* pHandle) override { return real_->GetVertexShader(pHandle); }
    HRESULT STDMETHODCALLTYPE DeleteVertexShader(DWORD Handle) override { return real_->DeleteVertexShader(Handle); }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstant(DWORD Register, void* pConstantData, DWORD ConstantCount) override
    {
        return real_->GetVertexShaderConstant(Register, pConstantData, ConstantCount);
    }
    HRESULT STDMETHODCALLTYPE GetVertexShaderDeclaration(DWORD Handle, void* pData, DWORD* pSizeOfData) override
    {
        return real_->GetVertexShaderDeclaration(Handle, pData, pSizeOfData);
    }
    HRESULT STDMETHODCALLTYPE GetVertexShaderFunction(DWORD Handle, void* pData, DWORD* pSizeOfData) override
    {
        return real_->GetVertexShaderFunction(Handle, pData, pSizeOfData);
    }
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                              UINT Stride) override
    {
        return real_->SetStreamSource(StreamNumber, pStreamData, Stride);
    }
    HRESULT STDMETHODCALLTYPE GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData,
                                              UINT* pStride) override
    {
        return real_->GetStreamSource(StreamNumber, ppStreamData, pStride);
    }
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override
    {
        return real_->SetIndices(pIndexData, BaseVertexIndex);
    }
    HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) override
    {
        return real_->GetIndices(ppIndexData, pBaseVertexIndex);
    }
    HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD* byte_code, DWORD* shader) override
    {
        return real_->CreatePixelShader(byte_code, shader);
    }
    HRESULT STDMETHODCALLTYPE GetPixelShader(DWORD* pHandle) override { return real_->GetPixelShader(pHandle); }
    HRESULT STDMETHODCALLTYPE DeletePixelShader(DWORD Handle) override { return real_->DeletePixelShader(Handle); }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstant(DWORD Register, void* pConstantData, DWORD ConstantCount) override
    {
        return real_->GetPixelShaderConstant(Register, pConstantData, ConstantCount);
    }
    HRESULT STDMETHODCALLTYPE GetPixelShaderFunction(DWORD Handle, void* pData, DWORD* pSizeOfData) override
    {
        return real_->GetPixelShaderFunction(Handle, pData, pSizeOfData);
    }
    HRESULT STDMETHODCALLTYPE DrawRectPatch(UINT handle, const float* segment_count,
                                            const D3DRECTPATCH_INFO* patch_info) override
    {
        return real_->DrawRectPatch(handle, segment_count, patch_info);
    }
    HRESULT STDMETHODCALLTYPE DrawTriPatch(UINT handle, const float* segment_count,
                                           const D3DTRIPATCH_INFO* patch_info) override
    {
        return real_->DrawTriPatch(handle, segment_count, patch_info);
    }
    HRESULT STDMETHODCALLTYPE DeletePatch(UINT Handle) override { return real_->DeletePatch(Handle); }

private:
    void Note(const char* format, ...);

    IDirect3DDevice8* real_;
};
