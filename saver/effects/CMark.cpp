#include "effects/CMark.h"

#include "MarkTextures.h"
#include "RainbowGradients.h"
#include "framework/AppAccess.h"
#include "framework/ReleaseAndClear.h"
#include "app/SelRandom.h"

#include "framework/OruApplication.h"
#include "scene/FrameStep.h"
#include "mesh/Pi.h"
#include "scene/OruCamera.h"
#include "scene/OruSceneContext.h"
#include "scene/OruWorld.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "trace/TraceD3DResult.h"

#include "ShaderDeclarations.h"
#include "productshaders.h"
#include "vsConstants.h"

#include <cmath>
#include <cstring>
#include <cstdint>

// Colour from the gradient (stage 1), alpha the shape's (stage 0) times the
// texture factor's alpha, the fade.
const DWORD MarkStateTokens[] = {
    D3DRS_ZWRITEENABLE, FALSE,
    D3DRS_ALPHABLENDENABLE, TRUE,
    D3DRS_SRCBLEND, D3DBLEND_SRCALPHA,
    D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA,
    D3DRS_FOGENABLE, TRUE,
    D3DRS_FOGCOLOR, 0x001020C0,
    D3DRS_CULLMODE, D3DCULL_CCW,
    StateTokenColourStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    StateTokenAlphaStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    D3DRS_TEXTUREFACTOR, 0x80808080,
    StateTokenColourStage, 2, 1, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    StateTokenAlphaStage, 3, 1, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TFACTOR,
    StateTokenEnd,
};

// vs12 draws; ps8 is made with it and not bound.
const ShaderSet MarkShaders = {{MarkDeclaration, nullptr}, {vs12Vsh, ps8Psh}, 2};

int32_t MarkValidationFailed = 0;

namespace {

const UINT QuadBytes = 32;
const UINT CornerBytes = 8;

float RandomAngle()
{
    return SelRandUnit() * TwoPi - Pi;
}

bool FirstRowFinite(const D3DXMATRIX& m)
{
    return !std::isnan(m._11) && !std::isnan(m._12) && !std::isnan(m._13) && !std::isnan(m._14);
}

} // namespace

CMark::CMark()
    : quadVB(nullptr), spinTarget(0), spin(0), driftHeading(0), driftHeadingTarget(0), driftRate(1.0f),
      gradientIndex(0), shapeIndex(MarkGradientSlots), fade(0), fadeTarget(0), distance(1.0f)
{
    SetName("CMark");
    for (EmbeddedFileRef* gradient : RainbowGradients)
        AddTexture(gradient->data, gradient->size);
    for (EmbeddedFileRef* shape : MarkTextures)
        AddTexture(shape->data, shape->size);
    shaders = MarkShaders;
    stateTokens = MarkStateTokens;

    yaw = RandomAngle();
    roll = RandomAngle();
    driftHeading = RandomAngle();
    driftHeadingTarget = RandomAngle();
    spinTarget = RandomAngle();
    spin = RandomAngle();
    driftRate = 0.8f + 0.4f * SelRandUnit();
    const int gradient = int(float(MarkGradientSlots) * SelRandUnit());
    gradientIndex = gradient < MarkGradientSlots ? gradient : MarkGradientSlots - 1;
    const int shape = int(float(MarkShapeSlots) * SelRandUnit());
    shapeIndex = (shape < MarkShapeSlots ? shape : MarkShapeSlots - 1) + MarkGradientSlots;
    speed = 1.0f;
}

DWORD CMark::FadeFactor(float fade)
{
    // Through 64-bit arithmetic: fade x 0xFF000000 passes the largest
    // signed 32-bit value from fade 0.502 on.
    const double f = fade >= 1.0f ? 1.0 : fade > 0.0f ? double(fade) : 0.0;
    return DWORD(uint64_t(f * 4278190080.0)) & 0xFF000000u;
}

Vector3 CMark::SphereOffset(float yaw, float roll)
{
    D3DXMATRIX m;
    D3DXMatrixRotationYawPitchRoll(&m, yaw, 0.0f, roll);
    const D3DXVECTOR3 x(1.0f, 0.0f, 0.0f);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &x, &m);
    return out;
}

HRESULT CMark::InitDeviceObjects()
{
    return PimVertexObject::InitDeviceObjects();
}

HRESULT CMark::RestoreDeviceObjects()
{
    OruApplication* app = App();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    ReleaseAndClear(quadVB);
    HRESULT r = device ? device->CreateVertexBuffer(QuadBytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &quadVB)
                       : D3DERR_INVALIDCALL;
    TRACE_D3D(r);
    if (r != 0) {
        quadVB = nullptr;
        return r;
    }
    BYTE* data = nullptr;
    r = quadVB->Lock(0, 0, &data, 0);
    if (r != 0 || !data) {
        // A quad that cannot be written would draw whatever the buffer holds:
        // the mark draws nothing until a later restore fills it, and the
        // rest of the scene goes on.
        TRACE_D3D(r != 0 ? r : E_POINTER);
        if (r == 0)
            quadVB->Unlock();
        ReleaseAndClear(quadVB);
    } else {
        static const float corners[8] = {0, 0, 0, 1, 1, 0, 1, 1};
        std::memcpy(data, corners, sizeof corners);
        quadVB->Unlock();
    }
    return PimVertexObject::RestoreDeviceObjects();
}

HRESULT CMark::InvalidateDeviceObjects()
{
    ReleaseAndClear(quadVB);
    PimVertexObject::InvalidateDeviceObjects();
    return 0;
}

void CMark::Update(float time, float prevTime)
{
    const float dt = FrameStep(time, prevTime);
    const float w = dt < 1.0f ? dt : 1.0f;

    fade = (1.0f - w) * fade + w * fadeTarget;
    if (std::fabs(fade - fadeTarget) < 0.001f)
        fadeTarget = (SelRandUnit() + 1.0f) * 0.5f;

    spin = (1.0f - w) * spin + w * spinTarget;
    if (std::fabs(spin - spinTarget) < 0.1f)
        spinTarget = RandomAngle();

    // No time, no drift (also for a time that is not a number).
    speed = dt > 0.0f
                ? (2.0f * driftRate + std::sin(time - 3.0f * driftRate) * std::cos(time + 3.0f * driftRate)) * dt * 0.3f
                : 0.0f;

    // Held to the target, as the other easings, when a frame is longer
    // than ten seconds.
    float h = 0.1f * dt;
    if (h > 1.0f)
        h = 1.0f;
    driftHeading = (1.0f - h) * driftHeading + h * driftHeadingTarget;
    if (std::fabs(driftHeading - driftHeadingTarget) < 0.001f)
        driftHeadingTarget = RandomAngle();

    yaw += std::cos(driftHeading) * speed;
    roll += std::sin(driftHeading) * speed;

    const Vector3 offset = SphereOffset(yaw, roll) * distance;
    OruCamera* camera = Camera();
    Vector3 direction(0.0f, 0.0f, 0.0f);
    Vector3 eye(0.0f, 0.0f, 0.0f);
    if (camera) {
        camera->GetDirection(&direction);
        eye = *camera->GetPosition();
    }
    culled = D3DXVec3Dot(&direction, &offset) <= 0.0f ? 1 : 0;
    position = eye + offset;
}

HRESULT CMark::Render()
{
    OruApplication* app = App();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    OruCamera* camera = Camera();
    // Without its quad (a restore that could not fill it) the mark draws nothing.
    if (!device || !camera || !quadVB)
        return 0;
    OruSceneContext* scene = OruSceneContext::Current();
    if (SBServer* states = scene ? scene->StateBlocks() : nullptr)
        states->SetSB(stateBlock);

    D3DXMATRIX m;
    D3DXMatrixTranspose(&m, &camera->view);
    if (!FirstRowFinite(m))
        return 0;
    device->SetVertexShaderConstant(CV_WORLD_VIEW_0, &m, 4);
    D3DXMatrixTranspose(&m, &app->projection);
    if (!FirstRowFinite(m))
        return 0;
    device->SetVertexShaderConstant(CV_PROJECTION_0, &m, 4);
    D3DXMatrixRotationZ(&m, spin);
    device->SetVertexShaderConstant(CV_SPIN_ROWS_0, &m, 4);
    const float scaleConstant[4] = {scale, 0.5f, 1.0f, 1.0f};
    device->SetVertexShaderConstant(CV_SCALE, scaleConstant, 1);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, FadeFactor(fade));

    TRACE_D3D(device->SetTexture(0, shapeIndex >= 0 && shapeIndex < textureCount ? textures[shapeIndex] : nullptr));
    TRACE_D3D(
        device->SetTexture(1, gradientIndex >= 0 && gradientIndex < textureCount ? textures[gradientIndex] : nullptr));
    if (VBServer* buffers = Buffers())
        buffers->SetStream(0, quadVB, CornerBytes, 1);
    if (VSServer* shaderServer = Shaders())
        shaderServer->SetShaders(shaderHandles[0], 0, 0);
    const float centre[4] = {position.x, position.y, position.z, 1.0f};
    device->SetVertexShaderConstant(CV_MARK_CENTRE, centre, 1);

    if (!MarkValidationFailed) {
        DWORD passes = 0;
        if (device->ValidateDevice(&passes) != 0)
            MarkValidationFailed = 1;
    }
    if (MarkValidationFailed)
        device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);

    TRACE_D3D(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
    return 0;
}
