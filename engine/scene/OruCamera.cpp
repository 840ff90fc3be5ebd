#include "OruCamera.h"

#include "OruWorld.h"

#include "framework/AppAccess.h"
#include "framework/OruApplication.h"
#include "mesh/Pi.h"
#include "trace/TraceD3DResult.h"

#include "settings/SceneSettings.h"

#include <cmath>

namespace {

// The application's vertical field of view, for a camera without one.
const float DefaultFieldOfView = Pi / 3.0f;
// Below this a view axis counts as degenerate.
const float DegenerateLength = 1e-6f;

const Vector3 WarmUpEye(0, 0, 10);
const Vector3 WarmUpAt(0, 0, 20);
const Vector3 StageEdge(10, 0, -15);
const Vector3 StageCentre(0, -1, -0.1f);
const Vector3 FarTarget(-10, 0, 15);

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

float FieldOfView()
{
    OruApplication* app = App();
    if (app && std::isfinite(app->fieldOfView) && app->fieldOfView > 0.0f)
        return app->fieldOfView;
    return DefaultFieldOfView;
}

ArcBall* MouseTracker()
{
    OruApplication* app = App();
    return app ? &app->arcBall : nullptr;
}

bool WarmedUp()
{
    OruApplication* app = App();
    return app && app->world && app->world->warmedUp;
}

// The head, centre or tail fish of flock; null for a choice or flock outside
// the table.
OruObject* CameraFish(int32_t choice, int32_t flock)
{
    if (flock < 0 || flock >= FlockCameraFishCount)
        return nullptr;
    const FlockCameraFishEntry& entry = FlockCameraFish[flock];
    switch (choice) {
    case HeadFish:
        return entry.head;
    case CentreFish:
        return entry.centre;
    case TailFish:
        return entry.tail;
    default:
        return nullptr;
    }
}

// Shifts sample into history (newest first) and returns the mean; the first
// sample fills the whole history. A sample that is not finite is left out.
Vector3 Smooth(Vector3* history, int32_t& sampled, const Vector3& sample)
{
    if (Finite(sample)) {
        if (!sampled) {
            for (int i = 0; i < CameraHistory; ++i)
                history[i] = sample;
            sampled = 1;
        } else {
            for (int i = CameraHistory - 1; i > 0; --i)
                history[i] = history[i - 1];
            history[0] = sample;
        }
    }
    D3DXVECTOR3 sum(0, 0, 0);
    for (int i = 0; i < CameraHistory; ++i)
        sum += history[i];
    return sum * 0.25f;
}

// The look-at view from eye to at with up (0, 1, 0); false when the eye sits
// on the target, looks straight up or down, or a value is not finite.
bool LookAt(D3DXMATRIX* out, const D3DXVECTOR3& eye, const D3DXVECTOR3& at)
{
    if (!Finite(eye) || !Finite(at))
        return false;
    D3DXVECTOR3 z = at - eye;
    if (D3DXVec3Length(&z) < DegenerateLength)
        return false;
    D3DXVec3Normalize(&z, &z);
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXVECTOR3 x;
    D3DXVec3Cross(&x, &up, &z);
    if (D3DXVec3Length(&x) < DegenerateLength)
        return false;
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(view.m[i / 4][i % 4]))
            return false;
    *out = view;
    return true;
}

} // namespace

OruCamera::OruCamera()
    : targetPoint(0, 0, 0), targetObject(nullptr), eyeObject(nullptr), averagedTarget(0, 0, 0),
      averagedEye(0, 0, 0), eyeMode(EyeFixed), targetMode(TargetFixed), view(), targetSampled(0), eyeSampled(0)
{
    SetName("OruCamera");
    for (int i = 0; i < CameraHistory; ++i) {
        targetHistory[i] = Vector3(0, 0, 0);
        eyeHistory[i] = Vector3(0, 0, 0);
    }
    // Until the first valid update: the warm-up view and its planes.
    LookAt(&view, WarmUpEye, WarmUpAt);
    BuildSidePlanes(D3DXVECTOR3(0, 0, 1), DefaultFieldOfView);
}

void OruCamera::SetEyePoint(const Vector3& point)
{
    eyeMode = EyeFixed;
    position = point;
}

void OruCamera::SetEyeObject(OruObject* object)
{
    eyeMode = EyeObject;
    eyeObject = object;
}

void OruCamera::SetTargetPoint(const Vector3& point)
{
    targetMode = TargetFixed;
    targetPoint = point;
}

void OruCamera::SetTargetObject(OruObject* object)
{
    targetMode = TargetObject;
    targetObject = object;
}

Vector3* OruCamera::GetPosition()
{
    return eyeMode == EyeObject ? &averagedEye : &position;
}

Vector3* OruCamera::GetTarget(Vector3* out)
{
    if (targetMode == TargetObject) {
        *out = averagedTarget;
    } else if (targetMode == TargetMouse) {
        Vector3 direction;
        GetDirection(&direction);
        *out = *GetPosition() + direction;
    } else {
        *out = targetPoint;
    }
    return out;
}

Vector3* OruCamera::GetDirection(Vector3* out)
{
    if (targetMode == TargetMouse) {
        const D3DXVECTOR3 forward(0, 0, 1);
        ArcBall* mouse = MouseTracker();
        if (mouse)
            D3DXVec3TransformCoord(out, &forward, mouse->GetMouseRotation());
        else
            *out = forward;
        return out;
    }
    Vector3 target;
    GetTarget(&target);
    const D3DXVECTOR3 offset = target - *GetPosition();
    D3DXVec3Normalize(out, &offset);
    return out;
}

OruObject* OruCamera::GetEyeObject()
{
    return eyeMode == EyeObject ? eyeObject : nullptr;
}

void OruCamera::Update(float time, float prevTime)
{
    const float dt = time - prevTime;
    if (eyeMode == EyeMouse) {
        ArcBall* mouse = MouseTracker();
        if (mouse && std::isfinite(dt)) {
            Vector3 direction;
            GetDirection(&direction);
            if (mouse->rightDown)
                position -= direction * (2.0f * dt);
            if (mouse->dragging)
                position += direction * (2.0f * dt);
        }
    }
    if (targetMode == TargetObject && targetObject)
        averagedTarget = Smooth(targetHistory, targetSampled, targetObject->position);
    if (eyeMode == EyeObject && eyeObject)
        averagedEye = Smooth(eyeHistory, eyeSampled, eyeObject->position);

    Vector3 direction;
    GetDirection(&direction);
    BuildSidePlanes(direction, FieldOfView());
}

bool OruCamera::BuildSidePlanes(const D3DXVECTOR3& d, float fieldOfView)
{
    // The planes lie a little outside the field of view.
    return BuildSidePlaneNormals(d, fieldOfView * 0.65f, sidePlaneNormals);
}

void OruCamera::SetView()
{
    Vector3 eye = WarmUpEye;
    Vector3 at = WarmUpAt;
    if (WarmedUp()) {
        eye = *GetPosition();
        GetTarget(&at);
    }
    // A degenerate view keeps the last valid one.
    LookAt(&view, eye, at);
    OruApplication* app = App();
    if (app && app->device)
        TRACE_D3D(app->device->SetTransform(D3DTS_VIEW, &view));
}

int32_t OruCamera::IsBoxVisible(OruObject* object)
{
    if (!object)
        return 0;
    const Vector3& lo = object->boundsMin;
    const Vector3& hi = object->boundsMax;
    const D3DXVECTOR3 corners[8] = {
        D3DXVECTOR3(lo.x, lo.y, lo.z), D3DXVECTOR3(hi.x, lo.y, lo.z), D3DXVECTOR3(lo.x, hi.y, lo.z),
        D3DXVECTOR3(hi.x, hi.y, lo.z), D3DXVECTOR3(lo.x, lo.y, hi.z), D3DXVECTOR3(hi.x, lo.y, hi.z),
        D3DXVECTOR3(lo.x, hi.y, hi.z), D3DXVECTOR3(hi.x, hi.y, hi.z),
    };
    const Vector3 eye = *GetPosition();
    for (const D3DXVECTOR3& corner : corners) {
        D3DXVECTOR3 c;
        D3DXVec3TransformCoord(&c, &corner, &object->world);
        D3DXVECTOR3 offset;
        Vec3Subtract(&offset, &c, &eye);
        int inside = 1;
        for (const Vector3& n : sidePlaneNormals) {
            if (!(Vec3Dot(&offset, &n) < 0.0f)) {
                inside = 0;
                break;
            }
        }
        if (inside)
            return 1;
    }
    return 0;
}

void OruCamera::Reset(int)
{
    const int32_t from = SceneSetting(SceneCameraFrom);
    const int32_t fromOpt = SceneSetting(SceneCameraFromOpt);
    int32_t eyeChoice = from;

    OruObject* ridden = nullptr;
    switch (from) {
    case HeadFish:
    case CentreFish:
    case TailFish:
    case WanderingPoint: {
        // An option outside the table counts as a missing fish.
        OruObject* fish = from == WanderingPoint ? WanderingPointFish : CameraFish(from, fromOpt);
        if (fish) {
            SetEyeObject(fish);
            ridden = from == WanderingPoint ? nullptr : fish;
        } else {
            SetEyePoint(StageCentre);
            eyeChoice = StageCentrePoint;
            if (SceneParams.count > static_cast<uint32_t>(SceneCameraFrom))
                SceneParams.items[SceneCameraFrom].value = StageCentrePoint;
        }
        break;
    }
    case StageEdgePoint:
        SetEyePoint(StageEdge);
        break;
    case StageCentrePoint:
        SetEyePoint(StageCentre);
        break;
    case MouseControl:
        // The eye flies on from where it is; the target follows the mouse.
        eyeMode = EyeMouse;
        targetMode = TargetMouse;
        return;
    default:
        break;
    }

    const int32_t to = SceneSetting(SceneCameraTo);
    const int32_t toOpt = SceneSetting(SceneCameraToOpt);
    switch (to) {
    case HeadFish:
    case CentreFish:
    case TailFish: {
        OruObject* fish = CameraFish(to, toOpt);
        // The eye's own fish is not looked at.
        if (fish && fish != ridden)
            SetTargetObject(fish);
        else
            SetTargetPoint(FarTarget);
        break;
    }
    case StageEdgePoint:
        SetTargetPoint(FarTarget);
        break;
    case StageCentrePoint:
        SetTargetPoint(eyeChoice == StageCentrePoint ? FarTarget : StageCentre);
        break;
    default:
        break;
    }
}

D3DXVECTOR3* OruCamera::Vec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b)
{
    out->x = a->x - b->x;
    out->y = a->y - b->y;
    out->z = a->z - b->z;
    return out;
}

float OruCamera::Vec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b)
{
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

D3DXVECTOR3* OruCamera::Vec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b)
{
    const D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
    *out = r;
    return out;
}
