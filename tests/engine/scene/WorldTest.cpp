// The world: clock smoothing and warm-up, the update order, the three render
// passes and the transparent sort, the distance matrix and neighbour lookup,
// the device fan-out and the final clean-up, the shader constants it sets
// (read back from Wine's device), the gamma ramp after a restore, and the
// settings accessors the engine reads through.

#include "DebugOutputCapture.h"
#include "TestApp.h"
#include "ServersTestSupport.h"
#include "TestDevice.h"
#include "framework/OruApplication.h"
#include "scene/OruCamera.h"
#include "scene/OruGammaFade.h"
#include "scene/OruObject.h"
#include "scene/OruSceneContext.h"
#include "scene/OruWorld.h"
#include "servers/OruGroupList.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"

#include "settings/SceneSettings.h"
#include "vsConstants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

// While set, array allocations of this many bytes or more fail, as they
// would on a machine without the memory.
size_t g_failArraysFrom = 0;

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (g_failArraysFrom && size >= g_failArraysFrom)
        return nullptr;
    return std::malloc(size ? size : 1);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

void* operator new[](std::size_t size)
{
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();

std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

// A child that records what the world asks of it.
class Recorder : public OruObject {
public:
    explicit Recorder(const std::string& t, OruWorld* w = nullptr) : tag(t), world_(w) {}
    ~Recorder() override { Log().push_back("delete " + tag); }

    HRESULT InitDeviceObjects() override { return Note("init"); }
    HRESULT RestoreDeviceObjects() override
    {
        Note("restore");
        return restoreResult;
    }
    HRESULT InvalidateDeviceObjects() override { return Note("invalidate"); }
    HRESULT DeleteDeviceObjects() override { return Note("delete-objects"); }
    void Update(float time, float prevTime) override
    {
        Note("update");
        times.push_back(time);
        prevTimes.push_back(prevTime);
        if (world_) {
            sunVisibilitySeen.push_back(world_->sunVisibility);
            world_->sunVisibility = 0.25f;
        }
    }
    HRESULT Render() override { return Note("render"); }
    HRESULT FinalCleanup() override
    {
        Note("final");
        if (world_)
            partsLeftAtCleanup = (world_->camera ? 1 : 0) + (world_->vsServer ? 1 : 0) + (world_->vbServer ? 1 : 0) +
                                 (world_->sbServer ? 1 : 0) + (world_->groupList ? 1 : 0) +
                                 (world_->gammaFade ? 1 : 0) + (world_->frameProbe ? 1 : 0);
        return OruObject::FinalCleanup();
    }

    std::string tag;
    HRESULT restoreResult = 0;
    std::vector<float> times;
    std::vector<float> prevTimes;
    std::vector<float> sunVisibilitySeen;
    int partsLeftAtCleanup = -1;

private:
    HRESULT Note(const char* what)
    {
        Log().push_back(std::string(what) + " " + tag);
        return 0;
    }
    OruWorld* world_;
};

// The entries of the log that start with prefix, without it.
std::vector<std::string> Calls(const std::string& prefix)
{
    std::vector<std::string> out;
    for (const std::string& e : Log())
        if (e.compare(0, prefix.size() + 1, prefix + " ") == 0)
            out.push_back(e.substr(prefix.size() + 1));
    return out;
}

std::vector<std::string> Tags(std::initializer_list<const char*> tags)
{
    return std::vector<std::string>(tags.begin(), tags.end());
}

// A world with the program-wide clock started afresh.
class TestWorld : public OruWorld {
public:
    TestWorld()
    {
        fTimeKey = -1.0f;
        Log().clear();
    }
    ~TestWorld() override { FinalCleanup(); }

    Recorder* Add(const std::string& tag)
    {
        Recorder* r = new Recorder(tag, this);
        EXPECT_EQ(0, AddObject(r));
        return r;
    }
};

// The application engine code reaches: a test device, and the world.
using WorldApp = TestApp;

// Sets one row of a program-wide table for the life of the object, filling
// the table from its descriptors first; empties the table again afterwards.
class SettingOverride {
public:
    SettingOverride(CParameter& table, const CParameterItem* defs, int row, int32_t value) : table_(table)
    {
        table_.count = 0;
        table_.AddItems(defs);
        table_.items[row].value = value;
    }
    ~SettingOverride() { table_.count = 0; }

private:
    CParameter& table_;
};

} // namespace

// ---- clock smoothing and warm-up

// Each row: application times fed to UpdateAll, and the time and previous
// time the children receive at the last of them.
struct ClockCase {
    const char* what;
    std::vector<float> appTimes;
    float time;
    float prevTime;
};

std::vector<float> Steady(float start, float step, int frames)
{
    std::vector<float> t;
    for (int i = 0; i < frames; ++i)
        t.push_back(start + step * i);
    return t;
}

TEST(WorldClock, SmoothingSequences)
{
    std::vector<float> backwards = Steady(2.0f, 0.02f, 12);
    backwards.push_back(0.5f);
    const float t = 2.0f + 0.02f * 14; // last time of the 15-frame run
    const ClockCase cases[] = {
        {"first update: both times 0.9 t", {5.0f}, 4.5f, 4.5f},
        {"first update at zero", {0.0f}, 0.0f, 0.0f},
        {"steady 0.02 s frames with the history full: 0.9 t + 1.35 d, 0.9 t + 0.45 d", Steady(2.0f, 0.02f, 15),
         0.9f * t + 1.35f * 0.02f, 0.9f * t + 0.45f * 0.02f},
        {"a still clock settles at 0.9 t", std::vector<float>(12, 3.0f), 2.7f, 2.7f},
    };
    for (const ClockCase& c : cases) {
        TestWorld world;
        Recorder* r = world.Add("a");
        for (float at : c.appTimes)
            EXPECT_EQ(0, world.UpdateAll(at));
        ASSERT_EQ(c.appTimes.size(), r->times.size()) << c.what;
        EXPECT_NEAR(c.time, r->times.back(), 1e-4f) << c.what;
        EXPECT_NEAR(c.prevTime, r->prevTimes.back(), 1e-4f) << c.what;
        EXPECT_EQ(c.appTimes.size(), world.frameCounter) << c.what;
    }
}

TEST(WorldClock, SteadyFramesChainEachPreviousTimeToTheLastTime)
{
    TestWorld world;
    Recorder* r = world.Add("a");
    for (float at : Steady(1.0f, 0.02f, 30))
        world.UpdateAll(at);
    // The first update passes equal times: nothing moves.
    EXPECT_EQ(r->times[0], r->prevTimes[0]);
    for (size_t k = 10; k < r->times.size(); ++k) {
        EXPECT_NEAR(r->times[k - 1], r->prevTimes[k], 1e-5f) << "frame " << k;
        EXPECT_NEAR(0.018f, r->times[k] - r->prevTimes[k], 1e-5f) << "frame " << k;
    }
    // While the history fills, the clock eases in and never runs backwards.
    for (size_t k = 1; k < r->times.size(); ++k)
        EXPECT_GE(r->times[k], r->times[k - 1]) << "frame " << k;
}

TEST(WorldClock, TimeRunningBackwardsGivesThePreviousTimePlusAMillisecond)
{
    TestWorld world;
    Recorder* r = world.Add("a");
    for (float at : Steady(2.0f, 0.02f, 12))
        world.UpdateAll(at);
    world.UpdateAll(0.5f);
    EXPECT_FLOAT_EQ(r->prevTimes.back() + 0.001f, r->times.back());
    EXPECT_FLOAT_EQ(OruWorld::fTimeKey, r->prevTimes.back());
}

TEST(WorldClock, ApplicationTimeThatIsNotANumberRepeatsTheLastOne)
{
    TestWorld world;
    Recorder* r = world.Add("a");
    world.UpdateAll(NaN);
    world.UpdateAll(1.0f);
    world.UpdateAll(std::numeric_limits<float>::infinity());
    for (float at : Steady(1.02f, 0.5f, 40))
        world.UpdateAll(at);
    for (size_t k = 0; k < r->times.size(); ++k) {
        EXPECT_TRUE(std::isfinite(r->times[k])) << "frame " << k;
        EXPECT_TRUE(std::isfinite(r->prevTimes[k])) << "frame " << k;
    }
    EXPECT_EQ(1, world.warmedUp);
}

TEST(WorldWarmUp, BeginsOnceMoreThanTenSecondsPassedTheFourthUpdate)
{
    TestWorld world;
    Recorder* r = world.Add("a");
    std::vector<int> flags;
    for (float at : Steady(3.0f, 0.25f, 80)) {
        world.UpdateAll(at);
        flags.push_back(world.warmedUp);
    }
    const float fourth = r->times[3];
    bool seen = false;
    for (size_t k = 0; k < flags.size(); ++k) {
        const bool expected = seen || r->times[k] - fourth > 10.0f;
        seen = expected;
        EXPECT_EQ(expected ? 1 : 0, flags[k]) << "update " << k + 1 << " at " << r->times[k];
    }
    EXPECT_TRUE(seen);
}

TEST(WorldWarmUp, ItsEndIsTracedOnceByTheUpdateThatEndsIt)
{
    DebugOutputCapture capture;
    TestWorld world;
    world.Add("a");
    for (float at : Steady(3.0f, 0.25f, 80)) {
        world.UpdateAll(at);
        int traces = 0;
        for (const std::string& line : capture.Lines())
            traces += line == "OruWorld: warm-up over\n";
        EXPECT_EQ(world.warmedUp ? 1 : 0, traces) << "at " << at;
        EXPECT_EQ(traces, int(capture.Lines().size())) << "no other text";
    }
    EXPECT_EQ(1, world.warmedUp);
}

TEST(WorldWarmUp, ExactlyTenSecondsIsNotEnough)
{
    // With every application time equal the smoothed time is 0.9 t; this t
    // gives exactly 10.0, while the fourth update's time was 0.
    const float tenSeconds = 0x1.638e38p+3f;
    struct Row {
        float after;
        int warmed;
    } rows[] = {{tenSeconds, 0}, {std::nextafter(tenSeconds, 100.0f), 1}};
    for (const Row& row : rows) {
        TestWorld world;
        Recorder* r = world.Add("a");
        for (int i = 0; i < 4; ++i)
            world.UpdateAll(0.0f);
        ASSERT_EQ(0.0f, OruWorld::warmUpStart);
        // Jump the history to the late time without passing through the
        // overshoot of the smoothing: each update sees its own history.
        for (float& h : OruWorld::clockHistory)
            h = row.after;
        world.UpdateAll(row.after);
        ASSERT_GE(r->times.back(), 10.0f);
        EXPECT_EQ(row.warmed, world.warmedUp) << "smoothed time " << r->times.back();
        if (!row.warmed) {
            EXPECT_EQ(10.0f, r->times.back());
        }
    }
}

TEST(WorldUpdate, SunMovesVisibilityResetsAndInactiveChildrenWait)
{
    TestWorld world;
    Recorder* a = world.Add("a");
    Recorder* idle = world.Add("idle");
    idle->state = 0;
    Recorder* b = world.Add("b");
    world.vsServer->currentVS = 7;
    world.vbServer->currentIB = reinterpret_cast<IDirect3DIndexBuffer8*>(8);
    world.sbServer->current = 9;
    VBServer fresh;

    world.UpdateAll(4.0f);
    world.UpdateAll(4.0f);
    EXPECT_EQ(Tags({"a", "b", "a", "b"}), Calls("update"));
    EXPECT_TRUE(idle->times.empty());
    // Every update starts the sun at full visibility; children lower it.
    EXPECT_EQ((std::vector<float>{1.0f, 1.0f}), a->sunVisibilitySeen);
    EXPECT_EQ((std::vector<float>{0.25f, 0.25f}), b->sunVisibilitySeen);
    // The bind filters are forgotten at every update.
    EXPECT_EQ(NoShaderRemembered, world.vsServer->currentVS);
    EXPECT_EQ(fresh.currentIB, world.vbServer->currentIB);
    EXPECT_EQ(NoStateBlock, world.sbServer->current);

    const float time = a->times.back();
    D3DXVECTOR3 sun(0.0f, 0.05f * std::sin(0.5f * time) - 1.0f, 0.02f * std::cos(time / 3.0f) + 1.0f);
    D3DXVec3Normalize(&sun, &sun);
    EXPECT_NEAR(sun.x, world.sunDirection.x, 1e-6f);
    EXPECT_NEAR(sun.y, world.sunDirection.y, 1e-6f);
    EXPECT_NEAR(sun.z, world.sunDirection.z, 1e-6f);
}

TEST(WorldConstruction, OwnsItsPartsAndIsTheSceneContext)
{
    TestWorld world;
    EXPECT_STREQ("OruWorld", world.name);
    EXPECT_NE(nullptr, world.camera);
    EXPECT_NE(nullptr, world.vsServer);
    EXPECT_NE(nullptr, world.vbServer);
    EXPECT_NE(nullptr, world.sbServer);
    EXPECT_NE(nullptr, world.groupList);
    EXPECT_NE(nullptr, world.gammaFade);
    EXPECT_NE(nullptr, world.frameProbe);
    EXPECT_EQ(0, world.lightCount);
    EXPECT_EQ(0, world.warmedUp);
    EXPECT_FLOAT_EQ(-0.70710677f, world.sunDirection.y);
    EXPECT_FLOAT_EQ(0.70710677f, world.sunDirection.z);
    for (const OruFlockRecord& f : world.flocks)
        EXPECT_EQ(0, f.leading + f.rows + f.columns + f.followersPerFish);
    EXPECT_EQ(&world, OruSceneContext::Current());
    EXPECT_EQ(world.sbServer, world.StateBlocks());
}

TEST(WorldConstruction, AddObjectNumbersChildrenAndRefusesPastItsCapacity)
{
    TestWorld world;
    EXPECT_EQ(E_POINTER, world.AddObject(nullptr));
    for (int i = 0; i < WorldChildCapacity; ++i)
        ASSERT_EQ(0, world.AddObject(new OruObject()));
    EXPECT_EQ(WorldChildCapacity - 1, static_cast<OruObject*>(world.children.items[WorldChildCapacity - 1])->worldIndex);
    OruObject extra;
    extra.worldIndex = -7;
    EXPECT_EQ(E_OUTOFMEMORY, world.AddObject(&extra));
    EXPECT_EQ(-7, extra.worldIndex);
    EXPECT_EQ(WorldChildCapacity, world.children.count);

    OruObject light;
    const float colour[4] = {1, 1, 1, 1};
    for (int i = 0; i < WorldLightCapacity; ++i)
        EXPECT_EQ(0, world.AddLight(&light, colour));
    EXPECT_EQ(E_OUTOFMEMORY, world.AddLight(&light, colour));
    EXPECT_EQ(WorldLightCapacity, world.lightCount);
}

// ---- render passes

namespace {

struct Kind {
    const char* tag;
    int transparent;
    int late;
    int state;
    int culled;
    int noCull;
    float sortDistance;
    int flagged;
};

} // namespace

TEST(WorldRender, ThreePassesInOrderWithTheirSkips)
{
    const Kind kinds[] = {
        {"opaque-a", 0, 0, 1, 0, 0, 0, 0},
        {"near", 1, 0, 1, 0, 0, 1.0f, 0},
        {"late-inactive", 0, 1, 0, 0, 0, 0, 0},
        {"culled", 0, 0, 1, 1, 0, 0, 0},
        {"culled-nocull", 0, 0, 1, 1, 1, 0, 0},
        {"inactive", 0, 0, 0, 0, 0, 0, 0},
        {"far", 1, 0, 1, 0, 0, 9.0f, 0},
        {"transparent-culled", 1, 0, 1, 1, 0, 20.0f, 0},
        {"transparent-inactive", 1, 0, 0, 0, 0, 30.0f, 0},
        {"late-culled", 0, 1, 1, 1, 0, 0, 0},
        {"flagged", 0, 0, 1, 0, 0, 0, 1},
        {"middle", 1, 0, 1, 0, 0, 5.0f, 0},
        {"opaque-b", 0, 0, 1, 0, 0, 0, 0},
        {"late", 0, 1, 1, 0, 0, 0, 0},
    };
    TestWorld world;
    for (const Kind& k : kinds) {
        Recorder* r = world.Add(k.tag);
        r->transparent = k.transparent;
        r->late = k.late;
        r->state = k.state;
        r->culled = k.culled;
        r->noCull = k.noCull;
        r->sortDistance = k.sortDistance;
        r->drawOnlyWhenAllowed = k.flagged;
    }
    EXPECT_EQ(0, world.Render());
    EXPECT_EQ(Tags({"opaque-a", "culled-nocull", "opaque-b", "far", "middle", "near", "late-inactive", "late"}),
              Calls("render"));
}

TEST(WorldRender, CameraEyeObjectIsSkippedInEveryPass)
{
    const struct {
        const char* what;
        int transparent;
        int late;
    } rows[] = {{"opaque", 0, 0}, {"transparent", 1, 0}, {"late", 0, 1}};
    for (const auto& row : rows) {
        TestWorld world;
        world.Add("before");
        Recorder* eye = world.Add("eye");
        eye->transparent = row.transparent;
        eye->late = row.late;
        world.Add("after");
        world.camera->SetEyeObject(eye);
        world.Render();
        EXPECT_EQ(Tags({"before", "after"}), Calls("render")) << row.what;
    }
}

TEST(WorldRender, FlaggedObjectsDrawOnlyWhenTheApplicationAllows)
{
    TestWorld world;
    WorldApp app(nullptr, &world);
    world.Add("plain");
    Recorder* flagged = world.Add("flagged");
    flagged->drawOnlyWhenAllowed = 1;
    Recorder* flaggedTransparent = world.Add("flagged-transparent");
    flaggedTransparent->drawOnlyWhenAllowed = 1;
    flaggedTransparent->transparent = 1;
    world.Render();
    EXPECT_EQ(Tags({"plain"}), Calls("render"));
    Log().clear();
    app.drawFlaggedObjects = 1;
    world.Render();
    EXPECT_EQ(Tags({"plain", "flagged", "flagged-transparent"}), Calls("render"));
}

// Each row: the transparent objects' keys in list order, and the keys in the
// order they must be drawn (far to near; keys that are not numbers last).
struct SortCase {
    std::vector<float> keys;
    std::vector<float> drawn;
};

std::string KeyText(float k)
{
    return std::isnan(k) ? "nan" : std::to_string(k);
}

TEST(WorldRender, TransparentPassSortsFarToNearWithKeysThatAreNotNumbers)
{
    const float inf = std::numeric_limits<float>::infinity();
    const SortCase cases[] = {
        {{1.0f, 3.0f, 2.0f}, {3.0f, 2.0f, 1.0f}},
        {{NaN, 4.0f, 8.0f}, {8.0f, 4.0f, NaN}},
        {{5.0f, NaN, 7.0f, NaN, 6.0f}, {7.0f, 6.0f, 5.0f, NaN, NaN}},
        {{NaN, NaN, NaN}, {NaN, NaN, NaN}},
        {{-inf, NaN, inf, 0.0f}, {inf, 0.0f, -inf, NaN}},
        {{2.0f, 2.0f, 1.0f, 2.0f}, {2.0f, 2.0f, 2.0f, 1.0f}},
    };
    for (const SortCase& c : cases) {
        TestWorld world;
        for (size_t i = 0; i < c.keys.size(); ++i) {
            Recorder* r = world.Add(std::to_string(i));
            r->transparent = 1;
            r->sortDistance = c.keys[i];
        }
        world.Render();
        std::vector<std::string> expected, actual;
        for (float k : c.drawn)
            expected.push_back(KeyText(k));
        for (const std::string& tag : Calls("render"))
            actual.push_back(KeyText(c.keys[std::stoi(tag)]));
        std::string list;
        for (float k : c.keys)
            list += KeyText(k) + " ";
        EXPECT_EQ(expected, actual) << "keys " << list;
    }
}

TEST(WorldRender, ManyKeysWithNaNsDrawEveryObjectOnceFarToNear)
{
    TestWorld world;
    std::srand(7);
    const int count = 500;
    for (int i = 0; i < count; ++i) {
        Recorder* r = world.Add(std::to_string(i));
        r->transparent = 1;
        r->sortDistance = std::rand() % 3 == 0 ? NaN : static_cast<float>(std::rand() % 50);
    }
    world.Render();
    const std::vector<std::string> drawn = Calls("render");
    ASSERT_EQ(static_cast<size_t>(count), drawn.size());
    std::vector<int> seen(count, 0);
    float last = std::numeric_limits<float>::infinity();
    bool inNaNs = false;
    for (const std::string& tag : drawn) {
        const int i = std::stoi(tag);
        ++seen[i];
        const float key = static_cast<OruObject*>(world.children.items[i])->sortDistance;
        if (std::isnan(key)) {
            inNaNs = true;
        } else {
            EXPECT_FALSE(inNaNs) << "a number after the keys that are not";
            EXPECT_LE(key, last);
            last = key;
        }
    }
    EXPECT_EQ(std::vector<int>(count, 1), seen);
}

TEST(WorldRender, NullChildIsSkippedAndEmptyWorldDrawsNothing)
{
    TestWorld empty;
    EXPECT_EQ(0, empty.Render());
    EXPECT_TRUE(Calls("render").empty());

    TestWorld world;
    world.Add("a");
    world.children.Push(nullptr);
    world.Add("b");
    EXPECT_EQ(0, world.Render());
    world.UpdateAll(1.0f);
    world.InitDeviceObjects();
    world.InvalidateDeviceObjects();
    EXPECT_EQ(Tags({"a", "b"}), Calls("render"));
    EXPECT_EQ(Tags({"a", "b"}), Calls("update"));
}

// ---- distances and neighbours

namespace {

// The dynamic flock-mate effect, which the distance matrix serves.
class DynamicFlockMates : public SettingOverride {
public:
    DynamicFlockMates() : SettingOverride(TechniqueParams, TechniqueParamDefs, TechFlockMateEffect, 0) {}
};

std::vector<std::string> TagsOf(const OruPtrArray* list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count; ++i)
        out.push_back(static_cast<Recorder*>(list->items[i])->tag);
    return out;
}

} // namespace

TEST(WorldNeighbours, NearestFirstAndLaterChildFirstAmongTies)
{
    DynamicFlockMates dynamic;
    // Positions along x; "self" at 0.
    const struct {
        const char* tag;
        float x;
    } layout[] = {{"self", 0}, {"three", 3}, {"one", -1}, {"two-a", 2}, {"two-b", -2}, {"five", 5}};
    TestWorld world;
    for (const auto& l : layout)
        world.Add(l.tag)->position = Vector3(l.x, 0, 0);
    world.UpdateAll(1.0f);
    OruObject* self = static_cast<OruObject*>(world.children.items[0]);

    const struct {
        int n;
        std::vector<std::string> expected;
    } rows[] = {
        {4, Tags({"one", "two-b", "two-a", "three"})},
        {1, Tags({"one"})},
        {0, {}},
        {-3, {}},
        {2, Tags({"one", "two-b"})},
        {50, Tags({"one", "two-b", "two-a", "three", "five"})},
    };
    for (const auto& row : rows) {
        OruPtrArray* list = world.GetNeighbours(self, row.n);
        EXPECT_EQ(row.expected, TagsOf(list)) << "n = " << row.n;
        EXPECT_EQ(&world.neighbours, list);
    }
    EXPECT_FLOAT_EQ(2.0f, static_cast<OruObject*>(world.children.items[4])->neighbourDistance);
}

TEST(WorldNeighbours, FourOfThreeOthersGivesThoseThree)
{
    DynamicFlockMates dynamic;
    TestWorld world;
    world.Add("self");
    world.Add("far")->position = Vector3(0, 0, 9);
    world.Add("near")->position = Vector3(0, 1, 0);
    world.Add("mid")->position = Vector3(4, 0, 0);
    world.UpdateAll(0.5f);
    OruPtrArray* list = world.GetNeighbours(static_cast<OruObject*>(world.children.items[0]), 4);
    EXPECT_EQ(Tags({"near", "mid", "far"}), TagsOf(list));
}

TEST(WorldNeighbours, ListNeverPassesItsCapacity)
{
    DynamicFlockMates dynamic;
    TestWorld world;
    for (int i = 0; i < 30; ++i)
        world.Add(std::to_string(i))->position = Vector3(static_cast<float>(30 - i), 0, 0);
    world.UpdateAll(0.5f);
    OruObject* self = static_cast<OruObject*>(world.children.items[29]); // at x = 1
    const int capacity = world.neighbours.capacity;
    ASSERT_EQ(WorldNeighbourCapacity, capacity);
    for (int n : {10, 11, 1000}) {
        OruPtrArray* list = world.GetNeighbours(self, n);
        ASSERT_EQ(WorldNeighbourCapacity, list->count) << n;
        EXPECT_EQ(capacity, list->capacity) << "grown for n = " << n;
        for (int k = 0; k < list->count; ++k)
            EXPECT_EQ(std::to_string(28 - k), static_cast<Recorder*>(list->items[k])->tag) << n;
    }
}

TEST(WorldNeighbours, MatrixIsSizedToTheChildrenAndOnlyMeasuredPairsAreListed)
{
    DynamicFlockMates dynamic;
    TestWorld world;
    Recorder* self = world.Add("self");
    world.Add("a")->position = Vector3(1, 0, 0);
    Recorder* never = world.Add("never-active");
    never->state = 0;
    never->position = Vector3(0.5f, 0, 0);
    Recorder* later = world.Add("later-inactive");
    later->position = Vector3(2, 0, 0);
    world.UpdateAll(0.5f);
    EXPECT_EQ(4, world.distanceSize);
    ASSERT_NE(nullptr, world.distances);

    // An object that stops being active keeps its last distance; one never
    // active has none and is not listed.
    later->state = 0;
    later->position = Vector3(0.1f, 0, 0);
    world.UpdateAll(0.6f);
    EXPECT_EQ(Tags({"a", "later-inactive"}), TagsOf(world.GetNeighbours(self, 4)));

    // A child added later makes the matrix anew at the new size.
    world.Add("new")->position = Vector3(0.2f, 0, 0);
    world.UpdateAll(0.7f);
    EXPECT_EQ(5, world.distanceSize);
    EXPECT_EQ(Tags({"new", "a"}), TagsOf(world.GetNeighbours(self, 4)));

    // An object outside the world has no row.
    OruObject stranger;
    stranger.worldIndex = 77;
    EXPECT_EQ(0, world.GetNeighbours(&stranger, 4)->count);
    EXPECT_EQ(0, world.GetNeighbours(nullptr, 4)->count);
}

TEST(WorldNeighbours, MatrixThatCannotBeAllocatedIsReportedAsNotEnoughMemory)
{
    DynamicFlockMates dynamic;
    TestWorld world;
    Recorder* self = world.Add("self");
    Recorder* other = world.Add("other");
    g_failArraysFrom = 4 * sizeof(uint16_t);
    const HRESULT hr = world.UpdateAll(1.0f);
    g_failArraysFrom = 0;
    EXPECT_EQ(E_OUTOFMEMORY, hr);
    EXPECT_STREQ("Not enough memory.", AppErrorText(hr));
    // The update itself went on; the lookup finds nobody.
    EXPECT_EQ(1u, other->times.size());
    EXPECT_EQ(nullptr, world.distances);
    EXPECT_EQ(nullptr, world.distanceStamps);
    EXPECT_EQ(0, world.GetNeighbours(self, 4)->count);
    // The next update tries again.
    EXPECT_EQ(0, world.UpdateAll(1.1f));
    EXPECT_EQ(Tags({"other"}), TagsOf(world.GetNeighbours(self, 4)));
}

TEST(WorldNeighbours, StaticFlockMatesKeepNoMatrix)
{
    // The tables are empty, so the setting reads as its default (static).
    ASSERT_EQ(1, TechniqueSetting(TechFlockMateEffect));
    TestWorld world;
    Recorder* self = world.Add("self");
    world.Add("a");
    world.UpdateAll(0.5f);
    EXPECT_EQ(nullptr, world.distances);
    EXPECT_EQ(0, world.GetNeighbours(self, 4)->count);
}

// ---- device fan-out and clean-up

TEST(WorldLifecycle, FanOutInListOrderAndRestoreStopsAtTheFirstFailure)
{
    TestWorld world;
    world.Add("a");
    Recorder* b = world.Add("b");
    world.Add("c");

    EXPECT_EQ(0, world.InitDeviceObjects());
    EXPECT_EQ(0, world.RestoreDeviceObjects());
    EXPECT_EQ(0, world.InvalidateDeviceObjects());
    EXPECT_EQ(0, world.DeleteDeviceObjects());
    EXPECT_EQ(Tags({"a", "b", "c"}), Calls("init"));
    EXPECT_EQ(Tags({"a", "b", "c"}), Calls("restore"));
    EXPECT_EQ(Tags({"a", "b", "c"}), Calls("invalidate"));
    EXPECT_EQ(Tags({"a", "b", "c"}), Calls("delete-objects"));

    Log().clear();
    b->restoreResult = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, world.RestoreDeviceObjects());
    EXPECT_EQ(Tags({"a", "b"}), Calls("restore"));
}

TEST(WorldLifecycle, FinalCleanupFreesThePartsFirstThenEachChildInOrder)
{
    std::vector<Recorder*> kids;
    {
        DynamicFlockMates dynamic;
        TestWorld world;
        kids.push_back(world.Add("a"));
        kids.push_back(world.Add("b"));
        kids.push_back(world.Add("c"));
        world.UpdateAll(1.0f);
        ASSERT_NE(nullptr, world.distances);

        EXPECT_EQ(0, world.FinalCleanup());
        EXPECT_EQ(Tags({"final a", "delete a", "final b", "delete b", "final c", "delete c"}),
                  std::vector<std::string>(Log().end() - 6, Log().end()));
        EXPECT_EQ(0, world.children.count);
        EXPECT_EQ(nullptr, world.distances);
        EXPECT_EQ(nullptr, world.distanceStamps);
        EXPECT_EQ(nullptr, world.camera);
        Log().clear();
    }
    // The world's destruction after its clean-up frees nothing twice.
    EXPECT_TRUE(Log().empty());
}

TEST(WorldLifecycle, ChildrenAreCleanedUpAfterTheServersCameraAndFade)
{
    TestWorld world;
    OruWorld* w = &world;
    world.AddObject(new Recorder("a", w));
    int left = -1;
    // Read the count from the log's owner before it is deleted.
    struct Watch : public Recorder {
        Watch(OruWorld* w, int* out) : Recorder("watch", w), out_(out) {}
        HRESULT FinalCleanup() override
        {
            HRESULT hr = Recorder::FinalCleanup();
            *out_ = partsLeftAtCleanup;
            return hr;
        }
        int* out_;
    };
    world.AddObject(new Watch(w, &left));
    world.FinalCleanup();
    EXPECT_EQ(0, left);
}

// ---- on Wine's device: shader constants, stencil defaults and the gamma ramp

namespace {

struct Vec4 {
    float v[4];
};

Vec4 VertexConstant(IDirect3DDevice8* device, DWORD reg)
{
    Vec4 r = {{NaN, NaN, NaN, NaN}};
    device->GetVertexShaderConstant(reg, r.v, 1);
    return r;
}

Vec4 PixelConstant(IDirect3DDevice8* device, DWORD reg)
{
    Vec4 r = {{NaN, NaN, NaN, NaN}};
    device->GetPixelShaderConstant(reg, r.v, 1);
    return r;
}

void ExpectVec4(const Vec4& actual, float x, float y, float z, float w, const std::string& what)
{
    EXPECT_NEAR(x, actual.v[0], 1e-6f) << what;
    EXPECT_NEAR(y, actual.v[1], 1e-6f) << what;
    EXPECT_NEAR(z, actual.v[2], 1e-6f) << what;
    EXPECT_NEAR(w, actual.v[3], 1e-6f) << what;
}

const float Sentinel[4] = {-7.0f, -7.0f, -7.0f, -7.0f};

} // namespace

TEST(WorldConstants, SetAfterARenderAndReadBackFromTheDevice)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    IDirect3DDevice8* d = device.Device();
    TestWorld world;
    WorldApp app(d, &world);
    world.Add("only");
    OruObject light0, light1;
    light0.position = Vector3(1, 2, 3);
    light1.position = Vector3(-4, 5, -6);
    const float colour0[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    const float colour1[4] = {0.5f, 0.6f, 0.7f, 0.8f};
    ASSERT_EQ(0, world.AddLight(&light0, colour0));
    ASSERT_EQ(0, world.AddLight(&light1, colour1));
    world.camera->SetEyePoint(Vector3(7, 8, 9));
    for (DWORD reg = 0; reg < 30; ++reg)
        d->SetVertexShaderConstant(reg, Sentinel, 1);
    for (DWORD reg = 0; reg < 5; ++reg)
        d->SetPixelShaderConstant(reg, Sentinel, 1);

    ASSERT_EQ(0, world.Render());

    ExpectVec4(VertexConstant(d, CV_ZERO), 0, 0, 0, 0, "zero");
    ExpectVec4(VertexConstant(d, CV_CONST), 1.0f, 0.5f, 0.2f, 0.05f, "constants");
    ExpectVec4(VertexConstant(d, CV_CONST2), 2.0f, 4.0f, 10.0f, 50.0f, "constants 2");
    ExpectVec4(VertexConstant(d, CV_RED), 1, 0, 0, 1, "red");
    ExpectVec4(VertexConstant(d, CV_GREEN), 0, 1, 0, 1, "green");
    ExpectVec4(VertexConstant(d, CV_BLUE), 0, 0, 1, 1, "blue");
    ExpectVec4(VertexConstant(d, CV_LIGHT0_POSITION), 1, 2, 3, 1, "light 0 position");
    ExpectVec4(VertexConstant(d, CV_LIGHT0_COLOUR), 0.1f, 0.2f, 0.3f, 0.4f, "light 0 colour");
    ExpectVec4(VertexConstant(d, CV_LIGHT1_POSITION), -4, 5, -6, 1, "light 1 position");
    ExpectVec4(VertexConstant(d, CV_LIGHT1_COLOUR), 0.5f, 0.6f, 0.7f, 0.8f, "light 1 colour");
    // Two lights: the third light's registers keep what they held.
    ExpectVec4(VertexConstant(d, CV_LIGHT2_POSITION), -7, -7, -7, -7, "no light 2");
    ExpectVec4(VertexConstant(d, CV_LIGHT2_COLOUR), -7, -7, -7, -7, "no light 2");
    ExpectVec4(VertexConstant(d, CV_SUN_DIRECTION), 0, 0.70710677f, -0.70710677f, 1, "toward the sun");
    // The Lights setting reads as its default, "bright", while the table is empty.
    ExpectVec4(VertexConstant(d, CV_DIFFUSE), 0.2f, 0.2f, 0.2f, 1, "diffuse");
    ExpectVec4(VertexConstant(d, CV_AMBIENT), 0.2f, 0.2f, 0.2f, 1, "ambient");
    ExpectVec4(VertexConstant(d, CV_SPECULAR), 0.1f, 0.1f, 0.1f, 1, "specular");
    ExpectVec4(VertexConstant(d, CV_SPECULAR_POWER), 0, 0, 0, 20, "power");
    ExpectVec4(VertexConstant(d, CV_FOG), 0.5f, 50.0f, 0.020408163f, 0, "fog");
    ExpectVec4(VertexConstant(d, CV_EYE), 7, 8, 9, 1, "eye");
    ExpectVec4(VertexConstant(d, CV_SCALE), -7, -7, -7, -7, "register 3 is not the world's");
    ExpectVec4(PixelConstant(d, CP_AMBIENT), 0.2f, 0.2f, 0.2f, 1, "pixel ambient");
    ExpectVec4(PixelConstant(d, CP_WHITE_CLEAR), 1, 1, 1, 0, "pixel 2");
    ExpectVec4(PixelConstant(d, CP_WHITE), 1, 1, 1, 1, "pixel 3");
    ExpectVec4(PixelConstant(d, CP_ALPHA_BIAS), 0, 0, 0, -0.2f, "pixel 4");
    ExpectVec4(PixelConstant(d, 1), -7, -7, -7, -7, "pixel 1 is not the world's");
}

TEST(WorldConstants, LightsSettingChoosesTheLevels)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    IDirect3DDevice8* d = device.Device();
    const struct {
        int32_t lights;
        float diffuse, ambient, specular;
    } rows[] = {
        {0, 0.3f, 0.3f, 0.2f},
        {1, 0.2f, 0.2f, 0.1f},
        {2, 0.2f, 0.0f, 0.05f},
        // Outside the tables: the setting's default.
        {3, 0.2f, 0.2f, 0.1f},
        {-1, 0.2f, 0.2f, 0.1f},
    };
    for (const auto& row : rows) {
        SettingOverride lights(SceneParams, SceneParamDefs, SceneLights, row.lights);
        TestWorld world;
        WorldApp app(d, &world);
        world.Add("only");
        world.Render();
        const std::string what = "Lights " + std::to_string(row.lights);
        ExpectVec4(VertexConstant(d, CV_DIFFUSE), row.diffuse, row.diffuse, row.diffuse, 1, what);
        ExpectVec4(VertexConstant(d, CV_AMBIENT), row.ambient, row.ambient, row.ambient, 1, what);
        ExpectVec4(PixelConstant(d, CP_AMBIENT), row.ambient, row.ambient, row.ambient, 1, what);
        ExpectVec4(VertexConstant(d, CV_SPECULAR), row.specular, row.specular, row.specular, 1, what);
    }
}

TEST(WorldConstants, WorldWithoutChildrenSetsNone)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    IDirect3DDevice8* d = device.Device();
    TestWorld world;
    WorldApp app(d, &world);
    d->SetVertexShaderConstant(CV_CONST, Sentinel, 1);
    d->SetPixelShaderConstant(CP_WHITE, Sentinel, 1);
    EXPECT_EQ(0, world.Render());
    ExpectVec4(VertexConstant(d, CV_CONST), -7, -7, -7, -7, "vertex 1");
    ExpectVec4(PixelConstant(d, CP_WHITE), -7, -7, -7, -7, "pixel 3");
}

TEST(WorldStencil, DefaultsSetWhenTheDepthFormatHasStencilBits)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    IDirect3DDevice8* d = device.Device();
    const struct {
        D3DFORMAT format;
        DWORD enabled;
    } rows[] = {{D3DFMT_D24S8, TRUE}, {D3DFMT_D16, FALSE}};
    for (const auto& row : rows) {
        TestWorld world;
        WorldApp app(d, &world);
        app.depthBufferOn = TRUE;
        app.adapterCount = 1;
        app.adapters[0].currentDevice = 0;
        app.adapters[0].devices[0].currentMode = 0;
        app.adapters[0].devices[0].modes[0].depthStencilFormat = row.format;
        d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
        d->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
        world.Render();
        DWORD v = 99;
        d->GetRenderState(D3DRS_STENCILENABLE, &v);
        EXPECT_EQ(row.enabled, v) << row.format;
    }

    TestWorld world;
    WorldApp app(d, &world);
    world.SetStencilDefaults();
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } states[] = {
        {D3DRS_STENCILENABLE, TRUE},
        {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
        {D3DRS_STENCILREF, 0},
        {D3DRS_STENCILMASK, 0xFFFFFFFF},
        {D3DRS_STENCILWRITEMASK, 0xFFFFFFFF},
        {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE},
    };
    for (const auto& s : states) {
        DWORD v = 12345;
        d->GetRenderState(s.state, &v);
        EXPECT_EQ(s.value, v) << "state " << s.state;
    }
}

namespace {

D3DGAMMARAMP Ramp(int level)
{
    D3DGAMMARAMP r;
    for (int i = 0; i < 256; ++i)
        r.red[i] = r.green[i] = r.blue[i] = static_cast<WORD>(i * level);
    return r;
}

bool SameRamp(const D3DGAMMARAMP& a, const D3DGAMMARAMP& b)
{
    return std::equal(a.red, a.red + 256, b.red) && std::equal(a.green, a.green + 256, b.green) &&
           std::equal(a.blue, a.blue + 256, b.blue);
}

} // namespace

// Wine under a virtual display keeps no gamma ramp to read back, so the
// ramp the world sets is read from the proxy d3d8.dll's call log.
TEST(WorldGamma, RestoreSetsTheLinearRampAndAFailedRestoreSetsNone)
{
    servertest::ProxyDevice proxy("");
    ASSERT_TRUE(proxy.Device());
    TestWorld world;
    WorldApp app(proxy.Device(), &world);
    Recorder* child = world.Add("a");

    size_t mark = proxy.Mark();
    child->restoreResult = E_FAIL;
    EXPECT_EQ(E_FAIL, world.RestoreDeviceObjects());
    EXPECT_TRUE(proxy.Calls("SetGammaRamp", mark).empty());

    mark = proxy.Mark();
    child->restoreResult = 0;
    EXPECT_EQ(0, world.RestoreDeviceObjects());
    EXPECT_EQ(std::vector<std::string>{"SetGammaRamp flags=0x1 red=0/32640/65025 green=0/32640/65025 "
                                       "blue=0/32640/65025"},
              proxy.Calls("SetGammaRamp", mark));
    EXPECT_TRUE(SameRamp(Ramp(255), world.gammaFade->ramps[0]));

    // Without a device nothing is set and nothing fails.
    WorldApp noDevice(nullptr, &world);
    EXPECT_EQ(0, world.RestoreDeviceObjects());
}

TEST(GammaFade, RampsFollowTheLevel)
{
    OruGammaFade fade;
    EXPECT_STREQ("OruObject", fade.name);
    EXPECT_EQ(1, fade.noCull);
    const struct {
        int level;
        int expectedLevel;
    } rows[] = {{255, 255}, {128, 128}, {0, 0}, {300, 255}, {-5, 0}};
    for (const auto& row : rows) {
        fade.BuildRamp(0, row.level);
        EXPECT_TRUE(SameRamp(Ramp(row.expectedLevel), fade.ramps[0])) << row.level;
    }
    fade.BuildRamp(0, 128);
    EXPECT_EQ(32640, fade.ramps[0].green[255]);
    // Slots outside the four are ignored.
    fade.BuildRamp(4, 10);
    fade.BuildRamp(-1, 10);
    fade.ApplyRamp(9);
}

TEST(GammaFade, FadeInAndOutByTime)
{
    const struct {
        float fadeIn, fadeOut, time;
        int active;
        int level; // of ramp 0 while active
    } rows[] = {
        {0.0f, -100.0f, 1.0f, 1, 85},
        {0.0f, -100.0f, 3.5f, 1, 255},
        {0.0f, -100.0f, 4.0f, 1, 255},
        {0.0f, -100.0f, 0.5f, 1, 42},
        {0.0f, -100.0f, 4.5f, 0, 0},
        {-100.0f, 0.0f, 1.0f, 1, 170},
        {-100.0f, 0.0f, 3.0f, 1, 0},
        {-100.0f, 0.0f, 3.5f, 0, 0},
        {-100.0f, -100.0f, 0.0f, 0, 0},
        {1.0e30f, -100.0f, 0.0f, 1, 0},
        {0.0f, 0.0f, NaN, 0, 0},
    };
    for (const auto& row : rows) {
        OruGammaFade fade;
        fade.fadeInStart = row.fadeIn;
        fade.fadeOutStart = row.fadeOut;
        fade.Update(row.time, row.time);
        EXPECT_EQ(row.active, fade.active) << row.fadeIn << " " << row.fadeOut << " " << row.time;
        if (row.active) {
            EXPECT_TRUE(SameRamp(Ramp(row.level), fade.ramps[0])) << row.fadeIn << " " << row.time;
        }
        EXPECT_EQ(0, fade.Render());
    }
}

// ---- settings as engine code reads them

TEST(EngineSettings, MissingRowsReadAsTheirDefaults)
{
    ASSERT_EQ(0u, SceneParams.count);
    EXPECT_EQ(1, SceneSetting(SceneLights));
    EXPECT_EQ(5, SceneSetting(SceneCameraFrom));
    EXPECT_EQ(1, TechniqueSetting(TechFlockMateEffect));
    EXPECT_EQ(2, FlockSetting(0, FlockFish));
    EXPECT_EQ(2, FlockSetting(7, FlockDensity));
    EXPECT_EQ(0, FlockSetting(8, FlockFish));
    EXPECT_EQ(1, FlockSetting(9, FlockSizeVarie));
    EXPECT_EQ(0, FlockSetting(-1, FlockFish));
    EXPECT_EQ(0, FlockSetting(10, FlockFish));
    EXPECT_EQ(0, SettingValue(SceneParams, SceneParamDefs, 40));
    EXPECT_EQ(0, SettingValue(SceneParams, SceneParamDefs, -1));
    {
        SettingOverride set(SceneParams, SceneParamDefs, SceneLights, 2);
        EXPECT_EQ(2, SceneSetting(SceneLights));
        EXPECT_EQ(5, SceneSetting(SceneCameraFrom));
    }
    FlockParams[3].AddItems(FlockParamDefs);
    FlockParams[3].items[FlockFish].value = 6;
    EXPECT_EQ(6, FlockSetting(3, FlockFish));
    FlockParams[3].count = 0;
    EXPECT_EQ(5, FlockSetting(3, FlockFish));
}
