// The flare: its strengths, factors and quads per element and its sort key;
// on Wine's device the depth and stencil states it leaves, its culling, a
// failed lock and failed buffers (through the proxy d3d8.dll), and the
// elements it adds at the sun and the mirrored point; its textures as the
// program embeds them.

#include "EffectsTestScene.h"
#include "MediaFile.h"
#include "ServersTestSupport.h"

#include "effects/CFlare.h"
#include "FlareTextures.h"

#include "scene/OruCamera.h"
#include "scene/OruWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>

using namespace effectstest;
using namespace mediatest;

namespace {

const int Size = 64;

POINT PixelOf(float x, float y)
{
    return {LONG((x + 1) * 0.5f * Size), LONG((1 - y) * 0.5f * Size)};
}

class FlareOnDevice : public StencilDeviceTest {
};

} // namespace

TEST(FlareTables, StrengthsAndFactorsPerElement)
{
    // Elements 0 to 3 sit on the sun and keep their alpha; the others take
    // visibility x alignment.
    for (int i = 0; i < FlareElementCount; ++i) {
        const FlareElement& e = FlareElements[i];
        const bool onSun = i < 4;
        EXPECT_EQ(onSun, e.axis >= 0.98f) << i;
        EXPECT_FLOAT_EQ(e.alpha, CFlare::Strength(e, 1.0f, 1.0f)) << i;
        EXPECT_FLOAT_EQ(onSun ? e.alpha : 0.0f, CFlare::Strength(e, 0.0f, 1.0f)) << i;
        EXPECT_FLOAT_EQ(onSun ? e.alpha : 0.5f * 0.5f * e.alpha, CFlare::Strength(e, 0.5f, 0.5f)) << i;
        // Looking away from the sun gives no light, not a wrapped alpha.
        EXPECT_EQ(onSun ? CFlare::Factor(e.alpha) : 0u, CFlare::Factor(CFlare::Strength(e, 1.0f, -0.8f))) << i;
    }
    EXPECT_EQ(0x33000000u, CFlare::Factor(CFlare::Strength(FlareElements[0], 0.0f, -1.0f)));
    EXPECT_EQ(0xB2000000u, CFlare::Factor(CFlare::Strength(FlareElements[9], 1.0f, 1.0f)));

    const struct {
        float strength;
        DWORD factor;
    } cases[] = {{1.0f, 0xFF000000}, {0.6f, 0x99000000}, {0.0f, 0}, {-1.0f, 0}, {5.0f, 0xFF000000}};
    for (const auto& c : cases)
        EXPECT_EQ(servertest::Hex(c.factor), servertest::Hex(CFlare::Factor(c.strength))) << c.strength;
    const FlareElement strong = {0, 1.0f, 0.5f, 0.9f};
    EXPECT_FLOAT_EQ(1.0f, CFlare::Strength(strong, 2.0f, 1.0f)) << "clamped to 1";
    EXPECT_FLOAT_EQ(0.0f, CFlare::Strength(strong, NAN, 1.0f));
}

TEST(FlareTables, QuadsLieOnTheLineThroughTheSunAndTheCentre)
{
    const float sunX = 0.5f, sunY = 0.25f;
    for (int i = 0; i < FlareElementCount; ++i) {
        const FlareElement& e = FlareElements[i];
        const FlareQuad q = CFlare::Quad(e, sunX, sunY);
        EXPECT_NEAR(e.size, q.x1 - q.x0, 1e-5f) << i;
        EXPECT_NEAR(1.33f * e.size, q.y0 - q.y1, 1e-5f) << i;
        EXPECT_NEAR(e.axis * sunX, 0.5f * (q.x0 + q.x1), 1e-5f) << i;
        EXPECT_NEAR(e.axis * sunY, 0.5f * (q.y0 + q.y1), 1e-5f) << i;
    }
    // Element 17 is centred on the sun mirrored through the screen centre.
    const FlareQuad q = CFlare::Quad(FlareElements[17], sunX, sunY);
    EXPECT_FLOAT_EQ(-sunX, 0.5f * (q.x0 + q.x1));
    EXPECT_FLOAT_EQ(-sunY, 0.5f * (q.y0 + q.y1));
    EXPECT_FLOAT_EQ(-0.5f - 0.55f, q.x0);
}

// The transparent pass sorts by the key: made over memory that is not zero
// it is 0 all the same, and nothing the flare or the world does in frames
// that draw it writes it.
TEST_F(FlareOnDevice, SortKeyIsDefinedAndNeverWritten)
{
    EffectsApp app(Device(), D3DFMT_D24S8);
    void* storage = ::operator new(sizeof(CFlare));
    std::memset(storage, 0x7F, sizeof(CFlare));
    CFlare* flare = new (storage) CFlare;
    EXPECT_STREQ("CFlare", flare->name);
    EXPECT_EQ(1, flare->transparent);
    EXPECT_EQ(0, flare->noCull);
    EXPECT_EQ(0.0f, flare->sortDistance);

    ASSERT_EQ(0, app.world->AddObject(flare));
    ASSERT_EQ(0, app.world->RestoreDeviceObjects());
    app.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));
    app.world->sunDirection = Vector3(0, 0, -1);
    app.world->sunVisibility = 1.0f;
    app.world->SetFixedConstants();
    const float mark = 7.25f;
    flare->sortDistance = mark;
    for (int frame = 1; frame <= 3; ++frame) {
        SCOPED_TRACE(frame);
        flare->Update(0.5f * frame, 0.5f * (frame - 1));
        ASSERT_EQ(0, flare->culled);
        DeviceRecorder recorder(Device());
        ASSERT_TRUE(SUCCEEDED(Device()->BeginScene()));
        app.world->Render();
        Device()->EndScene();
        EXPECT_EQ(FlareElementCount, recorder.Count("DrawIndexedPrimitive")) << "the flare was drawn";
        EXPECT_EQ(mark, flare->sortDistance);
    }
}

// Straight at a fully visible sun every element is drawn with its alpha in
// the texture factor's top byte (a x 255, truncated), and the depth test
// and the stencil are left as the world set them.
TEST_F(FlareOnDevice, DrawsEachElementAtItsAlphaAndPutsBackTheDepthTestAndStencil)
{
    for (D3DFORMAT format : {D3DFMT_D24S8, D3DFMT_D16}) {
        SCOPED_TRACE(::testing::Message() << "format " << format);
        EffectsApp app(Device(), format);
        CFlare* flare = new CFlare;
        ASSERT_EQ(0, app.world->AddObject(flare));
        ASSERT_EQ(0, app.world->RestoreDeviceObjects());
        app.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));
        app.world->sunDirection = Vector3(0, 0, -1);
        app.world->sunVisibility = 1.0f;
        flare->Update(0, 0);
        EXPECT_EQ(0, flare->culled);
        EXPECT_NEAR(0.0f, flare->sunScreen.x, 1e-5f);
        EXPECT_NEAR(0.0f, flare->sunScreen.y, 1e-5f);
        EXPECT_NEAR(1.0f, flare->sunScreen.z, 1e-5f) << "looking straight at the sun";
        app.world->SetFixedConstants();
        DeviceRecorder recorder(Device());
        ASSERT_TRUE(Draw(Device(), *flare));
        EXPECT_EQ(FlareElementCount, recorder.Count("DrawIndexedPrimitive"));
        EXPECT_EQ(DWORD(D3DCMP_LESSEQUAL), recorder.LastRenderState(D3DRS_ZFUNC));
        EXPECT_EQ(format == D3DFMT_D24S8 ? DWORD(TRUE) : DWORD(FALSE),
                  recorder.LastRenderState(D3DRS_STENCILENABLE));
        // Alphas 0.2, 0.05, 0.01, 0.1, 0.4, 0.2, 0.2, 0.4, 0.4, 0.7, 0.2, 0.4,
        // 0.2, 0.3, 0.4, 0.2, 0.3, 0.4.
        const std::vector<DWORD> expected = {
            0x33000000, 0x0C000000, 0x02000000, 0x19000000, 0x66000000, 0x33000000, 0x33000000, 0x66000000, 0x66000000,
            0xB2000000, 0x33000000, 0x66000000, 0x33000000, 0x4C000000, 0x66000000, 0x33000000, 0x4C000000, 0x66000000};
        EXPECT_EQ(expected, recorder.RenderStates(D3DRS_TEXTUREFACTOR));
    }
}

TEST_F(FlareOnDevice, BehindTheEyeIsCulledAndDrawsNothing)
{
    EffectsApp app(Device(), D3DFMT_D24S8);
    CFlare* flare = new CFlare;
    ASSERT_EQ(0, app.world->AddObject(flare));
    ASSERT_EQ(0, app.world->RestoreDeviceObjects());
    app.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));
    app.world->sunDirection = Vector3(0, 0, 1); // the sun behind the camera
    flare->Update(0, 0);
    EXPECT_EQ(1, flare->culled);
    DeviceRecorder recorder(Device());
    ASSERT_TRUE(SUCCEEDED(Device()->BeginScene()));
    app.world->Render();
    Device()->EndScene();
    EXPECT_EQ(0, recorder.Count("DrawIndexedPrimitive"));
}

TEST_F(FlareOnDevice, AddsItsElementsAtTheSunAndTheMirroredPoint)
{
    // The sun at (0.5, 0.25) in device coordinates: the eye at the origin
    // looking along +z, the projection's x and y scale sqrt(3).
    const float k = 1.0f / std::sqrt(3.0f);
    const Vector3 towardSun(0.5f * k, 0.25f * k, 1.0f);
    const float length = std::sqrt(towardSun.x * towardSun.x + towardSun.y * towardSun.y + 1.0f);
    const float alignment = 1.0f / length;
    for (float visibility : {1.0f, 0.0f}) {
        SCOPED_TRACE(::testing::Message() << "visibility " << visibility);
        EffectsApp app(Device(), D3DFMT_D24S8);
        CFlare* flare = new CFlare;
        FixtureImages fixtures;
        for (int i = 0; i < FlareElementCount + 2; ++i)
            fixtures.Replace(*flare, i, 255, 255, 255);
        ASSERT_EQ(0, app.world->AddObject(flare));
        ASSERT_EQ(0, app.world->RestoreDeviceObjects());
        app.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));
        app.world->sunDirection = Vector3(-towardSun.x / length, -towardSun.y / length, -1.0f / length);
        app.world->sunVisibility = visibility;
        flare->Update(0, 0);
        ASSERT_EQ(0, flare->culled);
        EXPECT_NEAR(0.5f, flare->sunScreen.x, 1e-4f);
        EXPECT_NEAR(0.25f, flare->sunScreen.y, 1e-4f);
        EXPECT_NEAR(alignment, flare->sunScreen.z, 1e-5f);

        app.world->SetFixedConstants();
        ASSERT_EQ(S_OK, Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1, 0));
        ASSERT_TRUE(SUCCEEDED(Device()->BeginScene()));
        flare->Render();
        Device()->EndScene();
        const Image image = device_->ReadBackBuffer();
        image.SavePngIfFailed(visibility > 0 ? "FlareVisible" : "FlareHidden");

        // White textures add each element's alpha byte: on the sun elements
        // 0 to 3 at their table alpha and element 4 (axis 0.97) faded.
        const int faded4 = int(visibility * alignment * 0.4f * 255.0f);
        const int onSun = 51 + 12 + 2 + 25 + faded4;
        const POINT sun = PixelOf(0.5f, 0.25f);
        EXPECT_TRUE(PixelNear(image, sun.x, sun.y, Rgb(onSun, onSun, onSun), 4));
        // Element 4 (3.0 wide) covers the whole screen; beside it only
        // element 17, mirrored through the centre and 1.1 wide, reaches the
        // lower left, up to its right edge at x 0.05.
        const int faded17 = int(visibility * alignment * 0.4f * 255.0f);
        for (POINT p : {PixelOf(-0.95f, -0.9f), PixelOf(0.0f, -0.9f)}) {
            const int v = faded4 + faded17;
            EXPECT_TRUE(PixelNear(image, p.x, p.y, Rgb(v, v, v), 3));
        }
        const POINT beyond = PixelOf(0.11f, -0.9f);
        EXPECT_TRUE(PixelNear(image, beyond.x, beyond.y, Rgb(faded4, faded4, faded4), 3));
    }
}

TEST(FlareFaults, SkipsTheElementsWhoseBufferDoesNotLock)
{
    servertest::ProxyDevice proxy("vb_lock_fail");
    ASSERT_TRUE(proxy.Device());
    {
        EffectsApp app(proxy.Device(), D3DFMT_D24S8);
        CFlare* flare = new CFlare;
        ASSERT_EQ(0, app.world->AddObject(flare));
        EXPECT_EQ(0, app.world->RestoreDeviceObjects()) << "a failed fill is only traced";
        app.Look(Vector3(0, 0, 0), Vector3(0, 0, 1));
        app.world->sunDirection = Vector3(0, 0, -1);
        flare->Update(0, 0);
        DeviceRecorder recorder(proxy.Device());
        ASSERT_TRUE(Draw(proxy.Device(), *flare));
        EXPECT_EQ(0, recorder.Count("DrawIndexedPrimitive"));
        EXPECT_EQ(DWORD(D3DCMP_LESSEQUAL), recorder.LastRenderState(D3DRS_ZFUNC));
    }
    EXPECT_EQ(0u, proxy.ReleaseDevice());
}

TEST(FlareFaults, RestoreReturnsBufferCreationFailuresAndKeepsNothing)
{
    const char* const faults[] = {"vb_create_fail", "ib_create_fail", "vb_lock_fail", "ib_lock_fail"};
    for (const char* fault : faults) {
        SCOPED_TRACE(fault);
        servertest::ProxyDevice proxy(fault);
        ASSERT_TRUE(proxy.Device());
        {
            EffectsApp app(proxy.Device(), D3DFMT_D24S8);
            CFlare flare;
            const HRESULT flareResult = flare.RestoreDeviceObjects();
            const bool creation = std::string(fault).find("create") != std::string::npos;
            EXPECT_EQ(creation, FAILED(flareResult)) << servertest::Hex(unsigned(flareResult));
            if (std::string(fault) == "ib_lock_fail") {
                EXPECT_EQ(nullptr, flare.quadIndices) << "unwritten indices are not drawn";
            }
            flare.InvalidateDeviceObjects();
            EXPECT_EQ(nullptr, flare.quadBuffer);
            app.Cleanup();
        }
        EXPECT_EQ(0u, proxy.ReleaseDevice());
    }
}

TEST(FlareMedia, TexturesAreFifteen8BitAndFive24BitBmps)
{
    int eightBit = 0, fullColour = 0;
    for (int i = 0; i < FlareTextureCount; ++i) {
        SCOPED_TRACE(i);
        BmpInfo info;
        ASSERT_TRUE(ReadBmp(Inflate(FlareTextures[i]), info));
        EXPECT_EQ(128, info.width);
        EXPECT_EQ(128, info.height);
        eightBit += info.bits == 8;
        fullColour += info.bits == 24;
        EXPECT_GT(info.dark, 0.2) << "drawn additively: mostly black";
        EXPECT_LT(info.dark, 1.0) << "something to see";
    }
    EXPECT_EQ(15, eightBit);
    EXPECT_EQ(5, fullColour);
}
