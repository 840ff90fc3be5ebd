// The whole aquarium in this process on Wine's device, run on a steady clock
// past the warm-up: in a fixed scene (the camera at the stage centre, no
// paint, few fish, no clone billboards) the first flock stays one cluster
// while it swims, and its fish show on screen; with the default settings the
// clone billboards stand in for the far fish in the running picture.

#include "fish/CFish.h"
#include "fish/PimRenderTexture.h"
#include "ScreenCapture.h"
#include "TestDevice.h"
#include "app/SelApplication.h"
#include "settings/SceneSettings.h"
#include "settings/SettingsRegistry.h"

#include "framework/AppTimer.h"
#include "scene/OruCamera.h"
#include "scene/OruWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
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
        RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKey);
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, SettingsKey, &key));
        StoreSettings(key);
        RegCloseKey(key);
        LoadParameters();
        AppTimerResetState(true);
        // The same scene in every run.
        std::srand(1);
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
    // The camera at the stage centre, no paint, few fish, and every fish
    // drawing itself, so that hiding the fish hides every fish pixel.
    virtual void StoreSettings(HKEY key)
    {
        StoreDword(key, "CameraMode", 1);
        StoreDword(key, "ToneMode", 0);
        StoreDword(key, "FlockSize", 0);
        StoreDword(key, "CloneFishTech", 0);
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

namespace {

// The default settings: the clone-fish technique on.
class AquariumWithDefaults : public Aquarium {
protected:
    void StoreSettings(HKEY) override {}

    // One billboard of this frame: the member it stands for, its group, and
    // the square it covers on screen (from the member's position and size
    // and the group's picture scale), widened by a pixel for rasterisation.
    struct Billboard {
        CFish* fish;
        PimRenderTexture* group;
        RECT square;
    };
    std::vector<PimRenderTexture*> Groups() const
    {
        std::vector<PimRenderTexture*> groups;
        for (int i = 0; i < app->world->children.count; ++i)
            if (auto* g = dynamic_cast<PimRenderTexture*>(static_cast<OruObject*>(app->world->children.items[i])))
                groups.push_back(g);
        return groups;
    }
    // The members drawn as billboards this frame: those neither culled nor
    // drawing themselves, as many as the group has billboards. Their squares
    // are clipped to the frame; empty when off it.
    std::vector<Billboard> Billboards(int width, int height) const
    {
        std::vector<Billboard> all;
        const D3DXMATRIX& view = app->world->camera->view;
        for (PimRenderTexture* g : Groups()) {
            int found = 0;
            for (int i = 0; i < g->memberCount; ++i) {
                CFish* m = g->members[i];
                if (m->culled || m->drawSelf)
                    continue;
                ++found;
                const D3DXVECTOR3 centre(m->position.x, m->position.y, m->position.z);
                D3DXVECTOR3 v;
                D3DXVec3TransformCoord(&v, &centre, &view);
                const float half = 0.5f * m->scale * g->billboardScale;
                RECT square = {width, height, -1, -1};
                for (int corner = 0; corner < 4; ++corner) {
                    // The corner in view space, through the projection (row vector).
                    const float cx = v.x + (corner & 1 ? half : -half), cy = v.y + (corner & 2 ? half : -half);
                    const D3DXMATRIX& P = app->projection;
                    const float w = cx * P._14 + cy * P._24 + v.z * P._34 + P._44;
                    if (!(w > 0.0f))
                        continue;
                    const float px = (cx * P._11 + cy * P._21 + v.z * P._31 + P._41) / w;
                    const float py = (cx * P._12 + cy * P._22 + v.z * P._32 + P._42) / w;
                    const float x = (px + 1.0f) * 0.5f * float(width);
                    const float y = (1.0f - py) * 0.5f * float(height);
                    square.left = std::min(square.left, LONG(std::floor(x)) - 1);
                    square.top = std::min(square.top, LONG(std::floor(y)) - 1);
                    square.right = std::max(square.right, LONG(std::ceil(x)) + 1);
                    square.bottom = std::max(square.bottom, LONG(std::ceil(y)) + 1);
                }
                square.left = std::max(square.left, LONG(0));
                square.top = std::max(square.top, LONG(0));
                square.right = std::min(square.right, LONG(width));
                square.bottom = std::min(square.bottom, LONG(height));
                all.push_back({m, g, square});
            }
            EXPECT_EQ(g->billboardCount, found) << "members without a picture or a billboard";
        }
        return all;
    }
    // The frame as it stands (no update), read from the back buffer.
    Image Frame()
    {
        EXPECT_EQ(0, app->Render());
        Image image;
        IDirect3DSurface8* back = nullptr;
        if (SUCCEEDED(app->device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) {
            image = TestDevice::ReadSurface(app->device, back);
            back->Release();
        }
        return image;
    }
    // The same frame drawn without the given billboards (all of their
    // groups'): their members each drawing itself (selfDrawn), as with the
    // technique off, or drawing nothing at all.
    Image FrameWithoutBillboards(const std::vector<Billboard>& billboards, bool selfDrawn)
    {
        std::vector<std::pair<PimRenderTexture*, int32_t>> counts;
        for (const Billboard& b : billboards) {
            bool listed = false;
            for (const auto& c : counts)
                listed = listed || c.first == b.group;
            if (!listed)
                counts.push_back({b.group, b.group->billboardCount});
        }
        for (const auto& c : counts)
            c.first->billboardCount = 0;
        for (const Billboard& b : billboards)
            b.fish->drawSelf = selfDrawn;
        Image image = Frame();
        for (const Billboard& b : billboards)
            b.fish->drawSelf = 0;
        for (const auto& c : counts)
            c.first->billboardCount = c.second;
        return image;
    }
};

bool Differ(const Image& a, const Image& b, size_t pixel)
{
    return ((a.pixels[pixel] ^ b.pixels[pixel]) & 0x00FFFFFFu) != 0;
}

bool Inside(const RECT& r, int x, int y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

} // namespace

TEST_F(AquariumWithDefaults, BillboardsStandInForTheFarFishInTheRunningPicture)
{
    ASSERT_EQ(1, TechniqueSetting(TechCloneFishTech)) << "the default settings";
    ASSERT_FALSE(Groups().empty()) << "no clone groups with the technique on";
    RunUntil(12.0f);
    ASSERT_TRUE(app->world->warmedUp);

    // On to a frame with billboards in view, drawing and updating as the
    // running saver does: the masters' pictures of an update that follows
    // no drawn frame at all are empty.
    Image probe = Frame();
    ASSERT_FALSE(probe.Empty());
    RunUntil(now + 0.05f);
    const int width = probe.width, height = probe.height;
    auto inView = [&](const std::vector<Billboard>& billboards) {
        int n = 0;
        for (const Billboard& b : billboards)
            n += b.square.left < b.square.right && b.square.top < b.square.bottom;
        return n;
    };
    std::vector<Billboard> billboards = Billboards(width, height);
    while (inView(billboards) < 8 && now < 60.0f) {
        RunUntil(now + 0.5f);
        billboards = Billboards(width, height);
    }
    ASSERT_GE(inView(billboards), 8) << "no frame up to 60 s with billboards in view";

    // The running picture, with the technique's billboards; the same frame
    // with their fish drawing themselves; and without them at all.
    const Shown shown = DrawAndShow();
    const Image& withBillboards = shown.frame;
    EXPECT_TRUE(SameRgb(shown.screen, withBillboards)) << "the screen shows the frame";
    const Image selfDrawn = FrameWithoutBillboards(billboards, true);
    const Image none = FrameWithoutBillboards(billboards, false);
    ASSERT_TRUE(SameRgb(Frame(), withBillboards)) << "drawing the same frame again gives the same picture";

    // Billboards' pixels in the frame, about as many as their fish would
    // take drawn themselves.
    int billboardPixels = 0, fishPixels = 0;
    for (size_t i = 0; i < withBillboards.pixels.size(); ++i) {
        billboardPixels += Differ(withBillboards, none, i);
        fishPixels += Differ(selfDrawn, none, i);
    }
    EXPECT_GT(fishPixels, 1000) << "the far fish take few pixels in this frame";
    EXPECT_GT(billboardPixels, fishPixels / 2) << "the billboards show in " << billboardPixels
                                               << " pixels, their fish drawn themselves in " << fishPixels;

    // The technique changes the picture only where billboards stand.
    int changed = 0, outside = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (withBillboards.Rgb(x, y) == selfDrawn.Rgb(x, y))
                continue;
            ++changed;
            bool covered = false;
            for (const Billboard& b : billboards)
                covered = covered || Inside(b.square, x, y);
            outside += !covered;
        }
    EXPECT_GT(changed, 0) << "billboards and fish drawn themselves look alike to the pixel";
    EXPECT_EQ(0, outside) << "of " << changed << " pixels changed by the technique, " << outside
                          << " lie where no billboard stands";

    // Group by group, the same: its billboards change the frame only where
    // they stand. And nothing invisible is left: the billboards of each
    // group (one picture for all) show where the group's fish, drawn
    // themselves, would show in more than a few pixels each (a pose of its
    // own and nearer things hide a fish more or less than its billboard).
    int judged = 0, group = -1;
    for (PimRenderTexture* g : Groups()) {
        ++group;
        std::vector<Billboard> own;
        for (const Billboard& b : billboards)
            if (b.group == g && b.square.left < b.square.right && b.square.top < b.square.bottom)
                own.push_back(b);
        if (own.empty())
            continue;
        const Image groupSelfDrawn = FrameWithoutBillboards(own, true);
        const Image groupNone = FrameWithoutBillboards(own, false);
        int groupFish = 0, groupShown = 0, astray = 0;
        for (size_t i = 0; i < groupNone.pixels.size(); ++i) {
            groupFish += Differ(groupSelfDrawn, groupNone, i);
            groupShown += Differ(withBillboards, groupNone, i);
            if (Differ(withBillboards, groupSelfDrawn, i)) {
                bool covered = false;
                for (const Billboard& b : own)
                    covered = covered || Inside(b.square, int(i % size_t(width)), int(i / size_t(width)));
                astray += !covered;
            }
        }
        EXPECT_EQ(0, astray) << "group " << group << ": " << astray
                             << " pixels changed by its billboards lie where none of them stands";
        if (groupFish < 16 * int(own.size()))
            continue;
        ++judged;
        EXPECT_GT(groupShown, 0) << "the " << own.size() << " billboards of group " << group
                            << " show nothing where their fish drawn themselves take " << groupFish << " pixels";
    }
    EXPECT_GE(judged, 10) << "few groups' billboards in view";

    withBillboards.SavePngIfFailed("Aquarium-billboards");
    selfDrawn.SavePngIfFailed("Aquarium-billboards-self-drawn");
    none.SavePngIfFailed("Aquarium-billboards-none");
}
