// The mackerel: eleven swim records, with the "PartialMorph" setting on its
// pose mesh and a partial-morph copy of the kind's template, and a
// low-detail mesh (the last) beyond 2.0 units from the camera. Its
// AnimateMorph drives the parts with two fast state machines (pectoral and
// pelvic fins), a smoothed body level and a slow machine (the eyes).
#pragma once

#include "fish/CFish.h"

#include "fish/CPartialMorph.h"
#include "fish/FishPartMachines.h"

class CMackerel : public CFish {
public:
    CMackerel();

    // 0 for a clone master (always drawn and animated in full), otherwise
    // the last mesh, the low-detail one.
    int GetLowDetailMeshIndex() override;
    void AnimateMorph(float time, float prevTime) override;

    FishPartMachines parts;

    // The kind's template, built by the first mackerel made with the
    // partial morph on.
    static CPartialMorph MorphTemplate;
};
