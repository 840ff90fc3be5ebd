// One of the three wandering point lights: its mover leads it along a random
// path, and its colour pulses with time. The world uploads its position and
// colour as shader constants every frame; it draws nothing.
#pragma once

#include "scene/PimVertexObject.h"

// Light brightness by the "Lights" setting: brilliant, bright, dark.
extern const float LightBrightness[3];

// The "Lights" setting as an index into the brightness tables; a stored
// value out of range counts as the nearer end.
int LightsSettingIndex();

class CLight : public PimVertexObject {
public:
    CLight();

    // The mover steers, the base moves, then the colour follows the time.
    void Update(float time, float prevTime) override;
    HRESULT Render() override { return 0; }

    // The colour at time t for brightness b and pulse rate.
    static void PulseColour(float t, float b, float rate, float out[4]);

    float pulseRate;       // 1 to 3
    float lightColour[4];  // r, g, b, a; what the world reads
};
