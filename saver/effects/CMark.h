// One of the thirty large coloured shapes that float on a sphere around the
// eye: it wanders over the sphere, turns in its own plane and fades between
// half and full opacity; its colour is a rainbow gradient turned with it.
#pragma once

#include "scene/PimVertexObject.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdint>

// Texture slots: 0-2 the gradients, 3-11 the shapes.
const int MarkGradientSlots = 3;
const int MarkShapeSlots = 9;

extern const DWORD MarkStateTokens[];
extern const ShaderSet MarkShaders;

// Set once a device could not validate the two-stage blend; from then on
// every mark draws its shape's alpha without the fade.
extern int32_t MarkValidationFailed;

class CMark : public PimVertexObject {
public:
    CMark();

    HRESULT InitDeviceObjects() override;
    // The quad's buffer, then the base's device objects. A quad that cannot
    // be written is traced and let go (the mark draws nothing until a later
    // restore fills it); only the creation's and the base's failures are
    // returned.
    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    // Fade, spin and drift ease toward their targets; the mark's place on
    // its sphere around the eye. No base update.
    void Update(float time, float prevTime) override;
    HRESULT Render() override;

    // The texture factor for a fade: alpha = fade x 255, colour bytes 0.
    static DWORD FadeFactor(float fade);
    // The point on the unit sphere for the two angles.
    static Vector3 SphereOffset(float yaw, float roll);

    IDirect3DVertexBuffer8* quadVB;
    float spinTarget;
    float spin;
    float driftHeading;
    float driftHeadingTarget;
    float driftRate;     // 0.8 to 1.2
    int32_t gradientIndex;
    int32_t shapeIndex;
    float fade;
    float fadeTarget;
    float distance;      // radius of the mark's sphere around the eye
};
