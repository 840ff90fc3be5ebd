// The bream: as the mackerel (swim records, partial morph with the setting
// on, a low-detail mesh, the same part machines), with one of four skins
// and a low-detail distance of 10.0 units.
#pragma once

#include "fish/CFish.h"

#include "fish/CPartialMorph.h"
#include "fish/FishPartMachines.h"

// Skin types: 0 plain, 1 black, 2 blue, 3 yellow; any other adds no skin.
const int BreamSkinCount = 4;

class CBream : public CFish {
public:
    explicit CBream(int skinType);

    // 0 for a clone master, otherwise the last mesh, the low-detail one.
    int GetLowDetailMeshIndex() override;
    void AnimateMorph(float time, float prevTime) override;

    FishPartMachines parts;

    static CPartialMorph MorphTemplate;
};
