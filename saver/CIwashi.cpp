#include "CIwashi.h"

#include "mesh/OruMorphAnimator.h"

#if REEF_SARDINE_DATA
#include "Sardine.h"
#endif

CIwashi::CIwashi()
{
    SetName("CIwashi");
#if REEF_SARDINE_DATA
    for (OruMeshRecord& frame : SardineFrames)
        AddMesh(&frame);
    AddTexture(SardineSkin.data, SardineSkin.size);
#endif
    animator = new OruMorphAnimator(meshes, 0, 1, 10);
    cloneScale = 1.4f;
    cloneTextureSize = 256;
    maxAmplitude = 0.5f;
}
