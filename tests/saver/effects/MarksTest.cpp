// The marks: construction with a scripted random source, their place on
// the sphere around the eye, culling, easing and fade factor; on Wine's
// device the validation latch, a failed lock (through the proxy d3d8.dll)
// and the shape drawn in the gradient's quadrants; the mark shapes and the
// rainbow gradients as the program embeds them.

#include "DebugOutputCapture.h"
#include "EffectsTestScene.h"
#include "MediaFile.h"
#include "ServersTestSupport.h"

#include "effects/CBackPaper.h"
#include "effects/CBubbles.h"
#include "effects/CLogo.h"
#include "effects/CMark.h"
#include "MarkTextures.h"
#include "RainbowGradients.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace effectstest;
using namespace mediatest;
using servertest::ProxyDevice;

namespace {

const int Size = PictureSize;

float Angle(int raw)
{
    return ScriptedRandom::Unit(raw) * 6.2831855f - 3.1415927f;
}

// Counts the changes between clear and covered around a circle.
int Transitions(const Picture& p, float radius)
{
    int changes = 0;
    bool last = false;
    for (int i = 0; i <= 720; ++i) {
        const float a = i * 3.14159265f / 360;
        const int x = int(31.5f + radius * std::cos(a) + 0.5f), y = int(31.5f - radius * std::sin(a) + 0.5f);
        const bool covered = p.Alpha(x, y) >= 128;
        if (i > 0 && covered != last)
            ++changes;
        last = covered;
    }
    return changes;
}

} // namespace

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

TEST(MarksOnDevice, FailedValidationLatchesTheShapeAlphaAlone)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    DeviceRecorder recorder(td.Device());
    EffectsScene scene(td.Device());
    scene.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));
    MarkValidationFailed = 0;
    CMark mark;
    ASSERT_EQ(0, mark.RestoreDeviceObjects());
    mark.fade = 1.0f;

    size_t from = recorder.calls.size();
    EXPECT_EQ(0, mark.Render());
    EXPECT_EQ(1u, recorder.Calls("ValidateDevice", from).size());
    EXPECT_EQ(1u, recorder.Calls("SetRenderState 60 0xFF000000", from).size()) << "fade 1 is alpha 0xFF";
    EXPECT_TRUE(recorder.Calls("SetTextureStageState 1 4", from).empty());
    EXPECT_EQ(1u, recorder.Calls("DrawPrimitive 5 0 2", from).size());

    recorder.validateResult = D3DERR_UNSUPPORTEDTEXTUREFILTER;
    for (int frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        from = recorder.calls.size();
        EXPECT_EQ(0, mark.Render());
        EXPECT_EQ(frame == 0 ? 1u : 0u, recorder.Calls("ValidateDevice", from).size()) << "asked until it fails";
        EXPECT_EQ(1, MarkValidationFailed);
        EXPECT_EQ((std::vector<std::string>{"SetTextureStageState 1 4 2"}),
                  recorder.Calls("SetTextureStageState 1 4", from));
        EXPECT_EQ(1u, recorder.Calls("DrawPrimitive 5 0 2", from).size());
        recorder.validateResult = 0;
    }

    // A view that is not a number skips the draw.
    scene.world.camera->view._21 = std::nanf(""); // the first row of its transpose
    from = recorder.calls.size();
    EXPECT_EQ(0, mark.Render());
    EXPECT_TRUE(recorder.Calls("DrawPrimitive", from).empty());
    MarkValidationFailed = 0;
    mark.InvalidateDeviceObjects();
}

TEST(MarksOnDevice, DrawsTheShapeInTheGradientsQuadrantsAndTurnsIt)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    IDirect3DDevice8* device = td.Device();
    EffectsScene scene(device);
    scene.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));
    scene.world.SetFixedConstants();
    MarkValidationFailed = 0;
    CMark mark;
    ASSERT_EQ(0, mark.RestoreDeviceObjects());
    // The shape: an opaque square with a clear notch at its top right; the
    // gradient: red, green / blue, white quadrants.
    auto shape = [](int x, int y) { return x >= 48 && y < 16 ? 0x00FFFFFFu : 0xFFFFFFFFu; };
    auto gradient = [](int x, int y) {
        return y < 32 ? (x < 32 ? 0xFFFF0000u : 0xFF00FF00u) : (x < 32 ? 0xFF0000FFu : 0xFFFFFFFFu);
    };
    mark.shapeIndex = 5;
    mark.gradientIndex = 1;
    {
        SwappedTextures swap(mark, {{5, FixtureTexture(device, D3DFMT_A8R8G8B8, 64, shape)},
                                    {1, FixtureTexture(device, D3DFMT_A8R8G8B8, 64, gradient)}});
        // Straight ahead at 10, as wide as half the screen's height.
        mark.yaw = -Pi / 2;
        mark.roll = 0.0f;
        mark.distance = 10.0f;
        mark.scale = 10.0f * std::tan(Pi / 6);
        mark.fade = mark.fadeTarget = 1.0f;

        struct Case {
            const char* what;
            float spin;
            int notchX, notchY, solidX, solidY;
        };
        const Case cases[] = {
            {"upright", 0.0f, 44, 20, 44, 44},
            {"a quarter turn", Pi / 2, 44, 44, 44, 20},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            mark.spin = mark.spinTarget = c.spin;
            mark.Update(3.0f, 3.0f);
            ASSERT_EQ(0, mark.culled);
            scene.ForgetBindings();
            const Image image = Draw(td, mark);
            image.SavePngIfFailed(std::string("Mark-") + (c.spin == 0 ? "upright" : "turned"));
            // The gradient's quadrants stay put on the screen; fade 1 is opaque.
            EXPECT_TRUE(PixelNear(image, 22, 22, 0xFF0000, 2));
            EXPECT_TRUE(PixelNear(image, 22, 42, 0x0000FF, 2));
            EXPECT_TRUE(PixelNear(image, c.solidX, c.solidY, c.solidY < 32 ? 0x00FF00 : 0xFFFFFF, 2));
            EXPECT_TRUE(PixelNear(image, c.notchX, c.notchY, ClearColour, 2)) << "the notch";
            // The square spans 16..47.
            for (int p : {17, 46}) {
                EXPECT_FALSE(PixelNear(image, p, 32, ClearColour, 2)) << p;
                EXPECT_FALSE(PixelNear(image, 32, p, ClearColour, 2)) << p;
            }
            for (int p : {13, 50}) {
                EXPECT_TRUE(PixelNear(image, p, 32, ClearColour, 0));
                EXPECT_TRUE(PixelNear(image, 32, p, ClearColour, 0));
            }
        }
    }
    mark.InvalidateDeviceObjects();
}

TEST(MarksOnDevice, FailedLockWritesNothingAndDrawsNothing)
{
    ProxyDevice proxy("vb_lock_fail");
    ASSERT_TRUE(proxy.Device());
    {
        DeviceRecorder recorder(proxy.Device());
        EffectsScene scene(proxy.Device());
        scene.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));

        // A quad that cannot be written is traced and let go: the restore
        // goes on and succeeds, and the mark draws nothing.
        CMark mark0;
        {
            DebugOutputCapture output;
            EXPECT_EQ(0, mark0.RestoreDeviceObjects());
            int traced = 0;
            for (const std::string& line : output.Lines())
                traced += line.find("DXZING:") == 0 && line.find("CMark.cpp") != std::string::npos;
            EXPECT_EQ(1, traced) << "the failed lock";
        }
        EXPECT_EQ(nullptr, mark0.quadVB);
        EXPECT_NE(NoStateBlock, mark0.stateBlock) << "the base's restore ran";
        mark0.Update(1.0f, 0.0f);
        const size_t mark = recorder.calls.size();
        EXPECT_EQ(0, mark0.Render());
        EXPECT_TRUE(recorder.Calls("DrawPrimitive", mark).empty());
        mark0.InvalidateDeviceObjects();
    }
    EXPECT_EQ(0u, proxy.ReleaseDevice());
}

// A frame time that is not finite or is negative is no time: nothing of the
// background, a mark, a bubble or the logo eases, moves or becomes not a
// number.
TEST(FrameTimes, NotFiniteOrNegativeFrameTimesMoveNoEasing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        float time, prevTime;
    };
    const Case cases[] = {
        {"time not a number", nan, 10.0f}, {"previous time not a number", 10.0f, nan},
        {"infinite frame", inf, 10.0f},    {"from minus infinity", 10.0f, -inf},
        {"backwards", 9.5f, 10.0f},
    };
    EffectsScene scene;
    scene.app.caps.TextureAddressCaps = D3DPTADDRESSCAPS_MIRROR;
    scene.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedRandom construction({0, 32767});
        CBackPaper paper;
        paper.blend = 0.2f;
        paper.targetBlend = 0.75f;
        paper.angles[0] = paper.angles[1] = 0.5f;
        paper.targetOffsets[0] = 0.5f;
        paper.targetOffsets[1] = -0.5f;
        CMark mark;
        mark.fade = 0.2f;
        mark.fadeTarget = 0.9f;
        mark.spin = -1.0f;
        mark.spinTarget = 2.0f;
        mark.driftHeading = 0.0f;
        mark.driftHeadingTarget = 1.0f;
        mark.yaw = -Pi / 2;
        mark.roll = 0.25f;
        mark.distance = 10.0f;
        CBubbles emitter;
        emitter.position = Vector3(1, -2, 3);
        CBubble& bubble = emitter.bubbles[7];
        bubble.alive = 1;
        bubble.position = Vector3(4, 1, 7);
        CLogo logo;
        logo.roll = 0.5f;
        logo.yaw = 0.25f;

        {
            // A bubble rises by no time and does not sway; its outward drift
            // is per update.
            ScriptedRandom drift({0, 0});
            bubble.Move(c.time, c.prevTime);
        }
        EXPECT_EQ(1.0f, bubble.position.y);
        EXPECT_TRUE(std::isfinite(bubble.position.x) && std::isfinite(bubble.position.z));
        EXPECT_NEAR(4.0f, bubble.position.x, 0.01f);
        logo.Update(c.time, c.prevTime);
        EXPECT_EQ(0.5f, logo.roll);
        EXPECT_EQ(0.25f, logo.yaw);

        ScriptedRandom none({});
        const int drawsBefore = ScriptedRandom::DrawCount();
        paper.Update(c.time, c.prevTime);
        mark.Update(c.time, c.prevTime);
        EXPECT_EQ(drawsBefore, ScriptedRandom::DrawCount()) << "no new targets";
        EXPECT_EQ(0.2f, paper.blend);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(0.5f, paper.angles[i]) << i;
            EXPECT_EQ(0.0f, paper.offsets[i]) << i;
        }
        for (int j = 0; j < 4; ++j) {
            EXPECT_TRUE(std::isfinite(paper.cpuVertices[j].u0) && std::isfinite(paper.cpuVertices[j].v1)) << j;
        }
        EXPECT_EQ(0.2f, mark.fade);
        EXPECT_EQ(-1.0f, mark.spin);
        EXPECT_EQ(0.0f, mark.driftHeading);
        EXPECT_EQ(-Pi / 2, mark.yaw);
        EXPECT_EQ(0.25f, mark.roll);
        EXPECT_TRUE(std::isfinite(mark.position.x) && std::isfinite(mark.position.y) &&
                    std::isfinite(mark.position.z));
    }
}

TEST(MarksMedia, ShapesAreWhiteDxt2PolygonsStarsAndSlivers)
{
    for (int i = 0; i < MarkTextureCount; ++i) {
        SCOPED_TRACE(i);
        const std::string s = Inflate(MarkTextures[i]);
        ExpectDdsHeader(s);
        EXPECT_EQ(4u, U32(s, 80) & 4u) << "compressed";
        EXPECT_EQ("DXT2", s.substr(84, 4));
        ASSERT_EQ(128u + (Size / 4) * (Size / 4) * 16, s.size());
        // The explicit alpha of every texel, and its colour end points: white
        // premultiplied, so a block's colours are greys.
        Picture p;
        for (int by = 0; by < Size / 4; ++by)
            for (int bx = 0; bx < Size / 4; ++bx) {
                const size_t block = 128 + (size_t(by) * (Size / 4) + bx) * 16;
                for (int t = 0; t < 16; ++t) {
                    const int a = ((uint8_t(s[block + t / 2]) >> ((t & 1) * 4)) & 15) * 17;
                    p.pixels[size_t(by * 4 + t / 4) * Size + bx * 4 + t % 4] = uint32_t(a) << 24;
                }
                for (int e = 0; e < 2; ++e) {
                    const uint32_t c = U16(s, block + 8 + 2 * e);
                    const int r = int(c >> 11), g = int((c >> 5) & 63) / 2, b = int(c & 31);
                    ASSERT_LE(std::abs(r - g) + std::abs(g - b), 2) << "grey colour end points";
                }
            }
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(0, p.Alpha((c & 1) * 63, (c >> 1) * 63)) << "corner " << c;
        int opaque = 0;
        for (uint32_t v : p.pixels)
            opaque += (v >> 24) == 255;
        const float covered = float(opaque) / (Size * Size);
        if (i < 3) {
            EXPECT_EQ(0, Transitions(p, 12.0f)) << "a solid polygon";
            EXPECT_GT(covered, 0.3f);
        } else if (i < 6) {
            EXPECT_EQ(255, p.Alpha(32, 32));
            EXPECT_EQ(10, Transitions(p, 24.0f)) << "five points";
        } else {
            EXPECT_LT(covered, 0.45f) << "a triangle or sliver";
            EXPECT_GT(covered, 0.01f);
        }
    }
}

TEST(MarksMedia, RainbowGradientsAreBandsRingsAndDiamonds)
{
    std::vector<Picture> gradients;
    for (int i = 0; i < RainbowGradientCount; ++i) {
        SCOPED_TRACE(i);
        const std::string s = Inflate(RainbowGradients[i]);
        ASSERT_GE(s.size(), 54u);
        EXPECT_EQ("BM", s.substr(0, 2));
        EXPECT_EQ(uint32_t(Size), U32(s, 18));
        EXPECT_EQ(uint32_t(Size), U32(s, 22)) << "bottom-up rows";
        EXPECT_EQ(24u, U16(s, 28));
        EXPECT_EQ(0u, U32(s, 30)) << "uncompressed";
        const size_t offset = U32(s, 10);
        ASSERT_EQ(offset + Size * Size * 3, s.size());
        Picture p;
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) {
                const size_t at = offset + size_t(Size - 1 - y) * Size * 3 + size_t(x) * 3;
                p.pixels[size_t(y) * Size + x] = 0xFF000000u | uint32_t(uint8_t(s[at + 2])) << 16 |
                                                 uint32_t(uint8_t(s[at + 1])) << 8 | uint8_t(s[at]);
            }
        gradients.push_back(p);
    }
    ASSERT_EQ(3u, gradients.size());
    const Picture& bands = gradients[0];
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
            ASSERT_EQ(bands.Rgb(x, 0), bands.Rgb(x, y)) << x << ", " << y;
    EXPECT_EQ(0xFF0000u, bands.Rgb(0, 0)) << "red at the left";
    EXPECT_EQ(0x00FF00u, bands.Rgb(21, 0) & 0x00FF00u) << "green a third across";
    EXPECT_EQ(0x0000FFu, bands.Rgb(43, 0) & 0x0000FFu) << "blue two thirds across";

    for (int i : {1, 2}) {
        SCOPED_TRACE(i);
        const Picture& rings = gradients[i];
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x) {
                ASSERT_EQ(rings.Rgb(x, y), rings.Rgb(63 - x, y));
                ASSERT_EQ(rings.Rgb(x, y), rings.Rgb(x, 63 - y));
                ASSERT_EQ(rings.Rgb(x, y), rings.Rgb(y, x));
            }
        EXPECT_NE(rings.Rgb(32, 32), rings.Rgb(32, 50));
    }
    // Rings: equal distance from the centre. Diamonds: equal |dx| + |dy|.
    EXPECT_NE(gradients[1].Rgb(40, 32), gradients[1].Rgb(36, 36));
    EXPECT_EQ(gradients[2].Rgb(40, 32), gradients[2].Rgb(36, 36));
}

TEST(MarksMedia, ShapesAndGradientsLoadAs64By64Textures)
{
    std::vector<const EmbeddedFileRef*> all(RainbowGradients, RainbowGradients + RainbowGradientCount);
    all.insert(all.end(), MarkTextures, MarkTextures + MarkTextureCount);
    ASSERT_EQ(12u, all.size());
    ExpectTexturesOfSize(all);
}
