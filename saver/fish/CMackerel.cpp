#include "fish/CMackerel.h"

#include "settings/SettingsTables.h"

#include "mesh/OruMorphAnimator.h"

#include "Mackerel.h"

#include <new>

CPartialMorph CMackerel::MorphTemplate;

CMackerel::CMackerel()
{
    for (OruMeshRecord& frame : MackerelFrames)
        AddMesh(&frame);
    AddTexture(MackerelSkin.data, MackerelSkin.size);
    animator = new (std::nothrow) OruMorphAnimator(meshes, 0, 1, 10);
    if (!animator)
        complete = false;
    if (TechniqueSetting(TechPartialMorph) != 0) {
        AddMesh(&MackerelPoseMesh);
        if (!MorphTemplate.meshes) {
            MorphTemplate.SetMorphSource(meshes, 0, 11, MackerelMorphTriples, MackerelMorphTripleCount);
            MorphTemplate.BUildPartialMorphData();
        }
        partialMorph = new (std::nothrow) CPartialMorph();
        if (partialMorph)
            partialMorph->CopyFrom(MorphTemplate, meshes);
        else
            complete = false;
    }
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
