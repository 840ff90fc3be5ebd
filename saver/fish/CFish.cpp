#include "fish/CFish.h"

#include "fish/CPartialMorph.h"
#include "fish/PimRenderTexture.h"
#include "framework/AppAccess.h"
#include "app/SelRandom.h"

#include "ShaderDeclarations.h"
#include "framework/OruApplication.h"
#include "mesh/OruMorphAnimator.h"
#include "productshaders.h"
#include "scene/OruCamera.h"
#include "scene/OruSteering.h"
#include "scene/OruWorld.h"
#include "settings/SceneSettings.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "trace/TraceD3DResult.h"

#include "vsConstants.h"

#include <cmath>
#include <new>

const ShaderSet FishShaderSet = {
    {FishMorphDeclaration, nullptr, FishLowDeclaration, FishDeclaration},
    {vs14rpVsh, ps2rpPsh, it1rpVsh, vs2rpVsh},
    4,
};

#define FISH_STATES(alphaBlend)                                                                                   \
    D3DRS_ZWRITEENABLE, TRUE, D3DRS_ALPHABLENDENABLE, alphaBlend, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA,               \
        D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA, D3DRS_FOGENABLE, FALSE, D3DRS_FOGCOLOR, 0x001020C0, D3DRS_CULLMODE,  \
        D3DCULL_CCW, StateTokenPixelShaderStop, StateTokenColourStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE,      \
        StateTokenAlphaStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, StateTokenColourStage, 1, 1, D3DTOP_DISABLE, \
        StateTokenAlphaStage, 1, 1, D3DTOP_DISABLE, StateTokenEnd

const DWORD FishStateTokens[] = {FISH_STATES(TRUE)};
const DWORD FishMasterStateTokens[] = {FISH_STATES(FALSE)};

#undef FISH_STATES

namespace {

const UINT RestPoseStride = 32; // FishVertex
const UINT MorphStride = 24;    // MorphVertex

bool FirstRowIsNumber(const D3DXMATRIX& m)
{
    return !(std::isnan(m._11) || std::isnan(m._12) || std::isnan(m._13) || std::isnan(m._14));
}

} // namespace

CFish::CFish()
    : masterPass(0), masterStateBlock(NoStateBlock), animator(nullptr), partialMorph(nullptr), swimPhase(0),
      swimAmplitude(0), ownRate(1), maxAmplitude(1.0f), cloneRole(CloneRoleNone), renderTexture(nullptr), complete(true)
{
    SetName("CFish");
    shaders = FishShaderSet;
    stateTokens = FishStateTokens;
    useStrips = 0;
    noCull = 0;
    scale = 1.0f + 2.0f * SelRandUnit();
    ownRate = 1.0f + SelRandUnit();
}

uint32_t CFish::FoldStencilId(uint32_t id, int bits)
{
    if (bits <= 0 || bits > 32)
        return 1;
    const uint32_t span = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
    return (id - 1u) % span + 1u;
}

float CFish::SunRayFactor(const Vector3& eye, const Vector3& sunDirection, const Vector3& position, float radius)
{
    const D3DXVECTOR3 d(sunDirection.x, sunDirection.y, sunDirection.z);
    const D3DXVECTOR3 toFish(position.x - eye.x, position.y - eye.y, position.z - eye.z);
    const float dd = D3DXVec3Dot(&d, &d);
    if (!(dd > 0.0f) || !(radius > 0.0f) || !std::isfinite(dd))
        return 1.0f;
    const float t = D3DXVec3Dot(&toFish, &d) / dd;
    // The light travels along sunDirection, so the sun lies at negative t:
    // only a fish on that side of the eye stands in the line of sight.
    if (!(t < 0.0f))
        return 1.0f;
    const D3DXVECTOR3 offset = toFish - d * t;
    const float distance = D3DXVec3Length(&offset);
    if (!(distance < radius))
        return 1.0f;
    const float ratio = distance / radius;
    return ratio > 0.5f ? ratio : 0.0f;
}

HRESULT CFish::RestoreDeviceObjects()
{
    OruApplication* app = App();
    stencilId = int32_t(FoldStencilId(uint32_t(stencilId), app ? app->GetStencilBits() : 0));

    OruWorld* world = World();
    masterStateBlock = world && world->sbServer ? world->sbServer->CreateStateBlock(FishMasterStateTokens)
                                                : NoStateBlock;

    const HRESULT hr = PimVertexObject::RestoreDeviceObjects();
    TRACE_D3D(hr);
    if (hr != 0)
        return hr;
    // Without its buffers the partial morph stays unready and the fish draws
    // without stream 3.
    if (partialMorph)
        partialMorph->RestoreDeviceObjects();
    return 0;
}

HRESULT CFish::InvalidateDeviceObjects()
{
    if (partialMorph)
        partialMorph->InvalidateDeviceObjects();
    PimVertexObject::InvalidateDeviceObjects();
    // The state-block server deletes its blocks at its own invalidate.
    masterStateBlock = NoStateBlock;
    return 0;
}

HRESULT CFish::DeleteDeviceObjects()
{
    if (partialMorph)
        partialMorph->DeleteDeviceObjects();
    PimVertexObject::DeleteDeviceObjects();
    return 0;
}

HRESULT CFish::FinalCleanup()
{
    delete animator;
    animator = nullptr;
    if (partialMorph) {
        partialMorph->InvalidateDeviceObjects();
        delete partialMorph;
        partialMorph = nullptr;
    }
    PimVertexObject::FinalCleanup();
    return 0;
}

void CFish::Update(float time, float prevTime)
{
    if (mover)
        static_cast<OruSteering*>(mover)->Follow(time, prevTime, this);

    PimVertexObject::Update(time, prevTime);

    OruWorld* world = World();
    if (!culled && world && world->camera) {
        const float factor = SunRayFactor(*world->camera->GetPosition(), world->sunDirection, position, radius);
        world->sunVisibility *= factor;
    }

    if (cloneRole == CloneRoleMaster) {
        masterRendered = 0;
        if (!culled && renderTexture)
            RunMasterPass();
    }
}

void CFish::RunMasterPass()
{
    // The picture's matrices replace the scene's only while it is drawn.
    const D3DXMATRIX saved[4] = {worldViewProjT, worldViewT, worldT, viewT};
    masterPass = 1;
    renderTexture->RenderMaster(this);
    masterPass = 0;
    worldViewProjT = saved[0];
    worldViewT = saved[1];
    worldT = saved[2];
    viewT = saved[3];
}

void CFish::UpdateShaderMatrices(const D3DXMATRIX* view, const D3DXMATRIX* projection)
{
    if (!masterPass || !std::isfinite(scale) || scale == 0.0f) {
        PimVertexObject::UpdateShaderMatrices(view, projection);
        return;
    }
    // world = scaling x rotation x translation: undo the scaling in front.
    const D3DXMATRIX own = world;
    D3DXMATRIX unscale;
    D3DXMatrixScaling(&unscale, 1.0f / scale, 1.0f / scale, 1.0f / scale);
    D3DXMatrixMultiply(&world, &unscale, &own);
    PimVertexObject::UpdateShaderMatrices(view, projection);
    world = own;
}

void CFish::Animate(float time, float prevTime)
{
    const uint32_t frames = animator ? animator->frameCount : 0;
    if (frames == 0) {
        swimPhase = 0.0f;
    } else {
        // A speed or a time step that is not a number (or overflows) leaves
        // the phase where it was; the phase always stays in [0, frames).
        const float n = float(frames);
        float phase = swimPhase + (ownRate * 0.2f + speed) * (time - prevTime) * 20.0f;
        if (std::isfinite(phase)) {
            phase = std::fmod(phase, n);
            if (phase < 0.0f)
                phase += n;
            if (!(phase < n) || !(phase >= 0.0f))
                phase = 0.0f;
            swimPhase = phase;
        }
    }

    float target = 0.5f;
    if (mover) {
        const float rate = static_cast<OruSteering*>(mover)->speedChangeRate;
        if (rate > 0.0f)
            target = rate;
    }
    target += 0.3f;
    if (target >= maxAmplitude)
        target = maxAmplitude;
    const float k = target > swimAmplitude ? 0.2f : 0.08f;
    const float next = swimAmplitude * (1.0f - k) + target * k;
    if (std::isfinite(next))
        swimAmplitude = next;

    if (animator)
        animator->Evaluate(2.0f * swimAmplitude, swimPhase);
    if (partialMorph)
        AnimateMorph(time, prevTime);
}

void CFish::AnimateMorph(float time, float)
{
    if (!partialMorph)
        return;
    float weights[MorphWeightCount] = {};
    const float w = (std::sin(4.0f * time) + 1.0f) / 2.0f;
    for (uint32_t t = 0; t < partialMorph->tripleCount && t < uint32_t(MorphWeightCount); ++t)
        weights[t] = w;
    partialMorph->SetPendingWeights(weights);
}

HRESULT CFish::Render()
{
    Draw();
    return 0;
}

bool CFish::Draw()
{
    if (!masterPass && (cloneRole == CloneRoleMaster || cloneRole == CloneRoleMember) && !drawSelf)
        return false;

    OruApplication* app = App();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    OruWorld* world = World();
    if (!device || !world)
        return false;
    // The picture drawn with whatever states were left would not be the
    // master's: without its state block the members draw themselves.
    if (masterPass && masterStateBlock == NoStateBlock)
        return false;

    const D3DXMATRIX* matrices[4] = {&worldViewProjT, &worldViewT, &worldT, &viewT};
    const DWORD registers[4] = {CV_WORLD_VIEW_PROJ_0, CV_WORLD_VIEW_0, CV_WORLD_0, CV_VIEW_0};
    for (int i = 0; i < 4; ++i) {
        if (!FirstRowIsNumber(*matrices[i]))
            return false;
        TRACE_D3D(device->SetVertexShaderConstant(registers[i], matrices[i], 4));
    }

    if (world->sbServer)
        world->sbServer->SetSB(masterPass ? masterStateBlock : stateBlock);

    VBServer* buffers = world->vbServer;
    VSServer* programs = world->vsServer;
    const int low = useLowDetail ? GetLowDetailMeshIndex() : 0;
    const bool lowDetail = low > 0 && low < meshCount;
    const OruMeshRecord& drawn = meshes[lowDetail ? low : 0];
    if (lowDetail) {
        if (buffers) {
            buffers->SetStream(0, drawn.vertexBuffer, RestPoseStride, 0);
            buffers->SetIndexBuffer(drawn.indexBuffer, 0, 0);
        }
        if (programs)
            programs->SetShaders(shaderHandles[FishShaderLow], shaderHandles[FishShaderPixel], 0);
    } else {
        if (animator)
            animator->Apply(device, buffers);
        // Stream 3 only when the partial morph has its device buffer; this
        // frame's weights are blended here, where they are drawn.
        if (partialMorph)
            partialMorph->BlendPending();
        IDirect3DVertexBuffer8* morph = partialMorph ? partialMorph->UploadMorph() : nullptr;
        if (buffers) {
            if (morph)
                buffers->SetStream(3, morph, MorphStride, 1);
            buffers->SetIndexBuffer(drawn.indexBuffer, 0, 0);
        }
        if (programs)
            programs->SetShaders(shaderHandles[morph ? FishShaderMorph : FishShaderPlain],
                                 shaderHandles[FishShaderPixel], 0);
    }

    HRESULT hr = device->SetTexture(0, textureCount > 0 ? textures[0] : nullptr);
    if (TRACE_D3D(hr))
        return false;

    static const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    TRACE_D3D(device->SetVertexShaderConstant(CV_FISH_COLOUR, masterPass ? white : colour, 1));

    DWORD passes = 0;
    hr = device->ValidateDevice(&passes);
    if (TRACE_D3D(hr))
        return false;

    TRACE_D3D(device->SetRenderState(D3DRS_STENCILREF, DWORD(stencilId)));
    // A mesh without data (or without its buffers) has nothing to draw.
    bool submitted = false;
    if (drawn.faceCount > 0 && drawn.vertexCount > 0 && drawn.indexBuffer)
        submitted = !TRACE_D3D(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(drawn.vertexCount), 0,
                                                            UINT(drawn.faceCount)));
    TRACE_D3D(device->SetRenderState(D3DRS_STENCILREF, 0));
    return submitted;
}

void CFish::AddAnimator()
{
    animator = new (std::nothrow) OruMorphAnimator(meshes, 0, 1, 10);
    if (!animator)
        complete = false;
}

void CFish::AddPartialMorph(OruMeshRecord* poseMesh, CPartialMorph& kindTemplate, const MorphTriple* triples,
                            int tripleCount)
{
    if (TechniqueSetting(TechPartialMorph) == 0)
        return;
    AddMesh(poseMesh);
    if (!kindTemplate.meshes) {
        kindTemplate.SetMorphSource(meshes, 0, 11, triples, tripleCount);
        kindTemplate.BUildPartialMorphData();
    }
    partialMorph = new (std::nothrow) CPartialMorph();
    if (partialMorph)
        partialMorph->CopyFrom(kindTemplate, meshes);
    else
        complete = false;
}
