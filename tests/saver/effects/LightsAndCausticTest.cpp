// The lights and the caustic: the lights' colours by the "Lights" setting
// and their mover; the caustic's frame by time, its intensity registers on
// Wine's device and the frames it takes; the caustic frames as the program
// embeds them.

#include "EffectsTestScene.h"
#include "MediaFile.h"

#include "effects/CCaustic.h"
#include "effects/CLight.h"
#include "flocks/CPathWanderer.h"
#include "CausticFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace effectstest;
using namespace mediatest;

namespace {

const int Size = PictureSize;

} // namespace

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
}

// The frames exist from a restore to the next invalidate: before the first
// restore, and between an invalidate and the next restore, an update takes
// no frame, though the device is there and the frames were made before.
TEST(CausticOnDevice, TakesNoFrameBeforeARestore)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    EffectsScene scene(td.Device());
    CCaustic caustic;
    EXPECT_EQ(32, caustic.textureCount);
    EXPECT_EQ(0, caustic.InitDeviceObjects());
    EXPECT_EQ(nullptr, caustic.currentFrame);
    caustic.Update(0.5f, 0.4f);
    EXPECT_EQ(nullptr, caustic.currentFrame) << "before the first restore";
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(0, caustic.RestoreDeviceObjects());
        caustic.Update(0.5f, 0.4f);
        ASSERT_NE(nullptr, caustic.textures[16]);
        EXPECT_EQ(caustic.textures[16], caustic.currentFrame);
        caustic.InvalidateDeviceObjects();
        caustic.Update(0.75f, 0.5f);
        EXPECT_EQ(nullptr, caustic.currentFrame) << "between an invalidate and the next restore";
    }
    caustic.DeleteDeviceObjects();
}

TEST(CausticOnDevice, SetsTheIntensityRegistersAndTakesFramesInUpdateOnly)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    IDirect3DDevice8* device = td.Device();
    EffectsScene scene(device);
    CCaustic caustic;
    caustic.InitDeviceObjects();
    EXPECT_EQ(nullptr, caustic.currentFrame);
    ASSERT_EQ(0, caustic.RestoreDeviceObjects());
    caustic.Update(0.5f, 0.45f);
    ASSERT_NE(nullptr, caustic.textures[16]);
    EXPECT_EQ(caustic.textures[16], caustic.currentFrame);
    caustic.Update(1.0f, 0.5f);
    EXPECT_EQ(caustic.textures[0], caustic.currentFrame);

    const float intensity[3] = {0.4f, 0.2f, 0.1f};
    for (int lights = 0; lights < 3; ++lights) {
        SCOPED_TRACE(lights);
        SetLights(lights);
        EXPECT_EQ(0, caustic.Render());
        float vs[4] = {}, ps[4] = {};
        device->GetVertexShaderConstant(15, vs, 1);
        device->GetPixelShaderConstant(5, ps, 1);
        const float k = intensity[lights];
        for (int i = 0; i < 4; ++i) {
            EXPECT_FLOAT_EQ(i < 3 ? k : 1.0f, vs[i]) << i;
            EXPECT_FLOAT_EQ(i < 3 ? k : 1.0f, ps[i]) << i;
        }
    }
    SetLights(1);

    caustic.InvalidateDeviceObjects();
    EXPECT_EQ(nullptr, caustic.currentFrame) << "no frame that was released";
}

TEST(CausticMedia, FramesAreThirtyTwoAnimatedLineNetworks)
{
    std::vector<std::string> frames;
    for (int f = 0; f < CausticFrameCount; ++f) {
        SCOPED_TRACE(f);
        const std::string s = Inflate(CausticFrames[f]);
        ASSERT_EQ(18u + Size * Size * 4, s.size());
        EXPECT_EQ(0, s[0]) << "no identification field";
        EXPECT_EQ(2, s[2]) << "uncompressed true colour";
        EXPECT_EQ(uint32_t(Size), U16(s, 12));
        EXPECT_EQ(uint32_t(Size), U16(s, 14));
        EXPECT_EQ(32, uint8_t(s[16]));
        long sum = 0;
        int brightest = 0;
        for (size_t at = 18 + 3; at < s.size(); at += 4) {
            sum += uint8_t(s[at]);
            brightest = std::max(brightest, int(uint8_t(s[at])));
        }
        EXPECT_GE(brightest, 200) << "bright lines";
        EXPECT_LT(sum / (Size * Size), 128) << "on dark";
        frames.push_back(s);
    }
    for (size_t f = 1; f < frames.size(); ++f)
        EXPECT_NE(frames[f - 1], frames[f]) << "frame " << f << " moves on";
}

TEST(CausticMedia, FramesLoadAs64By64Textures)
{
    const std::vector<const EmbeddedFileRef*> all(CausticFrames, CausticFrames + CausticFrameCount);
    ASSERT_EQ(32u, all.size());
    ExpectTexturesOfSize(all);
}
