// The stencil paint, the flare and the logo: their tables, the device calls
// they make (recorded on Wine's device, failures injected by the proxy
// d3d8.dll) and what they put on the screen of Wine's real device.

#include "EffectsBTestSupport.h"
#include "ServersTestSupport.h"

#include "effects/CFlare.h"
#include "effects/CLogo.h"
#include "effects/SelStencilPaint.h"

#include "scene/OruCamera.h"
#include "scene/OruWorld.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"

#include <cmath>
#include <memory>

using namespace effectsbtest;

namespace {

bool Draw(IDirect3DDevice8* device, OruObject& object)
{
    if (FAILED(device->BeginScene()))
        return false;
    object.Render();
    device->EndScene();
    return true;
}

} // namespace

// ---------------------------------------------------------------- tables

TEST(StencilPaintTables, LayersOrderAndFactors)
{
    const PaintLayer expected[4] = {{1, 50.0f, 0.5f, 0}, {0, 5.0f, 0.5f, 1}, {2, 100.0f, 0.4f, 0}, {3, 7.0f, 0.4f, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i].texture, PaintLayers[i].texture) << i;
        EXPECT_EQ(expected[i].scale, PaintLayers[i].scale) << i;
        EXPECT_EQ(expected[i].alpha, PaintLayers[i].alpha) << i;
        EXPECT_EQ(expected[i].blend, PaintLayers[i].blend) << i;
    }
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(i % 4, PaintLayerOrder[i]) << "stencil value " << i + 1;

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

TEST(LogoTables, RollsAndYawsBackwardsWithTime)
{
    CLogo logo;
    EXPECT_STREQ("CLogo", logo.name);
    EXPECT_EQ(1, logo.noCull);
    float previous = 0;
    for (float t : {0.0f, 0.25f, 1.0f, 3.5f, 10.0f}) {
        logo.Update(t, previous);
        previous = t;
        EXPECT_NEAR(-t, logo.roll, 1e-5f) << t;
        EXPECT_NEAR(-0.5f * t, logo.yaw, 1e-5f) << t;
    }
}

TEST(FlareTables, SortKeyIsDefinedAndNeverWritten)
{
    CFlare flare;
    EXPECT_STREQ("CFlare", flare.name);
    EXPECT_EQ(1, flare.transparent);
    EXPECT_EQ(0, flare.noCull);
    EXPECT_EQ(0.0f, flare.sortDistance);
    flare.Update(1.0f, 0.5f);
    EXPECT_EQ(0.0f, flare.sortDistance);
}

// ---------------------------------------------------------------- device calls

class EffectsBDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        device_.reset(new TestDevice(64, 64));
        ASSERT_TRUE(device_->Ok()) << device_->Error();
        ASSERT_EQ(D3DFMT_D24S8, device_->Parameters().AutoDepthStencilFormat);
    }
    void TearDown() override { SetToneMode(2); }
    IDirect3DDevice8* Device() { return device_->Device(); }
    std::unique_ptr<TestDevice> device_;
};

TEST_F(EffectsBDevice, StencilPaintDrawsPerDepthFormatAndToneMode)
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

TEST_F(EffectsBDevice, FlareLeavesDepthAndStencilStatesAsItFoundThem)
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
        // Straight at a fully visible sun every element has its table alpha.
        const std::vector<DWORD> factors = recorder.RenderStates(D3DRS_TEXTUREFACTOR);
        ASSERT_EQ(size_t(FlareElementCount), factors.size());
        for (int i = 0; i < FlareElementCount; ++i)
            EXPECT_EQ(CFlare::Factor(FlareElements[i].alpha), factors[i]) << i;
    }
}

TEST_F(EffectsBDevice, FlareBehindTheEyeIsCulledAndDrawsNothing)
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

TEST_F(EffectsBDevice, LogoMakesNoDeviceCallOnceWarmedUpOrWithoutAMesh)
{
    EffectsApp app(Device(), D3DFMT_D24S8);
    CLogo* logo = new CLogo;
    ASSERT_EQ(0, app.world->AddObject(logo));
    // The mesh is not loaded (no InitDeviceObjects): the restore makes no
    // zero-byte buffer and the logo has nothing to draw.
    ASSERT_EQ(0, app.world->RestoreDeviceObjects());
    EXPECT_EQ(nullptr, logo->meshes[0].vertexBuffer);
    CountingDevice counting;
    app.device = counting.Device();
    CountingDevice::calls = 0;
    app.world->warmedUp = 0;
    EXPECT_EQ(0, logo->Render());
    EXPECT_EQ(0, CountingDevice::calls) << "an empty mesh draws nothing";
    app.device = Device();

    ASSERT_EQ(0, app.world->InitDeviceObjects());
    ASSERT_EQ(0, app.world->RestoreDeviceObjects());
    ASSERT_NE(nullptr, logo->meshes[0].vertexBuffer);
    app.world->warmedUp = 1;
    app.device = counting.Device();
    CountingDevice::calls = 0;
    EXPECT_EQ(0, logo->Render());
    EXPECT_EQ(0, CountingDevice::calls) << "warmed up: no device call at all";
    app.world->warmedUp = 0;
    EXPECT_EQ(0, logo->Render());
    EXPECT_GT(CountingDevice::calls, 0) << "the counter sees the calls of a draw";
    app.device = Device();
}

// ---------------------------------------------------------------- injected failures

TEST(EffectsBProxy, FlareSkipsTheElementsWhoseBufferDoesNotLock)
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

TEST(EffectsBProxy, FlareAndPaintRestoresReturnBufferFailuresAndKeepNothing)
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
