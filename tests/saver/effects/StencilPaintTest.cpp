// What the stencil paint, the flare and the logo put on the screen of
// Wine's real device, with solid fixture images in place of their artwork.

#include "EffectsBTestSupport.h"
#include "Image.h"
#include "TestDevice.h"

#include "effects/CFlare.h"
#include "effects/CLogo.h"
#include "effects/SelStencilPaint.h"

#include "scene/OruWorld.h"

#include <cmath>
#include <memory>

using namespace effectsbtest;

namespace {

const int Size = 64;
const D3DCOLOR Water = 0x001020C0;

uint32_t Rgb(double r, double g, double b)
{
    auto byte = [](double v) { return uint32_t(std::lround(std::fmin(std::fmax(v, 0.0), 255.0))); };
    return byte(r) << 16 | byte(g) << 8 | byte(b);
}

POINT PixelOf(float x, float y)
{
    return {LONG((x + 1) * 0.5f * Size), LONG((1 - y) * 0.5f * Size)};
}

struct Fixtures {
    std::vector<std::vector<BYTE>> images;
    void Replace(PimVertexObject& object, int index, uint8_t r, uint8_t g, uint8_t b)
    {
        images.push_back(SolidBmp(r, g, b));
        object.textureSources[index] = images.back().data();
        object.textureSizes[index] = int32_t(images.back().size());
    }
};

class EffectsBPixels : public ::testing::Test {
protected:
    void SetUp() override
    {
        device_.reset(new TestDevice(Size, Size));
        ASSERT_TRUE(device_->Ok()) << device_->Error();
        ASSERT_EQ(D3DFMT_D24S8, device_->Parameters().AutoDepthStencilFormat);
    }
    void TearDown() override { SetToneMode(2); }
    IDirect3DDevice8* Device() { return device_->Device(); }
    std::unique_ptr<TestDevice> device_;
};

// A cube texture of one colour per face: +x red, -x green, +y blue,
// -y yellow, +z magenta, -z cyan.
const uint32_t FaceColours[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};

IDirect3DCubeTexture8* SixColourCube(IDirect3DDevice8* device)
{
    IDirect3DCubeTexture8* cube = nullptr;
    if (FAILED(device->CreateCubeTexture(16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube)) || !cube)
        return nullptr;
    for (int f = 0; f < 6; ++f) {
        D3DLOCKED_RECT locked = {};
        if (FAILED(cube->LockRect(D3DCUBEMAP_FACES(f), 0, &locked, nullptr, 0)))
            continue;
        for (int y = 0; y < 16; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
            for (int x = 0; x < 16; ++x)
                row[x] = 0xFF000000u | FaceColours[f];
        }
        cube->UnlockRect(D3DCUBEMAP_FACES(f), 0);
    }
    return cube;
}

} // namespace

TEST_F(EffectsBPixels, StencilPaintTintsOnlyStencilledPixels)
{
    // Tint texture red; the dense-dot layer (stencil 1, added) green, the
    // tartan layer (stencil 2, blended) blue.
    const double tint = 76.0 / 255.0, layer = 127.0 / 255.0;
    const double water[3] = {0x10, 0x20, 0xC0};
    auto tinted = [&](double r, double g, double b) {
        return Rgb(r * (1 - tint) + 255 * tint, g * (1 - tint), b * (1 - tint));
    };
    const struct {
        int tone;
        uint32_t insideA, insideB;
    } cases[] = {
        {1, tinted(water[0], water[1], water[2]), tinted(water[0], water[1], water[2])},
        {2, tinted(water[0], water[1] + 255 * layer, water[2]),
         tinted(water[0] * (1 - layer), water[1] * (1 - layer), water[2] * (1 - layer) + 255 * layer)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "ToneMode " << c.tone);
        EffectsApp app(Device(), D3DFMT_D24S8);
        SelStencilPaint* paint = new SelStencilPaint;
        Fixtures fixtures;
        fixtures.Replace(*paint, 0, 0, 0, 255);
        fixtures.Replace(*paint, 1, 0, 255, 0);
        fixtures.Replace(*paint, 2, 255, 255, 255);
        fixtures.Replace(*paint, 3, 255, 255, 255);
        fixtures.Replace(*paint, 4, 255, 0, 0);
        ASSERT_EQ(0, app.world->AddObject(paint));
        ASSERT_EQ(0, app.world->RestoreDeviceObjects());
        app.world->SetFixedConstants();
        SetToneMode(c.tone);

        ASSERT_EQ(S_OK, Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, Water, 1, 0));
        const D3DRECT a = {8, 8, 24, 24}, b = {40, 40, 56, 56};
        ASSERT_EQ(S_OK, Device()->Clear(1, &a, D3DCLEAR_STENCIL, 0, 1, 1));
        ASSERT_EQ(S_OK, Device()->Clear(1, &b, D3DCLEAR_STENCIL, 0, 1, 2));
        ASSERT_TRUE(SUCCEEDED(Device()->BeginScene()));
        paint->Render();
        Device()->EndScene();
        const Image image = device_->ReadBackBuffer();
        image.SavePngIfFailed("StencilPaintTone" + std::to_string(c.tone));
        for (POINT p : {POINT{0, 0}, POINT{32, 32}, POINT{63, 63}, POINT{7, 16}, POINT{24, 16}, POINT{63, 0}})
            EXPECT_EQ(0x1020C0u, image.Rgb(p.x, p.y)) << "outside the fish, at " << p.x << "," << p.y;
        for (POINT p : {POINT{8, 8}, POINT{16, 16}, POINT{23, 23}})
            EXPECT_TRUE(PixelNear(image, p.x, p.y, c.insideA, 3));
        for (POINT p : {POINT{40, 40}, POINT{48, 48}, POINT{55, 55}})
            EXPECT_TRUE(PixelNear(image, p.x, p.y, c.insideB, 3));
    }
}

TEST_F(EffectsBPixels, FlareAddsItsElementsAtTheSunAndTheMirroredPoint)
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
        Fixtures fixtures;
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

TEST_F(EffectsBPixels, LogoReflectsTheCubeFaceItsNormalMapAndWorldRowsPick)
{
    // The flat normal map read with _bx2 is (0, 0, 1): the surface is a
    // mirror, and straight on the eye sees the -z face. The tangent frame
    // takes world's rows as they are, so with the logo turned 30 degrees
    // about y the reflection leaves towards +x (the transposed rows would
    // give -x).
    const struct {
        float yaw;
        int face;
    } cases[] = {{0.0f, 5}, {3.14159265f / 6, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "yaw " << c.yaw);
        EffectsApp app(Device(), D3DFMT_D24S8);
        CLogo* logo = new CLogo;
        logo->position = Vector3(0, 0, 15);
        ASSERT_EQ(0, app.world->AddObject(logo));
        ASSERT_EQ(0, app.world->InitDeviceObjects());
        ASSERT_EQ(0, app.world->RestoreDeviceObjects());
        ASSERT_NE(nullptr, logo->cubeTexture) << "loaded on a device with pixel shaders";
        logo->cubeTexture->Release();
        logo->cubeTexture = SixColourCube(Device());
        ASSERT_NE(nullptr, logo->cubeTexture);
        app.Look(Vector3(0, 0, 10), Vector3(0, 0, 20), false);
        logo->yaw = c.yaw;
        logo->Update(0, 0);

        app.world->SetFixedConstants();
        ASSERT_EQ(S_OK, Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1, 0));
        ASSERT_TRUE(SUCCEEDED(Device()->BeginScene()));
        app.world->Render();
        Device()->EndScene();
        const Image image = device_->ReadBackBuffer();
        image.SavePngIfFailed(c.yaw == 0 ? "LogoStraight" : "LogoTurned");
        const uint32_t f = FaceColours[c.face];
        // Half the face's colour added to black.
        EXPECT_TRUE(PixelNear(image, Size / 2, Size / 2,
                              Rgb((f >> 16 & 0xFF) * 0.5, (f >> 8 & 0xFF) * 0.5, (f & 0xFF) * 0.5), 6));
        EXPECT_EQ(0u, image.Rgb(0, 0)) << "the logo is narrower than the screen's height";
    }
}

TEST_F(EffectsBPixels, LogoWithoutPixelShadersShowsItsPictureOnItsOwnStages)
{
    EffectsApp app(Device(), D3DFMT_D24S8);
    app.caps.PixelShaderVersion = 0;
    CLogo* logo = new CLogo;
    Fixtures fixtures;
    fixtures.Replace(*logo, 1, 255, 255, 255);
    logo->position = Vector3(0, 0, 15);
    ASSERT_EQ(0, app.world->AddObject(logo));
    ASSERT_EQ(0, app.world->InitDeviceObjects());
    ASSERT_EQ(0, app.world->RestoreDeviceObjects());
    EXPECT_EQ(nullptr, logo->cubeTexture) << "no cube without pixel shaders";
    app.Look(Vector3(0, 0, 10), Vector3(0, 0, 20), false);
    logo->Update(0, 0);

    // A texture some other draw left on stages 1 to 3.
    IDirect3DTexture8* stale = nullptr;
    ASSERT_EQ(S_OK, Device()->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &stale));
    for (DWORD stage = 1; stage < 4; ++stage)
        Device()->SetTexture(stage, stale);

    app.world->SetFixedConstants();
    ASSERT_EQ(S_OK, Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1, 0));
    ASSERT_TRUE(SUCCEEDED(Device()->BeginScene()));
    app.world->Render();
    Device()->EndScene();
    const Image image = device_->ReadBackBuffer();
    image.SavePngIfFailed("LogoWithoutPixelShaders");

    IDirect3DBaseTexture8* bound[4] = {};
    for (DWORD stage = 0; stage < 4; ++stage)
        Device()->GetTexture(stage, &bound[stage]);
    EXPECT_EQ(static_cast<IDirect3DBaseTexture8*>(logo->textures[1]), bound[0]);
    EXPECT_EQ(static_cast<IDirect3DBaseTexture8*>(logo->textures[1]), bound[1]) << "the picture, not a stale texture";
    EXPECT_EQ(nullptr, bound[2]);
    EXPECT_EQ(nullptr, bound[3]);
    for (IDirect3DBaseTexture8* t : bound)
        if (t)
            t->Release();
    for (DWORD stage = 0; stage < 4; ++stage)
        Device()->SetTexture(stage, nullptr);
    stale->Release();

    EXPECT_NE(0u, image.Rgb(Size / 2, Size / 2)) << "the lit picture shows";
    EXPECT_EQ(0u, image.Rgb(0, 0));
}
