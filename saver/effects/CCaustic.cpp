#include "effects/CCaustic.h"

#include "effects/CLight.h"
#include "CausticFrames.h"

#include "framework/AppAccess.h"
#include "framework/OruApplication.h"

#include "vsConstants.h"

#include <cmath>

const float CausticIntensity[3] = {0.4f, 0.2f, 0.1f};

CCaustic::CCaustic() : currentFrame(nullptr)
{
    SetName("CCaustic");
    for (EmbeddedFileRef* frame : CausticFrames)
        AddTexture(frame->data, frame->size);
    noCull = 1;
}

HRESULT CCaustic::InitDeviceObjects()
{
    // The frames are made at restore; the update picks one once they exist.
    PimVertexObject::InitDeviceObjects();
    return 0;
}

HRESULT CCaustic::InvalidateDeviceObjects()
{
    currentFrame = nullptr;
    return PimVertexObject::InvalidateDeviceObjects();
}

int CCaustic::FrameIndex(float time)
{
    // The remainder keeps the conversion in range for any finite time.
    float frames = std::fmod(time * 32.0f, 32.0f);
    if (!std::isfinite(frames))
        return 0;
    if (frames < 0.0f)
        frames += 32.0f;
    return int(frames) & 31;
}

void CCaustic::Update(float time, float prevTime)
{
    const int frame = FrameIndex(time);
    currentFrame = frame < textureCount ? textures[frame] : nullptr;
    PimVertexObject::Update(time, prevTime);
}

HRESULT CCaustic::Render()
{
    OruApplication* app = App();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    if (!device)
        return 0;
    const float k = CausticIntensity[LightsSettingIndex()];
    const float value[4] = {k, k, k, 1.0f};
    device->SetPixelShaderConstant(CP_CAUSTIC, value, 1);
    device->SetVertexShaderConstant(CV_CAUSTIC, value, 1);
    return 0;
}
