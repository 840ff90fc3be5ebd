// The part machines of the mackerel and the bream: two fast state machines
// (one per side's pectoral and pelvic fins), a smoothed body level and a slow
// machine (the eyes), stepped once per animated frame into the nine weights
// of the kinds' partial morph. Switching chances and smoothing are per frame,
// except the slow machine's chances, which scale with the frame time.
#pragma once

#include <cstdint>

class FishPartMachines {
public:
    FishPartMachines();

    // One frame: draws one random value per fast machine, then one for the
    // slow machine; fills weights[0..8] and sets weights[9..19] to 0.
    // slowAtOwnRate: the slow machine's state-0 level follows sin(time x rate)
    // (bream) rather than sin(time) (mackerel). A frame time that is not
    // finite or is negative counts as no time; a time or rate that is not
    // finite steps nothing (and draws nothing), and the weights show the
    // levels as they are.
    void Step(float time, float prevTime, float ownRate, bool slowAtOwnRate, float weights[20]);

    int32_t partStateA;     // slow machine, 0 to 2
    int32_t partStatesB[2]; // fast machines, 0 to 2
    float partLevelsB[2];
    float bodyLevel;
    float partLevelA;
    float finWave; // (sin(time x rate) + 1) / 2 of the last step with a finite time
};
