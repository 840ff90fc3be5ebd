#include "fish/CBream.h"

#include "settings/SettingsTables.h"

#include "mesh/OruMorphAnimator.h"

#include "Bream.h"

#include <new>

CPartialMorph CBream::MorphTemplate;

CBream::CBream(int skinType)
{
    for (OruMeshRecord& frame : BreamFrames)
        AddMesh(&frame);
    if (skinType >= 0 && skinType < BreamSkinCount && BreamSkins[skinType])
        AddTexture(BreamSkins[skinType]->data, BreamSkins[skinType]->size);
    animator = new (std::nothrow) OruMorphAnimator(meshes, 0, 1, 10);
    if (!animator)
        complete = false;
    if (TechniqueSetting(TechPartialMorph) != 0) {
        AddMesh(&BreamPoseMesh);
        if (!MorphTemplate.meshes) {
            MorphTemplate.SetMorphSource(meshes, 0, 11, BreamMorphTriples, BreamMorphTripleCount);
            MorphTemplate.BUildPartialMorphData();
        }
        partialMorph = new (std::nothrow) CPartialMorph();
        if (partialMorph)
            partialMorph->CopyFrom(MorphTemplate, meshes);
        else
            complete = false;
    }
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
