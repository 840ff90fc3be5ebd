// The display's gamma ramp: builds ramps scaled by a level and applies them
// to the device. It also carries a fade in and out of the ramp, driven by two
// start times that nothing sets, so only the linear ramp is ever applied.
#pragma once

#include "OruObject.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdint>

const int GammaRampSlots = 4;

class OruGammaFade : public OruObject {
public:
    OruGammaFade();

    // The fade at time: fills ramp 0 and sets active while a fade runs.
    void Update(float time, float prevTime) override;
    // Applies ramp 0 while a fade runs.
    HRESULT Render() override;

    // Ramp slot: entry i = i x level on all three channels (level clamped to
    // 0..255, slot outside 0..3 ignored).
    void BuildRamp(int slot, int level);
    // Sets the device's gamma ramp to ramp slot; nothing without a device.
    void ApplyRamp(int slot);

    D3DGAMMARAMP ramps[GammaRampSlots];
    float fadeInStart;
    float fadeOutStart;
    int32_t active;
};
