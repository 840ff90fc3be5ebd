#include "fish/PimRenderTexture.h"

#include "fish/CFish.h"
#include "framework/AppAccess.h"
#include "framework/ReleaseAndClear.h"

#include "ShaderDeclarations.h"
#include "framework/OruApplication.h"
#include "productshaders.h"
#include "scene/OruCamera.h"
#include "scene/OruWorld.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

#include "vsConstants.h"

#include <cmath>
#include <cstring>

const ShaderSet BillboardShaderSet = {
    {BillboardDeclaration, nullptr},
    {vs8rpVsh, ps8rpPsh},
    2,
};

const DWORD BillboardStateTokens[] = {
    D3DRS_ZWRITEENABLE, TRUE, D3DRS_ALPHABLENDENABLE, FALSE, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA,
    D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA, D3DRS_FOGENABLE, FALSE, D3DRS_FOGCOLOR, 0x001020C0,
    D3DRS_CULLMODE, D3DCULL_NONE,
    StateTokenPixelShaderStop,
    StateTokenColourStage, 3, 0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
    StateTokenAlphaStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    StateTokenColourStage, 1, 1, D3DTOP_DISABLE,
    StateTokenAlphaStage, 1, 1, D3DTOP_DISABLE,
    StateTokenEnd,
};

IDirect3DVertexBuffer8* PimRenderTexture::BillboardBuffer = nullptr;
IDirect3DSurface8* PimRenderTexture::MasterDepth = nullptr;
UINT PimRenderTexture::MasterDepthEdge = 0;

static_assert(BillboardCapacity * 6 <= BillboardArrayVertices &&
                  (BillboardCapacity + 1) * 6 > BillboardArrayVertices,
              "the array holds exactly BillboardCapacity billboards");
static_assert(BillboardArrayVertices * int(sizeof(BillboardVertex)) <= BillboardBufferBytes,
              "the shared buffer holds the whole array");

namespace {

const DWORD MasterClearColour = 0x001020C0;
// Corners of a billboard's six strip vertices; the first and last repeat
// their neighbours so that consecutive billboards join by empty triangles.
const float Corners[6][2] = {{0, 0}, {0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 1}};

bool FirstRowIsNumber(const D3DXMATRIX& m)
{
    return !(std::isnan(m._11) || std::isnan(m._12) || std::isnan(m._13) || std::isnan(m._14));
}

float Distance(const Vector3& a, const Vector3& b)
{
    const D3DXVECTOR3 d(a.x - b.x, a.y - b.y, a.z - b.z);
    return D3DXVec3Length(&d);
}

void ResetBillboards(BillboardVertex* vertices)
{
    for (int i = 0; i < BillboardArrayVertices; ++i)
        vertices[i] = BillboardVertex{{0, 0, 0}, {0, 0, 0}, 0, 0, 1.0f};
}

} // namespace

PimRenderTexture::PimRenderTexture()
    : texture(nullptr), surface(nullptr), textureSize(256), savedTarget(nullptr), savedDepth(nullptr), members(),
      master(nullptr), memberCount(0), billboards(), billboardsReady(0), billboardCount(0), billboardScale(1.4f)
{
    SetName("PimRenderTexture");
    shaders = BillboardShaderSet;
    stateTokens = BillboardStateTokens;
    noCull = 1;
    ResetBillboards(billboards);
}

void PimRenderTexture::SetMaster(CFish* fish)
{
    master = fish;
}

void PimRenderTexture::AM(CFish* fish)
{
    if (!fish)
        return;
    if (memberCount >= RenderTextureMemberCapacity) {
        DebugPrint("ZING RT::AM\n");
        return;
    }
    members[memberCount++] = fish;
}

void PimRenderTexture::ReleaseTargets()
{
    billboardsReady = 0;
    billboardCount = 0;
    ReleaseAndClear(surface);
    ReleaseAndClear(texture);
    ReleaseAndClear(savedTarget);
    ReleaseAndClear(savedDepth);
}

void PimRenderTexture::ReleaseMasterDepth()
{
    ReleaseAndClear(MasterDepth);
    MasterDepthEdge = 0;
}

void PimRenderTexture::EnsureMasterDepth(IDirect3DDevice8* device, UINT edge)
{
    if (MasterDepth && MasterDepthEdge >= edge)
        return;
    ReleaseMasterDepth();
    D3DSURFACE_DESC desc = {};
    if (!savedDepth || FAILED(savedDepth->GetDesc(&desc)))
        return;
    const HRESULT hr = device->CreateDepthStencilSurface(edge, edge, desc.Format, D3DMULTISAMPLE_NONE, &MasterDepth);
    if (TRACE_D3D(hr) || !MasterDepth) {
        MasterDepth = nullptr;
        return;
    }
    MasterDepthEdge = edge;
}

HRESULT PimRenderTexture::RestoreDeviceObjects()
{
    // Whatever an earlier restore left is let go first.
    ReleaseTargets();

    OruApplication* app = App();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    if (!device) {
        TRACE_D3D(D3DERR_INVALIDCALL);
        return D3DERR_INVALIDCALL;
    }
    if (master)
        textureSize = uint32_t(master->cloneTextureSize);
    UINT edge = textureSize / 2;
    if (edge == 0)
        edge = 1;

    HRESULT hr = device->CreateTexture(edge, edge, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                       &texture);
    if (TRACE_D3D(hr)) {
        texture = nullptr;
        return hr;
    }
    hr = texture->GetSurfaceLevel(0, &surface);
    if (TRACE_D3D(hr)) {
        surface = nullptr;
        return hr;
    }
    hr = device->GetRenderTarget(&savedTarget);
    if (TRACE_D3D(hr)) {
        savedTarget = nullptr;
        return hr;
    }
    hr = device->GetDepthStencilSurface(&savedDepth);
    if (TRACE_D3D(hr)) {
        savedDepth = nullptr;
        return hr;
    }
    // A picture cleared and drawn in a corner of the back buffer's depth
    // surface costs the software rasteriser several times what the picture
    // costs with a depth surface of its own size; the scene clears its own
    // depth every frame, so what the masters leave there never showed.
    EnsureMasterDepth(device, edge);
    if (!BillboardBuffer) {
        hr = device->CreateVertexBuffer(BillboardBufferBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                                        D3DPOOL_DEFAULT, &BillboardBuffer);
        if (TRACE_D3D(hr)) {
            BillboardBuffer = nullptr;
            return hr;
        }
    }
    ResetBillboards(billboards);

    hr = PimVertexObject::RestoreDeviceObjects();
    if (hr != 0)
        return hr;
    billboardsReady = 1;
    return 0;
}

HRESULT PimRenderTexture::InvalidateDeviceObjects()
{
    ReleaseTargets();
    ReleaseAndClear(BillboardBuffer);
    ReleaseMasterDepth();
    PimVertexObject::InvalidateDeviceObjects();
    return 0;
}

HRESULT PimRenderTexture::FinalCleanup()
{
    // Normally an invalidate has let everything go already.
    billboardsReady = 0;
    ReleaseAndClear(surface);
    ReleaseAndClear(texture);
    ReleaseAndClear(savedTarget);
    ReleaseAndClear(savedDepth);
    PimVertexObject::FinalCleanup();
    return 0;
}

void PimRenderTexture::RenderMaster(CFish* fish)
{
    OruApplication* app = App();
    OruWorld* world = World();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    if (!fish || !device || !world || !world->camera || !billboardsReady || !surface)
        return;
    // Billboards drawn with whatever states were left would not show the
    // picture as it is: without their state block the members draw themselves.
    if (stateBlock == NoStateBlock)
        return;
    OruCamera* camera = world->camera;

    billboardScale = fish->cloneScale;
    const Vector3 eye = *camera->GetPosition();
    const Vector3 target = fish->position;
    const float d = Distance(target, eye);
    if (!(d >= MasterPassNearDistance) || !std::isfinite(d))
        return;
    Vector3 direction(0, 0, 0);
    camera->GetDirection(&direction);
    if (!(D3DXVec3Length(&direction) > 0.0f))
        return; // no view direction to look along

    // Without the texture as target nothing of the picture can be trusted.
    HRESULT hr = device->SetRenderTarget(surface, MasterDepth ? MasterDepth : savedDepth);
    if (TRACE_D3D(hr)) {
        TRACE_D3D(device->SetRenderTarget(savedTarget, savedDepth));
        return;
    }
    hr = device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, MasterClearColour, 1.0f, 0);
    if (TRACE_D3D(hr)) {
        TRACE_D3D(device->SetRenderTarget(savedTarget, savedDepth));
        return;
    }

    // Seen from the camera's distance straight along the camera's direction.
    const D3DXVECTOR3 eyeAt = target - direction * d;
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMATRIX view, projection;
    D3DXMatrixLookAtLH(&view, &eyeAt, &target, &up);
    D3DXMatrixPerspectiveFovLH(&projection, billboardScale / d, 1.0f, 0.1f, 100.0f);
    fish->UpdateShaderMatrices(&view, &projection);

    // Only a picture that was drawn may stand in for the members: a refused
    // scene, texture or validation, a matrix that is not a number or a
    // missing state block leave only the clear colour, and the members then
    // draw themselves.
    bool drawn = false;
    hr = device->BeginScene();
    if (!TRACE_D3D(hr)) {
        drawn = fish->Draw();
        TRACE_D3D(device->EndScene());
    }
    TRACE_D3D(device->SetRenderTarget(savedTarget, savedDepth));
    if (drawn)
        fish->masterRendered = 1;
}

void PimRenderTexture::Update(float, float)
{
    if (memberCount == 0)
        return;
    billboardCount = 0;
    OruWorld* world = World();
    const Vector3* eye = world && world->camera ? world->camera->GetPosition() : nullptr;

    for (int i = 0; i < memberCount; ++i) {
        CFish* m = members[i];
        m->transparent = 0;
        m->drawSelf = 0;
        if (m->culled)
            continue;
        if (!m->cloneMaster || !m->cloneMaster->masterRendered || !eye) {
            m->drawSelf = 1;
            continue;
        }
        const float d = Distance(m->position, *eye);
        m->sortDistance = d;
        if (d < BillboardNearDistance) {
            m->drawSelf = 1;
            m->transparent = 1;
            continue;
        }
        // Past the buffer's room (or without it) a member draws itself.
        if (!billboardsReady || billboardCount >= BillboardCapacity) {
            m->drawSelf = 1;
            continue;
        }
        BillboardVertex* v = billboards + 6 * billboardCount;
        const float size = m->scale * billboardScale;
        for (int k = 0; k < 6; ++k) {
            v[k] = BillboardVertex{{m->position.x, m->position.y, m->position.z},
                                   {m->colour[0], m->colour[1], m->colour[2]},
                                   Corners[k][0],
                                   Corners[k][1],
                                   size};
        }
        ++billboardCount;
    }
}

HRESULT PimRenderTexture::Render()
{
    if (memberCount == 0 || billboardCount == 0 || !billboardsReady || !BillboardBuffer)
        return 0;
    OruApplication* app = App();
    OruWorld* world = World();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    if (!device || !world || !world->camera)
        return 0;

    if (world->sbServer)
        world->sbServer->SetSB(stateBlock);

    D3DXMATRIX m;
    D3DXMatrixTranspose(&m, &world->camera->view);
    if (!FirstRowIsNumber(m))
        return 0;
    TRACE_D3D(device->SetVertexShaderConstant(CV_WORLD_VIEW_0, &m, 4));
    D3DXMatrixTranspose(&m, &app->projection);
    if (!FirstRowIsNumber(m))
        return 0;
    TRACE_D3D(device->SetVertexShaderConstant(CV_PROJECTION_0, &m, 4));
    const float scaleRegister[4] = {billboardScale, 1.0f, 1.0f, 1.0f};
    if (std::isnan(billboardScale))
        return 0;
    TRACE_D3D(device->SetVertexShaderConstant(CV_SCALE, scaleRegister, 1));

    if (TRACE_D3D(device->SetTexture(0, texture)))
        return 0;

    BYTE* data = nullptr;
    const HRESULT hr = BillboardBuffer->Lock(0, BillboardBufferBytes, &data, D3DLOCK_DISCARD);
    if (TRACE_D3D(hr) || !data) {
        if (SUCCEEDED(hr))
            BillboardBuffer->Unlock();
        return 0;
    }
    std::memcpy(data, billboards, size_t(billboardCount) * 6 * sizeof(BillboardVertex));
    BillboardBuffer->Unlock();

    if (world->vbServer)
        world->vbServer->SetStream(0, BillboardBuffer, sizeof(BillboardVertex), 1);
    if (world->vsServer)
        world->vsServer->SetShaders(shaderHandles[0], shaderHandles[1], 0);

    DWORD passes = 0;
    TRACE_D3D(device->ValidateDevice(&passes));
    TRACE_D3D(device->SetRenderState(D3DRS_STENCILREF, DWORD(members[0]->stencilId)));
    TRACE_D3D(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, UINT(6 * billboardCount - 2)));
    TRACE_D3D(device->SetRenderState(D3DRS_STENCILREF, 0));
    return 0;
}
