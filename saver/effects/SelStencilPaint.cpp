#include "effects/SelStencilPaint.h"

#include "PaintTextures.h"
#include "RainbowGradients.h"
#include "framework/AppAccess.h"
#include "framework/ReleaseAndClear.h"
#include "effects/ScreenQuad.h"
#include "settings/SettingsTables.h"

#include "ShaderDeclarations.h"
#include "productshaders.h"

#include "framework/OruApplication.h"
#include "scene/OruSceneContext.h"
#include "servers/SBServer.h"
#include "servers/StateTokens.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "trace/TraceD3DResult.h"

#include <algorithm>
#include <cstring>

const PaintLayer PaintLayers[PaintLayerCount] = {
    {1, 50.0f, 0.5f, 0},  // dense dots, added
    {0, 5.0f, 0.5f, 1},   // tartan, blended
    {2, 100.0f, 0.4f, 0}, // sparse dots, added
    {3, 7.0f, 0.4f, 1},   // stripes, blended
};

const int32_t PaintLayerOrder[PaintLayerOrderCount] = {0, 1, 2, 3, 0, 1, 2, 3};

namespace {

const DWORD StencilPaintStateTokens[] = {
    D3DRS_ZWRITEENABLE, TRUE,
    D3DRS_ALPHABLENDENABLE, TRUE,
    D3DRS_SRCBLEND, D3DBLEND_SRCALPHA,
    D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA,
    D3DRS_FOGENABLE, FALSE,
    D3DRS_FOGCOLOR, 0x001020C0,
    D3DRS_CULLMODE, D3DCULL_NONE,
    D3DRS_TEXTUREFACTOR, 0x80000000,
    StateTokenColourStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    StateTokenAlphaStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TFACTOR,
    StateTokenColourStage, 1, 1, D3DTOP_DISABLE,
    StateTokenAlphaStage, 1, 1, D3DTOP_DISABLE,
    StateTokenEnd,
};

const ShaderSet StencilPaintShaders = {{ScreenQuadDeclaration}, {vs11Vsh}, 1};

void SetScale(IDirect3DDevice8* device, float s)
{
    const float scale[4] = {s, s, 1.0f, 1.0f};
    device->SetVertexShaderConstant(34, scale, 1);
}

} // namespace

SelStencilPaint::SelStencilPaint()
    : vertexBuffer(nullptr), indexBuffer(nullptr), quadTop(1.0f), quadLeft(-1.0f), quadWidth(2.0f), stencilBits(0)
{
    SetName("SelStencilPaint");
    for (EmbeddedFileRef* file : PaintTextures)
        AddTexture(file->data, file->size);
    AddTexture(RainbowGradients[0]->data, RainbowGradients[0]->size);
    shaders = StencilPaintShaders;
    stateTokens = StencilPaintStateTokens;
    noCull = 1;
    late = 1;
}

DWORD SelStencilPaint::LayerFactor(float alpha)
{
    // The product exceeds the int range above alpha 0.502: unsigned 64-bit
    // keeps every alpha byte up to 0xFF.
    const double a = std::clamp(double(alpha), 0.0, 1.0);
    return DWORD(uint64_t(a * 4278190080.0)) & 0xFF000000u;
}

int32_t SelStencilPaint::ToneMode()
{
    return SettingValue(DialogParams, DialogParamDefs, DialogToneMode);
}

HRESULT SelStencilPaint::InitDeviceObjects()
{
    return PimVertexObject::InitDeviceObjects();
}

HRESULT SelStencilPaint::CreateQuad(IDirect3DDevice8* device)
{
    HRESULT hr = device->CreateVertexBuffer(4 * QuadStride, D3DUSAGE_WRITEONLY, QuadFvf, D3DPOOL_DEFAULT,
                                            &vertexBuffer);
    TRACE_D3D(hr);
    if (FAILED(hr))
        return hr;
    hr = device->CreateIndexBuffer(sizeof QuadIndexList, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                   &indexBuffer);
    TRACE_D3D(hr);
    if (FAILED(hr))
        return hr;

    const float bottom = quadTop - 1.33f * quadWidth;
    const float right = quadLeft + quadWidth;
    const QuadVertex quad[4] = {{quadLeft, quadTop, 0, 0, 0},
                                {quadLeft, bottom, 0, 0, 1},
                                {right, quadTop, 0, 1, 0},
                                {right, bottom, 0, 1, 1}};
    BYTE* data = nullptr;
    hr = vertexBuffer->Lock(0, 0, &data, 0);
    TRACE_D3D(hr);
    if (FAILED(hr) || !data)
        return FAILED(hr) ? hr : E_POINTER;
    std::memcpy(data, quad, sizeof quad);
    TRACE_D3D(vertexBuffer->Unlock());

    data = nullptr;
    hr = indexBuffer->Lock(0, 0, &data, 0);
    TRACE_D3D(hr);
    if (FAILED(hr) || !data)
        return FAILED(hr) ? hr : E_POINTER;
    std::memcpy(data, QuadIndexList, sizeof QuadIndexList);
    TRACE_D3D(indexBuffer->Unlock());
    return 0;
}

void SelStencilPaint::ReleaseQuad()
{
    ReleaseAndClear(vertexBuffer);
    ReleaseAndClear(indexBuffer);
}

HRESULT SelStencilPaint::RestoreDeviceObjects()
{
    OruApplication* app = App();
    stencilBits = app ? uint32_t(app->GetStencilBits()) : 0;
    if (stencilBits == 0)
        return 0;
    IDirect3DDevice8* device = app->device;
    if (!device) {
        stencilBits = 0;
        TRACE_D3D(D3DERR_INVALIDCALL);
        return D3DERR_INVALIDCALL;
    }
    // A restore without an invalidate between keeps no second pair.
    ReleaseQuad();
    const HRESULT hr = CreateQuad(device);
    if (FAILED(hr)) {
        // Nothing half made is kept, and nothing is drawn with it.
        ReleaseQuad();
        stencilBits = 0;
        return hr;
    }
    return PimVertexObject::RestoreDeviceObjects();
}

HRESULT SelStencilPaint::InvalidateDeviceObjects()
{
    ReleaseQuad();
    return PimVertexObject::InvalidateDeviceObjects();
}

void SelStencilPaint::Update(float time, float prevTime)
{
    if (stencilBits != 0)
        PimVertexObject::Update(time, prevTime);
}

void SelStencilPaint::DrawQuad(IDirect3DDevice8* device)
{
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2);
}

HRESULT SelStencilPaint::Render()
{
    const int32_t tone = ToneMode();
    if (stencilBits == 0 || tone == 0)
        return 0;
    OruApplication* app = App();
    IDirect3DDevice8* device = Device();
    if (!device || !vertexBuffer || !indexBuffer)
        return 0;

    OruSceneContext* scene = OruSceneContext::Current();
    if (SBServer* blocks = scene ? scene->StateBlocks() : nullptr)
        blocks->SetSB(stateBlock);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    device->SetRenderState(D3DRS_STENCILREF, 1);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device->SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
    device->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFFFFFFFF);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);

    if (VSServer* server = Shaders())
        server->SetShaders(shaderHandles[0], 0, 0);
    if (VBServer* server = Buffers()) {
        server->SetStream(0, vertexBuffer, QuadStride, 1);
        server->SetIndexBuffer(indexBuffer, 0, 1);
    }

    if (tone == 2) {
        // One pass per stencil value the bit count reaches (the order table
        // has eight).
        const uint32_t passes = std::min<uint32_t>(stencilBits, PaintLayerOrderCount);
        for (uint32_t i = 1; i <= passes; ++i) {
            const PaintLayer& layer = PaintLayers[PaintLayerOrder[i - 1]];
            device->SetRenderState(D3DRS_STENCILREF, i);
            device->SetTexture(0, textures[layer.texture]);
            SetScale(device, layer.scale);
            device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            device->SetRenderState(D3DRS_DESTBLEND, layer.blend == 0 ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
            device->SetRenderState(D3DRS_TEXTUREFACTOR, LayerFactor(layer.alpha));
            DrawQuad(device);
        }
    }

    const bool mirror = (app->caps.TextureAddressCaps & D3DPTADDRESSCAPS_MIRROR) != 0;
    if (mirror) {
        device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR);
        device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR);
    }
    device->SetRenderState(D3DRS_STENCILREF, 0);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, PaintTintFactor);
    SetScale(device, mirror ? 2.0f : 1.0f);
    device->SetTexture(0, textures[PaintTintTexture]);
    DrawQuad(device);

    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    return 0;
}
