// The bubbles: bursts, starts, drift, death and gathering in view, with a
// scripted random source; the shared point buffer, draws only of what is
// gathered, the sprite's blend and a failed lock on Wine's device (through
// the proxy d3d8.dll); the sprites as the program embeds them.

#include "EffectsTestScene.h"
#include "MediaFile.h"
#include "ServersTestSupport.h"

#include "effects/CBubbles.h"
#include "BubbleTextures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace effectstest;
using namespace mediatest;
using servertest::ProxyDevice;
using servertest::References;

namespace {

const int Size = PictureSize;

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

TEST(BubblesOnDevice, EmittersShareOneBufferMadeOncePerRestore)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    DeviceRecorder recorder(td.Device());
    {
        EffectsScene scene(td.Device());
        const ULONG before = References(td.Device());
        std::vector<std::unique_ptr<CBubbles>> emitters;
        for (int i = 0; i < 21; ++i)
            emitters.emplace_back(new CBubbles());
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            const size_t mark = recorder.calls.size();
            for (auto& e : emitters) {
                e->InitDeviceObjects();
                ASSERT_EQ(0, e->RestoreDeviceObjects());
            }
            EXPECT_EQ(1u, recorder.Calls("CreateVertexBuffer 7200 0x248 0x2 0", mark).size());
            EXPECT_EQ(1u, recorder.Calls("CreateVertexBuffer", mark).size());
            ASSERT_NE(nullptr, BubbleVertexBuffer);
            for (auto& e : emitters) {
                e->InvalidateDeviceObjects();
                e->DeleteDeviceObjects();
            }
            EXPECT_EQ(nullptr, BubbleVertexBuffer);
            scene.world.sbServer->InvalidateDeviceObjects();
            EXPECT_EQ(before, References(td.Device())) << "the buffer and the textures are released";
        }
    }
}

TEST(BubblesOnDevice, DrawOnlyWhatIsGathered)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    DeviceRecorder recorder(td.Device());
    EffectsScene scene(td.Device());
    scene.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));
    auto bubbles = std::make_unique<CBubbles>();
    bubbles->InitDeviceObjects();
    ASSERT_EQ(0, bubbles->RestoreDeviceObjects());

    // Nothing in view: no call at all, not even the state block.
    bubbles->GatherVisible();
    ASSERT_EQ(0, bubbles->visibleCount);
    size_t mark = recorder.calls.size();
    EXPECT_EQ(0, bubbles->Render());
    EXPECT_EQ(mark, recorder.calls.size());

    bubbles->bubbles[3].alive = 1;
    bubbles->bubbles[3].position = Vector3(0, 0, 5);
    bubbles->bubbles[8].alive = 1;
    bubbles->bubbles[8].position = Vector3(1, 0, 5);
    bubbles->GatherVisible();
    mark = recorder.calls.size();
    EXPECT_EQ(0, bubbles->Render());
    EXPECT_EQ((std::vector<std::string>{"DrawPrimitive 1 0 2"}), recorder.Calls("DrawPrimitive", mark));
    ASSERT_FALSE(recorder.calls.empty());
    EXPECT_EQ("SetRenderState 156 0x0", recorder.calls.back()) << "point sprites off after the draw";

    bubbles->InvalidateDeviceObjects();
    bubbles->DeleteDeviceObjects();
}

TEST(BubblesOnDevice, SpriteIsBlendedAtHalfTheTextureAlpha)
{
    TestDevice td;
    ASSERT_TRUE(td.Ok()) << td.Error();
    EffectsScene scene(td.Device());
    scene.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));
    IDirect3DDevice8* device = td.Device();
    device->SetTransform(D3DTS_VIEW, &scene.world.camera->view);
    device->SetTransform(D3DTS_PROJECTION, &scene.app.projection);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);

    auto bubbles = std::make_unique<CBubbles>();
    bubbles->InitDeviceObjects();
    ASSERT_EQ(0, bubbles->RestoreDeviceObjects());
    const uint32_t sprite = 0xFFFFFF00;
    {
        std::vector<std::pair<int, IDirect3DTexture8*>> slots;
        for (int i = 0; i < 4; ++i)
            slots.push_back({i, FixtureTexture(device, D3DFMT_A8R8G8B8, 8, [&](int, int) { return sprite; })});
        SwappedTextures swap(*bubbles, slots);
        bubbles->bubbles[0].alive = 1;
        bubbles->bubbles[0].position = Vector3(0, 0, 5);
        bubbles->GatherVisible();
        ASSERT_EQ(1, bubbles->visibleCount);
        const Image image = Draw(td, *bubbles);
        image.SavePngIfFailed("BubbleSprite");
        // Texture alpha x 0x80: half the sprite's colour over the clear colour.
        const uint32_t blended = Mix(sprite, ClearColour, 128.0f / 255.0f);
        for (int d = -2; d <= 2; ++d) {
            EXPECT_TRUE(PixelNear(image, 32 + d, 32, blended, 3));
            EXPECT_TRUE(PixelNear(image, 32, 32 + d, blended, 3));
        }
        // Five pixels wide, whatever the distance.
        for (int d : {-4, 4}) {
            EXPECT_TRUE(PixelNear(image, 32 + d, 32, ClearColour, 0));
            EXPECT_TRUE(PixelNear(image, 32, 32 + d, ClearColour, 0));
        }
    }
    bubbles->InvalidateDeviceObjects();
    bubbles->DeleteDeviceObjects();
}

TEST(BubblesOnDevice, FailedLockWritesNothingAndDrawsNothing)
{
    ProxyDevice proxy("vb_lock_fail");
    ASSERT_TRUE(proxy.Device());
    {
        DeviceRecorder recorder(proxy.Device());
        EffectsScene scene(proxy.Device());
        scene.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));

        auto bubbles = std::make_unique<CBubbles>();
        bubbles->InitDeviceObjects();
        ASSERT_EQ(0, bubbles->RestoreDeviceObjects());
        bubbles->bubbles[0].alive = 1;
        bubbles->bubbles[0].position = Vector3(0, 0, 5);
        bubbles->GatherVisible();
        const size_t mark = recorder.calls.size();
        EXPECT_EQ(0, bubbles->Render());
        EXPECT_TRUE(recorder.Calls("DrawPrimitive", mark).empty());
        EXPECT_EQ("SetRenderState 156 0x0", recorder.calls.back());
        bubbles->InvalidateDeviceObjects();
    }
    EXPECT_EQ(0u, proxy.ReleaseDevice());
}

TEST(BubblesMedia, SpritesAreArgbWithAFaintBodyABrightRimAndAHighlight)
{
    std::vector<Picture> sprites;
    for (int i = 0; i < BubbleTextureCount; ++i) {
        SCOPED_TRACE(i);
        const std::string s = Inflate(BubbleTextures[i]);
        ExpectDdsHeader(s);
        EXPECT_EQ(0x41u, U32(s, 80)) << "RGB with alpha";
        EXPECT_EQ(32u, U32(s, 88));
        EXPECT_EQ(0x00FF0000u, U32(s, 92));
        EXPECT_EQ(0xFF000000u, U32(s, 104));
        ASSERT_EQ(128u + Size * Size * 4, s.size());
        Picture p;
        for (int k = 0; k < Size * Size; ++k)
            p.pixels[k] = U32(s, 128 + size_t(k) * 4);
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(0, p.Alpha((c & 1) * 63, (c >> 1) * 63)) << "corner " << c;
        EXPECT_GT(p.Alpha(32, 32), 0);
        EXPECT_LT(p.Alpha(32, 32), 100);
        EXPECT_GT(std::max(p.Alpha(5, 32), p.Alpha(58, 32)), 2 * p.Alpha(32, 32)) << "the rim";
        int brightest = 0;
        for (uint32_t v : p.pixels)
            brightest = std::max(brightest, int(v >> 24));
        EXPECT_GE(brightest, 240) << "the highlight";
        sprites.push_back(p);
    }
    for (size_t i = 1; i < sprites.size(); ++i)
        EXPECT_NE(sprites[i - 1].pixels, sprites[i].pixels) << "the cycled sprites differ";
}

TEST(BubblesMedia, SpritesLoadAs64By64Textures)
{
    const std::vector<const EmbeddedFileRef*> all(BubbleTextures, BubbleTextures + BubbleTextureCount);
    ASSERT_EQ(4u, all.size());
    ExpectTexturesOfSize(all);
}
