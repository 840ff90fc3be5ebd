// The screensaver's application object in this process, on Wine's device:
// the projection and default states at every restore, the scene's restore
// state, and the failures that must end the program with a box.

#include "MessageBoxWatcher.h"
#include "app/SelApplication.h"

#include "framework/AppTimer.h"
#include "scene/OruWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <string>

namespace {

// A world child that counts its device operations and draws.
class Probe : public OruObject {
public:
    Probe()
    {
        noCull = 1;
        state = 1;
    }
    HRESULT RestoreDeviceObjects() override
    {
        ++restores;
        return failRestore ? E_FAIL : 0;
    }
    HRESULT InvalidateDeviceObjects() override
    {
        ++invalidates;
        return 0;
    }
    HRESULT Render() override
    {
        ++renders;
        return 0;
    }
    int restores = 0;
    int invalidates = 0;
    int renders = 0;
    bool failRestore = false;
};

// A world whose update always runs out of memory.
class FailingWorld : public OruWorld {
public:
    HRESULT UpdateAll(float) override
    {
        ++updates;
        return E_OUTOFMEMORY;
    }
    static int updates;
};
int FailingWorld::updates = 0;

// The application with a scene of its own making: the probes instead of the
// aquarium.
class ProbeApp : public SelApplication {
public:
    HRESULT OneTimeSceneInit() override
    {
        if (!world)
            return SelApplication::OneTimeSceneInit();
        world->AddObject(first = new Probe);
        world->AddObject(second = new Probe);
        return 0;
    }
    // The message loop's work for up to ms milliseconds.
    void Pump(DWORD ms)
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            MSG msg;
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    quit = true;
                    return;
                }
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            } else if (active && ready) {
                if (FAILED(RenderFrame()) && window)
                    SendMessageA(window, WM_CLOSE, 0, 0);
            } else {
                Sleep(5);
            }
        }
    }
    Probe* first = nullptr;
    Probe* second = nullptr;
    bool quit = false;
};

class SaverApp : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppTimerResetState(true);
        app = new ProbeApp;
    }
    void TearDown() override
    {
        if (app->window)
            SendMessageA(app->window, WM_CLOSE, 0, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClipCursor(nullptr);
        app->FinalCleanup();
        delete app;
    }
    void Start(RunMode mode)
    {
        app->runMode = mode;
        ASSERT_EQ(0, app->Startup(GetModuleHandleA(nullptr)));
        app->Pump(300);
    }
    DWORD RenderState(D3DRENDERSTATETYPE state)
    {
        DWORD value = 0xDEADBEEF;
        app->device->GetRenderState(state, &value);
        return value;
    }
    void ExpectDefaultStates(const char* when)
    {
        for (DWORD stage = 0; stage < 4; ++stage) {
            DWORD minFilter = 0, magFilter = 0;
            app->device->GetTextureStageState(stage, D3DTSS_MINFILTER, &minFilter);
            app->device->GetTextureStageState(stage, D3DTSS_MAGFILTER, &magFilter);
            EXPECT_EQ(DWORD(D3DTEXF_LINEAR), minFilter) << when << " stage " << stage;
            EXPECT_EQ(DWORD(D3DTEXF_LINEAR), magFilter) << when << " stage " << stage;
        }
        const struct {
            D3DRENDERSTATETYPE state;
            DWORD value;
        } states[] = {
            {D3DRS_ZENABLE, D3DZB_TRUE},       {D3DRS_CULLMODE, D3DCULL_CCW},    {D3DRS_ALPHAREF, 1},
            {D3DRS_ALPHATESTENABLE, TRUE},     {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
            {D3DRS_FOGENABLE, TRUE},           {D3DRS_FOGCOLOR, 0x001020C0},     {D3DRS_FILLMODE, D3DFILL_SOLID},
        };
        for (const auto& s : states)
            EXPECT_EQ(s.value, RenderState(s.state)) << when << " state " << s.state;
    }

    ProbeApp* app = nullptr;
};

} // namespace

TEST_F(SaverApp, RestoreBuildsTheProjectionAndTheDefaultStatesAgainAfterAReset)
{
    Start(RunModeDebug);
    ASSERT_NE(nullptr, app->device);
    D3DXMATRIX projection;
    ASSERT_EQ(D3D_OK, app->device->GetTransform(D3DTS_PROJECTION, &projection));
    const float aspect = float(app->backBufferDesc.Width) / float(app->backBufferDesc.Height);
    EXPECT_NE(4.0f / 3.0f, aspect) << "the real client size, not a fixed 4:3";
    const float ys = 1.0f / std::tan(1.0471976f / 2);
    EXPECT_NEAR(ys / aspect, projection._11, 1e-5);
    EXPECT_NEAR(ys, projection._22, 1e-5);
    EXPECT_NEAR(1.001001f, projection._33, 1e-5);
    EXPECT_NEAR(1.0f, projection._34, 1e-6);
    EXPECT_NEAR(-0.1001001f, projection._43, 1e-6);
    EXPECT_EQ(0, memcmp(&projection, &app->projection, sizeof projection));
    ExpectDefaultStates("after the first restore");

    // Spoil every state, then reset: the restore sets them again.
    for (DWORD stage = 0; stage < 4; ++stage)
        app->device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_POINT);
    app->device->SetRenderState(D3DRS_ALPHAREF, 200);
    app->device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    app->device->SetRenderState(D3DRS_FOGCOLOR, 0x00FF0000);
    app->device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    ASSERT_EQ(0, app->ResetDevice3D());
    ExpectDefaultStates("after a reset");
}

TEST_F(SaverApp, SaverModeMakesTheSceneOnlyOnTheFullScreenDevice)
{
    // Each application's scene, not what ran before it in the process,
    // decides: a second saver run in the same process skips the same calls.
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        if (run > 0) {
            TearDown();
            SetUp();
        }
        Start(RunModeSaver);
        ASSERT_FALSE(app->windowed);
        // The temporary windowed device's restore and its invalidate before
        // the switch never reach the scene.
        EXPECT_EQ(2, app->DeviceCalls().restore);
        EXPECT_EQ(1, app->DeviceCalls().invalidate);
        EXPECT_EQ(1, app->first->restores);
        EXPECT_EQ(0, app->first->invalidates);
        EXPECT_TRUE(app->SceneRestored());
        EXPECT_GT(app->first->renders, 0);
    }
}

TEST_F(SaverApp, HalfRestoredSceneIsNeverDrawn)
{
    Start(RunModeDebug);
    ASSERT_TRUE(app->SceneRestored());
    app->InvalidateDeviceObjects();
    app->second->failRestore = true;
    EXPECT_EQ(E_FAIL, app->RestoreDeviceObjects());
    EXPECT_FALSE(app->SceneRestored());
    const int drawn = app->first->renders;
    EXPECT_EQ(0, app->Render());
    SendMessageA(app->window, WM_PAINT, 0, 0);
    EXPECT_EQ(drawn, app->first->renders) << "the first probe was restored, but the scene was not";
    // The invalidate after a failed restore still gives back what was made.
    const int invalidated = app->first->invalidates;
    app->InvalidateDeviceObjects();
    EXPECT_EQ(invalidated + 1, app->first->invalidates);
    app->second->failRestore = false;
    EXPECT_EQ(0, app->RestoreDeviceObjects());
    EXPECT_EQ(0, app->Render());
    EXPECT_EQ(drawn + 1, app->first->renders);
}

TEST_F(SaverApp, WithoutAWorldStartupFailsWithNotEnoughMemory)
{
    delete app->world;
    app->world = nullptr;
    MessageBoxWatcher boxes;
    app->runMode = RunModeDebug;
    EXPECT_EQ(E_OUTOFMEMORY, app->Startup(GetModuleHandleA(nullptr)));
    ASSERT_TRUE(boxes.WaitFor(1, 5000));
    EXPECT_EQ("Not enough memory.\n\nThis application will now exit.", boxes.Boxes()[0].text);
    EXPECT_EQ(nullptr, app->device);
    // The frame and the device operations cope with the missing world.
    EXPECT_EQ(E_OUTOFMEMORY, app->UpdateScene());
    EXPECT_EQ(0, app->InvalidateDeviceObjects());
    EXPECT_EQ(0, app->FinalCleanup());
}

TEST_F(SaverApp, FailedWorldUpdateShowsOneBoxAndEnds)
{
    Start(RunModeDebug);
    ASSERT_TRUE(app->window);
    // Swap in a world whose update fails.
    app->InvalidateDeviceObjects();
    app->DeleteDeviceObjects();
    app->world->FinalCleanup();
    delete app->world;
    FailingWorld::updates = 0;
    app->world = new FailingWorld;
    app->first = app->second = nullptr;
    app->InitDeviceObjects();
    ASSERT_EQ(0, app->RestoreDeviceObjects());

    MessageBoxWatcher boxes;
    app->Pump(3000);
    EXPECT_TRUE(app->quit) << "the program ends";
    ASSERT_TRUE(boxes.WaitFor(1, 1000));
    EXPECT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("Not enough memory.\n\nThis application will now exit.", boxes.Boxes()[0].text);
    EXPECT_EQ(1, FailingWorld::updates) << "the failed update is not retried";
}

TEST_F(SaverApp, SecondFinalCleanupDeletesNothing)
{
    Start(RunModeDebug);
    SendMessageA(app->window, WM_CLOSE, 0, 0);
    EXPECT_EQ(nullptr, app->world) << "the close request cleaned up";
    EXPECT_EQ(nullptr, app->device);
    // The end of WinMain cleans up once more, and a second shutdown reaches
    // the same clean-up: both find nothing left to free.
    app->ShutdownDevice3D();
    EXPECT_EQ(0, app->FinalCleanup());
    EXPECT_EQ(nullptr, app->world);
    EXPECT_EQ(1, app->DeviceCalls().invalidate);
    EXPECT_EQ(1, app->DeviceCalls().remove);
}
