#include "effects/CFlare.h"

#include "FlareTextures.h"
#include "framework/AppAccess.h"
#include "framework/ReleaseAndClear.h"
#include "effects/ScreenQuad.h"

#include "ShaderDeclarations.h"
#include "productshaders.h"

#include "framework/OruApplication.h"
#include "scene/OruCamera.h"
#include "scene/OruSceneContext.h"
#include "scene/OruWorld.h"
#include "servers/SBServer.h"
#include "servers/StateTokens.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "trace/TraceD3DResult.h"

#include <algorithm>
#include <cmath>
#include <cstring>

const FlareElement FlareElements[FlareElementCount] = {
    {0, 1.4f, 1.0f, 0.2f},    {3, 1.6f, 1.0f, 0.05f},   {1, 0.3f, 1.0f, 0.01f},   {10, 1.4f, 1.0f, 0.1f},
    {9, 3.0f, 0.97f, 0.4f},   {7, 0.3f, 0.6f, 0.2f},    {8, 0.2f, 0.4f, 0.2f},    {1, 0.15f, 0.2f, 0.4f},
    {6, 0.15f, 0.1f, 0.4f},   {6, 0.05f, 0.07f, 0.7f},  {2, 0.3f, -0.13f, 0.2f},  {6, 0.15f, 0.14f, 0.4f},
    {7, 0.35f, -0.15f, 0.2f}, {6, 0.4f, -0.2f, 0.3f},   {6, 0.1f, 0.22f, 0.4f},   {7, 0.35f, -0.6f, 0.2f},
    {6, 0.4f, -0.7f, 0.3f},   {5, 1.1f, -1.0f, 0.4f},
};

namespace {

const DWORD FlareStateTokens[] = {
    D3DRS_ZWRITEENABLE, FALSE,
    D3DRS_ALPHABLENDENABLE, TRUE,
    D3DRS_SRCBLEND, D3DBLEND_SRCALPHA,
    D3DRS_DESTBLEND, D3DBLEND_ONE,
    D3DRS_FOGENABLE, FALSE,
    D3DRS_FOGCOLOR, 0x001020C0,
    D3DRS_CULLMODE, D3DCULL_NONE,
    D3DRS_TEXTUREFACTOR, 0x40000000,
    StateTokenColourStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    StateTokenAlphaStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TFACTOR,
    StateTokenColourStage, 1, 1, D3DTOP_DISABLE,
    StateTokenAlphaStage, 1, 1, D3DTOP_DISABLE,
    StateTokenEnd,
};

const ShaderSet FlareShaders = {{ScreenQuadDeclaration}, {vs11Vsh}, 1};

const DWORD DynamicWriteOnly = D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY;
// Elements at or beyond this axis position sit on the sun.
const float OnSunAxis = 0.98f;
// The sun point's distance from the eye.
const float SunDistance = 20.0f;

} // namespace

CFlare::CFlare() : quadBuffer(nullptr), quadIndices(nullptr), sunScreen(0, 0, 0)
{
    SetName("CFlare");
    for (EmbeddedFileRef* file : FlareTextures)
        AddTexture(file->data, file->size);
    shaders = FlareShaders;
    stateTokens = FlareStateTokens;
    position = Vector3(0, 0, 0);
    transparent = 1;
    noCull = 0;
    // Nothing moves it: the transparent sort reads a defined key.
    sortDistance = 0;
}

float CFlare::Strength(const FlareElement& element, float visibility, float alignment)
{
    const float a = element.axis >= OnSunAxis ? element.alpha : visibility * alignment * element.alpha;
    // A look away from the sun (negative alignment) or a value that is not
    // a number gives no light.
    if (!(a > 0.0f))
        return 0.0f;
    return a < 1.0f ? a : 1.0f;
}

DWORD CFlare::Factor(float strength)
{
    const float a = std::clamp(strength, 0.0f, 1.0f);
    // Unsigned: 255 << 24 does not fit a signed int.
    return DWORD(uint32_t(a * 255.0f)) << 24;
}

FlareQuad CFlare::Quad(const FlareElement& element, float sunX, float sunY)
{
    const float cx = element.axis * sunX;
    const float cy = element.axis * sunY;
    const float s = element.size;
    FlareQuad q;
    q.x0 = cx - 0.5f * s;
    q.x1 = q.x0 + s;
    q.y0 = cy + 0.665f * s;
    q.y1 = q.y0 - 1.33f * s;
    return q;
}

void CFlare::ReleaseQuad()
{
    ReleaseAndClear(quadBuffer);
    ReleaseAndClear(quadIndices);
}

HRESULT CFlare::RestoreDeviceObjects()
{
    OruApplication* app = App();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    if (!device) {
        TRACE_D3D(D3DERR_INVALIDCALL);
        return D3DERR_INVALIDCALL;
    }
    ReleaseQuad();
    HRESULT hr = device->CreateVertexBuffer(4 * QuadStride, DynamicWriteOnly, QuadFvf, D3DPOOL_DEFAULT, &quadBuffer);
    TRACE_D3D(hr);
    if (FAILED(hr)) {
        quadBuffer = nullptr;
        return hr;
    }
    hr = device->CreateIndexBuffer(sizeof QuadIndexList, DynamicWriteOnly, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                   &quadIndices);
    TRACE_D3D(hr);
    if (FAILED(hr)) {
        quadIndices = nullptr;
        ReleaseQuad();
        return hr;
    }

    // Every draw rewrites the whole quad, so a failed first fill of the
    // vertices loses nothing; indices that could not be written would be
    // drawn as garbage, so that buffer is dropped and the flare stays dark.
    const QuadVertex quad[4] = {
        {0, 0, 0, 0, 0}, {0, -0.133f, 0, 0, 1}, {0.1f, 0, 0, 1, 0}, {0.1f, -0.133f, 0, 1, 1}};
    BYTE* data = nullptr;
    hr = quadBuffer->Lock(0, 0, &data, 0);
    TRACE_D3D(hr);
    if (SUCCEEDED(hr) && data) {
        std::memcpy(data, quad, sizeof quad);
        TRACE_D3D(quadBuffer->Unlock());
    }
    data = nullptr;
    hr = quadIndices->Lock(0, 0, &data, 0);
    TRACE_D3D(hr);
    if (SUCCEEDED(hr) && data) {
        std::memcpy(data, QuadIndexList, sizeof QuadIndexList);
        TRACE_D3D(quadIndices->Unlock());
    } else {
        ReleaseAndClear(quadIndices);
    }
    return PimVertexObject::RestoreDeviceObjects();
}

HRESULT CFlare::InvalidateDeviceObjects()
{
    PimVertexObject::InvalidateDeviceObjects();
    ReleaseQuad();
    return 0;
}

void CFlare::Update(float time, float prevTime)
{
    OruWorld* world = World();
    OruCamera* camera = world ? world->camera : nullptr;
    if (!camera) {
        PimVertexObject::Update(time, prevTime);
        return;
    }
    const Vector3 eye = *camera->GetPosition();
    const Vector3 sun = world->sunDirection;
    position = Vector3(eye.x - SunDistance * sun.x, eye.y - SunDistance * sun.y, eye.z - SunDistance * sun.z);
    speed = 0;
    PimVertexObject::Update(time, prevTime);
    if (culled)
        return;

    // The origin through world x view x projection is that matrix's last
    // row: the fourth column of the transposed copy.
    const D3DXMATRIX& m = worldViewProjT;
    const float w = m._44;
    if (w != 0.0f && std::isfinite(w)) {
        sunScreen.x = m._14 / w;
        sunScreen.y = m._24 / w;
        sunScreen.z = m._34 / w;
    }
    Vector3 d;
    camera->GetDirection(&d);
    sunScreen.z = -(d.x * sun.x + d.y * sun.y + d.z * sun.z);
}

HRESULT CFlare::Render()
{
    OruApplication* app = App();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    OruWorld* world = app ? app->world : nullptr;
    if (!device || !world || !quadBuffer || !quadIndices)
        return 0;

    OruSceneContext* scene = OruSceneContext::Current();
    if (SBServer* blocks = scene ? scene->StateBlocks() : nullptr)
        blocks->SetSB(stateBlock);
    VSServer* shadersServer = Shaders();
    VBServer* buffers = Buffers();
    if (shadersServer)
        shadersServer->SetShaders(shaderHandles[0], 0, 0);
    if (buffers)
        buffers->SetIndexBuffer(quadIndices, 0, 1);

    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    const float unit[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    device->SetVertexShaderConstant(34, unit, 1);

    for (const FlareElement& element : FlareElements) {
        device->SetTexture(0, textures[element.texture]);
        const float a = Strength(element, world->sunVisibility, sunScreen.z);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, Factor(a));

        const FlareQuad q = Quad(element, sunScreen.x, sunScreen.y);
        BYTE* data = nullptr;
        const HRESULT hr = quadBuffer->Lock(0, 0, &data, 0);
        TRACE_D3D(hr);
        if (FAILED(hr) || !data)
            continue; // nothing to write through: this element is skipped
        const QuadVertex quad[4] = {
            {q.x0, q.y0, 0, 0, 0}, {q.x0, q.y1, 0, 0, 1}, {q.x1, q.y0, 0, 1, 0}, {q.x1, q.y1, 0, 1, 1}};
        std::memcpy(data, quad, sizeof quad);
        TRACE_D3D(quadBuffer->Unlock());

        if (buffers)
            buffers->SetStream(0, quadBuffer, QuadStride, 1);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2);
    }

    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    if (app->GetStencilBits() != 0)
        device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    return 0;
}
