#include "fish/CMackerel.h"

#include "Mackerel.h"

CPartialMorph CMackerel::MorphTemplate;

CMackerel::CMackerel()
{
    for (OruMeshRecord& frame : MackerelFrames)
        AddMesh(&frame);
    AddTexture(MackerelSkin.data, MackerelSkin.size);
    AddAnimator();
    AddPartialMorph(&MackerelPoseMesh, MorphTemplate, MackerelMorphTriples, MackerelMorphTripleCount);
    AddMesh(&MackerelLowMesh);
    useStrips = 0;
    cloneScale = 1.4f;
    cloneTextureSize = 256;
    maxAmplitude = 0.5f;
}

int CMackerel::GetLowDetailMeshIndex()
{
    if (cloneRole == CloneRoleMaster)
        return 0;
    return meshCount > 0 ? meshCount - 1 : 0;
}

void CMackerel::AnimateMorph(float time, float prevTime)
{
    if (!partialMorph)
        return;
    float weights[MorphWeightCount];
    parts.Step(time, prevTime, ownRate, false, weights);
    partialMorph->SetPendingWeights(weights);
}
