// The sardine: eleven swim records (rest pose and ten keyframes), its skin
// and its swim animator; no partial morph and no low-detail mesh.
#pragma once

#include "fish/CFish.h"

class CIwashi : public CFish {
public:
    CIwashi();

    // Always 0: the sardine never switches to a low-detail mesh.
    int GetLowDetailMeshIndex() override { return 0; }
};
