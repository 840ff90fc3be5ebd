// The flock builder with a counting fish factory and a scripted random
// source: the flock shapes, the default flocks, the creation order of
// leaders, formation fish and followers with their trails and delays, the
// fish's scale, colour and place, the groups, the clone wiring, the camera's
// fish and the wandering-point fish.

#include "fish/CBream.h"
#include "fish/CFish.h"
#include "fish/CFishFactory.h"
#include "flocks/CFlockBuilder.h"
#include "flocks/COffsetFollower.h"
#include "fish/CIwashi.h"
#include "fish/CMackerel.h"
#include "flocks/CTrailFollower.h"
#include "settings/SceneSettings.h"
#include "fish/PimCloneTexViewer.h"
#include "flocks/PimFlyingBar.h"
#include "fish/PimRenderTexture.h"
#include "settings/SettingsTables.h"

#include "ScriptedRandom.h"

#include "framework/OruApplication.h"
#include "mesh/OruPtrArray.h"
#include "scene/OruWorld.h"
#include "servers/OruGroupList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A fish that remembers the kind it was made as.
class CountedFish : public CFish {
public:
    explicit CountedFish(int32_t k) : kind(k) {}
    int32_t kind;
};

class CountingFactory : public CFishFactory {
public:
    CFish* MakeFish(int32_t kind) override
    {
        const int call = static_cast<int>(kinds.size());
        kinds.push_back(kind);
        for (int f : failing)
            if (f == call)
                return nullptr;
        return new CountedFish(kind);
    }
    std::vector<int32_t> kinds;
    std::vector<int> failing; // calls (from 0) that make no fish
};

int32_t KindOf(OruObject* o)
{
    auto* f = dynamic_cast<CountedFish*>(o);
    return f ? f->kind : -1;
}

// The flock shapes by [FlockForm][FlockScale]: rows, columns, followers.
const int32_t Rows[3][3] = {{10, 8, 4}, {15, 10, 6}, {7, 6, 3}};
const int32_t Columns[3][3] = {{6, 4, 3}, {4, 3, 2}, {8, 6, 4}};
const int32_t Followers[3] = {4, 3, 2};

class Flocks : public ::testing::Test {
protected:
    Flocks() { app.world = &world; }
    ~Flocks() override
    {
        app.world = nullptr;
        world.FinalCleanup();
        for (CParameter& table : FlockParams)
            table = CParameter();
        TechniqueParams = CParameter();
        for (FlockCameraFishEntry& e : FlockCameraFish)
            e = FlockCameraFishEntry{};
        WanderingPointFish = nullptr;
    }

    // Flock k's settings: form, density, scale, fish kind, size spread.
    static void SetFlock(int k, int32_t form, int32_t density, int32_t scale, int32_t fish, int32_t sizeVarie)
    {
        FlockParams[k] = CParameter();
        FlockParams[k].AddItems(FlockParamDefs);
        const int32_t values[] = {form, density, scale, fish, sizeVarie};
        FlockParams[k].SetValues(values);
    }
    static void OnlyFlockZero(int32_t form, int32_t scale, int32_t fish = 1)
    {
        SetFlock(0, form, 2, scale, fish, 1);
        for (int k = 1; k < FlockCount; ++k)
            SetFlock(k, 0, 0, 1, 0, 1);
    }
    static void SetClone(int32_t on)
    {
        TechniqueParams = CParameter();
        TechniqueParams.AddItems(TechniqueParamDefs);
        TechniqueParams.items[TechCloneFishTech].value = on;
    }

    int Children() const { return world.children.count; }
    OruObject* Child(int i) const { return static_cast<OruObject*>(world.children.items[i]); }
    CFish* Fish(int i) const { return dynamic_cast<CFish*>(Child(i)); }
    int Groups() const { return world.groupList->count; }
    OruPtrArray* Group(int g) const { return world.groupList->groups[g]; }
    std::vector<OruObject*> Named(const char* name) const
    {
        std::vector<OruObject*> found;
        for (int i = 0; i < Children(); ++i)
            if (std::strcmp(Child(i)->name, name) == 0)
                found.push_back(Child(i));
        return found;
    }

    // The record BuildFlocks would pass for flock k with this shape and kind.
    static OruFlockRecord Record(int32_t k, int32_t rows, int32_t columns, int32_t followers, int32_t kind)
    {
        return OruFlockRecord{0, rows, columns, followers, k, kind, 0};
    }

    ScriptedRandom random;
    OruApplication app;
    OruWorld world;
    CountingFactory factory;
};

// Every (form, scale): the record, the fish count, the leader, one group per
// row holding its formation fish each followed by its followers.
TEST_F(Flocks, EveryShapeBuildsItsRowsColumnsAndFollowersAsOneGroupPerRow)
{
    for (int form = 0; form < 3; ++form) {
        for (int scale = 0; scale < 3; ++scale) {
            SCOPED_TRACE("form " + std::to_string(form) + " scale " + std::to_string(scale));
            OruApplication localApp;
            OruWorld w;
            localApp.world = &w;
            OnlyFlockZero(form, scale);
            SetClone(0);
            CountingFactory f;
            CFlockBuilder builder(&w, &f, false);
            ASSERT_EQ(0, builder.BuildFlocks());

            const int32_t L = Rows[form][scale], W = Columns[form][scale], F = Followers[scale];
            const OruFlockRecord& r = w.flocks[0];
            EXPECT_EQ(L, r.rows);
            EXPECT_EQ(W, r.columns);
            EXPECT_EQ(F, r.followersPerFish);
            EXPECT_EQ(0, r.flockIndex);
            EXPECT_EQ(1, r.kind);
            EXPECT_EQ(2, r.density);
            const int visible = L * W * (F + 1);
            EXPECT_GE(visible, 36);
            EXPECT_LE(visible, 300);
            ASSERT_EQ(1 + visible, w.children.count);
            ASSERT_EQ(static_cast<size_t>(1 + visible), f.kinds.size());
            OruObject* leader = static_cast<OruObject*>(w.children.items[0]);
            EXPECT_EQ(1, leader->hidden);
            EXPECT_EQ(nullptr, leader->group);

            ASSERT_EQ(L, w.groupList->count);
            int child = 1;
            for (int i = 0; i < L; ++i) {
                OruPtrArray* g = w.groupList->groups[i];
                ASSERT_EQ(W * (F + 1), g->count) << "row " << i;
                for (int m = 0; m < g->count; ++m, ++child) {
                    OruObject* fish = static_cast<OruObject*>(w.children.items[child]);
                    EXPECT_EQ(fish, g->items[m]) << "row " << i << " entry " << m;
                    EXPECT_EQ(g, fish->group);
                    EXPECT_EQ(0, fish->hidden);
                    // Formation fish first, each followed by its followers.
                    const bool formation = m % (F + 1) == 0;
                    EXPECT_EQ(formation, dynamic_cast<CTrailFollower*>(fish->mover) != nullptr);
                    EXPECT_EQ(!formation, dynamic_cast<COffsetFollower*>(fish->mover) != nullptr);
                }
            }
            localApp.world = nullptr;
            w.FinalCleanup();
        }
    }
}

// Shape settings beyond the tables take the nearest row or column.
TEST_F(Flocks, ShapeSettingsOutsideTheTablesTakeTheNearestEntry)
{
    const struct {
        int32_t form, scale;
        int32_t rows, columns, followers;
    } cases[] = {{5, -1, 7, 8, 4}, {-3, 9, 4, 3, 2}, {1, 3, 6, 2, 2}};
    for (const auto& c : cases) {
        OruApplication localApp;
        OruWorld w;
        localApp.world = &w;
        OnlyFlockZero(c.form, c.scale);
        SetClone(0);
        CountingFactory f;
        CFlockBuilder builder(&w, &f, false);
        ASSERT_EQ(0, builder.BuildFlocks());
        EXPECT_EQ(c.rows, w.flocks[0].rows) << c.form << " " << c.scale;
        EXPECT_EQ(c.columns, w.flocks[0].columns) << c.form << " " << c.scale;
        EXPECT_EQ(c.followers, w.flocks[0].followersPerFish) << c.form << " " << c.scale;
        EXPECT_EQ(1 + c.rows * c.columns * (c.followers + 1), w.children.count);
        localApp.world = nullptr;
        w.FinalCleanup();
    }
}

TEST_F(Flocks, TheDefaultsBuildEightFlocksWithFlockZeroOf128BreamsInEightGroupsOf16)
{
    CFlockBuilder builder(&world, &factory, false);
    ASSERT_EQ(0, builder.BuildFlocks());

    // Flocks: 0 breams, 1 yellow breams (built plain), 2 mackerels, 3 blue
    // breams, 4 to 6 sardines, 7 mackerels; forms 0, 0, 0, 0, 1, 1, 0, 0 at
    // scales 1, 1, 1, 1, 1, 1, 0, 0.
    const int32_t kinds[FlockCount] = {2, 2, 3, 2, 1, 1, 1, 3};
    const int32_t visible[FlockCount] = {128, 128, 128, 128, 120, 120, 300, 300};
    const int32_t rows[FlockCount] = {8, 8, 8, 8, 10, 10, 10, 10};
    int child = 0;
    for (int k = 0; k < FlockCount; ++k) {
        SCOPED_TRACE("flock " + std::to_string(k));
        EXPECT_EQ(k, world.flocks[k].flockIndex);
        EXPECT_EQ(FlockDefaults[k][3], world.flocks[k].kind);
        EXPECT_EQ(FlockDefaults[k][1], world.flocks[k].density);
        const int leader = child;
        for (int n = 0; n <= visible[k]; ++n, ++child) {
            CFish* fish = Fish(child);
            ASSERT_NE(nullptr, fish);
            EXPECT_EQ(kinds[k], KindOf(fish));
            EXPECT_EQ(k, fish->flockIndex);
            EXPECT_EQ(k + 1, fish->stencilId);
            EXPECT_EQ(FlockStartCorners[k].x, fish->position.x);
            EXPECT_EQ(FlockStartCorners[k].y, fish->position.y);
            EXPECT_EQ(FlockStartCorners[k].z, fish->position.z);
            EXPECT_EQ(n == 0, fish->hidden != 0);
        }
        // Column 0 of rows 0, L / 2 and L - 1, in the list as
        // leader + 1 + row x W x (F + 1).
        const int perRow = visible[k] / rows[k];
        EXPECT_EQ(Child(leader + 1), FlockCameraFish[k].head);
        EXPECT_EQ(Child(leader + 1 + rows[k] / 2 * perRow), FlockCameraFish[k].centre);
        EXPECT_EQ(Child(leader + 1 + (rows[k] - 1) * perRow), FlockCameraFish[k].tail);
    }
    // Then one render texture per group (clone fish is on by default).
    EXPECT_EQ(child + Groups(), Children());

    // Flock 0: 8 rows x 4 columns x (3 + 1); head, centre, tail rows 0, 4, 7.
    EXPECT_EQ(8, world.flocks[0].rows);
    EXPECT_EQ(4, world.flocks[0].columns);
    EXPECT_EQ(3, world.flocks[0].followersPerFish);
    for (int g = 0; g < 8; ++g) {
        EXPECT_EQ(16, Group(g)->count) << g;
        EXPECT_EQ(0, Fish(1 + 16 * g)->flockIndex);
    }
    EXPECT_EQ(Child(1), FlockCameraFish[0].head);
    EXPECT_EQ(Child(1 + 4 * 16), FlockCameraFish[0].centre);
    EXPECT_EQ(Child(1 + 7 * 16), FlockCameraFish[0].tail);
    EXPECT_EQ(4 * 8 + 4 * 10, Groups());

    // With clone fish on by default, one render texture per group, after
    // every fish; not in debug mode: no viewer.
    EXPECT_EQ(static_cast<size_t>(Groups()), Named("PimRenderTexture").size());
    EXPECT_TRUE(Named("PimTexViewer").empty());
}

TEST_F(Flocks, AFlockWithoutFishBuildsNothingAndLeavesItsCameraFishNull)
{
    OruObject stale;
    FlockCameraFish[0] = {&stale, &stale, &stale};
    for (int k = 0; k < FlockCount; ++k)
        SetFlock(k, 0, 0, 1, 0, 1);
    CFlockBuilder builder(&world, &factory, true);
    ASSERT_EQ(0, builder.BuildFlocks());
    EXPECT_EQ(0, Children());
    EXPECT_EQ(0, Groups());
    EXPECT_TRUE(factory.kinds.empty());
    for (int k = 0; k < FlockCount; ++k) {
        EXPECT_EQ(nullptr, FlockCameraFish[k].head) << k;
        EXPECT_EQ(nullptr, FlockCameraFish[k].centre) << k;
        EXPECT_EQ(nullptr, FlockCameraFish[k].tail) << k;
        EXPECT_EQ(0, world.flocks[k].kind);
        EXPECT_EQ(4, world.flocks[k].columns);
    }
}

TEST_F(Flocks, EveryFlockFishSettingMakesAKnownKind)
{
    const struct {
        int32_t setting, kind;
    } cases[] = {{1, FishKindSardine}, {2, FishKindBream},   {3, FishKindMackerel}, {4, FishKindBream},
                 {5, FishKindBream},   {6, FishKindBream},   {7, FishKindSardine},  {-1, FishKindSardine},
                 {1000, FishKindSardine}};
    for (const auto& c : cases) {
        OruApplication localApp;
        OruWorld w;
        localApp.world = &w;
        CountingFactory f;
        CFlockBuilder builder(&w, &f, false);
        builder.BuildFlock(Record(2, 3, 2, 1, c.setting));
        ASSERT_EQ(1u + 3 * 2 * 2, f.kinds.size()) << c.setting;
        for (int32_t kind : f.kinds)
            EXPECT_EQ(c.kind, kind) << c.setting;
        localApp.world = nullptr;
        w.FinalCleanup();
    }
}

TEST_F(Flocks, LeaderComesFirstThenEachFormationFishOnItsTrailBeforeItsFollowers)
{
    CFlockBuilder builder(&world, &factory, false);
    const int32_t L = 3, W = 2, F = 2;
    ASSERT_EQ(0, builder.BuildFlock(Record(5, L, W, F, 1)));
    ASSERT_EQ(1 + L * W * (F + 1), Children());

    CFish* leader = Fish(0);
    ASSERT_NE(nullptr, leader);
    EXPECT_EQ(1, leader->hidden);
    auto* bar = dynamic_cast<PimFlyingBar*>(leader->mover);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(W, bar->columns);
    EXPECT_FLOAT_EQ(2.0f, bar->speedScale);

    int child = 1;
    for (int i = 0; i < L; ++i) {
        for (int j = 0; j < W; ++j) {
            SCOPED_TRACE("row " + std::to_string(i) + " column " + std::to_string(j));
            CFish* fish = Fish(child++);
            ASSERT_NE(nullptr, fish);
            EXPECT_EQ(0, fish->hidden);
            auto* trail = dynamic_cast<CTrailFollower*>(fish->mover);
            ASSERT_NE(nullptr, trail);
            EXPECT_EQ(bar->columnTrails[j], trail->followedTrail);
            EXPECT_EQ(5 * i + 5, trail->delay);
            EXPECT_FLOAT_EQ(4.0f, trail->speedScale);
            for (int n = 0; n < F; ++n) {
                CFish* follower = Fish(child++);
                ASSERT_NE(nullptr, follower);
                auto* offset = dynamic_cast<COffsetFollower*>(follower->mover);
                ASSERT_NE(nullptr, offset);
                EXPECT_EQ(fish, offset->leader);
                EXPECT_FLOAT_EQ(4.0f, offset->speedScale);
                EXPECT_LE(std::fabs(offset->offset.x), 0.75f);
                EXPECT_LE(std::fabs(offset->offset.y), 1.5f);
                EXPECT_LE(std::fabs(offset->offset.z), 0.75f);
            }
        }
    }
    // Rows 0, L / 2 = 1 and L - 1 = 2 of column 0.
    const int perRow = W * (F + 1);
    EXPECT_EQ(Child(1), FlockCameraFish[5].head);
    EXPECT_EQ(Child(1 + perRow), FlockCameraFish[5].centre);
    EXPECT_EQ(Child(1 + 2 * perRow), FlockCameraFish[5].tail);
    EXPECT_EQ(nullptr, FlockCameraFish[4].head);
}

// Draws one fish takes from the generator while being made.
int ConstructionDraws()
{
    ScriptedRandom random;
    CountingFactory f;
    CFish* fish = f.MakeFish(FishKindSardine);
    const int n = ScriptedRandom::DrawCount();
    fish->FinalCleanup();
    delete fish;
    return n;
}

TEST_F(Flocks, AFishTakesItsScaleThenItsColourAfterItsOwnDraws)
{
    const int own = ConstructionDraws();
    const struct {
        int32_t sizeVarie;
        float r, scale;
    } cases[] = {
        {0, 0.5f, 1.0f}, {1, 0.5f, 1.5f}, {2, 0.5f, 2.0f}, {3, 0.5f, 2.5f}, {0, 1.0f, 1.0f},
        {1, 1.0f, 2.0f}, {2, 1.0f, 3.0f}, {3, 1.0f, 3.0f}, {3, 0.0f, 2.0f},
        // Outside the setting's options: the plain size.
        {4, 0.5f, 1.0f}, {-1, 0.5f, 1.0f}, {77, 1.0f, 1.0f},
    };
    CFlockBuilder builder(&world, &factory, false);
    for (const auto& c : cases) {
        SetFlock(6, 0, 0, 1, 1, c.sizeVarie);
        ScriptedRandom script;
        for (int n = 0; n < own; ++n)
            script.Queue({0});
        script.QueueUnit(c.r);
        script.Queue({3277, 6553, 9830}); // r1 0.1, r2 0.2, r3 0.3
        const OruFlockRecord record = Record(6, 4, 3, 2, 1);
        CFish* fish = builder.CreateFish(&record);
        ASSERT_NE(nullptr, fish);
        EXPECT_EQ(own + 4, ScriptedRandom::DrawCount());
        EXPECT_NEAR(c.scale, fish->scale, 1e-4f) << c.sizeVarie << " r " << c.r;
        EXPECT_NEAR(0.3f, fish->colour[0], 1e-4f);
        EXPECT_NEAR(0.2f, fish->colour[1], 1e-4f);
        EXPECT_NEAR(0.1f, fish->colour[2], 1e-4f);
        EXPECT_EQ(1.0f, fish->colour[3]);
        EXPECT_EQ(6, fish->flockIndex);
        EXPECT_EQ(7, fish->stencilId);
        EXPECT_EQ(-2.0f, fish->position.x);
        EXPECT_EQ(-2.0f, fish->position.y);
        EXPECT_EQ(2.0f, fish->position.z);
        fish->FinalCleanup();
        delete fish;
    }

    // The corners: x +2 for flocks 0-3, y -2 with bit 1, z -2 with bit 0.
    for (int i = 0; i < FlockStartCornerCount; ++i) {
        EXPECT_EQ(i < 4 ? 2.0f : -2.0f, FlockStartCorners[i].x) << i;
        EXPECT_EQ(i & 2 ? -2.0f : 2.0f, FlockStartCorners[i].y) << i;
        EXPECT_EQ(i & 1 ? -2.0f : 2.0f, FlockStartCorners[i].z) << i;
    }
}

TEST_F(Flocks, FollowerOffsetsComeFromThreeDrawsBeforeTheFollowerIsMade)
{
    CFlockBuilder builder(&world, &factory, false);
    CFish* leader = factory.MakeFish(FishKindSardine);
    ASSERT_EQ(0, world.AddObject(leader));
    ScriptedRandom script;
    script.Queue({0, 32767, 16384}); // r1 0, r2 1, r3 about 0.5
    builder.AddFollowers(leader, Record(0, 4, 3, 1, 1));
    ASSERT_EQ(2, Children());
    auto* mover = dynamic_cast<COffsetFollower*>(Child(1)->mover);
    ASSERT_NE(nullptr, mover);
    EXPECT_EQ(leader, mover->leader);
    EXPECT_NEAR(0.0f, mover->offset.x, 1e-4f);
    EXPECT_FLOAT_EQ(1.5f, mover->offset.y);
    EXPECT_FLOAT_EQ(-0.75f, mover->offset.z);
}

TEST_F(Flocks, CloneWiringGivesEachGroupARenderTextureWithItsFirstFishAsMaster)
{
    const struct {
        int32_t clone;
        bool debug;
    } cases[] = {{0, false}, {0, true}, {1, false}, {1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE("clone " + std::to_string(c.clone) + (c.debug ? " debug" : ""));
        OruApplication localApp;
        OruWorld w;
        localApp.world = &w;
        OnlyFlockZero(2, 2, 3); // 3 rows of 4 x 3 mackerels
        SetFlock(1, 1, 0, 2, 1, 0); // 6 rows of 2 x 3 sardines
        SetClone(c.clone);
        CountingFactory f;
        CFlockBuilder builder(&w, &f, c.debug);
        ASSERT_EQ(0, builder.BuildFlocks());
        const int fishCount = 1 + 3 * 4 * 3 + 1 + 6 * 2 * 3;
        ASSERT_EQ(9, w.groupList->count);

        std::vector<PimRenderTexture*> textures;
        std::vector<PimCloneTexViewer*> viewers;
        for (int i = 0; i < w.children.count; ++i) {
            OruObject* o = static_cast<OruObject*>(w.children.items[i]);
            if (auto* t = dynamic_cast<PimRenderTexture*>(o)) {
                EXPECT_GE(i, fishCount) << "render textures come after every fish";
                textures.push_back(t);
            }
            if (auto* v = dynamic_cast<PimCloneTexViewer*>(o)) {
                viewers.push_back(v);
                // Right after the first group's render texture.
                EXPECT_EQ(fishCount + 1, i);
            }
        }

        if (c.clone != 1) {
            EXPECT_TRUE(textures.empty());
            EXPECT_TRUE(viewers.empty());
            EXPECT_EQ(fishCount, w.children.count);
            for (int i = 0; i < fishCount; ++i) {
                CFish* fish = dynamic_cast<CFish*>(static_cast<OruObject*>(w.children.items[i]));
                EXPECT_EQ(CloneRoleNone, fish->cloneRole);
                EXPECT_EQ(nullptr, fish->renderTexture);
                EXPECT_EQ(nullptr, fish->cloneMaster);
            }
        } else {
            ASSERT_EQ(9u, textures.size());
            for (int g = 0; g < 9; ++g) {
                OruPtrArray* group = w.groupList->groups[g];
                PimRenderTexture* t = textures[g];
                ASSERT_EQ(group->count, t->memberCount) << g;
                CFish* master = static_cast<CFish*>(group->items[0]);
                EXPECT_EQ(master, t->master);
                for (int m = 0; m < group->count; ++m) {
                    CFish* fish = static_cast<CFish*>(group->items[m]);
                    EXPECT_EQ(fish, t->members[m]);
                    EXPECT_EQ(m == 0 ? CloneRoleMaster : CloneRoleMember, fish->cloneRole);
                    EXPECT_EQ(t, fish->renderTexture);
                    EXPECT_EQ(master, fish->cloneMaster);
                }
            }
            // The hidden leaders are in no group.
            EXPECT_EQ(CloneRoleNone, dynamic_cast<CFish*>(static_cast<OruObject*>(w.children.items[0]))->cloneRole);
            if (c.debug) {
                ASSERT_EQ(1u, viewers.size());
                EXPECT_STREQ("PimTexViewer", viewers[0]->name);
                EXPECT_EQ(&textures[0]->texture, viewers[0]->shownTexture);
                EXPECT_FLOAT_EQ(-0.5f, viewers[0]->left);
                EXPECT_FLOAT_EQ(-0.5f, viewers[0]->top);
                EXPECT_FLOAT_EQ(0.3f, viewers[0]->width);
            } else {
                EXPECT_TRUE(viewers.empty());
            }
            EXPECT_EQ(fishCount + 9 + (c.debug ? 1 : 0), w.children.count);
        }
        localApp.world = nullptr;
        w.FinalCleanup();
    }
}

TEST_F(Flocks, TheWanderingPointFishIsAHiddenSardineOnAOneColumnBarInNoFlock)
{
    CFlockBuilder builder(&world, &factory, false);
    ASSERT_EQ(0, builder.BuildWanderingPointFish());
    ASSERT_EQ(1, Children());
    CFish* fish = Fish(0);
    ASSERT_NE(nullptr, fish);
    EXPECT_EQ(fish, WanderingPointFish);
    EXPECT_EQ(FishKindSardine, KindOf(fish));
    EXPECT_EQ(1, fish->hidden);
    EXPECT_EQ(-1, fish->flockIndex);
    EXPECT_EQ(nullptr, fish->group);
    EXPECT_EQ(0.0f, fish->position.x);
    EXPECT_EQ(0.0f, fish->position.y);
    EXPECT_EQ(0.0f, fish->position.z);
    auto* bar = dynamic_cast<PimFlyingBar*>(fish->mover);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(1, bar->columns);
    EXPECT_FLOAT_EQ(2.0f, bar->speedScale);
}

// The scene set-up's calls: the registered application's world, the
// program's fish kinds, the viewer in the debug run mode only.
TEST_F(Flocks, TheProgramsBuildUsesTheRegisteredWorldAndTheRealFishKinds)
{
    for (RunMode mode : {RunModeSaver, RunModeDebug}) {
        SCOPED_TRACE(mode == RunModeDebug ? "debug" : "saver");
        OruApplication localApp;
        OruWorld w;
        localApp.world = &w;
        localApp.runMode = mode;
        // Flock 0 of mackerels, flock 3 of blue breams, flock 5 of sardines,
        // each 3 rows of 4 x (2 + 1); the rest none.
        for (int k = 0; k < FlockCount; ++k)
            SetFlock(k, 2, 0, 2, k == 0 ? 3 : k == 3 ? 5 : k == 5 ? 1 : 0, 1);
        SetClone(1);
        ASSERT_EQ(0, BuildFlocks());
        ASSERT_EQ(0, BuildWanderingPointFish());

        const int perFlock = 1 + 3 * 4 * 3;
        const int viewers = mode == RunModeDebug ? 1 : 0;
        ASSERT_EQ(3 * perFlock + 9 + viewers + 1, w.children.count);
        auto child = [&](int i) { return static_cast<OruObject*>(w.children.items[i]); };
        for (int i = 0; i < perFlock; ++i) {
            EXPECT_NE(nullptr, dynamic_cast<CMackerel*>(child(i))) << i;
            EXPECT_NE(nullptr, dynamic_cast<CBream*>(child(perFlock + i))) << i;
            EXPECT_NE(nullptr, dynamic_cast<CIwashi*>(child(2 * perFlock + i))) << i;
        }
        EXPECT_EQ(child(1), FlockCameraFish[0].head);
        EXPECT_EQ(child(perFlock + 1), FlockCameraFish[3].head);
        EXPECT_EQ(child(2 * perFlock + 1), FlockCameraFish[5].head);
        EXPECT_EQ(nullptr, FlockCameraFish[1].head);
        EXPECT_EQ(mode == RunModeDebug,
                  dynamic_cast<PimCloneTexViewer*>(child(3 * perFlock + 1)) != nullptr);
        OruObject* wanderer = child(w.children.count - 1);
        EXPECT_EQ(wanderer, WanderingPointFish);
        EXPECT_NE(nullptr, dynamic_cast<CIwashi*>(wanderer));
        EXPECT_EQ(1, wanderer->hidden);
        localApp.world = nullptr;
        w.FinalCleanup();
        WanderingPointFish = nullptr;
    }
}

// Fish that cannot be made (allocation failures) are left out, the build
// says so, and every group still holds only fish the world owns.
TEST_F(Flocks, FishThatCannotBeMadeAreLeftOutAndTheBuildReportsIt)
{
    // One flock of 3 rows of 4 x (2 + 1) sardines. Calls: 0 the leader, then
    // each formation fish followed by its followers' calls.
    const struct {
        const char* name;
        std::vector<int> failing;
        int fish;
        std::vector<int> groups;
    } cases[] = {
        {"none", {}, 37, {12, 12, 12}},
        {"a follower", {2}, 36, {11, 12, 12}},
        {"a formation fish (its followers are not asked for)", {4}, 34, {9, 12, 12}},
        {"the whole second row", {13, 14, 15, 16}, 25, {12, 12}},
        {"the leader", {0}, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OruApplication localApp;
        OruWorld w;
        localApp.world = &w;
        OnlyFlockZero(2, 2);
        SetClone(1);
        CountingFactory f;
        f.failing = c.failing;
        CFlockBuilder builder(&w, &f, false);
        EXPECT_EQ(c.failing.empty() ? 0 : E_OUTOFMEMORY, builder.BuildFlocks());
        ASSERT_EQ(static_cast<int>(c.groups.size()), w.groupList->count);
        ASSERT_EQ(c.fish + w.groupList->count, w.children.count);
        for (int g = 0; g < w.groupList->count; ++g) {
            OruPtrArray* group = w.groupList->groups[g];
            EXPECT_EQ(c.groups[g], group->count) << g;
            for (int m = 0; m < group->count; ++m) {
                auto* fish = static_cast<CFish*>(group->items[m]);
                ASSERT_NE(nullptr, fish);
                EXPECT_EQ(group, fish->group);
                EXPECT_NE(nullptr, fish->renderTexture);
            }
        }
        EXPECT_EQ(c.fish == 0, FlockCameraFish[0].head == nullptr);
        localApp.world = nullptr;
        w.FinalCleanup();
    }
}

// The world updates a built flock of real fish: each formation fish keeps
// near its delayed trail sample and each follower near its goal.
TEST_F(Flocks, BuiltFlocksSwimInFormationUnderTheWorldsUpdate)
{
    OnlyFlockZero(2, 2, 2); // 3 rows of 4 x (2 + 1) breams
    SetClone(0);
    CFishFactory real;
    CFlockBuilder builder(&world, &real, false);
    ASSERT_EQ(0, builder.BuildFlocks());
    ASSERT_EQ(37, Children());
    auto* bar = dynamic_cast<PimFlyingBar*>(Child(0)->mover);
    ASSERT_NE(nullptr, bar);

    float worstLag = 0, worstGap = 0;
    for (int n = 1; n <= 60 * 50; ++n) {
        ASSERT_EQ(0, world.UpdateAll(n * 0.02f));
        if (n < 20 * 50)
            continue;
        for (int i = 1; i < Children(); ++i) {
            OruObject* fish = Child(i);
            ASSERT_TRUE(std::isfinite(fish->position.x + fish->position.y + fish->position.z)) << n;
            if (auto* t = dynamic_cast<CTrailFollower*>(fish->mover)) {
                Vector3 goal;
                t->followedTrail->GetDelayed(&goal, t->delay);
                const D3DXVECTOR3 d = goal - fish->position;
                worstLag = std::max(worstLag, D3DXVec3Length(&d));
            } else if (auto* o = dynamic_cast<COffsetFollower*>(fish->mover)) {
                const D3DXVECTOR3 d = o->leader->position + o->offset - fish->position;
                worstGap = std::max(worstGap, D3DXVec3Length(&d));
            }
        }
    }
    std::printf("worst row lag %.3f, worst follower gap %.3f\n", worstLag, worstGap);
    EXPECT_GT(bar->path.count, 10) << "the leader went along its path";
    EXPECT_LT(worstLag, 5.0f);
    EXPECT_LT(worstGap, 4.0f);
}

} // namespace
