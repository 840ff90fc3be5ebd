#include "effects/CLight.h"

#include "app/SelRandom.h"
#include "settings/SettingsTables.h"

#include "scene/OruSteering.h"

#include <cmath>

const float LightBrightness[3] = {3.0f, 2.0f, 1.0f};

int LightsSettingIndex()
{
    const int32_t lights = SceneSetting(SceneLights);
    return lights < 0 ? 0 : lights > 2 ? 2 : int(lights);
}

CLight::CLight() : pulseRate(1.0f), lightColour{0.5f, 0.5f, 0.5f, 1.0f}
{
    SetName("CLight");
    noCull = 1;
    pulseRate = 1.0f + 2.0f * SelRandUnit();
}

void CLight::PulseColour(float t, float b, float rate, float out[4])
{
    const float a = t * rate;
    out[0] = 0.55f * b;
    out[1] = b * (0.25f * std::sin(a) + 0.7f);
    out[2] = b * (0.25f * std::cos(1.3f * a) + 0.75f);
    out[3] = 1.0f;
}

void CLight::Update(float time, float prevTime)
{
    if (OruSteering* steering = dynamic_cast<OruSteering*>(mover))
        steering->Follow(time, prevTime, this);
    PimVertexObject::Update(time, prevTime);
    PulseColour(time, LightBrightness[LightsSettingIndex()], pulseRate, lightColour);
}
