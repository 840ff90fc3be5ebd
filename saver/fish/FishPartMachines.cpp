#include "fish/FishPartMachines.h"

#include "fish/CPartialMorph.h"
#include "app/SelRandom.h"
#include "scene/FrameStep.h"

#include <cmath>

namespace {

// A value from its single-precision bits.
float FromBits(uint32_t bits)
{
    union {
        uint32_t u;
        float f;
    } v;
    v.u = bits;
    return v.f;
}

// One step of a three-state machine: level by state (state 0 follows wave),
// then a switch by the chances first and second.
float StepMachine(int32_t& state, float wave, float r, float first, float second)
{
    float level;
    switch (state) {
    case 1:
        level = 1.0f;
        if (r < first)
            state = 2;
        else if (r < second)
            state = 0;
        break;
    case 2:
        level = 0.0f;
        if (r < first)
            state = 1;
        else if (r < second)
            state = 0;
        break;
    default:
        state = 0;
        level = wave;
        if (r < first)
            state = 1;
        else if (r < second)
            state = 2;
        break;
    }
    return level;
}

} // namespace

FishPartMachines::FishPartMachines()
    : partStateA(0), partStatesB(), partLevelsB(), bodyLevel(0), partLevelA(0), finWave(0.5f)
{
}

void FishPartMachines::Step(float time, float prevTime, float ownRate, bool slowAtOwnRate, float weights[20])
{
    // No time (FrameStep) gives the slow machine's chances, which scale
    // with it, 0.
    const float dt = FrameStep(time, prevTime);
    const float s = (std::sin(time * ownRate) + 1.0f) / 2.0f;
    const float body = 0.7f * (std::sin(5.0f * time * ownRate) + 1.0f) / 2.0f;
    const float wave = slowAtOwnRate ? s : (std::sin(time) + 1.0f) / 2.0f;

    // A time (or rate) that is not finite moves nothing: the smoothed levels
    // would keep its NaN for good. The weights then show the levels with the
    // last finite wave.
    if (std::isfinite(s) && std::isfinite(body) && std::isfinite(wave)) {
        finWave = s;
        for (int i = 0; i < 2; ++i) {
            const float r = SelRandUnit();
            const float v = StepMachine(partStatesB[i], s, r, 0.1f, 0.2f);
            partLevelsB[i] = 0.9f * partLevelsB[i] + 0.1f * v;
        }

        bodyLevel = 0.7f * bodyLevel + 0.3f * body;

        const float r = SelRandUnit();
        // The chances per second are the single-precision values 0x3ECCCCCC
        // and 0x3F4CCCCC (0.4 and 0.8 rounded down in their last bit).
        const float p1 = FromBits(0x3ECCCCCCu) * dt;
        const float p2 = FromBits(0x3F4CCCCCu) * dt;
        const float v = StepMachine(partStateA, wave, r, p1, p2);
        partLevelA = 0.7f * partLevelA + 0.3f * v;
    }

    for (int i = 0; i < MorphWeightCount; ++i)
        weights[i] = 0.0f;
    weights[0] = 1.0f - bodyLevel;
    weights[1] = finWave;
    weights[2] = finWave;
    weights[3] = 1.0f - partLevelsB[0];
    weights[4] = 1.0f - partLevelsB[1];
    weights[5] = finWave + partLevelsB[0];
    weights[6] = finWave + partLevelsB[1];
    weights[7] = partLevelA;
    weights[8] = partLevelA;
}
