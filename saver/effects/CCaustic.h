// The caustic light: 32 animation frames, of which the one for the current
// time is picked at every update, and the caustic intensity constants it
// sets every frame. It draws nothing.
#pragma once

#include "scene/PimVertexObject.h"

#include <windows.h>
#include <d3d8.h>

// Caustic intensity by the "Lights" setting: brilliant, bright, dark.
extern const float CausticIntensity[3];

class CCaustic : public PimVertexObject {
public:
    CCaustic();

    HRESULT InitDeviceObjects() override;
    // Forgets the current frame with the textures it came from.
    HRESULT InvalidateDeviceObjects() override;
    // Takes the frame for time, then the base update.
    void Update(float time, float prevTime) override;
    // Pixel-shader register 5 and vertex-shader register 15 := (k, k, k, 1).
    HRESULT Render() override;

    // floor(32 t) mod 32: 32 frames a second, a one-second loop.
    static int FrameIndex(float time);

    IDirect3DTexture8* currentFrame; // not owned; null until an update finds the frames made
};
