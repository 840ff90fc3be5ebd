// The stencil paint: its layer factors, its passes per depth format and
// "ToneMode" on Wine's device, failed buffers at restore (through the proxy
// d3d8.dll), the tint and the patterns it puts on stencilled pixels, and the
// patterns as the program embeds them.

#include "EffectsTestScene.h"
#include "MediaFile.h"
#include "ServersTestSupport.h"

#include "effects/SelStencilPaint.h"
#include "PaintTextures.h"

#include "scene/OruWorld.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace effectstest;
using namespace mediatest;

namespace {

const D3DCOLOR Water = ClearColour;

class StencilPaintOnDevice : public StencilDeviceTest {
};

} // namespace

TEST(StencilPaintTables, LayerFactorIsTheAlphaByte)
{
    // Above alpha 0.502 the product leaves the int range: full alpha is
    // 0xFF, never the 0x80 of a signed conversion.
    const struct {
        float alpha;
        DWORD factor;
    } cases[] = {{0.5f, 0x7F000000}, {0.4f, 0x66000000}, {0.0f, 0}, {0.75f, 0xBF000000},
                 {1.0f, 0xFF000000}, {-0.5f, 0},        {3.0f, 0xFF000000}};
    for (const auto& c : cases)
        EXPECT_EQ(servertest::Hex(c.factor), servertest::Hex(SelStencilPaint::LayerFactor(c.alpha))) << c.alpha;
}

TEST_F(StencilPaintOnDevice, DrawsPerDepthFormatAndToneMode)
{
    const struct {
        D3DFORMAT format;
        int tone;
        int draws;
        bool resources;
    } cases[] = {
        {D3DFMT_D24S8, 2, 9, true},   {D3DFMT_D24X4S4, 2, 5, true}, {D3DFMT_D15S1, 2, 2, true},
        {D3DFMT_D24S8, 1, 1, true},   {D3DFMT_D24S8, 0, 0, true},   {D3DFMT_D16, 2, 0, false},
        {D3DFMT_D24X8, 2, 0, false},  {D3DFMT_D32, 1, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "format " << c.format << " tone " << c.tone);
        EffectsApp app(Device(), c.format);
        SelStencilPaint* paint = new SelStencilPaint;
        ASSERT_EQ(0, app.world->AddObject(paint));
        EXPECT_EQ(1, paint->late);
        EXPECT_EQ(1, paint->noCull);
        ASSERT_EQ(0, app.world->RestoreDeviceObjects());
        EXPECT_EQ(c.resources, paint->vertexBuffer != nullptr);
        EXPECT_EQ(c.resources, paint->indexBuffer != nullptr);
        EXPECT_EQ(c.resources, paint->textures[0] != nullptr) << "the base's textures only with stencil bits";
        SetToneMode(c.tone);
        app.world->SetFixedConstants();
        Device()->SetRenderState(D3DRS_ZENABLE, TRUE);
        Device()->SetRenderState(D3DRS_STENCILENABLE, TRUE);
        DeviceRecorder recorder(Device());
        ASSERT_TRUE(Draw(Device(), *paint));
        EXPECT_EQ(c.draws, recorder.Count("DrawIndexedPrimitive"));
        if (c.draws == 0) {
            EXPECT_EQ((std::vector<std::string>{"BeginScene", "EndScene"}), recorder.calls) << "no state touched";
            continue;
        }
        // The pattern passes take stencil values 1 up, the tint reference 0.
        const std::vector<DWORD> references = recorder.RenderStates(D3DRS_STENCILREF);
        ASSERT_FALSE(references.empty());
        EXPECT_EQ(0u, references.back());
        EXPECT_EQ(DWORD(D3DCMP_NOTEQUAL), recorder.LastRenderState(D3DRS_STENCILFUNC));
        EXPECT_EQ(DWORD(D3DSTENCILOP_KEEP), recorder.LastRenderState(D3DRS_STENCILPASS));
        EXPECT_EQ(DWORD(TRUE), recorder.LastRenderState(D3DRS_ZENABLE));
        EXPECT_EQ(DWORD(FALSE), recorder.LastRenderState(D3DRS_STENCILENABLE));
        DWORD u = 0, v = 0;
        Device()->GetTextureStageState(0, D3DTSS_ADDRESSU, &u);
        Device()->GetTextureStageState(0, D3DTSS_ADDRESSV, &v);
        EXPECT_EQ(DWORD(D3DTADDRESS_WRAP), u);
        EXPECT_EQ(DWORD(D3DTADDRESS_WRAP), v);
        if (c.tone == 2 && c.format == D3DFMT_D24S8) {
            // Layer factors in pass order, then the tint's.
            const std::vector<DWORD> factors = recorder.RenderStates(D3DRS_TEXTUREFACTOR);
            const std::vector<DWORD> expected = {0x7F000000, 0x7F000000, 0x66000000, 0x66000000, 0x7F000000,
                                                 0x7F000000, 0x66000000, 0x66000000, 0x4C000000};
            EXPECT_EQ(expected, factors);
        }
    }
}

// Each stencil value draws its flock's layer: flocks 0 and 4 the dense dots
// 50 times across, added at alpha 0.5; 1 and 5 the tartan 5 times across,
// blended at 0.5; 2 and 6 the sparse dots 100 times across, added at 0.4;
// 3 and 7 the stripes 7 times across, blended at 0.4. Then the tint over
// every fish: the rainbow gradient, blended at alpha 76 of 255, twice
// across where the device mirrors textures.
TEST_F(StencilPaintOnDevice, EachStencilValueDrawsItsFlocksLayerThenTheTint)
{
    enum { Tartan, DenseDots, SparseDots, Stripes, Rainbow };
    const struct {
        int texture;
        float scale;
        DWORD destBlend, factor;
    } layers[4] = {
        {DenseDots, 50.0f, D3DBLEND_ONE, 0x7F000000},
        {Tartan, 5.0f, D3DBLEND_INVSRCALPHA, 0x7F000000},
        {SparseDots, 100.0f, D3DBLEND_ONE, 0x66000000},
        {Stripes, 7.0f, D3DBLEND_INVSRCALPHA, 0x66000000},
    };
    for (bool mirror : {false, true}) {
        SCOPED_TRACE(mirror ? "mirror" : "no mirror");
        EffectsApp app(Device(), D3DFMT_D24S8);
        if (mirror)
            app.caps.TextureAddressCaps |= D3DPTADDRESSCAPS_MIRROR;
        else
            app.caps.TextureAddressCaps &= ~DWORD(D3DPTADDRESSCAPS_MIRROR);
        SelStencilPaint* paint = new SelStencilPaint;
        ASSERT_EQ(0, app.world->AddObject(paint));
        ASSERT_EQ(0, app.world->RestoreDeviceObjects());
        SetToneMode(2);
        app.world->SetFixedConstants();
        DeviceRecorder recorder(Device());
        ASSERT_TRUE(Draw(Device(), *paint));
        ASSERT_EQ(9u, recorder.draws.size());
        for (size_t k = 0; k < 9; ++k) {
            SCOPED_TRACE(testing::Message() << "draw " << k);
            const DeviceRecorder::DrawState& d = recorder.draws[k];
            const bool tint = k == 8;
            const int texture = tint ? Rainbow : layers[k % 4].texture;
            const float scale = tint ? (mirror ? 2.0f : 1.0f) : layers[k % 4].scale;
            EXPECT_EQ(static_cast<IDirect3DBaseTexture8*>(paint->textures[texture]), d.textures[0]);
            EXPECT_EQ(scale, d.registers[34][0]);
            EXPECT_EQ(scale, d.registers[34][1]);
            EXPECT_EQ(1.0f, d.registers[34][2]);
            EXPECT_EQ(1.0f, d.registers[34][3]);
            EXPECT_EQ(tint ? 0u : DWORD(k + 1), d.renderStates.at(D3DRS_STENCILREF));
            EXPECT_EQ(DWORD(D3DBLEND_SRCALPHA), d.renderStates.at(D3DRS_SRCBLEND));
            EXPECT_EQ(tint ? DWORD(D3DBLEND_INVSRCALPHA) : layers[k % 4].destBlend, d.renderStates.at(D3DRS_DESTBLEND));
            EXPECT_EQ(servertest::Hex(tint ? 0x4C000000u : layers[k % 4].factor),
                      servertest::Hex(d.renderStates.at(D3DRS_TEXTUREFACTOR)));
        }
    }
}

TEST_F(StencilPaintOnDevice, TintsOnlyStencilledPixels)
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
        FixtureImages fixtures;
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

TEST(StencilPaintFaults, RestoreReturnsBufferFailuresAndKeepsNothing)
{
    const char* const faults[] = {"vb_create_fail", "ib_create_fail", "vb_lock_fail", "ib_lock_fail"};
    for (const char* fault : faults) {
        SCOPED_TRACE(fault);
        servertest::ProxyDevice proxy(fault);
        ASSERT_TRUE(proxy.Device());
        {
            EffectsApp app(proxy.Device(), D3DFMT_D24S8);
            SelStencilPaint paint;
            const HRESULT hr = paint.RestoreDeviceObjects();
            EXPECT_TRUE(FAILED(hr)) << servertest::Hex(unsigned(hr));
            EXPECT_EQ(nullptr, paint.vertexBuffer);
            EXPECT_EQ(nullptr, paint.indexBuffer);
            SetToneMode(2);
            DeviceRecorder recorder(proxy.Device());
            EXPECT_EQ(0, paint.Render());
            EXPECT_TRUE(recorder.calls.empty());
            paint.InvalidateDeviceObjects();
            app.Cleanup();
        }
        EXPECT_EQ(0u, proxy.ReleaseDevice());
    }
}

TEST(StencilPaintMedia, PatternsAre8BitBmpsOfTheirSizesAndContent)
{
    const struct {
        const char* what;
        int width, height;
        double darkLow, darkHigh;
    } expected[PaintTextureCount] = {
        // Of the tartan's six colours only black is dark; its band is 2 of
        // the sett's 64 threads in warp and weft, so 1/32 of the pixels.
        {"tartan", 256, 256, 0.028, 0.035},
        {"dense dots", 128, 129, 0.2, 0.45},
        {"sparse dots", 128, 129, 0.05, 0.2},
        {"diagonal stripes", 256, 256, 0.4, 0.6},
    };
    for (int i = 0; i < PaintTextureCount; ++i) {
        SCOPED_TRACE(expected[i].what);
        BmpInfo info;
        ASSERT_TRUE(ReadBmp(Inflate(PaintTextures[i]), info));
        EXPECT_EQ(8, info.bits);
        EXPECT_EQ(expected[i].width, info.width);
        EXPECT_EQ(expected[i].height, info.height);
        EXPECT_GE(info.dark, expected[i].darkLow);
        EXPECT_LE(info.dark, expected[i].darkHigh);
        if (i > 0) {
            EXPECT_NEAR(1.0, info.dark + info.light, 0.15) << "black on white";
        }
    }
    // The dense dots cover more than the sparse ones.
    BmpInfo dense, sparse;
    ASSERT_TRUE(ReadBmp(Inflate(PaintTextures[1]), dense));
    ASSERT_TRUE(ReadBmp(Inflate(PaintTextures[2]), sparse));
    EXPECT_GT(dense.dark, 2 * sparse.dark);
}
