#include "CMackerel.h"

#include "SettingsTables.h"

#include "mesh/OruMorphAnimator.h"

#if REEF_MACKEREL_DATA
#include "Mackerel.h"
#endif

CPartialMorph CMackerel::MorphTemplate;

CMackerel::CMackerel()
{
#if REEF_MACKEREL_DATA
    for (OruMeshRecord& frame : MackerelFrames)
        AddMesh(&frame);
    AddTexture(MackerelSkin.data, MackerelSkin.size);
#endif
    animator = new OruMorphAnimator(meshes, 0, 1, 10);
#if REEF_MACKEREL_DATA
    if (TechniqueSetting(TechPartialMorph) != 0) {
        AddMesh(&MackerelPoseMesh);
        if (!MorphTemplate.meshes) {
            MorphTemplate.SetMorphSource(meshes, 0, 11, MackerelMorphTriples, MackerelMorphTripleCount);
            MorphTemplate.BUildPartialMorphData();
        }
        partialMorph = new CPartialMorph();
        partialMorph->CopyFrom(MorphTemplate, meshes);
    }
    AddMesh(&MackerelLowMesh);
#endif
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
    partialMorph->BlendMorph(weights);
}
