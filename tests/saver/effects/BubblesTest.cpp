// The effects' rules without a device: bubble bursts, starts, drift, death and
// gathering in view; the background's easing, texture coordinates and blend
// factor; the lights' colours and the caustic's frame; the marks'
// construction, place on their sphere, culling, easing and fade factor.
// Random values are scripted.

#include "EffectsTestScene.h"

#include "effects/CBackPaper.h"
#include "effects/CBubbles.h"
#include "effects/CCaustic.h"
#include "effects/CLight.h"
#include "effects/CMark.h"
#include "flocks/CPathWanderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

using namespace effectstest;

namespace {

float Angle(int raw)
{
    return ScriptedRandom::Unit(raw) * 6.2831855f - 3.1415927f;
}

} // namespace

TEST(Bubbles, BurstLimitFollowsTheTimeSinceTheLastBurstUpToTheBubbleCount)
{
    struct Case {
        float lastBurst, time;
        int limit;
    };
    const Case cases[] = {
        {-1.0f, 0.5f, 15},     // the first update
        {-1.0f, 0.0f, 0},      // exactly one second after -1
        {0.0f, 1.0f, 0},       // exactly one second: no burst yet
        {0.0f, 1.05f, 10},
        {0.0f, 3.0f, 30},
        {-1.0f, 40.0f, 300},   // 410 wanted, 300 bubbles
        {0.0f, 7000.0f, 300},  // 70,000 wanted: no 16-bit wrap to 4,464
    };
    EffectsScene scene;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lastBurst << " -> " << c.time);
        ScriptedRandom random({});
        auto bubbles = std::make_unique<CBubbles>();
        bubbles->lastBurstTime = c.lastBurst;
        bubbles->Update(c.time, c.time);
        EXPECT_EQ(c.limit, bubbles->burstLimit);
        EXPECT_EQ(c.limit, bubbles->burstEmitted);
        int alive = 0;
        for (const CBubble& b : bubbles->bubbles)
            alive += b.alive;
        EXPECT_EQ(c.limit, alive);
        EXPECT_EQ(c.limit > 0 ? c.time : c.lastBurst, bubbles->lastBurstTime);
        // The next update within the second starts none.
        if (c.limit > 0) {
            bubbles->Update(c.time + 0.5f, c.time);
            EXPECT_EQ(0, bubbles->burstLimit);
        }
    }
}

TEST(Bubbles, StartsInsideTheBoxDrawingXThenYThenZ)
{
    EffectsScene scene;
    auto wide = std::make_unique<CBubbles>();
    wide->position = Vector3(0, 4, 0);
    wide->scale = 20.0f;
    wide->burstLimit = 2;
    ScriptedRandom random({0, 32767, 0, 32767, 0, 32767, 5});
    Vector3 out;
    ASSERT_EQ(1, wide->EmitBubble(&out));
    EXPECT_EQ(Vector3(-10.0f, 4.5f, -10.0f), out);
    ASSERT_EQ(1, wide->EmitBubble(&out));
    EXPECT_EQ(Vector3(10.0f, 3.5f, 10.0f), out);
    EXPECT_EQ(0, wide->EmitBubble(&out)) << "the burst is spent";
    EXPECT_EQ(6, random.DrawCount()) << "a refused start draws nothing";
}

TEST(Bubbles, DriftIsPerUpdateAndZeroOnTheAxis)
{
    EffectsScene scene;
    auto emitter = std::make_unique<CBubbles>();
    emitter->position = Vector3(1, -2, 3);
    struct Case {
        const char* what;
        float dx, dz, dt;
    };
    const Case cases[] = {
        {"on the axis", 0, 0, 0.5f},
        {"off the axis, no time", 3, 4, 0.0f},
        {"off the axis, half a second", 3, 4, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CBubble& b = emitter->bubbles[7];
        b.alive = 1;
        b.position = Vector3(1 + c.dx, 0, 3 + c.dz);
        ScriptedRandom random({32767, 0});
        const float time = 2.0f;
        b.Move(time, time - c.dt);
        EXPECT_EQ(2, random.DrawCount());
        const float phase = 7 * 0.1f + time * 7;
        const float length = std::hypot(c.dx, c.dz);
        const float u = length > 0 ? c.dx / length : 0, w = length > 0 ? c.dz / length : 0;
        // r1 = 1 for x, r2 = 0 for z.
        EXPECT_NEAR(1 + c.dx + 2 * 0.01f * u * 0.2f + std::cos(phase) * c.dt * 0.05f, b.position.x, 1e-5f);
        EXPECT_NEAR(3 + c.dz + 1 * 0.01f * w * 0.2f + std::sin(phase) * c.dt * 0.05f, b.position.z, 1e-5f);
        EXPECT_FLOAT_EQ(0.2f * c.dt, b.position.y);
        EXPECT_TRUE(std::isfinite(b.position.x) && std::isfinite(b.position.z));
    }
}

TEST(Bubbles, DieAboveFiveAndStartWithoutMoving)
{
    EffectsScene scene;
    auto emitter = std::make_unique<CBubbles>();
    CBubble& b = emitter->bubbles[0];
    struct Case {
        float y, dt;
        int alive;
    };
    for (const Case& c : {Case{4.99f, 0.1f, 0}, Case{4.9f, 0.1f, 1}, Case{5.0f, 0.0f, 1}}) {
        SCOPED_TRACE(c.y);
        b.alive = 1;
        b.position = Vector3(0, c.y, 0);
        b.Move(1.0f, 1.0f - c.dt);
        EXPECT_EQ(c.alive, b.alive);
    }

    // A dead bubble given a start sits there until the next update.
    ScriptedRandom random({16383, 16383, 16383});
    emitter->position = Vector3(2, 1, 2);
    emitter->burstLimit = 1;
    emitter->burstEmitted = 0;
    b.alive = 0;
    b.Move(3.0f, 2.5f);
    EXPECT_EQ(1, b.alive);
    const float half = ScriptedRandom::Unit(16383);
    EXPECT_EQ(Vector3(2 + half - 0.5f, 1 + half - 0.5f, 2 + half - 0.5f), b.position);
}

TEST(Bubbles, GatheredWithinThirtySixDegreesOfTheViewAxis)
{
    EffectsScene scene;
    scene.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));
    auto emitter = std::make_unique<CBubbles>();
    struct Case {
        const char* what;
        Vector3 at;
        int alive;
        bool gathered;
    };
    auto side = [](float degrees) {
        const float r = degrees * Pi / 180;
        return Vector3(10 * std::sin(r), 0, 10 * std::cos(r));
    };
    auto up = [](float degrees) {
        const float r = degrees * Pi / 180;
        return Vector3(0, 10 * std::sin(r), 10 * std::cos(r));
    };
    const Case cases[] = {
        {"ahead", Vector3(0, 0, 10), 1, true},
        {"35 degrees right", side(35), 1, true},
        {"37 degrees right", side(37), 1, false},
        {"35 degrees left", side(-35), 1, true},
        {"37 degrees left", side(-37), 1, false},
        {"35 degrees up", up(35), 1, true},
        {"37 degrees down", up(-37), 1, false},
        {"behind", Vector3(0, 0, -10), 1, false},
        {"ahead but dead", Vector3(0, 0, 5), 0, false},
    };
    int i = 0;
    for (const Case& c : cases) {
        emitter->bubbles[i].alive = c.alive;
        emitter->bubbles[i].position = c.at;
        ++i;
    }
    emitter->GatherVisible();
    int gathered = 0;
    i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool found = false;
        for (int k = 0; k < emitter->visibleCount; ++k)
            found = found || emitter->points[k] == c.at;
        EXPECT_EQ(c.gathered, found);
        gathered += c.gathered;
        ++i;
    }
    EXPECT_EQ(gathered, emitter->visibleCount);
    EXPECT_EQ(Vector3(0, 0, 10), emitter->points[0]) << "in index order";

    // Looking straight up there is no horizontal axis: nothing is gathered,
    // and no position that is not a number.
    scene.Look(Vector3(0, 0, 0), Vector3(0, 1, 0));
    emitter->bubbles[0].position = Vector3(0, 10, 0);
    emitter->GatherVisible();
    EXPECT_EQ(0, emitter->visibleCount);
}

TEST(BackPaper, EasingLandsOnTargetsAndDrawsNewOnesInOrder)
{
    for (bool mirror : {false, true}) {
        SCOPED_TRACE(mirror ? "mirror" : "no mirror");
        EffectsScene scene;
        scene.app.caps.TextureAddressCaps = mirror ? D3DPTADDRESSCAPS_MIRROR : 0;
        ScriptedRandom construction({0, 32767});
        CBackPaper paper;
        EXPECT_EQ(2, construction.DrawCount());
        EXPECT_FLOAT_EQ(-Pi, paper.targetAngles[0]);
        EXPECT_FLOAT_EQ(Pi, paper.targetAngles[1]);
        paper.targetBlend = 0.75f;
        paper.targetOffsets[0] = 0.5f;
        paper.targetOffsets[1] = -0.25f;
        const float oldAngles[2] = {paper.targetAngles[0], paper.targetAngles[1]};

        // A frame longer than a second moves every value all the way.
        ScriptedRandom random({100, 200, 300, 400, 500});
        paper.Update(12.0f, 10.0f);
        EXPECT_EQ(mirror ? 5 : 3, random.DrawCount());
        EXPECT_FLOAT_EQ(0.75f, paper.blend);
        EXPECT_FLOAT_EQ(ScriptedRandom::Unit(100), paper.targetBlend);
        for (int i = 0; i < 2; ++i) {
            EXPECT_FLOAT_EQ(oldAngles[i], paper.angles[i]);
            EXPECT_FLOAT_EQ(2 * Pi * ScriptedRandom::Unit(200 + 100 * i) - Pi, paper.targetAngles[i]);
        }
        if (mirror) {
            EXPECT_FLOAT_EQ(0.5f, paper.offsets[0]);
            EXPECT_FLOAT_EQ(-0.25f, paper.offsets[1]);
            EXPECT_FLOAT_EQ(2 * ScriptedRandom::Unit(400) - 1, paper.targetOffsets[0]);
            EXPECT_FLOAT_EQ(2 * ScriptedRandom::Unit(500) - 1, paper.targetOffsets[1]);
        } else {
            EXPECT_EQ(0.0f, paper.offsets[0]);
            EXPECT_EQ(0.0f, paper.offsets[1]);
        }

        // A short frame moves a fraction of the way and draws nothing.
        ScriptedRandom none({});
        paper.targetBlend = 1.0f;
        paper.blend = 0.0f;
        paper.Update(12.25f, 12.0f);
        EXPECT_FLOAT_EQ(0.25f, paper.blend);
    }
}

TEST(BackPaper, TextureWindowsTurnAndDrift)
{
    struct Case {
        const char* what;
        float angle, offset0, offset1;
        float uv[4][2]; // layer 0 at the four corners; layer 1 has the same with its own drift
    };
    const Case cases[] = {
        {"unturned", 0, 0, 0, {{0, 0}, {0, 0.3f}, {0.3f, 0}, {0.3f, 0.3f}}},
        {"quarter turn", Pi / 2, 0, 0, {{0, 0.3f}, {0.3f, 0.3f}, {0, 0}, {0.3f, 0}}},
        {"drifted", 0, 0.5f, -0.5f, {{0, 0}, {0, 0.3f}, {0.3f, 0}, {0.3f, 0.3f}}},
    };
    EffectsScene scene;
    scene.app.caps.TextureAddressCaps = D3DPTADDRESSCAPS_MIRROR;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedRandom random({});
        CBackPaper paper;
        for (int i = 0; i < 2; ++i)
            paper.angles[i] = paper.targetAngles[i] = c.angle;
        paper.offsets[0] = paper.targetOffsets[0] = c.offset0;
        paper.offsets[1] = paper.targetOffsets[1] = c.offset1;
        paper.Update(5.0f, 5.0f);
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(c.uv[j][0] + 0.3f * c.offset0, paper.cpuVertices[j].u0, 1e-6f) << j;
            EXPECT_NEAR(c.uv[j][1], paper.cpuVertices[j].v0, 1e-6f) << j;
            EXPECT_NEAR(c.uv[j][0], paper.cpuVertices[j].u1, 1e-6f) << j;
            EXPECT_NEAR(c.uv[j][1] + 0.3f * c.offset1, paper.cpuVertices[j].v1, 1e-6f) << j;
        }
    }
}

TEST(BackPaper, BlendFactorRepeatsTheWeightInEveryByte)
{
    struct Case {
        float blend;
        DWORD factor;
    };
    const Case cases[] = {
        {0.0f, 0x00000000}, {0.5f, 0x7F7F7F7F}, {1.0f, 0xFFFFFFFF},
        {1.5f, 0xFFFFFFFF}, {-0.5f, 0x00000000}, {std::numeric_limits<float>::quiet_NaN(), 0x00000000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.factor, CBackPaper::BlendFactor(c.blend)) << c.blend;
}

TEST(Lights, ColourPulsesWithTheLightsSetting)
{
    EffectsScene scene;
    struct Case {
        int32_t lights;
        float brightness;
    };
    // Values outside 0..2 count as the nearer end.
    const Case cases[] = {{0, 3.0f}, {1, 2.0f}, {2, 1.0f}, {-4, 3.0f}, {9, 1.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lights);
        SetLights(c.lights);
        ScriptedRandom random({32767});
        CLight light;
        EXPECT_FLOAT_EQ(3.0f, light.pulseRate);
        EXPECT_EQ(1, light.noCull);
        EXPECT_STREQ("CLight", light.name);
        const float before[4] = {0.5f, 0.5f, 0.5f, 1.0f};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(before[i], light.lightColour[i]);
        light.Update(0.0f, 0.0f);
        const float b = c.brightness;
        const float atZero[4] = {0.55f * b, 0.7f * b, b, 1.0f};
        for (int i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ(atZero[i], light.lightColour[i]) << i;
    }
    SetLights(1);
    // With "bright", red stays 1.1 while green and blue swing within their bands.
    CLight light;
    for (float t = 0; t < 20; t += 0.37f) {
        light.Update(t, t);
        EXPECT_FLOAT_EQ(1.1f, light.lightColour[0]);
        EXPECT_GE(light.lightColour[1], 0.9f - 1e-5f);
        EXPECT_LE(light.lightColour[1], 1.9f + 1e-5f);
        EXPECT_GE(light.lightColour[2], 1.0f - 1e-5f);
        EXPECT_LE(light.lightColour[2], 2.0f + 1e-5f);
    }
}

TEST(Lights, MoverLeadsTheLight)
{
    EffectsScene scene;
    CLight light;
    light.mover = new CPathWanderer();
    static_cast<OruSteering*>(light.mover)->speedScale = 20.0f;
    const Vector3 start = light.position;
    for (int i = 1; i <= 30; ++i)
        light.Update(i * 0.1f, (i - 1) * 0.1f);
    const D3DXVECTOR3 moved = light.position - start;
    EXPECT_GT(D3DXVec3Length(&moved), 0.1f);
    light.FinalCleanup();
}

TEST(Caustic, FrameIsThirtyTwoPerSecondInAOneSecondLoop)
{
    struct Case {
        float time;
        int frame;
    };
    const Case cases[] = {
        {0.0f, 0}, {0.5f, 16}, {0.999f, 31}, {1.0f, 0}, {1.03125f, 1}, {100.25f, 8},
        {std::numeric_limits<float>::infinity(), 0}, {std::numeric_limits<float>::quiet_NaN(), 0}, {3.0e9f, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.frame, CCaustic::FrameIndex(c.time)) << c.time;

    // Before the device objects are made there is no frame to take.
    CCaustic caustic;
    EXPECT_EQ(32, caustic.textureCount);
    EXPECT_EQ(0, caustic.InitDeviceObjects());
    EXPECT_EQ(nullptr, caustic.currentFrame);
    caustic.Update(0.5f, 0.4f);
    EXPECT_EQ(nullptr, caustic.currentFrame);
}

TEST(Marks, ConstructionDrawsInOrderWithinTheSlots)
{
    EffectsScene scene;
    {
        ScriptedRandom random({1000, 2000, 3000, 4000, 5000, 6000, 7000, 32767, 32767});
        CMark mark;
        EXPECT_EQ(9, random.DrawCount());
        EXPECT_STREQ("CMark", mark.name);
        EXPECT_FLOAT_EQ(Angle(1000), mark.yaw);
        EXPECT_FLOAT_EQ(Angle(2000), mark.roll);
        EXPECT_FLOAT_EQ(Angle(3000), mark.driftHeading);
        EXPECT_FLOAT_EQ(Angle(4000), mark.driftHeadingTarget);
        EXPECT_FLOAT_EQ(Angle(5000), mark.spinTarget);
        EXPECT_FLOAT_EQ(Angle(6000), mark.spin);
        EXPECT_FLOAT_EQ(0.8f + 0.4f * ScriptedRandom::Unit(7000), mark.driftRate);
        EXPECT_EQ(2, mark.gradientIndex) << "the largest value";
        EXPECT_EQ(11, mark.shapeIndex) << "the largest value";
        EXPECT_EQ(1.0f, mark.distance);
        EXPECT_EQ(1.0f, mark.speed);
        EXPECT_EQ(0.0f, mark.fade);
        EXPECT_EQ(0.0f, mark.fadeTarget);
        EXPECT_EQ(12, mark.textureCount);
    }
    ScriptedRandom random({0, 0, 0, 0, 0, 0, 0, 0, 0});
    CMark mark;
    EXPECT_EQ(0, mark.gradientIndex);
    EXPECT_EQ(3, mark.shapeIndex);
}

TEST(Marks, PlaceOnTheSphereAroundTheEyeAndCulling)
{
    struct Case {
        float yaw, roll;
        Vector3 offset;
        int culled;
    };
    const Case cases[] = {
        {0, 0, Vector3(1, 0, 0), 1},            // across the view: on the plane counts as behind
        {-Pi / 2, 0, Vector3(0, 0, 1), 0},      // straight ahead
        {Pi / 2, 0, Vector3(0, 0, -1), 1},      // behind
        {0, Pi / 2, Vector3(0, 1, 0), 1},
        {-Pi / 4, Pi / 6, Vector3(std::cos(Pi / 6) * std::cos(Pi / 4), 0.5f, std::cos(Pi / 6) * std::sin(Pi / 4)), 0},
    };
    EffectsScene scene;
    scene.Look(Vector3(1, 2, 3), Vector3(1, 2, 4));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.yaw << ", " << c.roll);
        const Vector3 o = CMark::SphereOffset(c.yaw, c.roll);
        EXPECT_NEAR(c.offset.x, o.x, 1e-6f);
        EXPECT_NEAR(c.offset.y, o.y, 1e-6f);
        EXPECT_NEAR(c.offset.z, o.z, 1e-6f);
        CMark mark;
        mark.yaw = c.yaw;
        mark.roll = c.roll;
        mark.distance = 48.5f;
        mark.Update(4.0f, 4.0f); // no time: no drift
        EXPECT_EQ(c.culled, mark.culled);
        EXPECT_NEAR(1 + 48.5f * c.offset.x, mark.position.x, 1e-4f);
        EXPECT_NEAR(2 + 48.5f * c.offset.y, mark.position.y, 1e-4f);
        EXPECT_NEAR(3 + 48.5f * c.offset.z, mark.position.z, 1e-4f);
    }
}

TEST(Marks, LongFramesLandEveryEasingOnItsTarget)
{
    EffectsScene scene;
    for (float dt : {1.0f, 2.0f, 10.0f, 25.0f}) {
        SCOPED_TRACE(dt);
        CMark mark;
        mark.fade = 0.2f;
        mark.fadeTarget = 0.9f;
        mark.spin = -1.0f;
        mark.spinTarget = 2.0f;
        mark.driftHeading = 0.0f;
        mark.driftHeadingTarget = 1.0f;
        ScriptedRandom random({32767, 0, 16383});
        mark.Update(100.0f + dt, 100.0f);
        EXPECT_FLOAT_EQ(0.9f, mark.fade);
        EXPECT_FLOAT_EQ(1.0f, mark.fadeTarget) << "a new target, (r + 1) / 2";
        EXPECT_FLOAT_EQ(2.0f, mark.spin);
        EXPECT_FLOAT_EQ(Angle(0), mark.spinTarget);
        // The heading moves 0.1 dt of the way: all of it from ten seconds on,
        // never past the target.
        const float h = std::min(0.1f * dt, 1.0f);
        EXPECT_FLOAT_EQ(h, mark.driftHeading);
        EXPECT_EQ(dt >= 10.0f ? 3 : 2, random.DrawCount());
    }
}

TEST(Marks, FadeFactorIsTheFadeInTheAlphaByte)
{
    struct Case {
        float fade;
        DWORD factor;
    };
    const Case cases[] = {
        {1.0f, 0xFF000000}, {0.75f, 0xBF000000}, {0.5f, 0x7F000000}, {0.502f, 0x80000000}, {0.25f, 0x3F000000},
        {0.0f, 0x00000000}, {1.5f, 0xFF000000}, {-1.0f, 0x00000000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.factor, CMark::FadeFactor(c.fade)) << c.fade;
}
