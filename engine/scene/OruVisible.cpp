#include "OruVisible.h"

#include "OruSceneContext.h"

#include "servers/SBServer.h"

OruVisible::OruVisible()
    : updated(0), stateBlock(NoStateBlock), stateTokens(nullptr), updateOnce(0), drawDistance(2.0f),
      useLowDetail(0)
{
    SetName("OruVisible");
}

HRESULT OruVisible::RestoreDeviceObjects()
{
    OruSceneContext* scene = OruSceneContext::Current();
    SBServer* server = scene ? scene->StateBlocks() : nullptr;
    if (stateTokens && server)
        stateBlock = server->CreateStateBlock(stateTokens);
    // A failed recording leaves what the server returned; the restore still succeeds.
    return 0;
}

HRESULT OruVisible::InvalidateDeviceObjects()
{
    // The server deletes the state block at its own invalidate; forget the
    // handle so that it is not applied before the next restore records it again.
    stateBlock = NoStateBlock;
    return 0;
}

HRESULT OruVisible::DeleteDeviceObjects()
{
    return 0;
}

HRESULT OruVisible::FinalCleanup()
{
    OruMove::FinalCleanup();
    return 0;
}

void OruVisible::UpdateShaderMatrices(const D3DXMATRIX*, const D3DXMATRIX*) {}

void OruVisible::Animate(float, float) {}

void OruVisible::Update(float time, float prevTime)
{
    if (updateOnce && updated)
        return;
    OruMove::Update(time, prevTime);
    updated = 1;

    if (hidden) {
        culled = 1;
        return;
    }
    // Without a scene (no camera) nothing can be judged out of view, and
    // there are no matrices to hand over or eye to measure from.
    OruSceneContext* scene = OruSceneContext::Current();
    if (!noCull && scene && !scene->IsBoxVisible(this)) {
        culled = 1;
        return;
    }
    culled = 0;

    if (scene) {
        UpdateShaderMatrices(scene->View(), scene->Projection());
        if (GetLowDetailMeshIndex() != 0) {
            const D3DXVECTOR3 offset = position - *scene->EyePosition();
            if (D3DXVec3Length(&offset) > drawDistance) {
                useLowDetail = 1;
                return;
            }
            useLowDetail = 0;
        }
    }
    Animate(time, prevTime);
}
