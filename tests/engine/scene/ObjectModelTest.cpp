// The object model: construction, class names, motion and heading against
// their closed forms, the world-matrix composition, the guards against values
// that are not finite, the sequencing timer, ownership, the slot order of the
// virtual operations, the drawable update's decisions and the state block.

#include "TestApp.h"
#include "TestDevice.h"
#include "framework/OruApplication.h"
#include "scene/OruMove.h"
#include "scene/OruObject.h"
#include "scene/OruSceneContext.h"
#include "scene/OruVisible.h"
#include "servers/SBServer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

const float Pi = 3.14159265358979f;
const float NaN = std::numeric_limits<float>::quiet_NaN();
const float Inf = std::numeric_limits<float>::infinity();

// 3 x 3 row-vector rotations written out element by element.
struct M3 {
    float m[3][3];
};

M3 Mul(const M3& a, const M3& b)
{
    M3 r = {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

M3 AboutX(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    return {{{1, 0, 0}, {0, c, s}, {0, -s, c}}};
}

M3 AboutY(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    return {{{c, 0, -s}, {0, 1, 0}, {s, 0, c}}};
}

M3 AboutZ(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    return {{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};
}

// scaling x roll (x) x pitch (z) x yaw (y) x translation.
D3DXMATRIX ExpectedWorld(float scale, float roll, float pitch, float yaw, const D3DXVECTOR3& p)
{
    const M3 r = Mul(Mul(AboutX(roll), AboutZ(pitch)), AboutY(yaw));
    D3DXMATRIX w;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            w.m[i][j] = scale * r.m[i][j];
        w.m[i][3] = 0;
    }
    w._41 = p.x;
    w._42 = p.y;
    w._43 = p.z;
    w._44 = 1;
    return w;
}

D3DXMATRIX Identity()
{
    return D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual, float tolerance, const std::string& what)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(expected.m[i][j], actual.m[i][j], tolerance) << what << " element " << i << j;
}

void ExpectVectorNear(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, float tolerance, const std::string& what)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance) << what;
    EXPECT_NEAR(expected.y, actual.y, tolerance) << what;
    EXPECT_NEAR(expected.z, actual.z, tolerance) << what;
}

bool AllFinite(const D3DXMATRIX& m)
{
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(m.m[i / 4][i % 4]))
            return false;
    return true;
}

// Classes with and without names of their own.
class Unnamed : public OruObject {};
class UnnamedMove : public OruMove {};
class UnnamedVisible : public OruVisible {};
class Named : public OruVisible {
public:
    explicit Named(const char* n) { SetName(n); }
};
class UnnamedBelowNamed : public Named {
public:
    UnnamedBelowNamed() : Named("CFish") {}
};

} // namespace

TEST(OruObject, StartsWithDefinedValues)
{
    OruVisible v;
    EXPECT_EQ(0, v.worldIndex);
    EXPECT_EQ(-1, v.flockIndex);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), v.position);
    EXPECT_EQ(Identity(), v.world);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), v.boundsMin);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), v.boundsMax);
    // Fields the scene fills in later start at 0 rather than undefined.
    EXPECT_EQ(0.0f, v.radius);
    EXPECT_EQ(0.0f, v.sortDistance);
    EXPECT_EQ(0.0f, v.neighbourDistance);
    EXPECT_EQ(1.0f, v.scale);
    EXPECT_EQ(D3DXVECTOR3(-1, 0, 0), v.heading);
    EXPECT_EQ(0.0f, v.speed);
    EXPECT_EQ(2, v.orientationMode);
    EXPECT_EQ(1, v.state);
    EXPECT_EQ(nullptr, v.mover);
    EXPECT_EQ(nullptr, v.group);
    EXPECT_EQ(nullptr, v.cloneMaster);
    EXPECT_EQ(nullptr, v.predecessor);
    EXPECT_EQ(0, v.transparent | v.late | v.noCull | v.hidden | v.culled | v.drawSelf | v.masterRendered |
                     v.drawOnlyWhenAllowed);
    EXPECT_EQ(0.0f, v.countdown);
    // The fall-back matrix is the identity before the first update.
    EXPECT_EQ(Identity(), v.lastGoodWorld);
    EXPECT_EQ(0, v.updated);
    EXPECT_EQ(NoStateBlock, v.stateBlock);
    EXPECT_EQ(nullptr, v.stateTokens);
    EXPECT_EQ(0, v.updateOnce);
    EXPECT_EQ(2.0f, v.drawDistance);
    EXPECT_EQ(0, v.useLowDetail);
}

TEST(OruObject, ColourIsThreeDrawsInReverseOrder)
{
    std::srand(1234);
    const int r1 = std::rand(), r2 = std::rand(), r3 = std::rand();
    std::srand(1234);
    OruObject o;
    EXPECT_FLOAT_EQ(r3 / 32767.0f, o.colour[0]);
    EXPECT_FLOAT_EQ(r2 / 32767.0f, o.colour[1]);
    EXPECT_FLOAT_EQ(r1 / 32767.0f, o.colour[2]);
    EXPECT_EQ(1.0f, o.colour[3]);
}

TEST(OruObject, MostDerivedNamedClassWins)
{
    EXPECT_STREQ("OruObject", OruObject().name);
    EXPECT_STREQ("OruMove", OruMove().name);
    EXPECT_STREQ("OruVisible", OruVisible().name);
    // A class without a name keeps its base's.
    EXPECT_STREQ("OruObject", Unnamed().name);
    EXPECT_STREQ("OruMove", UnnamedMove().name);
    EXPECT_STREQ("OruVisible", UnnamedVisible().name);
    EXPECT_STREQ("CFish", UnnamedBelowNamed().name);
}

TEST(OruObject, NamesKeepAtMostThirtyNineCharacters)
{
    const std::string exact(39, 'a');
    EXPECT_EQ(exact, Named(exact.c_str()).name);
    const std::string longer = std::string(39, 'b') + "overflowing the field";
    Named n(longer.c_str());
    EXPECT_EQ(std::string(39, 'b'), n.name);
    // The field after the name is untouched.
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), n.position);
}

TEST(OruObject, BaseUpdateComposesTheWorldMatrixWithoutMoving)
{
    struct Case {
        float scale, roll, pitch, yaw;
        D3DXVECTOR3 position;
    };
    const Case cases[] = {
        {1, 0, 0, 0, {0, 0, 0}},
        {2, 0, 0, 0, {1, 2, 3}},
        {1, 0.7f, 0, 0, {0, 0, 0}},
        {1, 0, 0.4f, 0, {-1, 0, 5}},
        {1, 0, 0, 1.1f, {0, 0, 0}},
        {0.5f, 0.3f, -0.6f, 2.5f, {4, -2, 7}},
        {3, -1.2f, 1.0f, -0.8f, {0.5f, 0.25f, -9}},
    };
    for (const Case& c : cases) {
        OruObject o;
        o.scale = c.scale;
        o.roll = c.roll;
        o.pitch = c.pitch;
        o.yaw = c.yaw;
        o.position = c.position;
        o.speed = 5;
        o.Update(3, 1);
        EXPECT_EQ(c.position, o.position);
        ExpectMatrixNear(ExpectedWorld(c.scale, c.roll, c.pitch, c.yaw, c.position), o.world, 1e-5f,
                         "roll " + std::to_string(c.roll) + " pitch " + std::to_string(c.pitch) + " yaw " +
                             std::to_string(c.yaw));
    }
}

TEST(OruMove, StillObjectKeepsItsPlace)
{
    OruMove m;
    m.position = D3DXVECTOR3(1, 2, 3);
    m.scale = 2.5f;
    m.Update(1, 0);
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), m.position);
    EXPECT_EQ(D3DXMATRIX(2.5f, 0, 0, 0, 0, 2.5f, 0, 0, 0, 0, 2.5f, 0, 1, 2, 3, 1), m.world);
    EXPECT_EQ(D3DXVECTOR3(-1, 0, 0), m.heading);
}

TEST(OruMove, HeadingMotionAndWorldFollowTheClosedForms)
{
    struct Case {
        float yaw, pitch, roll, speed, time, prevTime;
    };
    const Case cases[] = {
        {0, 0, 0, 1, 1, 0},
        {Pi / 2, 0, 0, 2, 1.5f, 1.0f},
        {Pi, 0, 0, 3, 2, 1},
        {-Pi / 2, 0, 0.9f, 1, 1, 0},
        {0, Pi / 2, 0, 1, 1, 0},
        {0, -Pi / 6, 0, 4, 0.25f, 0},
        {0.8f, 0.3f, 0, 1.5f, 10, 9.5f},
        {-2.1f, -0.7f, 1.3f, 0.75f, 3, 1},
        {1.0f, 0.5f, -2.0f, 2, 5, 5},
    };
    for (const Case& c : cases) {
        const std::string what = "yaw " + std::to_string(c.yaw) + " pitch " + std::to_string(c.pitch) + " roll " +
                                 std::to_string(c.roll);
        OruMove m;
        m.yaw = c.yaw;
        m.pitch = c.pitch;
        m.roll = c.roll;
        m.speed = c.speed;
        m.scale = 1.5f;
        const D3DXVECTOR3 start(1, -2, 3);
        m.position = start;
        m.Update(c.time, c.prevTime);
        const D3DXVECTOR3 heading(-std::cos(c.pitch) * std::cos(c.yaw), -std::sin(c.pitch),
                                  std::cos(c.pitch) * std::sin(c.yaw));
        ExpectVectorNear(heading, m.heading, 1e-6f, what);
        const float f = (c.time - c.prevTime) * c.speed;
        ExpectVectorNear(start + heading * f, m.position, 1e-5f, what);
        ExpectMatrixNear(ExpectedWorld(1.5f, c.roll, c.pitch, c.yaw, start + heading * f), m.world, 1e-5f, what);
        EXPECT_EQ(m.world, m.lastGoodWorld) << what;
    }
}

TEST(OruMove, QuarterTurnOfYawMovesAlongPlusZ)
{
    OruMove m;
    m.yaw = Pi / 2;
    m.speed = 2;
    m.Update(3.5f, 3.0f);
    ExpectVectorNear(D3DXVECTOR3(0, 0, 1), m.position, 1e-6f, "position");
}

TEST(OruMove, RollTurnsTheWorldButNotTheHeading)
{
    OruMove a, b;
    a.yaw = b.yaw = 0.4f;
    a.pitch = b.pitch = 0.2f;
    b.roll = 1.0f;
    a.speed = b.speed = 1;
    a.Update(1, 0);
    b.Update(1, 0);
    ExpectVectorNear(a.heading, b.heading, 1e-7f, "heading");
    ExpectVectorNear(a.position, b.position, 1e-7f, "position");
    EXPECT_GT(std::fabs(a.world._22 - b.world._22), 0.1f);
}

TEST(OruMove, MovesOnFromUpdateToUpdate)
{
    OruMove m;
    m.speed = 2;
    m.Update(1, 0);
    m.Update(1.5f, 1);
    m.Update(1.5f, 1.5f);
    ExpectVectorNear(D3DXVECTOR3(-3, 0, 0), m.position, 1e-6f, "position");
}

TEST(OruMove, DisplacementThatIsNotFiniteLeavesThePosition)
{
    struct Case {
        const char* what;
        float speed, time, prevTime;
    };
    const Case cases[] = {
        {"NaN speed", NaN, 1, 0},         {"infinite speed", Inf, 1, 0},
        {"-infinite speed", -Inf, 1, 0},  {"NaN time", 1, NaN, 0},
        {"infinite time", 1, Inf, 0},     {"infinite prevTime", 1, 0, -Inf},
    };
    for (const Case& c : cases) {
        OruMove m;
        m.position = D3DXVECTOR3(4, 5, 6);
        m.yaw = 0.3f;
        m.speed = c.speed;
        m.Update(c.time, c.prevTime);
        EXPECT_EQ(D3DXVECTOR3(4, 5, 6), m.position) << c.what;
        // The matrix is rebuilt from the unchanged position.
        ExpectMatrixNear(ExpectedWorld(1, 0, 0, 0.3f, D3DXVECTOR3(4, 5, 6)), m.world, 1e-6f, c.what);
        // And motion resumes once the values are good again.
        m.speed = 1;
        m.Update(2, 1);
        ExpectVectorNear(D3DXVECTOR3(4 - std::cos(0.3f), 5, 6 + std::sin(0.3f)), m.position, 1e-5f, c.what);
    }
}

TEST(OruMove, StepThatWouldOverflowThePositionIsDiscarded)
{
    OruMove m;
    m.position = D3DXVECTOR3(-3e38f, 0, 0);
    m.speed = 3e38f;
    m.Update(1, 0);
    EXPECT_EQ(D3DXVECTOR3(-3e38f, 0, 0), m.position);
    EXPECT_TRUE(AllFinite(m.world));
}

TEST(OruMove, MatrixThatIsNotFiniteFallsBackToTheLastGoodOne)
{
    for (float bad : {NaN, Inf, -Inf}) {
        // In the very first update the fall-back is the identity.
        OruMove first;
        first.scale = bad;
        first.Update(1, 0);
        EXPECT_EQ(Identity(), first.world) << bad;
        EXPECT_EQ(Identity(), first.lastGoodWorld) << bad;

        // Later it is the previous update's matrix.
        OruMove m;
        m.position = D3DXVECTOR3(1, 2, 3);
        m.yaw = 0.5f;
        m.scale = 2;
        m.Update(1, 0);
        const D3DXMATRIX good = m.world;
        m.scale = bad;
        m.yaw = 1.0f;
        m.Update(2, 1);
        EXPECT_EQ(good, m.world) << bad;
        EXPECT_EQ(good, m.lastGoodWorld) << bad;
        // The next good update replaces it.
        m.scale = 1;
        m.Update(3, 2);
        ExpectMatrixNear(ExpectedWorld(1, 0, 0, 1.0f, D3DXVECTOR3(1, 2, 3)), m.world, 1e-6f, "recovered");
    }
}

TEST(OruMove, AngleThatIsNotFiniteNeitherMovesNorTurns)
{
    for (float bad : {NaN, Inf}) {
        OruMove m;
        m.speed = 1;
        m.Update(1, 0);
        const D3DXMATRIX good = m.world;
        m.pitch = bad;
        m.Update(2, 1);
        EXPECT_EQ(D3DXVECTOR3(-1, 0, 0), m.position) << bad;
        EXPECT_EQ(good, m.world) << bad;
        m.pitch = 0;
        m.Update(3, 2);
        EXPECT_EQ(D3DXVECTOR3(-2, 0, 0), m.position) << bad;
        EXPECT_EQ(D3DXVECTOR3(-1, 0, 0), m.heading) << bad;
    }
}

TEST(OruMove, PositionThatIsNotFiniteIsTakenBackFromTheLastGoodMatrix)
{
    for (float bad : {NaN, Inf}) {
        OruMove m;
        m.position = D3DXVECTOR3(5, 6, 7);
        m.Update(1, 0);
        m.position.y = bad;
        m.speed = 1;
        m.Update(2, 1);
        EXPECT_EQ(D3DXVECTOR3(4, 6, 7), m.position) << bad;
        EXPECT_TRUE(AllFinite(m.world)) << bad;
    }
}

TEST(OruObject, TimerRunsOutOnceAndSequences)
{
    OruObject before, o;
    before.state = 1;
    o.state = 2;
    o.predecessor = &before;
    o.countdown = 1.0f;
    EXPECT_EQ(0, o.UpdateTimer(0.4f, 0.0f));
    EXPECT_EQ(2, o.state);
    EXPECT_EQ(0, o.UpdateTimer(0.8f, 0.4f));
    EXPECT_EQ(1, o.UpdateTimer(1.2f, 0.8f));
    EXPECT_EQ(0.0f, o.countdown);
    EXPECT_EQ(1.2f, o.lastSequenceTime);
    EXPECT_EQ(1, o.state);
    EXPECT_EQ(0, before.state);
    // With the countdown at 0 nothing happens again.
    EXPECT_EQ(0, o.UpdateTimer(5, 1.2f));
}

TEST(OruObject, SequencingWithoutPredecessorOrWithBadTimeIsHarmless)
{
    OruObject o;
    o.state = 2;
    o.countdown = 0.1f;
    EXPECT_EQ(1, o.UpdateTimer(1, 0));
    EXPECT_EQ(1, o.state);

    OruObject p;
    p.countdown = 1.0f;
    EXPECT_EQ(0, p.UpdateTimer(NaN, 0));
    EXPECT_EQ(0, p.UpdateTimer(Inf, 0));
    EXPECT_EQ(1.0f, p.countdown);
    EXPECT_EQ(1, p.UpdateTimer(2, 0));
}

namespace {

struct Lifetime {
    int cleanups = 0;
    int destroyed = 0;
};

class Tracked : public OruObject {
public:
    explicit Tracked(Lifetime* l) : life(l) {}
    ~Tracked() override { ++life->destroyed; }
    HRESULT FinalCleanup() override
    {
        ++life->cleanups;
        return OruObject::FinalCleanup();
    }
    Lifetime* life;
};

class TrackedVisible : public OruVisible {
public:
    explicit TrackedVisible(Lifetime* l) : life(l) {}
    ~TrackedVisible() override { ++life->destroyed; }
    Lifetime* life;
};

} // namespace

TEST(OruObject, DeletionThroughTheBaseRunsTheDerivedDestructor)
{
    Lifetime life;
    OruObject* o = new TrackedVisible(&life);
    delete o;
    EXPECT_EQ(1, life.destroyed);
}

TEST(OruObject, FinalCleanupFinalisesAndFreesTheMover)
{
    for (int kind = 0; kind < 3; ++kind) {
        Lifetime life;
        OruObject* body = kind == 0 ? new OruObject : kind == 1 ? static_cast<OruObject*>(new OruMove)
                                                                : new OruVisible;
        body->mover = new Tracked(&life);
        EXPECT_EQ(0, body->FinalCleanup()) << kind;
        EXPECT_EQ(nullptr, body->mover) << kind;
        EXPECT_EQ(1, life.cleanups) << kind;
        EXPECT_EQ(1, life.destroyed) << kind;
        // A second cleanup finds nothing to free.
        EXPECT_EQ(0, body->FinalCleanup()) << kind;
        EXPECT_EQ(1, life.destroyed) << kind;
        delete body;
    }
}

namespace {

// The virtual-table slot a pointer to a virtual member names (Itanium C++
// ABI, which mingw-w64's g++ follows: the pointer holds 1 + the slot's byte
// offset).
template <typename F>
int SlotOf(F f)
{
    static_assert(sizeof(F) == 2 * sizeof(uintptr_t), "Itanium member pointer");
    uintptr_t raw[2];
    std::memcpy(raw, &f, sizeof raw);
    if ((raw[0] & 1) == 0)
        return -1;
    return static_cast<int>((raw[0] - 1) / sizeof(void*));
}

} // namespace

TEST(OruObject, VirtualOperationsKeepTheirSlots)
{
    EXPECT_EQ(0, SlotOf(&OruObject::InitDeviceObjects));
    EXPECT_EQ(1, SlotOf(&OruObject::RestoreDeviceObjects));
    EXPECT_EQ(2, SlotOf(&OruObject::InvalidateDeviceObjects));
    EXPECT_EQ(3, SlotOf(&OruObject::DeleteDeviceObjects));
    EXPECT_EQ(4, SlotOf(&OruObject::Update));
    EXPECT_EQ(5, SlotOf(&OruObject::Render));
    EXPECT_EQ(6, SlotOf(&OruObject::FinalCleanup));
    EXPECT_EQ(7, SlotOf(&OruObject::GetPosition));
    EXPECT_EQ(8, SlotOf(&OruObject::Reset));
    EXPECT_EQ(9, SlotOf(&OruObject::doSequence));
    // The drawable's own operations follow, in their order, after the
    // base's slots (the two destructor entries come first).
    const int first = SlotOf(&OruVisible::ComputeBounds);
    EXPECT_GT(first, 9);
    EXPECT_EQ(first + 1, SlotOf(&OruVisible::GetLowDetailMeshIndex));
    EXPECT_EQ(first + 2, SlotOf(&OruVisible::UpdateShaderMatrices));
    EXPECT_EQ(first + 3, SlotOf(&OruVisible::Animate));
    // Overrides stay in the base's slots.
    EXPECT_EQ(4, SlotOf(&OruVisible::Update));
    EXPECT_EQ(6, SlotOf(&OruMove::FinalCleanup));
}

namespace {

// A camera and application stand-in: a configurable view verdict, matrices
// and eye, and a count of the view tests.
class FakeScene : public OruSceneContext {
public:
    FakeScene()
        : view(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1),
          projection(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1, 1, 0, 0, -1, 0), eye(0, 0, 0)
    {
        SetCurrent(this);
    }
    ~FakeScene() override { SetCurrent(nullptr); }
    int IsBoxVisible(OruObject*) override
    {
        ++tests;
        return visible;
    }
    const D3DXMATRIX* View() override { return &view; }
    const D3DXMATRIX* Projection() override { return &projection; }
    const Vector3* EyePosition() override { return &eye; }
    SBServer* StateBlocks() override { return server; }

    int visible = 1;
    int tests = 0;
    D3DXMATRIX view, projection;
    Vector3 eye;
    SBServer* server = nullptr;
};

class Probe : public OruVisible {
public:
    int GetLowDetailMeshIndex() override { return lowDetailMesh; }
    void UpdateShaderMatrices(const D3DXMATRIX* v, const D3DXMATRIX* p) override
    {
        ++matrices;
        lastView = v ? *v : D3DXMATRIX();
        lastProjection = p ? *p : D3DXMATRIX();
    }
    void Animate(float time, float prevTime) override
    {
        ++animations;
        animatedTime = time;
        animatedPrevTime = prevTime;
    }
    int lowDetailMesh = 0;
    int matrices = 0;
    int animations = 0;
    float animatedTime = 0, animatedPrevTime = 0;
    D3DXMATRIX lastView = {}, lastProjection = {};
};

} // namespace

TEST(OruVisible, VisibleObjectTakesTheMatricesAndAnimates)
{
    FakeScene scene;
    Probe p;
    p.speed = 1;
    p.Update(2, 1.5f);
    EXPECT_EQ(1, p.updated);
    EXPECT_EQ(0, p.culled);
    EXPECT_EQ(1, scene.tests);
    EXPECT_EQ(1, p.matrices);
    EXPECT_EQ(scene.view, p.lastView);
    EXPECT_EQ(scene.projection, p.lastProjection);
    EXPECT_EQ(1, p.animations);
    EXPECT_EQ(2.0f, p.animatedTime);
    EXPECT_EQ(1.5f, p.animatedPrevTime);
    // It moved as an OruMove does.
    EXPECT_EQ(D3DXVECTOR3(-0.5f, 0, 0), p.position);
}

TEST(OruVisible, HiddenObjectMovesButIsCulledUntested)
{
    FakeScene scene;
    Probe p;
    p.hidden = 1;
    p.speed = 1;
    for (int i = 0; i < 3; ++i)
        p.Update(float(i + 1), float(i));
    EXPECT_EQ(D3DXVECTOR3(-3, 0, 0), p.position);
    EXPECT_EQ(1, p.culled);
    EXPECT_EQ(0, scene.tests);
    EXPECT_EQ(0, p.matrices);
    EXPECT_EQ(0, p.animations);
}

TEST(OruVisible, ObjectOutOfViewIsCulledAndNotAnimated)
{
    FakeScene scene;
    Probe p;
    p.lowDetailMesh = 1;
    p.position = D3DXVECTOR3(10, 0, 0);
    p.Update(1, 0);
    EXPECT_EQ(1, p.useLowDetail);
    scene.visible = 0;
    p.Update(2, 1);
    EXPECT_EQ(1, p.culled);
    EXPECT_EQ(1, p.matrices);
    EXPECT_EQ(0, p.animations);
    // The last level-of-detail choice stays.
    EXPECT_EQ(1, p.useLowDetail);
    scene.visible = 1;
    p.Update(3, 2);
    EXPECT_EQ(0, p.culled);
}

TEST(OruVisible, NoCullObjectIsNeverCulled)
{
    FakeScene scene;
    scene.visible = 0;
    Probe p;
    p.noCull = 1;
    p.Update(1, 0);
    p.Update(2, 1);
    EXPECT_EQ(0, p.culled);
    EXPECT_EQ(2, p.animations);
    EXPECT_EQ(0, scene.tests);
}

TEST(OruVisible, LowDetailBeyondTheDrawDistanceOnly)
{
    FakeScene scene;
    scene.eye = Vector3(1, 2, 3);
    struct Case {
        int mesh;
        float distance;
        int lowDetail, animated;
    };
    const Case cases[] = {
        {1, 2.0f, 0, 1},  // at the draw distance: full detail
        {1, 2.001f, 1, 0}, // slightly beyond: low detail, not animated
        {1, 0.5f, 0, 1},
        {0, 100.0f, 0, 1}, // no low-detail mesh: distance does not matter
    };
    for (const Case& c : cases) {
        Probe p;
        p.lowDetailMesh = c.mesh;
        p.position = D3DXVECTOR3(1, 2, 3 + c.distance);
        p.Update(1, 0);
        EXPECT_EQ(c.lowDetail, p.useLowDetail) << c.distance;
        EXPECT_EQ(c.animated, p.animations) << c.distance;
        EXPECT_EQ(1, p.matrices) << c.distance;
    }
    // The draw distance is the object's own.
    Probe distant;
    distant.lowDetailMesh = 1;
    distant.drawDistance = 10.0f;
    distant.position = D3DXVECTOR3(1, 2, 12);
    distant.Update(1, 0);
    EXPECT_EQ(0, distant.useLowDetail);
    // Back within reach, full detail returns.
    Probe back;
    back.lowDetailMesh = 1;
    back.position = D3DXVECTOR3(1, 2, 6);
    back.Update(1, 0);
    EXPECT_EQ(1, back.useLowDetail);
    back.position = D3DXVECTOR3(1, 2, 4);
    back.Update(2, 1);
    EXPECT_EQ(0, back.useLowDetail);
    EXPECT_EQ(1, back.animations);
}

TEST(OruVisible, UpdateOnceRunsOnlyTheFirstUpdate)
{
    FakeScene scene;
    Probe p;
    p.updateOnce = 1;
    p.speed = 1;
    p.Update(1, 0);
    p.Update(2, 1);
    EXPECT_EQ(D3DXVECTOR3(-1, 0, 0), p.position);
    EXPECT_EQ(1, p.animations);
}

TEST(OruVisible, WithoutASceneTheObjectStillMovesAndAnimates)
{
    ASSERT_EQ(nullptr, OruSceneContext::Current());
    Probe p;
    p.lowDetailMesh = 1;
    p.speed = 1;
    p.Update(1, 0);
    EXPECT_EQ(D3DXVECTOR3(-1, 0, 0), p.position);
    EXPECT_EQ(0, p.culled);
    EXPECT_EQ(1, p.animations);
    EXPECT_EQ(0, p.matrices);
    EXPECT_EQ(0, p.RestoreDeviceObjects());
}

namespace {

using DeviceApp = TestApp;

const DWORD LightingOff[] = {D3DRS_LIGHTING, FALSE, StateTokenEnd};

} // namespace

TEST(OruVisible, RestoreRecordsTheSharedStateBlockAndInvalidateForgetsIt)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    DeviceApp app(device.Device());
    SBServer server;
    FakeScene scene;
    scene.server = &server;

    OruVisible a, b, none;
    a.stateTokens = LightingOff;
    b.stateTokens = LightingOff;
    EXPECT_EQ(0, a.RestoreDeviceObjects());
    EXPECT_EQ(0, b.RestoreDeviceObjects());
    EXPECT_EQ(0, none.RestoreDeviceObjects());
    ASSERT_EQ(1, server.count);
    EXPECT_NE(NoStateBlock, a.stateBlock);
    EXPECT_EQ(server.handles[0], a.stateBlock);
    EXPECT_EQ(a.stateBlock, b.stateBlock);
    EXPECT_EQ(NoStateBlock, none.stateBlock);

    // The handle is not kept past the invalidate that deletes its block.
    EXPECT_EQ(0, a.InvalidateDeviceObjects());
    EXPECT_EQ(NoStateBlock, a.stateBlock);
    EXPECT_EQ(0, b.InvalidateDeviceObjects());
    server.InvalidateDeviceObjects();
    EXPECT_EQ(0, a.RestoreDeviceObjects());
    EXPECT_NE(NoStateBlock, a.stateBlock);
    EXPECT_EQ(0, a.DeleteDeviceObjects());
    server.InvalidateDeviceObjects();
}

TEST(OruVisible, RestoreWithoutAServerRecordsNothing)
{
    FakeScene scene;
    OruVisible v;
    v.stateTokens = LightingOff;
    EXPECT_EQ(0, v.RestoreDeviceObjects());
    EXPECT_EQ(NoStateBlock, v.stateBlock);
}
