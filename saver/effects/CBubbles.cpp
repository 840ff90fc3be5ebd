#include "effects/CBubbles.h"

#include "BubbleTextures.h"
#include "framework/AppAccess.h"
#include "framework/ReleaseAndClear.h"
#include "app/SelRandom.h"

#include "framework/OruApplication.h"
#include "scene/OruCamera.h"
#include "scene/OruSceneContext.h"
#include "scene/SidePlanes.h"
#include "scene/OruWorld.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "trace/TraceD3DResult.h"

#include <cmath>
#include <cstring>

IDirect3DVertexBuffer8* BubbleVertexBuffer = nullptr;

// Float states stand as their IEEE patterns: POINTSIZE 1.0, POINTSIZE_MAX
// 5.0, POINTSIZE_MIN 0.1, POINTSCALE_A 1.0, B and C 0.0. Every bubble is
// thus drawn 5 pixels wide; its colour is the texture's, its alpha half the
// texture's.
const DWORD BubbleStateTokens[] = {
    D3DRS_ZWRITEENABLE, FALSE,
    D3DRS_ALPHABLENDENABLE, TRUE,
    D3DRS_SRCBLEND, D3DBLEND_SRCALPHA,
    D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA,
    D3DRS_FOGENABLE, FALSE,
    D3DRS_CULLMODE, D3DCULL_CCW,
    D3DRS_POINTSPRITEENABLE, TRUE,
    D3DRS_POINTSCALEENABLE, TRUE,
    D3DRS_POINTSIZE, 0x3F800000,
    D3DRS_POINTSIZE_MAX, 0x40A00000,
    D3DRS_POINTSIZE_MIN, 0x3DCCCCCD,
    D3DRS_POINTSCALE_A, 0x3F800000,
    D3DRS_POINTSCALE_B, 0x00000000,
    D3DRS_POINTSCALE_C, 0x00000000,
    D3DRS_TEXTUREFACTOR, 0x80808080,
    StateTokenColourStage, 2, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
    StateTokenAlphaStage, 3, 0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_TFACTOR,
    StateTokenColourStage, 1, 1, D3DTOP_DISABLE,
    StateTokenAlphaStage, 1, 1, D3DTOP_DISABLE,
    StateTokenEnd,
};

namespace {

const UINT PointBytes = sizeof(float) * 3;

} // namespace

CBubbles::CBubbles()
    : bubbleCount(BubbleCapacity), visibleCount(0), points(), burstEmitted(0), burstLimit(0), lastBurstTime(-1.0f),
      textureIndex(0), bufferSlot(0)
{
    SetName("CBubbles");
    for (EmbeddedFileRef* texture : BubbleTextures)
        AddTexture(texture->data, texture->size);
    for (int i = 0; i < BubbleCapacity; ++i) {
        bubbles[i].index = uint16_t(i);
        bubbles[i].emitter = this;
    }
    noCull = 1;
    stateTokens = BubbleStateTokens;
}

HRESULT CBubbles::InitDeviceObjects()
{
    PimVertexObject::InitDeviceObjects();
    bufferSlot = 0;
    return 0;
}

HRESULT CBubbles::RestoreDeviceObjects()
{
    if (!BubbleVertexBuffer) {
        IDirect3DDevice8* device = Device();
        const HRESULT r = device ? device->CreateVertexBuffer(BubbleBufferBytes, BubbleBufferUsage, D3DFVF_XYZ,
                                                              D3DPOOL_DEFAULT, &BubbleVertexBuffer)
                                 : D3DERR_INVALIDCALL;
        TRACE_D3D(r);
        if (r != 0) {
            BubbleVertexBuffer = nullptr;
            return r;
        }
    }
    return PimVertexObject::RestoreDeviceObjects();
}

HRESULT CBubbles::InvalidateDeviceObjects()
{
    ReleaseAndClear(BubbleVertexBuffer);
    PimVertexObject::InvalidateDeviceObjects();
    return 0;
}

HRESULT CBubbles::DeleteDeviceObjects()
{
    PimVertexObject::DeleteDeviceObjects();
    return 0;
}

int CBubbles::EmitBubble(Vector3* out)
{
    if (burstEmitted >= burstLimit)
        return 0;
    const float s = scale;
    const float r1 = SelRandUnit();
    const float r2 = SelRandUnit();
    const float r3 = SelRandUnit();
    *out = Vector3(position.x + r1 * s - s * 0.5f, position.y + r2 - 0.5f, position.z + r3 * s - s * 0.5f);
    ++burstEmitted;
    return 1;
}

void CBubbles::Update(float time, float prevTime)
{
    if (bubbleCount == 0)
        return;
    if (textureCount > 0)
        textureIndex = uint16_t((textureIndex + 1) % textureCount);

    // About once a second a burst of about ten bubbles per second waited;
    // never more than there are bubbles, however long the pause.
    const float elapsed = time - lastBurstTime;
    if (elapsed > 1.0f) {
        const float wanted = elapsed * 10.0f;
        burstLimit = wanted >= float(bubbleCount) ? bubbleCount : uint16_t(wanted);
        lastBurstTime = time;
        burstEmitted = 0;
    } else {
        burstLimit = 0;
    }

    const int count = bubbleCount < BubbleCapacity ? bubbleCount : BubbleCapacity;
    for (int i = 0; i < count; ++i)
        bubbles[i].Move(time, prevTime);

    GatherVisible();
    PimVertexObject::Update(time, prevTime);
}

void CBubbles::GatherVisible()
{
    visibleCount = 0;
    OruCamera* camera = Camera();
    if (!camera)
        return;
    Vector3 d;
    camera->GetDirection(&d);
    const Vector3 eye = *camera->GetPosition();
    // The side planes as the camera builds its own, with a narrower angle.
    // A direction without a horizontal axis (none, or straight up or down)
    // gives no planes, and nothing is gathered.
    OruApplication* app = App();
    Vector3 normals[SidePlaneCount];
    if (!BuildSidePlaneNormals(d, (app ? app->fieldOfView : 0.0f) * 0.6f, normals))
        return;

    const int count = bubbleCount < BubbleCapacity ? bubbleCount : BubbleCapacity;
    for (int i = 0; i < count; ++i) {
        const CBubble& bubble = bubbles[i];
        if (!bubble.alive)
            continue;
        const D3DXVECTOR3 offset = bubble.position - eye;
        bool inside = true;
        for (const Vector3& n : normals)
            if (!(D3DXVec3Dot(&offset, &n) <= 0.0f)) {
                inside = false;
                break;
            }
        if (inside)
            points[visibleCount++] = bubble.position;
    }
}

HRESULT CBubbles::Render()
{
    if (visibleCount == 0)
        return 0;
    IDirect3DDevice8* device = Device();
    if (!device)
        return 0;
    OruSceneContext* scene = OruSceneContext::Current();
    if (SBServer* states = scene ? scene->StateBlocks() : nullptr)
        states->SetSB(stateBlock);
    TRACE_D3D(device->SetTexture(0, textureIndex < textureCount ? textures[textureIndex] : nullptr));

    const int count = bubbleCount < BubbleCapacity ? bubbleCount : BubbleCapacity;
    BYTE* data = nullptr;
    const HRESULT locked =
        BubbleVertexBuffer ? BubbleVertexBuffer->Lock(UINT(bufferSlot) * count * PointBytes, count * PointBytes, &data,
                                                      D3DLOCK_DISCARD)
                           : D3DERR_INVALIDCALL;
    TRACE_D3D(locked);
    if (locked == 0 && data) {
        std::memcpy(data, points, count * PointBytes);
        BubbleVertexBuffer->Unlock();
        if (VBServer* buffers = Buffers())
            buffers->SetStream(0, BubbleVertexBuffer, PointBytes, 1);
        if (VSServer* shaderServer = Shaders())
            shaderServer->SetShaders(D3DFVF_XYZ, 0, 0);
        TRACE_D3D(device->DrawPrimitive(D3DPT_POINTLIST, UINT(bufferSlot) * count, visibleCount));
    }
    // Without a buffer to copy into there is nothing to draw this frame.
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
    return 0;
}
