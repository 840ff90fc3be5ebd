#include "fish/CIwashi.h"

#include "mesh/OruMorphAnimator.h"

#include "Sardine.h"

#include <new>

CIwashi::CIwashi()
{
    SetName("CIwashi");
    for (OruMeshRecord& frame : SardineFrames)
        AddMesh(&frame);
    AddTexture(SardineSkin.data, SardineSkin.size);
    animator = new (std::nothrow) OruMorphAnimator(meshes, 0, 1, 10);
    if (!animator)
        complete = false;
    cloneScale = 1.4f;
    cloneTextureSize = 256;
    maxAmplitude = 0.5f;
}
