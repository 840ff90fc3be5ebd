#include "OruMorphAnimator.h"

#include "framework/AppAccess.h"
#include "framework/OruApplication.h"
#include "scene/OruWorld.h"
#include "servers/VBServer.h"
#include "trace/TraceD3DResult.h"

#include "vsConstants.h"

#include <cmath>

namespace {

const UINT RestPoseStride = 32;  // FishVertex
const UINT KeyframeStride = 24;  // MorphVertex

// phase reduced into [0, count); 0 for a phase that is not finite.
float ReducedPhase(float phase, uint32_t count)
{
    if (!std::isfinite(phase))
        return 0.0f;
    const float n = static_cast<float>(count);
    float p = std::fmod(phase, n);
    if (p < 0.0f)
        p += n;
    // A tiny negative remainder plus n can round up to n itself.
    if (!(p < n))
        p = 0.0f;
    return p;
}

} // namespace

OruMorphAnimator::OruMorphAnimator(OruMeshRecord* meshList, int base, int first, int count)
    : meshes(meshList), baseMesh(base), firstFrame(first), weights(), chosen(),
      frameCount(count > 0 ? static_cast<uint32_t>(count) : 0u)
{
    // Something valid to bind even before the first Evaluate: the rest pose.
    Evaluate(0.0f, 0.0f);
}

void OruMorphAnimator::Evaluate(float amplitude, float phase)
{
    if (!std::isfinite(amplitude))
        amplitude = 0.0f;
    weights[3] = 0.0f;
    if (frameCount == 0) {
        chosen[0] = chosen[1] = chosen[2] = baseMesh;
        weights[0] = 1.0f;
        weights[1] = weights[2] = 0.0f;
        return;
    }

    const float p = ReducedPhase(phase, frameCount);
    uint32_t k = static_cast<uint32_t>(p);
    if (k >= frameCount)
        k = 0;
    uint32_t next = k + 1;
    if (next >= frameCount)
        next = 0; // the last keyframe blends into the first

    chosen[0] = baseMesh;
    chosen[1] = firstFrame + static_cast<int32_t>(k);
    chosen[2] = firstFrame + static_cast<int32_t>(next);

    const float f = p - static_cast<float>(k);
    weights[0] = 1.0f - amplitude;
    weights[1] = amplitude * (1.0f - f);
    weights[2] = amplitude * f;
}

void OruMorphAnimator::Apply()
{
    OruApplication* app = App();
    if (!app)
        return;
    Apply(app->device, app->world ? app->world->vbServer : nullptr);
}

void OruMorphAnimator::Apply(IDirect3DDevice8* device, VBServer* server)
{
    if (device)
        TRACE_D3D(device->SetVertexShaderConstant(CV_MORPH_WEIGHTS, weights, 1));
    if (!server || !meshes)
        return;
    for (UINT i = 0; i < 3; ++i)
        server->SetStream(i, meshes[chosen[i]].vertexBuffer, i == 0 ? RestPoseStride : KeyframeStride, 0);
}
