#include "OruSteering.h"

#include "OruWorld.h"

#include "framework/AppAccess.h"
#include "framework/OruApplication.h"
#include "mesh/OruPtrArray.h"
#include "mesh/Pi.h"
#include "trace/DebugPrint.h"

#include "settings/SceneSettings.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Speed factors of the per-flock density setting: normal, spreaded, tight.
const float FlockDensityFactors[] = {1.0f, 2.0f, 0.2f};
const int32_t FlockDensityFactorCount = 3;

const int32_t FlockMateDynamic = 0;
const int32_t FlockMateGroup = 1;
const int NeighbourCount = 4;

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

float Clamp(float v, float lo, float hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// The largest turn allowed in dt at rate; no turn for a step that is not
// positive.
float TurnLimit(float rate, float dt)
{
    const float limit = rate * dt;
    return limit > 0.0f ? limit : 0.0f;
}

bool Reversed(int32_t orientationMode)
{
    return orientationMode == 1 || orientationMode == 3;
}

} // namespace

OruSteering::OruSteering()
    : courseMode(CourseWander), yawRate(Pi), pitchRate(Pi / 5.0f), yawEnabled(1), pitchEnabled(1), target(nullptr),
      speedScale(1.0f), speedChangeRate(0.0f), trail(nullptr), desiredSpeed(0.0f), desiredDirection(0, 0, 0),
      lastGoodYaw(0.0f), lastGoodPitch(0.0f)
{
}

OruSteering::~OruSteering()
{
    delete trail;
}

HRESULT OruSteering::FinalCleanup()
{
    delete trail;
    trail = nullptr;
    return 0;
}

void OruSteering::Follow(float time, float prevTime, OruObject* body)
{
    if (!body)
        return;
    ChooseCourse(time, prevTime, body);
    EaseSpeed(time, prevTime, body);
    if (trail)
        trail->AddSample(&body->position, time);
}

void OruSteering::ChooseCourse(float time, float prevTime, OruObject* body)
{
    const float dt = time - prevTime;
    if (courseMode == CourseWander) {
        desiredSpeed = (std::cos(time) + 1.0f) * speedScale * 0.2f + 0.05f;
        const float pitchGoal = std::sin(time * (2.0f / 3.0f)) * 0.2617994f;
        body->yaw += 0.05f * dt;
        const float limit = TurnLimit(pitchRate, dt);
        const float step = Clamp((pitchGoal - body->pitch) * dt, -limit, limit);
        // A pitch that is not finite would never come back: start again level.
        body->pitch = std::isfinite(body->pitch + step) ? body->pitch + step : 0.0f;
        if (!std::isfinite(body->yaw))
            body->yaw = 0.0f;
        return;
    }
    if (courseMode != 0 && courseMode != 1 && courseMode != 3)
        return;

    const Vector3 goal = target ? *target->GetPosition() : position;
    D3DXVECTOR3 direction = goal - body->position;
    const float length = D3DXVec3Length(&direction);
    const bool flyingBar = std::strcmp(name, "PimFlyingBar") == 0;
    if (!std::isfinite(length)) {
        // A goal or body position that is not finite gives no direction.
        desiredDirection = Vector3(0, 0, 0);
        return;
    }
    if (length == 0.0f) {
        // Exactly at the goal there is no direction: stop turning for now.
        desiredDirection = Vector3(0, 0, 0);
        if (!flyingBar)
            desiredSpeed = 0.1f;
        return;
    }
    direction /= length;
    desiredDirection = direction;
    if (!flyingBar && length < 1.5f) {
        desiredSpeed = 0.1f;
        return;
    }
    direction += FlockOffset(time, prevTime, body);
    D3DXVec3Normalize(&direction, &direction);
    desiredDirection = direction;
    TurnTowards(time, prevTime, body);
}

OruPtrArray* OruSteering::Neighbours(OruObject* body)
{
    const int32_t mode = TechniqueSetting(TechFlockMateEffect);
    if (mode == FlockMateGroup)
        return body->group;
    if (mode == FlockMateDynamic) {
        OruApplication* app = App();
        return app && app->world ? app->world->GetNeighbours(body, NeighbourCount) : nullptr;
    }
    return nullptr;
}

Vector3 OruSteering::FlockOffset(float time, float prevTime, OruObject* body)
{
    const Vector3 zero(0, 0, 0);
    OruPtrArray* list = Neighbours(body);
    if (!list || list->count <= 0 || !list->items)
        return zero;

    D3DXVECTOR3 away(0, 0, 0);
    D3DXVECTOR3 headings = body->heading;
    int entries = 0;
    int pushes = 0;
    for (int i = 0; i < list->count; ++i) {
        OruObject* other = static_cast<OruObject*>(list->items[i]);
        if (!other)
            continue;
        ++entries;
        if (other == body)
            continue;
        const D3DXVECTOR3 d = other->position - body->position;
        const float l = D3DXVec3Length(&d);
        if (l != 0.0f && std::isfinite(l)) {
            away += (-d / l) * (2.0f / (l + 1.0f));
            ++pushes;
        }
        headings += other->heading;
    }
    // A list without a single entry gives nothing to average over.
    if (entries == 0)
        return zero;
    if (pushes != 0)
        away /= static_cast<float>(pushes);
    const D3DXVECTOR3 f = away + headings * (0.1f / static_cast<float>(entries));

    // The density of the body's flock; a body outside every flock, or a
    // setting out of range, takes the normal factor.
    float k = FlockDensityFactors[0];
    const int32_t flock = body->flockIndex;
    if (flock >= 0 && flock < FlockTableCount) {
        const int32_t density = FlockSetting(flock, FlockDensity);
        if (density >= 0 && density < FlockDensityFactorCount)
            k = FlockDensityFactors[density];
    }
    const Vector3 result = f * (k * (time - prevTime) * 10.0f);
    return Finite(result) ? result : zero;
}

void OruSteering::TurnTowards(float time, float prevTime, OruObject* body)
{
    const float dt = time - prevTime;
    const float x = desiredDirection.x, y = desiredDirection.y, z = desiredDirection.z;

    if (yawEnabled) {
        // A yaw that is not finite would stay so: turn on from the last good one.
        if (!std::isfinite(body->yaw)) {
            DebugPrint("!BI2");
            body->yaw = lastGoodYaw;
        }
        const float h = std::sqrt(x * x + z * z);
        if (h > 1e-7f) {
            const float g = Pi - std::acos(Clamp(x / h, -1.0f, 1.0f));
            if (std::isnan(g))
                DebugPrint("!BI1");
            const float goal = z > 0.0f ? g : -g;
            float delta = goal - body->yaw;
            if (Reversed(orientationMode))
                delta = delta < 0.0f ? delta + Pi : delta - Pi;
            // The short way round, whatever the yaw has wound up to.
            if (delta > Pi || delta < -Pi)
                delta = std::remainder(delta, TwoPi);
            const float limit = TurnLimit(yawRate, dt);
            delta = std::isnan(delta) ? -limit : Clamp(delta, -limit, limit);
            body->yaw += delta;
        }
        if (!std::isfinite(body->yaw)) {
            DebugPrint("!BI2");
            body->yaw = lastGoodYaw;
        }
        lastGoodYaw = body->yaw;
    }

    if (pitchEnabled) {
        if (!std::isfinite(body->pitch)) {
            DebugPrint("!BPT");
            body->pitch = lastGoodPitch;
        }
        float goal = -std::asin(Clamp(y, -1.0f, 1.0f));
        if (std::isnan(goal)) {
            DebugPrint("!BHL");
            lastGoodPitch = body->pitch;
            return;
        }
        if (Reversed(orientationMode))
            goal = -goal;
        const float limit = TurnLimit(pitchRate, dt);
        body->pitch += Clamp(goal - body->pitch, -limit, limit);
        if (!std::isfinite(body->pitch)) {
            DebugPrint("!BPT");
            body->pitch = lastGoodPitch;
        }
        lastGoodPitch = body->pitch;
    }
}

void OruSteering::EaseSpeed(float time, float prevTime, OruObject* body)
{
    const float dt = time - prevTime;
    // A speed that is not finite would stay so: ease on from standing still.
    if (!std::isfinite(body->speed))
        body->speed = 0.0f;
    const float old = body->speed;
    const float step = dt > 0.0f ? dt : 0.0f;
    if (desiredSpeed > old)
        body->speed = std::min(old + step, desiredSpeed);
    else if (desiredSpeed < old)
        body->speed = std::max(old - step, desiredSpeed);
    else if (std::isnan(desiredSpeed))
        body->speed = old - step;
    speedChangeRate = dt > 0.0f ? (body->speed - old) / dt : 0.0f;
}
