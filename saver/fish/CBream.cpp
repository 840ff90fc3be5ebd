#include "fish/CBream.h"

#include "Bream.h"

CPartialMorph CBream::MorphTemplate;

CBream::CBream(int skinType)
{
    for (OruMeshRecord& frame : BreamFrames)
        AddMesh(&frame);
    if (skinType >= 0 && skinType < BreamSkinCount && BreamSkins[skinType])
        AddTexture(BreamSkins[skinType]->data, BreamSkins[skinType]->size);
    AddAnimator();
    AddPartialMorph(&BreamPoseMesh, MorphTemplate, BreamMorphTriples, BreamMorphTripleCount);
    AddMesh(&BreamLowMesh);
    cloneScale = 1.4f;
    cloneTextureSize = 256;
    maxAmplitude = 0.5f;
    drawDistance = 10.0f;
}

int CBream::GetLowDetailMeshIndex()
{
    if (cloneRole == CloneRoleMaster)
        return 0;
    return meshCount > 0 ? meshCount - 1 : 0;
}

void CBream::AnimateMorph(float time, float prevTime)
{
    if (!partialMorph)
        return;
    float weights[MorphWeightCount];
    parts.Step(time, prevTime, ownRate, true, weights);
    partialMorph->SetPendingWeights(weights);
}
