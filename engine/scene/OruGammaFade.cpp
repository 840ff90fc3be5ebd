#include "OruGammaFade.h"

#include "framework/AppAccess.h"
#include "framework/OruApplication.h"

#include <cmath>

namespace {

// SetGammaRamp's flag for a calibrated ramp (the headers we build with lack
// the D3DSGR_ names).
const DWORD GammaRampCalibrate = 1;

// Level of a fade d seconds in: 85 per second, truncated, within 0..255.
int FadeLevel(float d)
{
    const float scaled = std::trunc(d * 85.0f);
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return static_cast<int>(scaled);
}

} // namespace

OruGammaFade::OruGammaFade() : ramps(), fadeInStart(-100.0f), fadeOutStart(-100.0f), active(0)
{
    noCull = 1;
}

void OruGammaFade::BuildRamp(int slot, int level)
{
    if (slot < 0 || slot >= GammaRampSlots)
        return;
    if (level < 0)
        level = 0;
    if (level > 255)
        level = 255;
    D3DGAMMARAMP& ramp = ramps[slot];
    for (int i = 0; i < 256; ++i) {
        const WORD v = static_cast<WORD>(i * level);
        ramp.red[i] = v;
        ramp.green[i] = v;
        ramp.blue[i] = v;
    }
}

void OruGammaFade::ApplyRamp(int slot)
{
    if (slot < 0 || slot >= GammaRampSlots)
        return;
    OruApplication* app = App();
    if (app && app->device)
        app->device->SetGammaRamp(GammaRampCalibrate, &ramps[slot]);
}

void OruGammaFade::Update(float time, float)
{
    float d = time - fadeInStart;
    if (d <= 4.0f) {
        BuildRamp(0, FadeLevel(d));
        active = 1;
        return;
    }
    d = time - fadeOutStart;
    if (d <= 3.0f) {
        BuildRamp(0, 255 - FadeLevel(d));
        active = 1;
        return;
    }
    active = 0;
}

HRESULT OruGammaFade::Render()
{
    if (active)
        ApplyRamp(0);
    return 0;
}
