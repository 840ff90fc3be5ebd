// The camera: the reset table over the camera settings and the fish table,
// the smoothing of followed objects, the warm-up view, degenerate views, the
// side planes behind IsBoxVisible, the mouse-flown eye, and the view matrix
// on Wine's device.

#include "TestApp.h"
#include "TestDevice.h"
#include "framework/OruApplication.h"
#include "scene/OruCamera.h"
#include "scene/OruWorld.h"

#include "settings/SceneSettings.h"
#include "settings/SceneSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();

const Vector3 StageEdge(10, 0, -15);
const Vector3 StageCentre(0, -1, -0.1f);
const Vector3 FarTarget(-10, 0, 15);

// The application the camera reads: field of view, mouse tracker, world, device.
using CameraApp = TestApp;

bool Finite(const D3DXMATRIX& m)
{
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(m.m[i / 4][i % 4]))
            return false;
    return true;
}

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual, const std::string& what)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(expected.m[i / 4][i % 4], actual.m[i / 4][i % 4], 1e-5f) << what << " element " << i;
}

void ExpectVectorNear(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, const std::string& what)
{
    EXPECT_NEAR(expected.x, actual.x, 1e-5f) << what;
    EXPECT_NEAR(expected.y, actual.y, 1e-5f) << what;
    EXPECT_NEAR(expected.z, actual.z, 1e-5f) << what;
}

D3DXMATRIX LookAt(const D3DXVECTOR3& eye, const D3DXVECTOR3& at)
{
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMATRIX m;
    D3DXMatrixLookAtLH(&m, &eye, &at, &up);
    return m;
}

// Settings tables and fish table filled for one test and emptied after it.
class CameraSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        SceneParams = CParameter();
        SceneParams.AddItems(SceneParamDefs);
        for (int f = 0; f < FlockCameraFishCount; ++f)
            FlockCameraFish[f] = FlockCameraFishEntry{nullptr, nullptr, nullptr};
        WanderingPointFish = nullptr;
    }
    void TearDown() override
    {
        SceneParams = CParameter();
        for (int f = 0; f < FlockCameraFishCount; ++f)
            FlockCameraFish[f] = FlockCameraFishEntry{nullptr, nullptr, nullptr};
        WanderingPointFish = nullptr;
    }
    void Set(SceneRow row, int32_t value) { SceneParams.items[row].value = value; }
    // Flock 1 and flock 0's head fish exist; the others do not.
    void FillFish()
    {
        FlockCameraFish[0].head = &head0;
        FlockCameraFish[1] = FlockCameraFishEntry{&head1, &centre1, &tail1};
        WanderingPointFish = &wanderer;
    }

    OruObject head0, head1, centre1, tail1, wanderer;
};

enum Who { None, Head0, Head1, Centre1, Tail1, Wanderer };

struct ResetCase {
    const char* name;
    int32_t from, fromOpt, to, toOpt;
    bool wanderer;        // the wandering fish exists
    int32_t eyeMode;
    Who eyeFish;          // for eye mode 1
    Vector3 eyePoint;     // for eye mode 0
    int32_t targetMode;
    Who targetFish;       // for target mode 1
    Vector3 targetPoint;  // for target mode 0
    int32_t fromAfter;    // CameraFrom after the reset
};

const Vector3 Origin(0, 0, 0);
// The camera's eye and target before each reset: a point of its own.
const Vector3 PriorEye(7, 7, 7);
const Vector3 PriorTarget(8, 8, 8);

const ResetCase ResetCases[] = {
    {"HeadFishOfFlock1", 0, 1, 3, 0, true, EyeObject, Head1, Origin, TargetFixed, None, FarTarget, 0},
    {"CentreFish", 1, 1, 3, 0, true, EyeObject, Centre1, Origin, TargetFixed, None, FarTarget, 1},
    {"TailFish", 2, 1, 3, 0, true, EyeObject, Tail1, Origin, TargetFixed, None, FarTarget, 2},
    {"StageEdge", 3, 0, 3, 0, true, EyeFixed, None, StageEdge, TargetFixed, None, FarTarget, 3},
    {"StageCentre", 4, 0, 0, 1, true, EyeFixed, None, StageCentre, TargetObject, Head1, Origin, 4},
    {"WanderingPoint", 5, 0, 0, 0, true, EyeObject, Wanderer, Origin, TargetObject, Head0, Origin, 5},
    {"MissingWandererFallsBackToStageCentre", 5, 0, 4, 0, false, EyeFixed, None, StageCentre, TargetFixed, None,
     FarTarget, 4},
    {"MissingFlockFishFallsBack", 1, 0, 3, 0, true, EyeFixed, None, StageCentre, TargetFixed, None, FarTarget, 4},
    {"FlockOptionBeyondTheTable", 0, 12, 1, 1, true, EyeFixed, None, StageCentre, TargetObject, Centre1, Origin, 4},
    {"NegativeFlockOption", 2, -1, 3, 0, true, EyeFixed, None, StageCentre, TargetFixed, None, FarTarget, 4},
    {"UnknownEyeChoiceKeepsTheEye", 9, 0, 2, 1, true, EyeFixed, None, PriorEye, TargetObject, Tail1, Origin, 9},
    {"EyesOwnFishIsNotLookedAt", 0, 1, 0, 1, true, EyeObject, Head1, Origin, TargetFixed, None, FarTarget, 0},
    {"SameFlockOtherFishIsLookedAt", 0, 1, 2, 1, true, EyeObject, Head1, Origin, TargetObject, Tail1, Origin, 0},
    {"WandererLooksAtEmptyFlock", 5, 0, 0, 3, true, EyeObject, Wanderer, Origin, TargetFixed, None, FarTarget, 5},
    {"TargetOptionBeyondTheTable", 3, 0, 0, 10, true, EyeFixed, None, StageEdge, TargetFixed, None, FarTarget, 3},
    {"TargetOptionNegative", 3, 0, 2, -5, true, EyeFixed, None, StageEdge, TargetFixed, None, FarTarget, 3},
    {"StageCentreTargetFromStageCentre", 4, 0, 4, 0, true, EyeFixed, None, StageCentre, TargetFixed, None, FarTarget,
     4},
    {"StageCentreTargetFromElsewhere", 3, 0, 4, 0, true, EyeFixed, None, StageEdge, TargetFixed, None, StageCentre, 3},
    {"StageCentreTargetAfterFallback", 0, 5, 4, 0, true, EyeFixed, None, StageCentre, TargetFixed, None, FarTarget,
     4},
    {"UnknownTargetChoiceKeepsTheTarget", 3, 0, 5, 0, true, EyeFixed, None, StageEdge, TargetFixed, None, PriorTarget,
     3},
};

class CameraReset : public CameraSettings, public ::testing::WithParamInterface<ResetCase> {
protected:
    OruObject* Fish(Who who)
    {
        switch (who) {
        case Head0:
            return &head0;
        case Head1:
            return &head1;
        case Centre1:
            return &centre1;
        case Tail1:
            return &tail1;
        case Wanderer:
            return &wanderer;
        default:
            return nullptr;
        }
    }
};

} // namespace

TEST_P(CameraReset, ChoosesEyeAndTargetFromTheSettings)
{
    const ResetCase& c = GetParam();
    FillFish();
    if (!c.wanderer)
        WanderingPointFish = nullptr;
    Set(SceneCameraFrom, c.from);
    Set(SceneCameraFromOpt, c.fromOpt);
    Set(SceneCameraTo, c.to);
    Set(SceneCameraToOpt, c.toOpt);

    OruCamera camera;
    camera.SetEyePoint(PriorEye);
    camera.SetTargetPoint(PriorTarget);
    camera.Reset(0);

    EXPECT_EQ(c.eyeMode, camera.eyeMode);
    if (c.eyeMode == EyeObject) {
        EXPECT_EQ(Fish(c.eyeFish), camera.eyeObject);
        EXPECT_EQ(Fish(c.eyeFish), camera.GetEyeObject());
    } else {
        ExpectVectorNear(c.eyePoint, camera.position, "eye");
        EXPECT_EQ(nullptr, camera.GetEyeObject());
    }
    EXPECT_EQ(c.targetMode, camera.targetMode);
    if (c.targetMode == TargetObject) {
        EXPECT_EQ(Fish(c.targetFish), camera.targetObject);
    } else {
        ExpectVectorNear(c.targetPoint, camera.targetPoint, "target");
    }
    EXPECT_EQ(c.fromAfter, SceneParams.items[SceneCameraFrom].value);
}

INSTANTIATE_TEST_SUITE_P(Table, CameraReset, ::testing::ValuesIn(ResetCases),
                         [](const ::testing::TestParamInfo<ResetCase>& info) { return std::string(info.param.name); });

TEST_F(CameraSettings, MouseControlKeepsTheEyeAndIgnoresTheTargetSettings)
{
    FillFish();
    Set(SceneCameraFrom, 6);
    Set(SceneCameraTo, 0);
    OruCamera camera;
    camera.SetEyePoint(PriorEye);
    camera.SetTargetPoint(PriorTarget);
    camera.Reset(0);
    EXPECT_EQ(EyeMouse, camera.eyeMode);
    EXPECT_EQ(TargetMouse, camera.targetMode);
    ExpectVectorNear(PriorEye, *camera.GetPosition(), "eye");
    ExpectVectorNear(PriorTarget, camera.targetPoint, "target point");
    EXPECT_EQ(nullptr, camera.GetEyeObject());
    EXPECT_EQ(6, SceneParams.items[SceneCameraFrom].value);
}

TEST_F(CameraSettings, EmptyTablesUseTheBuiltInDefaults)
{
    // Wandering point looking at flock 0's head fish; neither exists yet.
    SceneParams = CParameter();
    OruCamera camera;
    camera.Reset(0);
    EXPECT_EQ(EyeFixed, camera.eyeMode);
    ExpectVectorNear(StageCentre, camera.position, "eye");
    EXPECT_EQ(TargetFixed, camera.targetMode);
    ExpectVectorNear(FarTarget, camera.targetPoint, "target");
    EXPECT_EQ(0u, SceneParams.count);

    FillFish();
    camera.Reset(0);
    EXPECT_EQ(&wanderer, camera.GetEyeObject());
    EXPECT_EQ(TargetObject, camera.targetMode);
    EXPECT_EQ(&head0, camera.targetObject);
}

TEST(OruCamera, StartsDefinedWithTheWarmUpView)
{
    OruCamera camera;
    EXPECT_STREQ("OruCamera", camera.name);
    EXPECT_EQ(EyeFixed, camera.eyeMode);
    EXPECT_EQ(TargetFixed, camera.targetMode);
    EXPECT_EQ(nullptr, camera.GetEyeObject());
    ExpectVectorNear(Origin, *camera.GetPosition(), "eye");
    ExpectMatrixNear(LookAt(Vector3(0, 0, 10), Vector3(0, 0, 20)), camera.view, "view");
    for (const Vector3& n : camera.sidePlaneNormals)
        EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
}

TEST(OruCamera, HistoriesStartFromTheFirstSampleAndReachAStillObjectOnTheFourthUpdate)
{
    OruCamera camera;
    OruObject first, second, target;
    first.position = Vector3(1, 2, 3);
    second.position = Vector3(5, -4, 1);
    target.position = Vector3(-2, 0, 6);

    // The first sample fills the history: no pull toward an unset origin.
    camera.SetEyeObject(&first);
    camera.SetTargetObject(&target);
    camera.Update(0.1f, 0.0f);
    ExpectVectorNear(first.position, *camera.GetPosition(), "first eye sample");
    Vector3 at;
    ExpectVectorNear(target.position, *camera.GetTarget(&at), "first target sample");

    // A switch to another still object slides over and arrives on the fourth update.
    camera.SetEyeObject(&second);
    for (int update = 1; update <= 4; ++update) {
        camera.Update(0.1f * (update + 1), 0.1f * update);
        const D3DXVECTOR3 expected = (first.position * float(4 - update) + second.position * float(update)) * 0.25f;
        ExpectVectorNear(expected, *camera.GetPosition(), "update " + std::to_string(update));
    }
    ExpectVectorNear(second.position, *camera.GetPosition(), "arrived");

    // A moving object is the mean of its last four positions.
    for (int step = 0; step < 6; ++step) {
        second.position = Vector3(float(step), 0, 0);
        camera.Update(1.0f + step, 1.0f + step - 0.1f);
    }
    ExpectVectorNear(Vector3(3.5f, 0, 0), *camera.GetPosition(), "lag of one and a half updates");

    // A sample that is not finite is left out.
    second.position = Vector3(NaN, 0, 0);
    camera.Update(9.0f, 8.9f);
    ExpectVectorNear(Vector3(3.5f, 0, 0), *camera.GetPosition(), "non-finite sample");
}

TEST(OruCamera, WarmUpViewUntilTheWorldIsWarmedUp)
{
    CameraApp app;
    OruWorld world;
    app.world = &world;
    world.warmedUp = 0;

    OruCamera camera;
    camera.SetEyePoint(Vector3(3, 1, -2));
    camera.SetTargetPoint(Vector3(-1, 0, 5));
    camera.Update(0.1f, 0.0f);
    camera.SetView();
    ExpectMatrixNear(LookAt(Vector3(0, 0, 10), Vector3(0, 0, 20)), camera.view, "warm-up view");
    // Position and direction already report the chosen eye.
    ExpectVectorNear(Vector3(3, 1, -2), *camera.GetPosition(), "eye");
    Vector3 direction;
    camera.GetDirection(&direction);
    D3DXVECTOR3 expected(-4, -1, 7);
    D3DXVec3Normalize(&expected, &expected);
    ExpectVectorNear(expected, direction, "direction");

    world.warmedUp = 1;
    camera.SetView();
    ExpectMatrixNear(LookAt(Vector3(3, 1, -2), Vector3(-1, 0, 5)), camera.view, "chosen view");

    app.world = nullptr;
    world.FinalCleanup();
}

TEST(OruCamera, DegenerateViewKeepsTheLastValidViewAndPlanes)
{
    CameraApp app;
    OruWorld world;
    app.world = &world;
    world.warmedUp = 1;

    OruCamera camera;
    camera.SetEyePoint(Vector3(0, 0, 0));
    camera.SetTargetPoint(Vector3(1, 0, 4));
    camera.Update(0.1f, 0.0f);
    camera.SetView();
    const D3DXMATRIX valid = camera.view;
    ExpectMatrixNear(LookAt(Vector3(0, 0, 0), Vector3(1, 0, 4)), valid, "valid view");
    Vector3 planes[CameraSidePlanes];
    for (int i = 0; i < CameraSidePlanes; ++i)
        planes[i] = camera.sidePlaneNormals[i];

    const struct {
        const char* name;
        Vector3 target;
    } degenerate[] = {
        {"eye on the target", Vector3(0, 0, 0)},
        {"straight up", Vector3(0, 5, 0)},
        {"straight down", Vector3(0, -3, 0)},
        {"target not finite", Vector3(NaN, 0, 1)},
    };
    for (const auto& d : degenerate) {
        camera.SetTargetPoint(d.target);
        camera.Update(0.2f, 0.1f);
        camera.SetView();
        EXPECT_TRUE(Finite(camera.view)) << d.name;
        ExpectMatrixNear(valid, camera.view, d.name);
        for (int i = 0; i < CameraSidePlanes; ++i)
            ExpectVectorNear(planes[i], camera.sidePlaneNormals[i], d.name);
    }

    // A valid direction again takes over at once.
    camera.SetTargetPoint(Vector3(-2, 1, 3));
    camera.Update(0.3f, 0.2f);
    camera.SetView();
    ExpectMatrixNear(LookAt(Vector3(0, 0, 0), Vector3(-2, 1, 3)), camera.view, "recovered");

    app.world = nullptr;
    world.FinalCleanup();
}

namespace {

// A point object (its box one corner) at p.
void PlaceCorner(OruObject& object, const D3DXVECTOR3& p)
{
    object.boundsMin = Vector3(0, 0, 0);
    object.boundsMax = Vector3(0, 0, 0);
    D3DXMatrixTranslation(&object.world, p.x, p.y, p.z);
}

} // namespace

TEST(OruCamera, SidePlanesCullByCorners)
{
    CameraApp app; // field of view pi/3: half-angle 0.65 x pi/3 about 39 degrees
    OruCamera camera;
    camera.SetEyePoint(Vector3(0, 0, 0));
    camera.SetTargetPoint(Vector3(0, 0, 10));
    camera.Update(0.1f, 0.0f);

    const struct {
        const char* name;
        Vector3 min, max, at;
        int32_t visible;
    } boxes[] = {
        {"in front", Vector3(-1, -1, -1), Vector3(1, 1, 1), Vector3(0, 0, 10), 1},
        {"behind the eye", Vector3(-1, -1, -1), Vector3(1, 1, 1), Vector3(0, 0, -10), 0},
        {"large box behind the eye", Vector3(-50, -50, -5), Vector3(50, 50, -1), Vector3(0, 0, 0), 0},
        {"to the right beyond the angle", Vector3(-1, -1, -1), Vector3(1, 1, 1), Vector3(20, 0, 10), 0},
        {"above beyond the angle", Vector3(-1, -1, -1), Vector3(1, 1, 1), Vector3(0, 20, 10), 0},
        {"within 39 degrees", Vector3(0, 0, 0), Vector3(0, 0, 0), Vector3(7.5f, 0, 10), 1},
        {"beyond 39 degrees", Vector3(0, 0, 0), Vector3(0, 0, 0), Vector3(8.5f, 0, 10), 0},
        {"one corner reaches in", Vector3(-30, -1, -1), Vector3(0, 1, 1), Vector3(25, 0, 10), 1},
        // All corners outside although the box spans the view.
        {"spanning the view", Vector3(-100, -100, 0), Vector3(100, 100, 1), Vector3(0, 0, 10), 0},
    };
    for (const auto& b : boxes) {
        OruObject object;
        object.boundsMin = b.min;
        object.boundsMax = b.max;
        D3DXMatrixTranslation(&object.world, b.at.x, b.at.y, b.at.z);
        EXPECT_EQ(b.visible, camera.IsBoxVisible(&object)) << b.name;
    }
    EXPECT_EQ(0, camera.IsBoxVisible(nullptr));
}

TEST(OruCamera, CornerOnASidePlaneIsOutside)
{
    CameraApp app;
    OruCamera camera;
    camera.SetEyePoint(Vector3(0, 0, 0));
    camera.SetTargetPoint(Vector3(0, 0, 10));
    camera.Update(0.1f, 0.0f);

    // For each plane whose normal has a zero component, a point in front of
    // the eye with an exactly zero dot product with that normal.
    int tested = 0;
    for (int i = 0; i < CameraSidePlanes; ++i) {
        const Vector3 n = camera.sidePlaneNormals[i];
        D3DXVECTOR3 p;
        if (n.x == 0.0f)
            p = D3DXVECTOR3(0, n.z, -n.y);
        else if (n.y == 0.0f)
            p = D3DXVECTOR3(n.z, 0, -n.x);
        else
            continue;
        if (p.z < 0)
            p = -p;
        ASSERT_EQ(0.0f, OruCamera::Vec3Dot(&p, &n)) << "plane " << i;
        // Inside every other plane, so the plane alone decides.
        for (int j = 0; j < CameraSidePlanes; ++j) {
            if (j != i) {
                ASSERT_LT(OruCamera::Vec3Dot(&p, &camera.sidePlaneNormals[j]), 0.0f) << "plane " << i << " vs " << j;
            }
        }
        OruObject object;
        PlaceCorner(object, p);
        EXPECT_EQ(0, camera.IsBoxVisible(&object)) << "corner on plane " << i;
        // Nudged toward the view axis it is inside.
        PlaceCorner(object, p * 0.98f + D3DXVECTOR3(0, 0, 0.2f));
        EXPECT_EQ(1, camera.IsBoxVisible(&object)) << "corner just inside plane " << i;
        ++tested;
    }
    EXPECT_EQ(CameraSidePlanes, tested);
}

TEST(OruCamera, MouseFlownEyeMovesAlongTheViewDirection)
{
    CameraApp app;
    OruCamera camera;
    camera.eyeMode = EyeMouse;
    camera.targetMode = TargetMouse;
    camera.position = Vector3(1, 2, 3);

    // Mouse at the centre: direction (0, 0, 1); 2 units per second.
    const struct {
        const char* name;
        int32_t left, right;
        Vector3 expected;
    } cases[] = {
        {"no button", 0, 0, Vector3(1, 2, 3)},
        {"left flies forward", 1, 0, Vector3(1, 2, 4)},
        {"right flies backward", 0, 1, Vector3(1, 2, 2)},
        {"both stay in place", 1, 1, Vector3(1, 2, 3)},
    };
    for (const auto& c : cases) {
        camera.position = Vector3(1, 2, 3);
        app.arcBall.dragging = c.left;
        app.arcBall.rightDown = c.right;
        camera.Update(2.5f, 2.0f);
        ExpectVectorNear(c.expected, *camera.GetPosition(), c.name);
    }

    // The direction follows the mouse rotation.
    app.arcBall.mouseX = 3.14159265f / 2;
    app.arcBall.mouseY = 0;
    app.arcBall.dragging = 1;
    app.arcBall.rightDown = 0;
    camera.position = Vector3(0, 0, 0);
    camera.Update(1.0f, 0.0f);
    ExpectVectorNear(Vector3(2, 0, 0), *camera.GetPosition(), "turned right");
    Vector3 target;
    ExpectVectorNear(Vector3(3, 0, 0), *camera.GetTarget(&target), "target ahead of the eye");
}

TEST(OruCamera, SetViewSetsTheDeviceViewTransform)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    CameraApp app(device.Device());
    OruWorld world;
    app.world = &world;
    world.warmedUp = 1;

    OruCamera camera;
    camera.SetEyePoint(Vector3(2, 3, -4));
    camera.SetTargetPoint(Vector3(0, 1, 5));
    camera.Update(0.1f, 0.0f);
    camera.SetView();
    D3DMATRIX onDevice = {};
    ASSERT_EQ(S_OK, device.Device()->GetTransform(D3DTS_VIEW, &onDevice));
    ExpectMatrixNear(LookAt(Vector3(2, 3, -4), Vector3(0, 1, 5)), D3DXMATRIX(&onDevice._11), "device view");

    // A degenerate view leaves the device at the last valid one.
    camera.SetTargetPoint(Vector3(2, 9, -4));
    camera.Update(0.2f, 0.1f);
    camera.SetView();
    ASSERT_EQ(S_OK, device.Device()->GetTransform(D3DTS_VIEW, &onDevice));
    ExpectMatrixNear(LookAt(Vector3(2, 3, -4), Vector3(0, 1, 5)), D3DXMATRIX(&onDevice._11), "kept view");

    app.world = nullptr;
    world.FinalCleanup();
}
