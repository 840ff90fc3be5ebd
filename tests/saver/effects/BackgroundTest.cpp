// The background: its easing toward random targets, texture windows and
// blend factor, with a scripted random source; on Wine's device the
// addressing it leaves, a failed lock (through the proxy d3d8.dll), and the
// cross-fade of its two layers read back.

#include "EffectsTestScene.h"
#include "ServersTestSupport.h"

#include "effects/CBackPaper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace effectstest;
using servertest::ProxyDevice;

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

TEST(BackPaperOnDevice, AddressingIsWrapAfterEveryDrawAndMirrorOnlyWithTheCap)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    const std::vector<std::string> wrap = {"SetTextureStageState 0 13 1", "SetTextureStageState 0 14 1",
                                           "SetTextureStageState 1 13 1", "SetTextureStageState 1 14 1"};
    for (bool mirror : {false, true})
        for (HRESULT validate : {HRESULT(0), HRESULT(D3DERR_CONFLICTINGRENDERSTATE)}) {
            SCOPED_TRACE(testing::Message()
                         << (mirror ? "mirror" : "no mirror") << ", validation 0x" << std::hex << validate);
            DeviceRecorder recorder(td.Device());
            EffectsScene scene(td.Device());
            if (mirror)
                scene.app.caps.TextureAddressCaps |= D3DPTADDRESSCAPS_MIRROR;
            else
                scene.app.caps.TextureAddressCaps &= ~DWORD(D3DPTADDRESSCAPS_MIRROR);
            recorder.validateResult = validate;
            CBackPaper paper;
            ASSERT_EQ(0, paper.RestoreDeviceObjects());
            const float s = mirror ? 1.0f : 2.0f;
            EXPECT_EQ(-s, paper.cpuVertices[0].x);
            EXPECT_EQ(s, paper.cpuVertices[3].y);
            paper.blend = 0.5f;
            paper.Update(1.0f, 1.0f);
            const size_t mark = recorder.calls.size();
            EXPECT_EQ(0, paper.Render());
            EXPECT_EQ(1u, recorder.Calls("SetRenderState 60 0x7F7F7F7F", mark).size());
            EXPECT_EQ(mirror ? 4u : 0u, recorder.Calls("SetTextureStageState", mark).size() - 4)
                << "MIRROR on both stages only with the cap";
            for (const std::string& call : recorder.Calls("SetTextureStageState", mark))
                if (!mirror) {
                    EXPECT_EQ(call.find(" 2", call.size() - 2), std::string::npos) << call;
                }
            EXPECT_EQ(1u, recorder.Calls("ValidateDevice", mark).size());
            EXPECT_EQ(validate == 0 ? 1u : 0u, recorder.Calls("DrawPrimitive 5 0 2", mark).size());
            EXPECT_EQ(wrap, std::vector<std::string>(recorder.calls.end() - 4, recorder.calls.end()));
            paper.InvalidateDeviceObjects();
        }
}

TEST(BackPaperOnDevice, CentrePixelIsTheCrossFadeOfTheTwoWindowCentres)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    IDirect3DDevice8* device = td.Device();
    EffectsScene scene(device);
    scene.world.SetFixedConstants();
    CBackPaper paper;
    ASSERT_EQ(0, paper.RestoreDeviceObjects());
    // Linear fixtures, so a bilinear sample is the function at the point.
    auto layer0 = [](int x, int y) { return uint32_t(4 * x) << 16 | uint32_t(4 * y) << 8; };
    auto layer1 = [](int x, int y) { return uint32_t(255 - 4 * x) << 8 | uint32_t(4 * y); };
    {
        SwappedTextures swap(paper, {{0, FixtureTexture(device, D3DFMT_X8R8G8B8, 64, layer0)},
                                     {1, FixtureTexture(device, D3DFMT_X8R8G8B8, 64, layer1)}});
        for (DWORD stage = 0; stage < 2; ++stage) {
            device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
            device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
            device->SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_NONE);
        }
        // The scene keeps the alpha test on for the whole frame; the backdrop
        // must pass it.
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHAREF, 1);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);

        // The window centre is (0.15, 0.15), read at v flipped: texel (9.1, 53.9).
        const float tx = 0.15f * 64 - 0.5f, ty = 0.85f * 64 - 0.5f;
        const uint32_t centre0 = uint32_t(4 * tx + 0.5f) << 16 | uint32_t(4 * ty + 0.5f) << 8;
        const uint32_t centre1 = uint32_t(255 - 4 * tx + 0.5f) << 8 | uint32_t(4 * ty + 0.5f);
        struct Case {
            float blend;
            uint32_t expected;
        };
        const Case cases[] = {{0.0f, centre0}, {1.0f, centre1}, {0.5f, Mix(centre1, centre0, 127.0f / 255.0f)}};
        for (const Case& c : cases) {
            SCOPED_TRACE(c.blend);
            paper.blend = paper.targetBlend = c.blend;
            paper.angles[0] = paper.angles[1] = 0.0f;
            paper.offsets[0] = paper.offsets[1] = 0.0f;
            paper.targetOffsets[0] = paper.targetOffsets[1] = 0.0f;
            paper.Update(2.0f, 2.0f);
            scene.ForgetBindings();
            const Image image = Draw(td, paper);
            image.SavePngIfFailed("BackPaperCentre");
            EXPECT_TRUE(PixelNear(image, 32, 32, c.expected, 4));
        }
        // The alpha the test sees is layer 0's: a layer without alpha left
        // is dropped, which a backdrop with opaque gradients never is.
        SwappedTextures clear(paper, {{0, FixtureTexture(device, D3DFMT_A8R8G8B8, 64,
                                                         [&](int x, int y) { return layer0(x, y) & 0x00FFFFFFu; })}});
        scene.ForgetBindings();
        const Image image = Draw(td, paper);
        EXPECT_TRUE(PixelNear(image, 32, 32, ClearColour, 0));
    }
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    paper.InvalidateDeviceObjects();
}

// The scene keeps the alpha test on for the whole frame, and the backdrop
// must pass it wherever its first layer is opaque: the alpha of both stages
// is the first layer's, whatever the second layer's alpha or the blend
// factor's.
TEST(BackPaperOnDevice, AlphaIsTheFirstLayersThroughBothStages)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    IDirect3DDevice8* device = td.Device();
    EffectsScene scene(device);
    scene.world.SetFixedConstants();
    CBackPaper paper;
    ASSERT_EQ(0, paper.RestoreDeviceObjects());
    const uint32_t red = 0xC00000, green = 0x00C000;
    struct Case {
        const char* what;
        uint32_t alpha0, alpha1;
        float blend;
        bool shows;
    };
    const Case cases[] = {
        {"both opaque", 0xFF, 0xFF, 0.5f, true},
        {"second layer clear", 0xFF, 0x00, 0.5f, true},
        {"second layer clear, all of it shown", 0xFF, 0x00, 1.0f, true},
        {"first layer clear", 0x00, 0xFF, 0.5f, false},
        {"first layer clear, none of it shown", 0x00, 0xFF, 1.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SwappedTextures swap(paper, {{0, FixtureTexture(device, D3DFMT_A8R8G8B8, 8, [&](int, int) { return c.alpha0 << 24 | red; })},
                                     {1, FixtureTexture(device, D3DFMT_A8R8G8B8, 8, [&](int, int) { return c.alpha1 << 24 | green; })}});
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHAREF, 1);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        paper.blend = paper.targetBlend = c.blend;
        paper.Update(2.0f, 2.0f);
        scene.ForgetBindings();
        const Image image = Draw(td, paper);
        image.SavePngIfFailed("BackPaperAlpha");
        const uint32_t mixed = Mix(green, red, std::floor(c.blend * 255.0f) / 255.0f);
        EXPECT_TRUE(PixelNear(image, 32, 32, c.shows ? mixed : ClearColour, 4));
    }
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    paper.InvalidateDeviceObjects();
}

TEST(BackPaperOnDevice, FailedLockWritesNothingAndDrawsNothing)
{
    ProxyDevice proxy("vb_lock_fail");
    ASSERT_TRUE(proxy.Device());
    {
        DeviceRecorder recorder(proxy.Device());
        EffectsScene scene(proxy.Device());
        scene.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));

        scene.app.caps.TextureAddressCaps |= D3DPTADDRESSCAPS_MIRROR;
        CBackPaper paper;
        ASSERT_EQ(0, paper.RestoreDeviceObjects());
        const size_t mark = recorder.calls.size();
        EXPECT_EQ(0, paper.Render());
        EXPECT_TRUE(recorder.Calls("ValidateDevice", mark).empty());
        EXPECT_TRUE(recorder.Calls("DrawPrimitive", mark).empty());
        const std::vector<std::string> wrap = {"SetTextureStageState 0 13 1", "SetTextureStageState 0 14 1",
                                               "SetTextureStageState 1 13 1", "SetTextureStageState 1 14 1"};
        ASSERT_GE(recorder.calls.size(), 4u);
        EXPECT_EQ(wrap, std::vector<std::string>(recorder.calls.end() - 4, recorder.calls.end()));
        paper.InvalidateDeviceObjects();
    }
    EXPECT_EQ(0u, proxy.ReleaseDevice());
}
