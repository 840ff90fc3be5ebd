// The effects on Wine's device: the calls they make, seen through a
// recording device (the shared bubble buffer, nothing drawn without a
// visible bubble, WRAP addressing after the background's draw, the marks'
// validation latch, the caustic's constants), failed buffer locks through the
// proxy d3d8.dll, and the pictures they draw, read back from the device.

#include "DeviceRecorder.h"
#include "EffectsTestScene.h"
#include "ServersTestSupport.h"

#include "effects/CBackPaper.h"
#include "effects/CBubbles.h"
#include "effects/CCaustic.h"
#include "effects/CMark.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

using namespace effectstest;
using servertest::ProxyDevice;
using servertest::References;

namespace {

const D3DCOLOR ClearColour = 0x001020C0;

// A one-level texture filled from fn(x, y) -> 0xAARRGGBB.
IDirect3DTexture8* FixtureTexture(IDirect3DDevice8* device, D3DFORMAT format, int size,
                                  const std::function<uint32_t(int, int)>& fn)
{
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(size, size, 1, 0, format, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT rect;
    if (FAILED(texture->LockRect(0, &rect, nullptr, 0))) {
        texture->Release();
        return nullptr;
    }
    for (int y = 0; y < size; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(rect.pBits) + y * rect.Pitch);
        for (int x = 0; x < size; ++x)
            row[x] = fn(x, y);
    }
    texture->UnlockRect(0);
    return texture;
}

// Puts fixture textures into an object's slots for a test, and its own
// textures back before they are released.
class SwappedTextures {
public:
    SwappedTextures(PimVertexObject& object, std::vector<std::pair<int, IDirect3DTexture8*>> slots)
        : object_(object), slots_(std::move(slots))
    {
        for (auto& s : slots_) {
            saved_.push_back(object_.textures[s.first]);
            object_.textures[s.first] = s.second;
        }
    }
    ~SwappedTextures()
    {
        for (size_t i = 0; i < slots_.size(); ++i) {
            object_.textures[slots_[i].first] = saved_[i];
            if (slots_[i].second)
                slots_[i].second->Release();
        }
    }

private:
    PimVertexObject& object_;
    std::vector<std::pair<int, IDirect3DTexture8*>> slots_;
    std::vector<IDirect3DTexture8*> saved_;
};

// One frame: clear, the object's render, read back.
Image Draw(TestDevice& td, OruObject& object)
{
    IDirect3DDevice8* device = td.Device();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | (td.Parameters().EnableAutoDepthStencil ? D3DCLEAR_ZBUFFER : 0),
                  ClearColour, 1.0f, 0);
    device->BeginScene();
    object.Render();
    device->EndScene();
    return td.ReadBackBuffer();
}

uint32_t Mix(uint32_t a, uint32_t b, float f)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const float v = ((a >> shift) & 0xFF) * f + ((b >> shift) & 0xFF) * (1 - f);
        out |= uint32_t(v + 0.5f) << shift;
    }
    return out;
}

} // namespace

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

TEST(EffectsOnDevice, FailedLocksWriteNothingAndDrawNothing)
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
        size_t mark = recorder.calls.size();
        EXPECT_EQ(0, bubbles->Render());
        EXPECT_TRUE(recorder.Calls("DrawPrimitive", mark).empty());
        EXPECT_EQ("SetRenderState 156 0x0", recorder.calls.back());
        bubbles->InvalidateDeviceObjects();

        scene.app.caps.TextureAddressCaps |= D3DPTADDRESSCAPS_MIRROR;
        CBackPaper paper;
        ASSERT_EQ(0, paper.RestoreDeviceObjects());
        mark = recorder.calls.size();
        EXPECT_EQ(0, paper.Render());
        EXPECT_TRUE(recorder.Calls("ValidateDevice", mark).empty());
        EXPECT_TRUE(recorder.Calls("DrawPrimitive", mark).empty());
        const std::vector<std::string> wrap = {"SetTextureStageState 0 13 1", "SetTextureStageState 0 14 1",
                                               "SetTextureStageState 1 13 1", "SetTextureStageState 1 14 1"};
        ASSERT_GE(recorder.calls.size(), 4u);
        EXPECT_EQ(wrap, std::vector<std::string>(recorder.calls.end() - 4, recorder.calls.end()));
        paper.InvalidateDeviceObjects();

        // A quad that cannot be written fails the mark's restore and keeps no
        // buffer.
        CMark mark0;
        EXPECT_EQ(D3DERR_INVALIDCALL, mark0.RestoreDeviceObjects());
        EXPECT_EQ(nullptr, mark0.quadVB);
        mark0.InvalidateDeviceObjects();
    }
    EXPECT_EQ(0u, proxy.ReleaseDevice());
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
                if (!mirror)
                    EXPECT_EQ(call.find(" 2", call.size() - 2), std::string::npos) << call;
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
