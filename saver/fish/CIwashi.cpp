#include "fish/CIwashi.h"

#include "Sardine.h"

CIwashi::CIwashi()
{
    SetName("CIwashi");
    for (OruMeshRecord& frame : SardineFrames)
        AddMesh(&frame);
    AddTexture(SardineSkin.data, SardineSkin.size);
    AddAnimator();
    cloneScale = 1.4f;
    cloneTextureSize = 256;
    maxAmplitude = 0.5f;
}
