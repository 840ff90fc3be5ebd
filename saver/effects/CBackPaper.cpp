#include "effects/CBackPaper.h"

#include "RainbowGradients.h"
#include "framework/AppAccess.h"
#include "framework/ReleaseAndClear.h"
#include "app/SelRandom.h"

#include "framework/OruApplication.h"
#include "scene/FrameStep.h"
#include "mesh/Pi.h"
#include "scene/OruSceneContext.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "trace/TraceD3DResult.h"

#include "ShaderDeclarations.h"
#include "productshaders.h"

#include <cmath>
#include <cstring>

// The picture is layer 1 x f + layer 0 x (1 - f), f the texture factor's
// alpha. The alpha of both stages is the first texture's (opaque for the
// gradients), so the alpha test the scene keeps on always passes the
// backdrop.
const DWORD BackPaperStateTokens[] = {
    D3DRS_ZWRITEENABLE, FALSE,
    D3DRS_ALPHABLENDENABLE, FALSE,
    D3DRS_SRCBLEND, D3DBLEND_SRCALPHA,
    D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA,
    D3DRS_FOGENABLE, TRUE,
    D3DRS_FOGCOLOR, 0x001020C0,
    D3DRS_CULLMODE, D3DCULL_CCW,
    StateTokenColourStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    StateTokenAlphaStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    D3DRS_TEXTUREFACTOR, 0x80808080,
    StateTokenColourStage, 3, 1, D3DTOP_BLENDFACTORALPHA, D3DTA_TEXTURE, D3DTA_CURRENT,
    StateTokenAlphaStage, 2, 1, D3DTOP_SELECTARG1, D3DTA_CURRENT,
    StateTokenEnd,
};

// vs15 draws; ps8 is made with it and not bound.
const ShaderSet BackPaperShaders = {{BackgroundDeclaration, nullptr}, {vs15Vsh, ps8Psh}, 2};

namespace {

float RandomAngle()
{
    return 2.0f * Pi * SelRandUnit() - Pi;
}

// Moves value the fraction k of the way to target; a new target once it is
// within threshold.
template <typename Draw>
void Ease(float& value, float& target, float k, float threshold, Draw draw)
{
    value = (1.0f - k) * value + k * target;
    if (std::fabs(value - target) < threshold)
        target = draw();
}

void SetAddressing(IDirect3DDevice8* device, DWORD mode)
{
    for (DWORD stage = 0; stage < 2; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_ADDRESSU, mode);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSV, mode);
    }
}

} // namespace

CBackPaper::CBackPaper()
    : cpuVertices(), vertexBuffer(nullptr), targetAngles(), angles(), targetOffsets(), offsets(), blend(0.0f),
      targetBlend(0.0f)
{
    SetName("CBackPaper");
    AddTexture(RainbowGradients[0]->data, RainbowGradients[0]->size);
    AddTexture(RainbowGradients[1]->data, RainbowGradients[1]->size);
    shaders = BackPaperShaders;
    stateTokens = BackPaperStateTokens;
    noCull = 1;
    targetAngles[0] = RandomAngle();
    targetAngles[1] = RandomAngle();
}

bool CBackPaper::MirrorAddressing()
{
    OruApplication* app = App();
    return app && (app->caps.TextureAddressCaps & D3DPTADDRESSCAPS_MIRROR) != 0;
}

DWORD CBackPaper::BlendFactor(float blend)
{
    const float scaled = blend * 255.0f;
    // A weight outside 0..1 (or not a number) is held to the nearer end.
    const DWORD g = scaled >= 255.0f ? 255u : scaled > 0.0f ? DWORD(scaled) : 0u;
    return g * 0x01010101u;
}

HRESULT CBackPaper::InitDeviceObjects()
{
    return PimVertexObject::InitDeviceObjects();
}

HRESULT CBackPaper::RestoreDeviceObjects()
{
    OruApplication* app = App();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    ReleaseAndClear(vertexBuffer);
    const HRESULT r = device ? device->CreateVertexBuffer(BackPaperBufferBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                                          0, D3DPOOL_DEFAULT, &vertexBuffer)
                             : D3DERR_INVALIDCALL;
    TRACE_D3D(r);
    if (r != 0) {
        vertexBuffer = nullptr;
        return r;
    }
    // With mirrored addressing the quad just covers the screen; without it
    // twice the screen each way, so the middle half of each window shows.
    const float s = MirrorAddressing() ? 1.0f : 2.0f;
    static const float corners[BackPaperVertexCount][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
    for (int j = 0; j < BackPaperVertexCount; ++j) {
        const float u = corners[j][0] > 0 ? 1.0f : 0.0f, v = corners[j][1] > 0 ? 1.0f : 0.0f;
        cpuVertices[j] = {corners[j][0] * s, corners[j][1] * s, 1.0f, u, v, u, v};
    }
    return PimVertexObject::RestoreDeviceObjects();
}

HRESULT CBackPaper::InvalidateDeviceObjects()
{
    ReleaseAndClear(vertexBuffer);
    PimVertexObject::InvalidateDeviceObjects();
    return 0;
}

void CBackPaper::Update(float time, float prevTime)
{
    float k = FrameStep(time, prevTime);
    if (k > 1.0f)
        k = 1.0f;

    Ease(blend, targetBlend, k, 0.001f, [] { return SelRandUnit(); });
    for (int i = 0; i < 2; ++i)
        Ease(angles[i], targetAngles[i], k, 0.1f, RandomAngle);
    if (MirrorAddressing()) {
        for (int i = 0; i < 2; ++i)
            Ease(offsets[i], targetOffsets[i], k, 0.001f, [] { return 2.0f * SelRandUnit() - 1.0f; });
    } else {
        offsets[0] = offsets[1] = 0.0f;
    }

    // Each layer shows a 0.3-wide window of its texture, turned about the
    // window's centre; layer 0 drifts across, layer 1 up and down.
    static const float corners[BackPaperVertexCount][2] = {{-0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}};
    for (int layer = 0; layer < 2; ++layer) {
        const float c = std::cos(angles[layer]), s = std::sin(angles[layer]);
        const float ox = layer == 0 ? offsets[0] : 0.0f, oy = layer == 0 ? 0.0f : offsets[1];
        for (int j = 0; j < BackPaperVertexCount; ++j) {
            const float dx = corners[j][0], dy = corners[j][1];
            const float u = 0.3f * (0.5f + dx * c + dy * s + ox);
            const float v = 0.3f * (0.5f - dx * s + dy * c + oy);
            if (layer == 0) {
                cpuVertices[j].u0 = u;
                cpuVertices[j].v0 = v;
            } else {
                cpuVertices[j].u1 = u;
                cpuVertices[j].v1 = v;
            }
        }
    }
}

HRESULT CBackPaper::Render()
{
    OruApplication* app = App();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    if (!device)
        return 0;
    OruSceneContext* scene = OruSceneContext::Current();
    if (SBServer* states = scene ? scene->StateBlocks() : nullptr)
        states->SetSB(stateBlock);
    if (MirrorAddressing())
        SetAddressing(device, D3DTADDRESS_MIRROR);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, BlendFactor(blend));
    TRACE_D3D(device->SetTexture(0, textureCount > 0 ? textures[0] : nullptr));
    TRACE_D3D(device->SetTexture(1, textureCount > 1 ? textures[1] : nullptr));

    BYTE* data = nullptr;
    const HRESULT locked = vertexBuffer ? vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD) : D3DERR_INVALIDCALL;
    TRACE_D3D(locked);
    if (locked == 0 && data) {
        std::memcpy(data, cpuVertices, BackPaperBufferBytes);
        vertexBuffer->Unlock();
        if (VBServer* buffers = Buffers())
            buffers->SetStream(0, vertexBuffer, sizeof(BackPaperVertex), 1);
        if (VSServer* shaderServer = Shaders())
            shaderServer->SetShaders(shaderHandles[0], 0, 0);
        DWORD passes = 0;
        const HRESULT valid = device->ValidateDevice(&passes);
        TRACE_D3D(valid);
        if (valid == 0)
            TRACE_D3D(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
    }
    SetAddressing(device, D3DTADDRESS_WRAP);
    return 0;
}
