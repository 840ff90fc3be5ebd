// The scene set-up without a device: which objects the aquarium is made of,
// in which order, and the values drawn for them.

#include "effects/CBubbles.h"
#include "effects/CMark.h"
#include "settings/SceneSettings.h"
#include "app/SelApplication.h"
#include "app/SelRandom.h"
#include "settings/SettingsRegistry.h"
#include "settings/SettingsTables.h"

#include "scene/OruWorld.h"

#include "ScriptedRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

// The scripted values from one of them on, as uniform values r = raw / 32767.
class ScriptedSequence {
public:
    // The sequence standing at the raw value that gave the uniform value r.
    static ScriptedSequence At(float r) { return ScriptedSequence(int(std::lround(double(r) * 32767.0))); }
    // Whether that raw value is one the script returns (multiples of 8:
    // its step 1000 and its wrap 32768 share the factor 8).
    bool Valid() const { return raw_ >= 0 && raw_ < 32768 && raw_ % 8 == 0; }
    float Unit()
    {
        const int v = raw_;
        raw_ = (raw_ + 1000) % 32768;
        return float(v) / 32767.0f;
    }
    // A random angle: r x 2 pi - pi.
    float Angle() { return Unit() * 6.2831855f - 3.1415927f; }

private:
    explicit ScriptedSequence(int raw) : raw_(raw) {}
    int raw_;
};

class SceneSetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitFlockParams();
        random.emplace(Script);
        app = new SelApplication;
        app->runMode = RunModeSaver;
    }
    void TearDown() override
    {
        app->FinalCleanup();
        delete app;
        random.reset();
        InitFlockParams();
    }
    static void SetEveryFlockFish(int32_t kind)
    {
        for (int f = 0; f < FlockCount; ++f)
            FlockParams[f].items[FlockFish].value = kind;
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (int i = 0; i < app->world->children.count; ++i)
            names.push_back(static_cast<OruObject*>(app->world->children.items[i])->name);
        return names;
    }
    OruObject* Child(int i) const { return static_cast<OruObject*>(app->world->children.items[i]); }

    // Scripted raw random values: 0, 1000, 2000, ... wrapping at 32768.
    static constexpr ScriptedRandom::Steps Script{1000};
    std::optional<ScriptedRandom> random;
    SelApplication* app = nullptr;
};

} // namespace

TEST_F(SceneSetup, WithoutFlocksTheListHoldsEveryOtherObjectInOrder)
{
    SetEveryFlockFish(0);
    ASSERT_EQ(0, app->OneTimeSceneInit());
    std::vector<std::string> expected = {"CCaustic", "CLight", "CLight", "CLight", "CBackPaper"};
    for (int k = 0; k < 30; ++k)
        expected.push_back("CMark");
    expected.push_back("CIwashi");
    expected.push_back("CLogo");
    for (int k = 0; k < 21; ++k)
        expected.push_back("CBubbles");
    expected.push_back("CFlare");
    expected.push_back("SelStencilPaint");
    EXPECT_EQ(expected, Names());

    // The three lights, and nothing else, are the world's lights.
    ASSERT_EQ(3, app->world->lightCount);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Child(1 + i), app->world->lights[i]);

    // The wandering point's fish: hidden at the origin on a one-column bar.
    OruObject* wanderer = Child(35);
    EXPECT_EQ(wanderer, WanderingPointFish);
    EXPECT_TRUE(wanderer->hidden);
    ASSERT_NE(nullptr, wanderer->mover);
    EXPECT_STREQ("PimFlyingBar", wanderer->mover->name);
    EXPECT_EQ(0.0f, wanderer->position.x);
    EXPECT_EQ(0.0f, wanderer->position.y);
    EXPECT_EQ(0.0f, wanderer->position.z);
    EXPECT_EQ(15.0f, Child(36)->position.z) << "the logo";
}

TEST_F(SceneSetup, FlocksComeBetweenTheMarksAndTheWanderingPointFish)
{
    ASSERT_EQ(0, app->OneTimeSceneInit());
    const std::vector<std::string> names = Names();
    ASSERT_GT(names.size(), 60u) << "the default flocks add their fish";
    EXPECT_EQ("CMark", names[34]);
    EXPECT_EQ("SelStencilPaint", names.back());
    EXPECT_EQ("CFlare", names[names.size() - 2]);
    EXPECT_EQ("CBubbles", names[names.size() - 3]);
    EXPECT_EQ("CLogo", names[names.size() - 24]);
    EXPECT_EQ("CIwashi", names[names.size() - 25]);
    EXPECT_EQ(Child(int(names.size()) - 25), WanderingPointFish);
    // Flock 0 is the camera's: its head fish is known.
    EXPECT_NE(nullptr, FlockCameraFish[0].head);
}

TEST_F(SceneSetup, MarksAndBubblesTakeTheirValuesInDrawOrder)
{
    SetEveryFlockFish(0);
    ASSERT_EQ(0, app->OneTimeSceneInit());

    // Marks: each mark's constructor draws yaw, roll, drift heading and its
    // target, spin target, spin, drift rate (0.8 + 0.4 r), gradient (3 r)
    // and shape (9 r, + 3); the set-up then draws its scale (30 r + 20).
    // Thirty marks take 300 values in a row, from where mark 0's yaw says
    // the sequence stood.
    // Float results as the formulas give them, to rounding: two values of
    // the sequence differ by 8 / 32767 in r or more.
    const float Exact = 1e-5f;
    const CMark* first = static_cast<const CMark*>(Child(5));
    ScriptedSequence marks = ScriptedSequence::At((first->yaw + 3.1415927f) / 6.2831855f);
    ASSERT_TRUE(marks.Valid()) << "mark 0's yaw " << first->yaw << " is no value of the sequence";
    float distance = 50.0f;
    for (int k = 0; k < 30; ++k) {
        SCOPED_TRACE("mark " + std::to_string(k));
        const CMark* mark = static_cast<const CMark*>(Child(5 + k));
        EXPECT_NEAR(marks.Angle(), mark->yaw, Exact);
        EXPECT_NEAR(marks.Angle(), mark->roll, Exact);
        EXPECT_NEAR(marks.Angle(), mark->driftHeading, Exact);
        EXPECT_NEAR(marks.Angle(), mark->driftHeadingTarget, Exact);
        EXPECT_NEAR(marks.Angle(), mark->spinTarget, Exact);
        EXPECT_NEAR(marks.Angle(), mark->spin, Exact);
        EXPECT_NEAR(0.8f + 0.4f * marks.Unit(), mark->driftRate, Exact);
        EXPECT_EQ(std::min(2, int(3.0f * marks.Unit())), mark->gradientIndex);
        EXPECT_EQ(std::min(8, int(9.0f * marks.Unit())) + 3, mark->shapeIndex);
        EXPECT_NEAR(30.0f * marks.Unit() + 20.0f, mark->scale, Exact);
        // Distances accumulated in float.
        EXPECT_EQ(0, std::memcmp(&distance, &mark->distance, sizeof distance)) << mark->distance;
        distance -= 0.1f;
    }
    EXPECT_NEAR(47.1f, static_cast<const CMark*>(Child(34))->distance, 1e-4);

    // Bubbles: twenty at x = 30 r - 15, y = 8 r - 8, z = 30 r - 15, drawn in
    // that order and in a row (the emitters' constructors draw nothing), with
    // scale 1; the last one the column at (0, 4, 0).
    ScriptedSequence bubbles = ScriptedSequence::At((Child(37)->position.x + 15.0f) / 30.0f);
    ASSERT_TRUE(bubbles.Valid()) << "bubble 0's x " << Child(37)->position.x << " is no value of the sequence";
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE("bubble " + std::to_string(i));
        const OruObject* b = Child(37 + i);
        EXPECT_NEAR(30.0f * bubbles.Unit() - 15.0f, b->position.x, Exact);
        EXPECT_NEAR(8.0f * bubbles.Unit() - 8.0f, b->position.y, Exact);
        EXPECT_NEAR(30.0f * bubbles.Unit() - 15.0f, b->position.z, Exact);
        EXPECT_EQ(1.0f, b->scale);
    }
    const OruObject* column = Child(57);
    EXPECT_EQ(0.0f, column->position.x);
    EXPECT_EQ(4.0f, column->position.y);
    EXPECT_EQ(0.0f, column->position.z);
    EXPECT_EQ(20.0f, column->scale);
}

TEST_F(SceneSetup, SameSeedSameScene)
{
    SetEveryFlockFish(0);
    ASSERT_EQ(0, app->OneTimeSceneInit());
    std::vector<float> first;
    for (int i = 0; i < app->world->children.count; ++i) {
        first.push_back(Child(i)->position.x);
        first.push_back(Child(i)->scale);
    }
    app->FinalCleanup();
    delete app;
    random.emplace(Script);
    app = new SelApplication;
    app->runMode = RunModeSaver;
    ASSERT_EQ(0, app->OneTimeSceneInit());
    std::vector<float> second;
    for (int i = 0; i < app->world->children.count; ++i) {
        second.push_back(Child(i)->position.x);
        second.push_back(Child(i)->scale);
    }
    EXPECT_EQ(first, second);
}

TEST_F(SceneSetup, AWorldThatTakesNoMoreObjectsFailsTheSetUpWithNotEnoughMemory)
{
    // Fill the world to its capacity, leaving room for the first few objects
    // only: the set-up stops at the first refused one, frees it, and says why.
    SetEveryFlockFish(0);
    for (int i = 0; i < WorldChildCapacity - 10; ++i)
        ASSERT_EQ(0, app->world->AddObject(new OruObject));
    EXPECT_EQ(E_OUTOFMEMORY, app->OneTimeSceneInit());
    EXPECT_EQ(WorldChildCapacity, app->world->children.count);
    EXPECT_STREQ("CMark", Child(WorldChildCapacity - 1)->name);
}

TEST_F(SceneSetup, ARefusedLightIsNeverListedAsALight)
{
    SetEveryFlockFish(0);
    for (int i = 0; i < WorldChildCapacity - 2; ++i)
        ASSERT_EQ(0, app->world->AddObject(new OruObject));
    EXPECT_EQ(E_OUTOFMEMORY, app->OneTimeSceneInit());
    // The caustic and the first light got in; the second light was refused.
    ASSERT_EQ(1, app->world->lightCount);
    EXPECT_EQ(Child(WorldChildCapacity - 1), app->world->lights[0]);
}
