// The movers: the path wanderer's random points and goal stepping, the flying
// bar's column offsets, roll and trail sampling, the trail and offset
// followers' goals and speed laws, and a formation steered for two simulated
// minutes.

#include "flocks/COffsetFollower.h"
#include "flocks/CPathWanderer.h"
#include "flocks/CTrailFollower.h"
#include "flocks/PimFlyingBar.h"
#include "settings/SettingsTables.h"

#include "ScriptedRandom.h"

#include "mesh/OruPtrArray.h"
#include "scene/OruMove.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

const float Pi = 3.14159265358979f;
const float NaN = std::numeric_limits<float>::quiet_NaN();

float Unit(int raw)
{
    return static_cast<float>(raw) * (1.0f / 32767.0f);
}

// The path point made from the draws r1, r2, r3 (raw values).
Vector3 Candidate(std::array<int, 3> raw)
{
    return Vector3(20.0f * Unit(raw[2]) - 10.0f, 10.0f * Unit(raw[1]) - 8.0f, 20.0f * Unit(raw[0]) - 10.0f);
}

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

void ExpectVectorNear(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, const std::string& what,
                      float tolerance = 1e-5f)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance) << what;
    EXPECT_NEAR(expected.y, actual.y, tolerance) << what;
    EXPECT_NEAR(expected.z, actual.z, tolerance) << what;
}

// The uniform Catmull-Rom curve through v1 (s = 0) and v2 (s = 1).
Vector3 CatmullRom(const Vector3& v0, const Vector3& v1, const Vector3& v2, const Vector3& v3, float s)
{
    const float s2 = s * s, s3 = s2 * s;
    return Vector3((2 * v1 + (v2 - v0) * s + (2 * v0 - 5 * v1 + 4 * v2 - v3) * s2 + (3 * v1 - v0 - 3 * v2 + v3) * s3) *
                   0.5f);
}

bool InStage(const Vector3& p)
{
    return p.x >= -10 && p.x <= 10 && p.y >= -8 && p.y <= 2 && p.z >= -10 && p.z <= 10;
}

// Draws a fresh path wanderer takes with the sequence's default seed.
int PathDraws()
{
    ScriptedRandom random;
    CPathWanderer w;
    return ScriptedRandom::DrawCount();
}

class Movers : public ::testing::Test {
protected:
    void TearDown() override { SceneParams = CParameter(); }

    static void SetRollRate(float rate)
    {
        SceneParams = CParameter();
        SceneParams.AddItems(SceneParamDefs);
        SceneParams.items[SceneFBRotation].SetFloat(rate);
    }
};

TEST_F(Movers, RandomPointTakesTheFirstCandidateAheadAndFarEnoughOrElseTheTenth)
{
    const std::array<int, 3> ahead = {16384, 8192, 24575};   // x 5, y -5.5, z 0
    const std::array<int, 3> behind = {16384, 8192, 8192};   // x -5
    const std::array<int, 3> tooNear = {16384, 26214, 17203}; // (0.5, 0, 0): ahead but within 1
    const std::array<int, 3> distant = {32767, 32767, 32767};    // (10, 2, 10)
    struct Case {
        const char* name;
        Vector3 last, previous;
        std::vector<std::array<int, 3>> candidates;
        size_t expected; // index of the candidate returned
    } cases[] = {
        {"first ahead", Vector3(0, 0, 0), Vector3(-1, 0, 0), {ahead}, 0},
        {"behind, then ahead", Vector3(0, 0, 0), Vector3(-1, 0, 0), {behind, behind, ahead}, 2},
        {"too near, then ahead", Vector3(0, 0, 0), Vector3(-1, 0, 0), {tooNear, distant}, 1},
        {"ten behind", Vector3(0, 0, 0), Vector3(-1, 0, 0), std::vector<std::array<int, 3>>(10, behind), 9},
        {"no direction yet", Vector3(1, 1, 1), Vector3(1, 1, 1),
         {ahead, distant, ahead, distant, ahead, distant, ahead, distant, ahead, behind}, 9},
    };
    for (const Case& c : cases) {
        ScriptedRandom random;
        CPathWanderer w;
        const int before = ScriptedRandom::DrawCount();
        for (const auto& raw : c.candidates)
            random.Queue({raw[0], raw[1], raw[2]});
        const Vector3 p = w.AddRandomPoint(c.last, c.previous);
        ExpectVectorNear(Candidate(c.candidates[c.expected]), p, c.name, 0);
        EXPECT_EQ(static_cast<int>(3 * (c.expected + 1)), ScriptedRandom::DrawCount() - before) << c.name;
    }
}

TEST_F(Movers, AFreshPathStartsFromTwoTenthCandidatesInsideTheStage)
{
    ScriptedRandom random;
    // The first two points have no direction to lie ahead of: 30 draws each.
    for (int i = 0; i < 60; ++i)
        random.Queue({(i * 7919) % 32768});
    CPathWanderer w;
    EXPECT_STREQ("OruObject", w.name);
    EXPECT_EQ(CourseSeek, w.courseMode);
    EXPECT_EQ(0, w.segmentStep);
    ASSERT_EQ(10, w.path.count);
    ExpectVectorNear(Candidate({(27 * 7919) % 32768, (28 * 7919) % 32768, (29 * 7919) % 32768}), w.PathPoint(10),
                     "first point", 0);
    ExpectVectorNear(Candidate({(57 * 7919) % 32768, (58 * 7919) % 32768, (59 * 7919) % 32768}), w.PathPoint(9),
                     "second point", 0);
    for (int k = 10; k >= 1; --k)
        EXPECT_TRUE(InStage(w.PathPoint(k))) << k;
    ExpectVectorNear(w.PathPoint(3), w.position, "the goal starts at P(3)", 0);
}

TEST_F(Movers, TheGoalMovesAThirdOfASegmentWhenTheBodyComesWithinHalfAUnit)
{
    ScriptedRandom random;
    CPathWanderer w;
    OruMove body;
    const Vector3 p4 = w.PathPoint(4), p3 = w.PathPoint(3), p2 = w.PathPoint(2), p1 = w.PathPoint(1);

    // Farther than 0.5: the goal stays.
    body.position = w.position + Vector3(0.6f, 0, 0);
    w.Follow(1.0f, 1.0f, &body);
    EXPECT_EQ(0, w.segmentStep);
    ExpectVectorNear(p3, w.position, "goal kept", 0);

    for (int step = 1; step <= 2; ++step) {
        body.position = w.position + Vector3(0, 0.4f, 0);
        w.Follow(1.0f, 1.0f, &body);
        EXPECT_EQ(step, w.segmentStep);
        ExpectVectorNear(CatmullRom(p4, p3, p2, p1, step / 3.0f), w.position, "step " + std::to_string(step));
        EXPECT_EQ(10, w.path.count);
    }
    // The third step ends the segment: a new point, and P(2) becomes P(3).
    body.position = w.position;
    w.Follow(1.0f, 1.0f, &body);
    EXPECT_EQ(0, w.segmentStep);
    EXPECT_EQ(11, w.path.count);
    ExpectVectorNear(p2, w.PathPoint(3), "old P(2) is P(3)", 0);
    ExpectVectorNear(p1, w.PathPoint(2), "old P(1) is P(2)", 0);
    ExpectVectorNear(p2, w.position, "the goal at the new segment's start", 0);
    EXPECT_TRUE(InStage(w.PathPoint(1)));
}

TEST_F(Movers, TheWanderersSpeedGrowsWithTheDistanceToTheSegmentEnd)
{
    ScriptedRandom random;
    CPathWanderer w;
    OruMove body;
    const Vector3 end = w.PathPoint(2);
    const struct {
        float distance, speed;
    } cases[] = {{0.5f, 0.15f}, {2.0f, 0.6f}, {3.0f, 0.9f}, {4.0f, 1.0f}, {30.0f, 1.0f}};
    for (const auto& c : cases) {
        body.position = end + Vector3(0, c.distance, 0);
        w.position = body.position + Vector3(20, 0, 0); // a goal distant away: no slow-down, no step
        w.Follow(1.0f, 1.0f, &body);
        EXPECT_NEAR(c.speed, w.desiredSpeed, 1e-5f) << c.distance;
    }
    // A body position that is not a number keeps the last desired speed.
    body.position = Vector3(NaN, 0, 0);
    w.Follow(1.0f, 1.0f, &body);
    EXPECT_FLOAT_EQ(1.0f, w.desiredSpeed);
}

TEST_F(Movers, BarColumnOffsetsSpreadAcrossTheHeadingInTheirDrawOrder)
{
    const int pathDraws = PathDraws();
    ScriptedRandom random;
    random.ServeQueueFrom(pathDraws);
    // Column 0: r1 0, r2 1, r3 0; column 1: r1 1, r2 0, r3 1.
    random.Queue({0, 32767, 0, 32767, 0, 32767});
    PimFlyingBar bar(2);
    EXPECT_STREQ("PimFlyingBar", bar.name);
    EXPECT_EQ(2, bar.columns);
    EXPECT_EQ(pathDraws + 6, ScriptedRandom::DrawCount());
    // side 1.1, half 0.55; x along the heading is a fifth.
    ExpectVectorNear(Vector3(-0.11f, 0.55f, -0.55f), bar.columnOffsets[0], "column 0");
    ExpectVectorNear(Vector3(0.11f, -0.55f, 0.55f), bar.columnOffsets[1], "column 1");

    // One column: side 1.05.
    ScriptedRandom one;
    one.Seed(99);
    for (int n = 0; n < 200; ++n) {
        PimFlyingBar b(1);
        const Vector3 o = b.columnOffsets[0];
        ASSERT_LE(std::fabs(o.x), 0.105f + 1e-6f);
        ASSERT_LE(std::fabs(o.y), 0.525f + 1e-6f);
        ASSERT_LE(std::fabs(o.z), 0.525f + 1e-6f);
    }
}

TEST_F(Movers, BarKeepsToTheThirtyColumnsItsTablesHold)
{
    ScriptedRandom random;
    const struct {
        int requested, made;
    } cases[] = {{-3, 0}, {0, 0}, {8, 8}, {30, 30}, {31, 30}, {45, 30}};
    for (const auto& c : cases) {
        PimFlyingBar bar(c.requested);
        ASSERT_EQ(c.made, bar.columns) << c.requested;
        for (int i = 0; i < FlyingBarColumnCapacity; ++i)
            EXPECT_EQ(i < c.made, bar.columnTrails[i] != nullptr) << c.requested << " column " << i;
        EXPECT_EQ(nullptr, bar.ColumnTrail(c.made));
        EXPECT_EQ(nullptr, bar.ColumnTrail(-1));
        // The spread follows the columns made.
        const float half = (1.0f + 0.05f * c.made) / 2.0f;
        for (int i = 0; i < c.made; ++i) {
            EXPECT_LE(std::fabs(bar.columnOffsets[i].x), 0.2f * half + 1e-6f);
            EXPECT_LE(std::fabs(bar.columnOffsets[i].y), half + 1e-6f);
        }
        // Every column made is sampled, and only those.
        OruMove body;
        bar.Follow(1.0f, 1.0f, &body);
        for (int i = 0; i < c.made; ++i)
            EXPECT_EQ(1, bar.columnTrails[i]->count) << c.requested << " column " << i;
        EXPECT_EQ(0, bar.FinalCleanup());
        for (OruTrailRecorder* t : bar.columnTrails)
            EXPECT_EQ(nullptr, t);
        bar.Follow(2.0f, 2.0f, &body); // nothing left to sample
    }
}

TEST_F(Movers, BarSamplesEachColumnAtItsOffsetTurnedWithTheBody)
{
    ScriptedRandom random;
    const Vector3 offset(0.1f, 0.2f, 0.3f);
    const Vector3 at(1, -2, 3);
    const struct {
        const char* name;
        float rate, time, yaw, pitch;
        Vector3 expected; // the offset turned, by hand
    } cases[] = {
        {"no turn, no roll", 0.0f, 7.0f, 0, 0, Vector3(0.1f, 0.2f, 0.3f)},
        {"yaw a quarter turn", 0.0f, 7.0f, Pi / 2, 0, Vector3(0.3f, 0.2f, -0.1f)},
        {"pitch a quarter turn", 0.0f, 7.0f, 0, Pi / 2, Vector3(-0.2f, 0.1f, 0.3f)},
        {"rolled a quarter turn at 0.2/s", 0.2f, Pi / 2 / 0.2f, 0, 0, Vector3(0.1f, -0.3f, 0.2f)},
    };
    for (const auto& c : cases) {
        SetRollRate(c.rate);
        PimFlyingBar bar(1);
        bar.columnOffsets[0] = offset;
        OruMove body;
        body.position = at;
        body.yaw = c.yaw;
        body.pitch = c.pitch;
        // No time passes: the body does not turn.
        bar.Follow(c.time, c.time, &body);
        EXPECT_NEAR(c.rate * c.time, body.roll, 1e-6f) << c.name;
        Vector3 sample;
        bar.columnTrails[0]->GetDelayed(&sample, 1);
        ExpectVectorNear(at + c.expected, sample, c.name);
    }

    // A rate that is not a number leaves the roll as it was.
    SetRollRate(NaN);
    {
        PimFlyingBar bar(1);
        bar.columnOffsets[0] = offset;
        OruMove body;
        body.position = at;
        body.roll = 0.25f;
        bar.Follow(3.0f, 3.0f, &body);
        EXPECT_EQ(0.25f, body.roll);
        Vector3 sample;
        bar.columnTrails[0]->GetDelayed(&sample, 1);
        EXPECT_TRUE(Finite(sample));
    }

    // Without the setting the roll rate is 0.2 rad/s; samples are 0.2 s apart.
    SceneParams = CParameter();
    PimFlyingBar bar(3);
    OruMove body;
    const float times[] = {1.0f, 1.1f, 1.2f, 1.3f, 1.45f};
    const int counts[] = {1, 1, 2, 2, 3};
    for (int i = 0; i < 5; ++i) {
        bar.Follow(times[i], times[i], &body);
        EXPECT_FLOAT_EQ(0.2f * times[i], body.roll);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(counts[i], bar.columnTrails[c]->count) << times[i];
    }
}

// A follower of either kind with its goal at goal.
struct FollowerCase {
    const char* kind;
    std::unique_ptr<OruSteering> mover;
    OruTrailRecorder trail;
    OruMove leader;

    explicit FollowerCase(bool trailKind, const Vector3& goal) : kind(trailKind ? "trail" : "offset")
    {
        if (trailKind) {
            trail.PushSample(goal.x, goal.y, goal.z);
            auto* f = new CTrailFollower();
            f->SetTrail(&trail, 1);
            mover.reset(f);
        } else {
            leader.position = goal - Vector3(0.5f, 1, -0.25f);
            auto* f = new COffsetFollower();
            f->SetTarget(&leader, 0.5f, 1, -0.25f);
            mover.reset(f);
        }
    }
};

TEST_F(Movers, FollowersSpeedUpWithTheDistanceToTheirGoal)
{
    const Vector3 goal(1, 2, 3);
    const struct {
        float distance, speed;
    } cases[] = {{0.5f, 0.1f}, {1.49f, 0.1f}, {1.5f, 0.55f}, {2.0f, 0.7f}, {3.0f, 1.0f}, {4.0f, 1.0f}};
    for (bool trailKind : {true, false}) {
        for (const auto& c : cases) {
            FollowerCase f(trailKind, goal);
            EXPECT_EQ(CourseSeek, f.mover->courseMode);
            EXPECT_STREQ("OruObject", f.mover->name);
            OruMove body;
            body.position = goal + Vector3(0, 0, c.distance);
            f.mover->Follow(1.0f, 0.98f, &body);
            ExpectVectorNear(goal, f.mover->position, f.kind);
            EXPECT_NEAR(c.speed, f.mover->desiredSpeed, 1e-5f) << f.kind << " at " << c.distance;
            // A body position that is not a number keeps the speed.
            body.position = Vector3(0, NaN, 0);
            f.mover->Follow(1.02f, 1.0f, &body);
            EXPECT_NEAR(c.speed, f.mover->desiredSpeed, 1e-5f) << f.kind << " NaN after " << c.distance;
        }
    }
}

TEST_F(Movers, TrailFollowerGoalIsTheDelayedSampleClampedToTheOldest)
{
    OruTrailRecorder trail;
    for (int i = 1; i <= 4; ++i)
        trail.PushSample(static_cast<float>(i), 0, 0);
    OruTrailRecorder empty;
    const struct {
        OruTrailRecorder* trail;
        int delay;
        Vector3 goal;
    } cases[] = {
        {&trail, 1, Vector3(4, 0, 0)},  {&trail, 3, Vector3(2, 0, 0)}, {&trail, 4, Vector3(1, 0, 0)},
        {&trail, 10, Vector3(1, 0, 0)}, {&empty, 5, Vector3(0, 0, 0)}, {nullptr, 5, Vector3(0, 0, 0)},
    };
    for (const auto& c : cases) {
        CTrailFollower f;
        EXPECT_EQ(nullptr, f.followedTrail);
        EXPECT_EQ(0, f.delay);
        f.SetTrail(c.trail, c.delay);
        OruMove body;
        body.position = Vector3(0, 5, 0);
        f.Follow(1.0f, 0.98f, &body);
        ExpectVectorNear(c.goal, f.position, "delay " + std::to_string(c.delay), 0);
    }
}

TEST_F(Movers, OffsetFollowerGoalIsTheLeaderPlusItsOffsetAlongTheWorldAxes)
{
    OruMove leader;
    leader.position = Vector3(1, 2, 3);
    leader.yaw = 1.0f; // the offset does not turn with the leader
    leader.pitch = 0.5f;
    COffsetFollower f;
    ExpectVectorNear(Vector3(0, 0, 0), f.offset, "no offset yet", 0);
    EXPECT_EQ(nullptr, f.leader);
    OruMove body;
    f.position = Vector3(7, 7, 7);
    f.Follow(1.0f, 0.98f, &body); // without a leader the goal stays
    ExpectVectorNear(Vector3(7, 7, 7), f.position, "no leader", 0);
    f.SetTarget(&leader, -0.75f, 1.5f, 0.25f);
    f.Follow(1.02f, 1.0f, &body);
    ExpectVectorNear(Vector3(0.25f, 3.5f, 3.25f), f.position, "leader + offset", 0);
    leader.position = Vector3(-1, 0, 0);
    f.Follow(1.04f, 1.02f, &body);
    ExpectVectorNear(Vector3(-1.75f, 1.5f, 0.25f), f.position, "moved with the leader", 0);
}

// Percentile p (0..1) of values.
float Percentile(std::vector<float> values, float p)
{
    if (values.empty())
        return 0.0f;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * (values.size() - 1))];
}

// A hidden leader on a flying bar, 8 rows x 4 columns of formation fish on its
// column trails and 3 followers per formation fish, all from one corner, one
// group per row, updated as the world updates fish (mover first, then the
// move) at 50 Hz.
TEST_F(Movers, AFormationHoldsTogetherForTwoMinutes)
{
    ScriptedRandom random;
    const int rows = 8, columns = 4, followers = 3;
    const Vector3 corner(2, 2, 2);
    std::vector<std::unique_ptr<OruMove>> bodies; // update order
    auto make = [&](OruObject* mover) {
        bodies.emplace_back(new OruMove());
        bodies.back()->position = corner;
        bodies.back()->mover = mover;
        return bodies.back().get();
    };
    auto* bar = new PimFlyingBar(columns);
    bar->speedScale = 2.0f;
    OruMove* leader = make(bar);
    struct Row {
        std::vector<OruMove*> fish;
        int delay;
    };
    std::vector<Row> formation(rows);
    std::vector<OruMove*> trailFish;
    std::vector<std::pair<OruMove*, COffsetFollower*>> offsetFish;
    // Each row with its followers is one group: the flocking offset keeps
    // its fish apart.
    std::vector<std::unique_ptr<OruPtrArray>> groups;
    auto join = [&](OruMove* fish) {
        groups.back()->Push(fish);
        fish->group = groups.back().get();
        fish->flockIndex = 0;
    };
    for (int i = 0; i < rows; ++i) {
        formation[i].delay = 5 * i + 5;
        groups.emplace_back(new OruPtrArray(10, 10));
        for (int j = 0; j < columns; ++j) {
            auto* t = new CTrailFollower();
            t->SetTrail(bar->columnTrails[j], 5 * i + 5);
            t->speedScale = 4.0f;
            OruMove* fish = make(t);
            join(fish);
            formation[i].fish.push_back(fish);
            for (int k = 0; k < followers; ++k) {
                auto* o = new COffsetFollower();
                o->SetTarget(fish, 1.5f * SelRandUnit() - 0.75f, 3.0f * SelRandUnit() - 1.5f,
                             1.5f * SelRandUnit() - 0.75f);
                o->speedScale = 4.0f;
                offsetFish.emplace_back(make(o), o);
                join(offsetFish.back().first);
            }
        }
    }

    const float dt = 0.02f;
    const int steps = 120 * 50;
    int writeLast = bar->path.writeIndex;
    int segmentsDone = 0;
    std::vector<int> pointsPerWindow;
    std::vector<float> rowLag, followerGap;
    float prev = 0.0f;
    for (int n = 1; n <= steps; ++n) {
        const float time = n * dt;
        for (auto& b : bodies) {
            static_cast<OruSteering*>(b->mover)->Follow(time, prev, b.get());
            b->Update(time, prev);
            ASSERT_TRUE(Finite(b->position)) << "step " << n;
            ASSERT_TRUE(std::isfinite(b->yaw) && std::isfinite(b->pitch) && std::isfinite(b->speed)) << n;
        }
        // The leader keeps to the stage (its path lies inside x, z in
        // [-10, 10] and y in [-8, 2]) but for its turns.
        ASSERT_LT(std::fabs(leader->position.x), 14.0f) << n;
        ASSERT_LT(std::fabs(leader->position.z), 14.0f) << n;
        ASSERT_LT(std::fabs(leader->position.y + 3.0f), 9.0f) << n;
        prev = time;
        // New path points in every 20 s window: the bar keeps going.
        if (n % 1000 == 0) {
            const int added = (bar->path.writeIndex - writeLast + TrailCapacity) % TrailCapacity;
            pointsPerWindow.push_back(added);
            segmentsDone += added;
            writeLast = bar->path.writeIndex;
        }
        // After a 20 s warm-up: each row's distance to its delayed sample and
        // each follower's distance to its goal.
        if (n > 1000 && n % 10 == 0) {
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < columns; ++j) {
                    Vector3 goal;
                    bar->columnTrails[j]->GetDelayed(&goal, formation[i].delay);
                    rowLag.push_back(Distance(goal, formation[i].fish[j]->position));
                }
            for (auto& f : offsetFish)
                followerGap.push_back(Distance(f.second->leader->position + f.second->offset, f.first->position));
        }
    }
    // The first window may go to reaching the path from the start corner.
    for (size_t w = 1; w < pointsPerWindow.size(); ++w)
        EXPECT_GE(pointsPerWindow[w], 1) << "no new path point in window " << w;
    const float lag95 = Percentile(rowLag, 0.95f), lagMax = Percentile(rowLag, 1.0f);
    const float gap95 = Percentile(followerGap, 0.95f), gapMax = Percentile(followerGap, 1.0f);
    std::printf("path points %d; row lag p95 %.3f max %.3f; follower gap p95 %.3f max %.3f; leader at %.2f %.2f %.2f\n",
                segmentsDone, lag95, lagMax, gap95, gapMax, leader->position.x, leader->position.y,
                leader->position.z);
    // At full speed a follower settles where 0.3 d + 0.1 reaches 1.0: d = 3.
    EXPECT_LT(lag95, 3.5f);
    EXPECT_LT(lagMax, 5.0f);
    EXPECT_LT(gap95, 3.25f);
    EXPECT_LT(gapMax, 4.0f);
    for (auto& b : bodies)
        b->FinalCleanup();
}

// A flying bar never stops turning toward its goal, so it never circles one
// for good: over an hour a new path point always comes within a minute, and
// the body stays in the stage.
TEST_F(Movers, ABarKeepsAddingPathPointsForAnHour)
{
    for (uint32_t seed : {1u, 22u, 333u, 4444u}) {
        ScriptedRandom random;
        random.Seed(seed * 7777u);
        auto* bar = new PimFlyingBar(4);
        OruMove body;
        body.position = Vector3(2, 2, 2);
        body.mover = bar;
        int written = bar->path.writeIndex;
        float lastPoint = 0.0f, longestWait = 0.0f, prev = 0.0f;
        for (int n = 1; n <= 3600 * 50; ++n) {
            const float time = n * 0.02f;
            bar->Follow(time, prev, &body);
            body.Update(time, prev);
            prev = time;
            if (bar->path.writeIndex != written) {
                written = bar->path.writeIndex;
                longestWait = std::max(longestWait, time - lastPoint);
                lastPoint = time;
            }
            ASSERT_TRUE(Finite(body.position)) << seed << " step " << n;
            ASSERT_LT(std::fabs(body.position.x), 14.0f) << seed << " step " << n;
            ASSERT_LT(std::fabs(body.position.z), 14.0f) << seed << " step " << n;
        }
        longestWait = std::max(longestWait, prev - lastPoint);
        EXPECT_LT(longestWait, 60.0f) << "seed " << seed;
        body.FinalCleanup();
    }
}

} // namespace
