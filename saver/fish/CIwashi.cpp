#include "fish/CIwashi.h"

#include "mesh/OruMorphAnimator.h"

#include "Sardine.h"

CIwashi::CIwashi()
{
    SetName("CIwashi");
    for (OruMeshRecord& frame : SardineFrames)
        AddMesh(&frame);
    AddTexture(SardineSkin.data, SardineSkin.size);
    animator = new OruMorphAnimator(meshes, 0, 1, 10);
    cloneScale = 1.4f;
    cloneTextureSize = 256;
    maxAmplitude = 0.5f;
}
