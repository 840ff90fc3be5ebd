// The scene's one camera. Its eye is a fixed point, an object it rides with,
// or flown with the mouse; its target a fixed point, an object it looks at,
// or the mouse direction. Followed objects are smoothed over their last four
// positions. Each update rebuilds the four side planes through the eye that
// IsBoxVisible tests objects against. The world owns it, updates it first in
// every world update and then sets the view from it.
#pragma once

#include "OruMove.h"
#include "SidePlanes.h"

#include "mesh/Vector3.h"

#include "D3DXMath.h"

#include <cstdint>

// Eye modes.
const int32_t EyeFixed = 0;
const int32_t EyeObject = 1;
const int32_t EyeMouse = 3;
// Target modes.
const int32_t TargetFixed = 0;
const int32_t TargetObject = 1;
const int32_t TargetMouse = 2;

const int CameraHistory = 4;
const int CameraSidePlanes = SidePlaneCount;

class OruCamera : public OruMove {
public:
    // Both modes fixed, eye and target at the origin, no objects; the view
    // and the side planes are those of the warm-up view.
    OruCamera();

    // Mouse-flown eye movement, the followed objects' histories, then the
    // side planes. Replaces the moving object's update: no speed-driven motion.
    void Update(float time, float prevTime) override;
    // The eye: the smoothed eye object's position in the object mode, else
    // the camera's own position.
    Vector3* GetPosition() override;
    // Eye and target from the camera settings (the argument is not used).
    void Reset(int) override;

    void SetEyePoint(const Vector3& point);
    void SetEyeObject(OruObject* object);
    void SetTargetPoint(const Vector3& point);
    void SetTargetObject(OruObject* object);

    Vector3* GetTarget(Vector3* out);
    // Unit view direction; the zero vector while the eye sits on the target.
    Vector3* GetDirection(Vector3* out);
    // The object the eye rides with, or null; the world does not draw it.
    OruObject* GetEyeObject();

    // Builds the view matrix (the warm-up view until the world is warmed up)
    // and sets it on the device. A degenerate view (eye on the target, or
    // looking straight up or down) keeps the last valid one.
    void SetView();

    // 1 when at least one corner of object's box lies strictly inside all
    // four side planes, else 0 (also for null).
    int32_t IsBoxVisible(OruObject* object);

    static D3DXVECTOR3* Vec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
    static float Vec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b);
    static D3DXVECTOR3* Vec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);

    Vector3 targetPoint;
    OruObject* targetObject; // not owned
    OruObject* eyeObject;    // not owned
    Vector3 targetHistory[CameraHistory]; // newest first
    Vector3 averagedTarget;
    Vector3 eyeHistory[CameraHistory];    // newest first
    Vector3 averagedEye;
    Vector3 sidePlaneNormals[CameraSidePlanes];
    int32_t eyeMode;
    int32_t targetMode;
    D3DXMATRIX view;

    // Whether a history holds samples yet: its first sample fills all four
    // entries.
    int32_t targetSampled;
    int32_t eyeSampled;

private:
    // Rebuilds the side planes around direction; false (planes kept) when
    // the direction is degenerate.
    bool BuildSidePlanes(const D3DXVECTOR3& direction, float fieldOfView);
};
