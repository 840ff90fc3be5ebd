// The whole aquarium in this process on Wine's device: a fixed scene (the
// camera at the stage centre, no paint, few fish, no clone billboards) run on a steady clock past
// the warm-up; the first flock stays one cluster while it swims, and its
// fish show on screen.

#include "fish/CFish.h"
#include "ScreenCapture.h"
#include "TestDevice.h"
#include "app/SelApplication.h"
#include "settings/SettingsRegistry.h"

#include "framework/AppTimer.h"
#include "scene/OruWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const char SettingsKey[] = "Software\\Kelvane Soft\\Reefglow 3";

void StoreDword(HKEY key, const char* name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

struct Cluster {
    D3DXVECTOR3 centre;
    float spread; // largest distance of a fish from the centre
    int count;
};

class Aquarium : public ::testing::Test {
protected:
    void SetUp() override
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, SettingsKey, &key));
        StoreDword(key, "CameraMode", 1);
        StoreDword(key, "ToneMode", 0);
        StoreDword(key, "FlockSize", 0);
        // Every fish draws itself, so hiding the fish hides every fish pixel.
        StoreDword(key, "CloneFishTech", 0);
        RegCloseKey(key);
        LoadParameters();
        AppTimerResetState(true);
        app = new SelApplication;
        app->runMode = RunModeDebug;
        ASSERT_EQ(0, app->Startup(GetModuleHandleA(nullptr)));
        ASSERT_NE(nullptr, app->device);
    }
    void TearDown() override
    {
        if (app->window)
            SendMessageA(app->window, WM_CLOSE, 0, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        app->FinalCleanup();
        delete app;
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
        LoadParameters();
    }
    // Updates the scene on a 20 Hz clock until time `until`.
    void RunUntil(float until)
    {
        for (; now < until; now += 0.05f) {
            app->appTime = now;
            ASSERT_EQ(0, app->UpdateScene());
        }
    }
    // The scene as it stands (no update), drawn and presented: the frame as
    // drawn, read from the back buffer before the present, and the screen
    // captured (pumping messages) until it shows that frame; the screen's
    // last capture after 10 s when it never does.
    struct Shown {
        Image frame;
        Image screen;
    };
    Shown DrawAndShow()
    {
        Shown shown;
        EXPECT_EQ(0, app->Render());
        IDirect3DSurface8* back = nullptr;
        if (SUCCEEDED(app->device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) {
            shown.frame = TestDevice::ReadSurface(app->device, back);
            back->Release();
        }
        app->device->Present(nullptr, nullptr, nullptr, nullptr);
        const DWORD start = GetTickCount();
        for (;;) {
            shown.screen = ScreenCapture::Client(app->window);
            if (SameRgb(shown.screen, shown.frame) || GetTickCount() - start >= 10000)
                break;
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            Sleep(10);
        }
        EXPECT_TRUE(SameRgb(shown.screen, shown.frame)) << "the screen never showed the frame";
        return shown;
    }
    static bool SameRgb(const Image& a, const Image& b)
    {
        if (a.Empty() || a.width != b.width || a.height != b.height)
            return false;
        for (size_t i = 0; i < a.pixels.size(); ++i)
            if ((a.pixels[i] ^ b.pixels[i]) & 0x00FFFFFFu)
                return false;
        return true;
    }
    std::vector<OruObject*> FlockFish(int flock)
    {
        std::vector<OruObject*> fish;
        for (int i = 0; i < app->world->children.count; ++i) {
            OruObject* o = static_cast<OruObject*>(app->world->children.items[i]);
            if (o->flockIndex == flock && !o->hidden && dynamic_cast<CFish*>(o))
                fish.push_back(o);
        }
        return fish;
    }
    Cluster Measure(int flock)
    {
        Cluster c = {D3DXVECTOR3(0, 0, 0), 0.0f, 0};
        std::vector<OruObject*> fish = FlockFish(flock);
        for (OruObject* f : fish)
            c.centre += f->position;
        c.count = int(fish.size());
        if (c.count)
            c.centre /= float(c.count);
        for (OruObject* f : fish) {
            D3DXVECTOR3 d = f->position - c.centre;
            c.spread = std::fmax(c.spread, std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z));
        }
        return c;
    }

    SelApplication* app = nullptr;
    float now = 0.0f;
};

} // namespace

TEST_F(Aquarium, FirstFlockSwimsAsOneClusterAndShowsOnScreen)
{
    RunUntil(13.0f);
    ASSERT_TRUE(app->world->warmedUp);
    const Cluster before = Measure(0);
    ASSERT_GT(before.count, 10) << "flock 0 has its fish";
    RunUntil(23.0f);
    const Cluster after = Measure(0);
    for (OruObject* f : FlockFish(0))
        ASSERT_TRUE(std::isfinite(f->position.x) && std::isfinite(f->position.y) && std::isfinite(f->position.z));
    const D3DXVECTOR3 moved = after.centre - before.centre;
    EXPECT_GT(std::sqrt(moved.x * moved.x + moved.y * moved.y + moved.z * moved.z), 0.5f) << "the flock swims on";
    EXPECT_LT(before.spread, 6.0f) << "one compact cluster";
    EXPECT_LT(after.spread, 6.0f) << "one compact cluster";

    // The fish's pixels: the same frame drawn with and without the fish.
    Image withFish = DrawAndShow().screen;
    std::vector<OruObject*> all;
    for (int flock = 0; flock < 8; ++flock)
        for (OruObject* f : FlockFish(flock))
            all.push_back(f);
    for (OruObject* f : all) {
        f->hidden = 1;
        f->culled = 1;
    }
    Image without = DrawAndShow().screen;
    ASSERT_EQ(withFish.width, without.width);
    int changed = 0, centreChanged = 0;
    for (int y = 0; y < withFish.height; ++y)
        for (int x = 0; x < withFish.width; ++x)
            if (withFish.Rgb(x, y) != without.Rgb(x, y)) {
                ++changed;
                if (std::abs(x - withFish.width / 2) < withFish.width / 4 &&
                    std::abs(y - withFish.height / 2) < withFish.height / 4)
                    ++centreChanged;
            }
    EXPECT_GT(changed, 2000) << "fish drawn in view";
    EXPECT_GT(centreChanged, 500) << "fish near the centre of the view";
    if (changed <= 2000 || centreChanged <= 500) {
        withFish.SavePngIfFailed("Aquarium-with-fish");
        without.SavePngIfFailed("Aquarium-without-fish");
    }
}
