// The steering base and its trail recorder: the ring, the seek course and its
// slow-down near the goal, the turn limits and the short way round, the ease
// of speed, the flocking offset over a group or the world's neighbours, and
// the guards against values that are not finite.

#include "framework/OruApplication.h"
#include "mesh/OruPtrArray.h"
#include "scene/OruSteering.h"
#include "scene/OruTrailRecorder.h"
#include "scene/OruWorld.h"

#include "settings/SceneSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

const float Pi = 3.14159265358979f;
const float NaN = std::numeric_limits<float>::quiet_NaN();
const float Inf = std::numeric_limits<float>::infinity();

void ExpectVectorNear(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, const std::string& what,
                      float tolerance = 1e-5f)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance) << what;
    EXPECT_NEAR(expected.y, actual.y, tolerance) << what;
    EXPECT_NEAR(expected.z, actual.z, tolerance) << what;
}

// The heading of an object with this yaw and pitch.
Vector3 HeadingOf(float yaw, float pitch)
{
    return Vector3(-std::cos(pitch) * std::cos(yaw), -std::sin(pitch), std::cos(pitch) * std::sin(yaw));
}

class FlyingBar : public OruSteering {
public:
    FlyingBar() { SetName("PimFlyingBar"); }
};

// A seeking steering object with its goal at goal.
template <typename Steering> void Seek(Steering& s, const Vector3& goal)
{
    s.courseMode = CourseSeek;
    s.position = goal;
}

// Settings tables emptied (built-in defaults) around each test.
class SteeringSettings : public ::testing::Test {
protected:
    void TearDown() override
    {
        TechniqueParams = CParameter();
        for (CParameter& table : FlockParams)
            table = CParameter();
    }
    void SetFlockMate(int32_t mode)
    {
        TechniqueParams = CParameter();
        TechniqueParams.AddItems(TechniqueParamDefs);
        TechniqueParams.items[TechFlockMateEffect].value = mode;
    }
    void SetDensity(int flock, int32_t density)
    {
        FlockParams[flock] = CParameter();
        FlockParams[flock].AddItems(FlockParamDefs);
        FlockParams[flock].items[FlockDensity].value = density;
    }
};

} // namespace

// ---- trail recorder

TEST(OruTrailRecorder, EmptyRingGivesZeroForAnyDelay)
{
    OruTrailRecorder trail;
    EXPECT_EQ(-10.0f, trail.lastTime);
    EXPECT_EQ(0, trail.count);
    EXPECT_EQ(0, trail.writeIndex);
    for (int n : {1, 2, 200, 500, 0, -3}) {
        Vector3 out(9, 9, 9);
        ExpectVectorNear(Vector3(0, 0, 0), *trail.GetDelayed(&out, n), "delay " + std::to_string(n));
    }
}

TEST(OruTrailRecorder, SamplesAtMostEveryFifthOfASecond)
{
    OruTrailRecorder trail;
    const Vector3 a(1, 0, 0), b(2, 0, 0), c(3, 0, 0), d(4, 0, 0);
    trail.AddSample(&a, 0.0f);
    trail.AddSample(&b, 0.1f); // too soon
    EXPECT_EQ(1, trail.count);
    trail.AddSample(&b, 0.2f);
    trail.AddSample(&c, NaN);  // never for a time that is not a number
    trail.AddSample(&c, 0.45f);
    EXPECT_EQ(3, trail.count);
    EXPECT_FLOAT_EQ(0.45f, trail.lastTime);
    trail.PushSample(4, 0, 0); // regardless of time, lastTime kept
    EXPECT_EQ(4, trail.count);
    EXPECT_FLOAT_EQ(0.45f, trail.lastTime);

    const struct {
        int n;
        Vector3 expected;
    } delays[] = {{1, d}, {2, c}, {3, b}, {4, a}, {5, a}, {1000, a}, {0, d}, {-1, d}};
    for (const auto& e : delays) {
        Vector3 out;
        ExpectVectorNear(e.expected, *trail.GetDelayed(&out, e.n), "delay " + std::to_string(e.n));
    }
}

TEST(OruTrailRecorder, RingOverwritesTheOldestOnceFull)
{
    OruTrailRecorder trail;
    for (int i = 0; i < 201; ++i)
        trail.PushSample(float(i), 0, 0);
    EXPECT_EQ(200, trail.count);
    EXPECT_EQ(1, trail.writeIndex);
    Vector3 out;
    EXPECT_EQ(200.0f, trail.GetDelayed(&out, 1)->x);
    EXPECT_EQ(1.0f, trail.GetDelayed(&out, 200)->x); // sample 0 is gone
    EXPECT_EQ(1.0f, trail.GetDelayed(&out, 250)->x);
    EXPECT_EQ(101.0f, trail.GetDelayed(&out, 100)->x);
}

// ---- steering base

TEST(OruSteering, StartsWithItsDefaults)
{
    OruSteering s;
    EXPECT_STREQ("OruObject", s.name);
    EXPECT_EQ(CourseWander, s.courseMode);
    EXPECT_FLOAT_EQ(Pi, s.yawRate);
    EXPECT_FLOAT_EQ(0.6283185f, s.pitchRate);
    EXPECT_EQ(1, s.yawEnabled);
    EXPECT_EQ(1, s.pitchEnabled);
    EXPECT_EQ(nullptr, s.target);
    EXPECT_EQ(nullptr, s.trail);
}

TEST(OruSteering, FollowRecordsTheTrailAndCleanupFreesIt)
{
    OruSteering s;
    Seek(s, Vector3(10, 0, 0));
    s.trail = new OruTrailRecorder();
    OruObject body;
    s.Follow(0.5f, 0.0f, nullptr); // no body: nothing
    EXPECT_EQ(0, s.trail->count);
    s.Follow(0.5f, 0.0f, &body);
    ASSERT_EQ(1, s.trail->count);
    EXPECT_EQ(0.5f, s.trail->lastTime);
    EXPECT_EQ(0, s.FinalCleanup());
    EXPECT_EQ(nullptr, s.trail);
}

TEST(OruSteering, NearTheGoalAPlainSteeringSlowsDownWithoutTurning)
{
    OruSteering plain;
    FlyingBar bar;
    for (OruSteering* s : {&plain, static_cast<OruSteering*>(&bar)}) {
        OruObject body;
        body.yaw = 0.3f;
        body.pitch = 0.1f;
        Seek(*s, Vector3(0, 0, 1.4f)); // 1.4 away, along +z
        s->desiredSpeed = 2.0f;
        s->ChooseCourse(1.0f, 0.9f, &body);
        ExpectVectorNear(Vector3(0, 0, 1), s->desiredDirection, s->name);
        if (s == &plain) {
            EXPECT_FLOAT_EQ(0.1f, s->desiredSpeed);
            EXPECT_FLOAT_EQ(0.3f, body.yaw);
            EXPECT_FLOAT_EQ(0.1f, body.pitch);
        } else {
            EXPECT_FLOAT_EQ(2.0f, s->desiredSpeed);
            // Goal yaw pi/2 (heading +z): turns by pi x 0.1; pitch toward 0 by at most pi/5 x 0.1.
            EXPECT_NEAR(0.3f + Pi * 0.1f, body.yaw, 1e-5f);
            EXPECT_NEAR(0.1f - 0.06283185f, body.pitch, 1e-5f);
        }
    }
}

TEST(OruSteering, BodyExactlyAtTheGoalKeepsItsOrientationWithoutNaN)
{
    OruSteering plain;
    FlyingBar bar;
    for (OruSteering* s : {&plain, static_cast<OruSteering*>(&bar)}) {
        OruObject body;
        body.position = Vector3(2, 3, 4);
        body.yaw = 0.7f;
        body.pitch = -0.2f;
        Seek(*s, body.position);
        s->desiredSpeed = 1.0f;
        s->ChooseCourse(1.0f, 0.9f, &body);
        EXPECT_TRUE(std::isfinite(s->desiredDirection.x) && std::isfinite(s->desiredDirection.y) &&
                    std::isfinite(s->desiredDirection.z))
            << s->name;
        EXPECT_FLOAT_EQ(0.7f, body.yaw) << s->name;
        EXPECT_FLOAT_EQ(-0.2f, body.pitch) << s->name;
        EXPECT_FLOAT_EQ(s == &plain ? 0.1f : 1.0f, s->desiredSpeed) << s->name;
    }
}

TEST(OruSteering, TurnsTowardTheDesiredDirectionWithinItsRates)
{
    const struct {
        const char* name;
        float yaw, pitch;
        Vector3 direction;
        float dt;
        float expectedYaw, expectedPitch;
    } cases[] = {
        // Heading -x is yaw 0; +z is yaw pi/2; +x is yaw pi.
        {"already on course", 0.0f, 0.0f, Vector3(-1, 0, 0), 0.1f, 0.0f, 0.0f},
        {"small yaw reached", 0.0f, 0.0f, HeadingOf(0.2f, 0), 0.1f, 0.2f, 0.0f},
        {"yaw limited to pi dt", 0.0f, 0.0f, Vector3(0, 0, 1), 0.1f, Pi * 0.1f, 0.0f},
        {"negative yaw side", 0.0f, 0.0f, Vector3(0, 0, -1), 0.1f, -Pi * 0.1f, 0.0f},
        // Yaw -3pi/4 toward +3pi/4: a difference of 3pi/2 turns the short way.
        {"short way round", -0.75f * Pi, 0.0f, HeadingOf(0.75f * Pi, 0), 0.1f, -0.75f * Pi - Pi * 0.1f, 0.0f},
        // A yaw wound up by several turns still takes the short way.
        {"wound-up yaw", 6.0f * Pi - 0.1f, 0.0f, HeadingOf(0.0f, 0), 0.01f, 6.0f * Pi - 0.1f + Pi * 0.01f, 0.0f},
        {"pitch limited to pi/5 dt", 0.0f, 0.0f, HeadingOf(0, 0.5f), 0.1f, 0.0f, 0.06283185f},
        {"pitch reached", 0.0f, 0.0f, HeadingOf(0, 0.05f), 0.1f, 0.0f, 0.05f},
        {"straight up turns only the pitch", 0.4f, 0.0f, Vector3(0, 1, 0), 0.1f, 0.4f, -0.06283185f},
        {"straight down", 0.4f, 0.0f, Vector3(0, -1, 0), 0.1f, 0.4f, 0.06283185f},
        // asin's argument is clamped: a direction a hair beyond unit length.
        {"y beyond one", 0.4f, 0.0f, Vector3(0, 1.0000002f, 0), 0.1f, 0.4f, -0.06283185f},
        {"zero step turns nothing", 0.3f, 0.2f, Vector3(0, 0, 1), 0.0f, 0.3f, 0.2f},
    };
    for (const auto& c : cases) {
        OruSteering s;
        OruObject body;
        body.yaw = c.yaw;
        body.pitch = c.pitch;
        s.desiredDirection = c.direction;
        s.TurnTowards(1.0f + c.dt, 1.0f, &body);
        EXPECT_NEAR(c.expectedYaw, body.yaw, 2e-5f) << c.name;
        EXPECT_NEAR(c.expectedPitch, body.pitch, 2e-5f) << c.name;
    }
}

TEST(OruSteering, DisabledPartsDoNotTurn)
{
    OruSteering s;
    OruObject body;
    s.desiredDirection = HeadingOf(1.0f, 0.3f);
    s.yawEnabled = 0;
    s.TurnTowards(1.0f, 0.0f, &body);
    EXPECT_EQ(0.0f, body.yaw);
    EXPECT_NEAR(0.3f, body.pitch, 1e-5f);
    s.yawEnabled = 1;
    s.pitchEnabled = 0;
    body.pitch = 0.0f;
    s.TurnTowards(1.0f, 0.0f, &body);
    EXPECT_NEAR(1.0f, body.yaw, 1e-5f);
    EXPECT_EQ(0.0f, body.pitch);
}

TEST(OruSteering, YawOrPitchThatIsNotFiniteReturnsToTheLastGoodValue)
{
    OruSteering s;
    OruObject body;
    s.desiredDirection = Vector3(0, 0, 1);
    s.TurnTowards(0.1f, 0.0f, &body); // yaw pi/10, pitch 0
    const float goodYaw = body.yaw;
    ASSERT_NEAR(Pi * 0.1f, goodYaw, 1e-5f);

    for (float bad : {NaN, Inf, -Inf}) {
        body.yaw = bad;
        body.pitch = bad;
        s.TurnTowards(0.2f, 0.1f, &body);
        // Turned on from the last good yaw and pitch.
        EXPECT_NEAR(goodYaw + Pi * 0.1f, body.yaw, 1e-5f) << bad;
        EXPECT_NEAR(0.0f, body.pitch, 1e-5f) << bad;
        body.yaw = goodYaw;
        s.TurnTowards(0.1f, 0.1f, &body); // records the good yaw again
    }

    // A step that is not finite turns nothing and leaves finite angles.
    body.yaw = 0.5f;
    body.pitch = 0.1f;
    s.TurnTowards(NaN, 0.0f, &body);
    EXPECT_FLOAT_EQ(0.5f, body.yaw);
    EXPECT_FLOAT_EQ(0.1f, body.pitch);
}

TEST(OruSteering, EasesTheSpeedByAtMostTheStep)
{
    const struct {
        const char* name;
        float speed, desired, dt;
        float expectedSpeed, expectedRate;
    } cases[] = {
        {"accelerates by dt", 0.0f, 1.0f, 0.1f, 0.1f, 1.0f},
        {"reaches a near speed", 0.95f, 1.0f, 0.1f, 1.0f, 0.5f},
        {"decelerates by dt", 1.0f, 0.0f, 0.25f, 0.75f, -1.0f},
        {"stays at the desired speed", 0.5f, 0.5f, 0.1f, 0.5f, 0.0f},
        {"desired speed not a number lowers by dt", 0.5f, NaN, 0.1f, 0.4f, -1.0f},
        {"zero step: no change, rate 0", 0.3f, 1.0f, 0.0f, 0.3f, 0.0f},
        {"speed not finite eases on from rest", NaN, 1.0f, 0.1f, 0.1f, 1.0f},
    };
    for (const auto& c : cases) {
        OruSteering s;
        OruObject body;
        body.speed = c.speed;
        s.desiredSpeed = c.desired;
        s.EaseSpeed(2.0f + c.dt, 2.0f, &body);
        EXPECT_NEAR(c.expectedSpeed, body.speed, 1e-5f) << c.name;
        EXPECT_NEAR(c.expectedRate, s.speedChangeRate, 1e-4f) << c.name;
    }
}

TEST(OruSteering, WanderCourseFollowsItsClosedForm)
{
    OruSteering s;
    s.speedScale = 2.0f;
    OruObject body;
    const float time = 1.0f, dt = 0.5f;
    s.ChooseCourse(time, time - dt, &body);
    EXPECT_NEAR((std::cos(time) + 1.0f) * 2.0f * 0.2f + 0.05f, s.desiredSpeed, 1e-6f);
    EXPECT_NEAR(0.05f * dt, body.yaw, 1e-6f);
    const float goal = std::sin(time * 2.0f / 3.0f) * 0.2617994f;
    EXPECT_NEAR(goal * dt, body.pitch, 1e-6f);
}

TEST_F(SteeringSettings, FlockOffsetOverTheOwnGroup)
{
    const float dt = 0.1f;
    OruSteering s;
    OruPtrArray group(10, 10);

    // Alone in its group: F = 0.1 x its own heading, times k x dt x 10.
    OruObject body;
    body.heading = Vector3(-1, 0, 0);
    body.flockIndex = 0;
    group.Push(&body);
    body.group = &group;
    ExpectVectorNear(Vector3(-0.1f * dt * 10, 0, 0), s.FlockOffset(1.0f, 1.0f - dt, &body), "alone");

    // Same position: no push, headings still averaged over n = 2.
    OruObject twin;
    twin.heading = Vector3(0, 0, 1);
    group.Push(&twin);
    ExpectVectorNear(Vector3(-0.1f * 0.5f, 0, 0.1f * 0.5f) * (dt * 10), s.FlockOffset(1.0f, 1.0f - dt, &body),
                     "same position");

    // A neighbour 1 away along +x pushes by 2 / (1 + 1) along -x.
    twin.position = Vector3(1, 0, 0);
    const Vector3 expected = (Vector3(-1, 0, 0) + Vector3(-0.05f, 0, 0.05f)) * (dt * 10);
    ExpectVectorNear(expected, s.FlockOffset(1.0f, 1.0f - dt, &body), "push");

    // Densities of the body's flock: spreaded 2, tight 0.2; out of range or no flock: 1.
    const struct {
        int32_t flock, density;
        float k;
    } densities[] = {{0, 1, 2.0f}, {0, 2, 0.2f}, {0, 0, 1.0f}, {0, 7, 1.0f}, {0, -1, 1.0f}, {-1, 1, 1.0f}};
    for (const auto& d : densities) {
        SetDensity(0, d.density);
        body.flockIndex = d.flock;
        ExpectVectorNear(expected * d.k, s.FlockOffset(1.0f, 1.0f - dt, &body),
                         "flock " + std::to_string(d.flock) + " density " + std::to_string(d.density));
    }
}

TEST_F(SteeringSettings, FlockOffsetWithoutNeighboursIsZero)
{
    OruSteering s;
    OruObject body;
    body.flockIndex = -1;
    const Vector3 zero(0, 0, 0);

    ExpectVectorNear(zero, s.FlockOffset(1.0f, 0.9f, &body), "no group");
    OruPtrArray empty(10, 10);
    body.group = &empty;
    ExpectVectorNear(zero, s.FlockOffset(1.0f, 0.9f, &body), "empty group");
    OruPtrArray nulls(10, 10);
    nulls.Push(nullptr);
    body.group = &nulls;
    ExpectVectorNear(zero, s.FlockOffset(1.0f, 0.9f, &body), "null entries only");

    OruPtrArray group(10, 10);
    group.Push(&body);
    body.group = &group;
    SetFlockMate(2); // none
    ExpectVectorNear(zero, s.FlockOffset(1.0f, 0.9f, &body), "flock-mate none");
    SetFlockMate(5); // out of range
    ExpectVectorNear(zero, s.FlockOffset(1.0f, 0.9f, &body), "flock-mate out of range");
    SetFlockMate(0); // dynamic, but no world
    ExpectVectorNear(zero, s.FlockOffset(1.0f, 0.9f, &body), "dynamic without a world");
}

TEST_F(SteeringSettings, DynamicFlockMatesComeFromTheWorld)
{
    SetFlockMate(0);
    OruApplication app;
    OruWorld world;
    app.world = &world;
    OruWorld::fTimeKey = -1.0f;

    OruObject* body = new OruObject();
    OruObject* other = new OruObject();
    body->flockIndex = -1; // outside every flock: k = 1
    body->heading = Vector3(-1, 0, 0);
    other->position = Vector3(0, 0, 3);
    other->heading = Vector3(0, 0, 1);
    ASSERT_EQ(0, world.AddObject(body));

    OruSteering s;
    const float dt = 0.1f;
    // Alone in the world: an empty neighbour list.
    world.UpdateAll(1.0f);
    ExpectVectorNear(Vector3(0, 0, 0), s.FlockOffset(1.0f, 1.0f - dt, body), "alone in the world");

    ASSERT_EQ(0, world.AddObject(other));
    world.UpdateAll(1.1f);
    // One neighbour 3 away along +z: push 2 / 4 along -z; headings over n = 1.
    const Vector3 expected = (Vector3(0, 0, -0.5f) + Vector3(-1, 0, 1) * 0.1f) * (dt * 10);
    ExpectVectorNear(expected, s.FlockOffset(1.0f, 1.0f - dt, body), "one neighbour");

    app.world = nullptr;
    world.FinalCleanup();
}

TEST(OruSteering, SeekAddsTheFlockOffsetAndTurns)
{
    OruSteering s;
    Seek(s, Vector3(0, 0, 10));
    OruObject body;
    OruPtrArray group(10, 10);
    group.Push(&body);
    body.group = &group;
    body.heading = Vector3(-1, 0, 0);
    s.ChooseCourse(1.0f, 0.9f, &body);
    // (0, 0, 1) + 0.1 x (-1, 0, 0) x 0.1 x 10, normalised.
    D3DXVECTOR3 expected(-0.1f, 0, 1);
    D3DXVec3Normalize(&expected, &expected);
    ExpectVectorNear(expected, s.desiredDirection, "direction");
    EXPECT_NEAR(Pi * 0.1f, body.yaw, 1e-5f);

    // A goal that is not finite gives no direction and no turn.
    s.position = Vector3(NaN, 0, 0);
    body.yaw = 0.25f;
    s.ChooseCourse(1.1f, 1.0f, &body);
    ExpectVectorNear(Vector3(0, 0, 0), s.desiredDirection, "goal not finite");
    EXPECT_FLOAT_EQ(0.25f, body.yaw);

    // A target object's position is the goal.
    OruObject target;
    target.position = Vector3(-20, 0, 0);
    s.target = &target;
    s.ChooseCourse(1.2f, 1.1f, &body);
    EXPECT_LT(s.desiredDirection.x, -0.99f);
}
