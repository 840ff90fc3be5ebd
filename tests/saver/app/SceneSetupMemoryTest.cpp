// Running out of memory while the scene is set up: the n-th allocation
// fails, for every n up to the set-up's count. Nothing throws or crashes,
// the set-up says E_OUTOFMEMORY, and once everything is cleaned up nothing
// made is left. The allocation functions of this program are replaced (that
// is why these tests have a program of their own): they count live blocks
// and, while armed, fail the chosen allocation.

#include "app/SelApplication.h"
#include "fish/CFish.h"
#include "fish/CFishFactory.h"
#include "settings/SettingsRegistry.h"
#include "settings/SettingsTables.h"

#include "mesh/OruPtrArray.h"
#include "scene/OruWorld.h"
#include "servers/OruGroupList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {

long g_live = 0;      // blocks allocated here and not yet freed
bool g_armed = false; // counting the allocations of the code under test
long g_count = 0;     // allocations since arming
long g_failAt = 0;    // the allocation to fail, 1 for the first; 0 for none
bool g_failed = false;

void* Allocate(std::size_t size) noexcept
{
    if (g_armed && ++g_count == g_failAt) {
        g_failed = true;
        return nullptr;
    }
    void* p = std::malloc(size ? size : 1);
    if (p)
        ++g_live;
    return p;
}

void Free(void* p) noexcept
{
    if (!p)
        return;
    --g_live;
    std::free(p);
}

} // namespace

void* operator new(std::size_t size)
{
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void operator delete(void* p) noexcept
{
    Free(p);
}
void operator delete[](void* p) noexcept
{
    Free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    Free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    Free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    Free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    Free(p);
}

namespace {

// What one run of the code under test did with allocation failAt failing
// (0: none failing).
struct Outcome {
    HRESULT result = 0;
    bool threw = false;
    bool failed = false; // the chosen allocation was reached (and failed)
    long count = 0;      // allocations made
};

template <typename Step> Outcome RunFailing(long failAt, Step step)
{
    Outcome out;
    g_count = 0;
    g_failAt = failAt;
    g_failed = false;
    g_armed = true;
    try {
        out.result = step();
    } catch (...) {
        out.threw = true;
    }
    g_armed = false;
    out.failed = g_failed;
    out.count = g_count;
    return out;
}

class OutOfMemory : public ::testing::Test {
protected:
    void SetUp() override { InitFlockParams(); }
    void TearDown() override { InitFlockParams(); }
};

} // namespace

// Each fish kind, with the partial morph on: its constructor's allocations
// failing one by one give no fish and leave nothing behind.
TEST_F(OutOfMemory, EveryFishKindFailsWholeOrIsMadeWhole)
{
    ASSERT_EQ(1, TechniqueSetting(TechPartialMorph));
    CFishFactory factory;
    for (int32_t kind : {FishKindSardine, FishKindBream, FishKindMackerel}) {
        SCOPED_TRACE(kind);
        // A first fish of the kind builds the kind's template.
        CFish* first = factory.MakeFish(kind);
        ASSERT_NE(nullptr, first);
        first->FinalCleanup();
        delete first;

        bool made = false;
        for (long n = 1; !made && n < 100; ++n) {
            const long live = g_live;
            CFish* fish = nullptr;
            const Outcome out = RunFailing(n, [&] {
                fish = factory.MakeFish(kind);
                return fish ? S_OK : E_OUTOFMEMORY;
            });
            ASSERT_FALSE(out.threw) << "allocation " << n;
            if (out.failed) {
                EXPECT_EQ(nullptr, fish) << "allocation " << n;
                EXPECT_EQ(live, g_live) << "allocation " << n << ": nothing left";
                continue;
            }
            made = true;
            ASSERT_NE(nullptr, fish);
            EXPECT_TRUE(fish->Complete());
            EXPECT_NE(nullptr, fish->animator);
            EXPECT_EQ(kind != FishKindSardine, fish->partialMorph != nullptr);
            fish->FinalCleanup();
            delete fish;
            EXPECT_EQ(live, g_live);
        }
        EXPECT_TRUE(made);
    }
}

namespace {

// What a set-up built: every child's class, its mover's and the size of its
// fish group, then the group and light counts.
std::vector<std::string> SceneOf(const SelApplication& app)
{
    std::vector<std::string> scene;
    const OruWorld* world = app.world;
    for (int i = 0; i < world->children.count; ++i) {
        const OruObject* child = static_cast<const OruObject*>(world->children.items[i]);
        scene.push_back(std::string(child->name) + " " + (child->mover ? child->mover->name : "-") + " " +
                        std::to_string(child->group ? child->group->count : -1));
    }
    scene.push_back("groups " + std::to_string(world->groupList ? world->groupList->count : -1));
    scene.push_back("lights " + std::to_string(world->lightCount));
    return scene;
}

// One set-up with allocation failAt failing, cleaned up again; the blocks it
// left and, when it succeeded, what it built.
Outcome SetUpOnce(RunMode mode, long failAt, long* left, std::vector<std::string>* scene)
{
    std::vector<std::string>().swap(*scene);
    const long live = g_live;
    SelApplication* app = new SelApplication;
    app->runMode = mode;
    const Outcome out = RunFailing(failAt, [&] { return app->OneTimeSceneInit(); });
    // The blocks of the scene's description are not the set-up's.
    const long beforeScene = g_live;
    if (out.result == 0)
        *scene = SceneOf(*app);
    const long sceneBlocks = g_live - beforeScene;
    app->FinalCleanup();
    delete app;
    *left = g_live - live - sceneBlocks;
    return out;
}

// Fails every allocation of the set-up in turn: each one ends in
// E_OUTOFMEMORY, or (an allocation the code does without, as a block a
// pointer array grows again) in the whole scene; nothing is left.
void FailEachAllocation(RunMode mode, long minimumCount)
{
    long left = 0;
    std::vector<std::string> scene;
    // Once through (lazily made program-wide things are made here), then
    // the count of a whole set-up.
    ASSERT_EQ(0, SetUpOnce(mode, 0, &left, &scene).result);
    const Outcome whole = SetUpOnce(mode, 0, &left, &scene);
    const std::vector<std::string> wholeScene = scene;
    ASSERT_EQ(0, whole.result);
    ASSERT_FALSE(whole.threw);
    EXPECT_EQ(0, left) << "a whole set-up and its clean-up leave nothing";
    ASSERT_GE(whole.count, minimumCount);

    int wrong = 0, leaks = 0, recovered = 0;
    for (long n = 1; n <= whole.count; ++n) {
        const Outcome out = SetUpOnce(mode, n, &left, &scene);
        ASSERT_FALSE(out.threw) << "allocation " << n << " of " << whole.count;
        ASSERT_TRUE(out.failed) << "allocation " << n << " of " << whole.count;
        if (out.result == 0 && scene == wholeScene) {
            ++recovered;
        } else if (out.result != E_OUTOFMEMORY && ++wrong <= 5) {
            ADD_FAILURE() << "allocation " << n << " of " << whole.count << ": result 0x" << std::hex
                          << out.result << (out.result == 0 ? ", a scene with parts missing" : "");
        }
        if (left != 0 && ++leaks <= 5)
            ADD_FAILURE() << "allocation " << n << ": " << left << " blocks left";
    }
    EXPECT_EQ(0, wrong);
    EXPECT_EQ(0, leaks);
    EXPECT_LT(recovered, whole.count / 10) << "most failures must fail the set-up";
    // One more than the count fails nothing.
    const Outcome past = SetUpOnce(mode, whole.count + 1, &left, &scene);
    EXPECT_FALSE(past.failed);
    EXPECT_EQ(0, past.result);
}

} // namespace

// Every kind of object the set-up makes, in a scene of three small flocks
// (one of each fish kind, with clone groups, the partial morph and, in the
// debug mode, the clone texture's viewer).
TEST_F(OutOfMemory, EveryFailedAllocationOfTheSceneSetUpIsNotEnoughMemory)
{
    for (int k = 0; k < FlockCount; ++k) {
        FlockParams[k].items[FlockFish].value = k < 3 ? k + 1 : 0;
        FlockParams[k].items[FlockForm].value = 2;
        FlockParams[k].items[FlockScale].value = 2;
    }
    ASSERT_EQ(1, TechniqueSetting(TechCloneFishTech));
    FailEachAllocation(RunModeDebug, 300);
}

// The default scene: whole, and cleaned up without a trace; its first
// allocations, up to the flocks' first fish, failing one by one.
TEST_F(OutOfMemory, TheDefaultSceneIsMadeWholeAndLeavesNothing)
{
    long left = 0;
    std::vector<std::string> scene;
    ASSERT_EQ(0, SetUpOnce(RunModeSaver, 0, &left, &scene).result);
    const Outcome whole = SetUpOnce(RunModeSaver, 0, &left, &scene);
    EXPECT_EQ(0, whole.result);
    EXPECT_FALSE(whole.threw);
    EXPECT_EQ(0, left);
    EXPECT_GT(whole.count, 5000) << "the default flocks' fish are counted";
    for (long n = 1; n <= 60; ++n) {
        const Outcome out = SetUpOnce(RunModeSaver, n, &left, &scene);
        ASSERT_FALSE(out.threw) << n;
        EXPECT_EQ(E_OUTOFMEMORY, out.result) << n;
        EXPECT_EQ(0, left) << n;
    }
}
