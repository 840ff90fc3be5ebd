// The fish base: the swim phase and amplitude, the sun-ray test, the stencil
// id fold, the draw on a recording device (roles, matrices, level of detail,
// the master pass), the master's own scale, the final clean-up, and a fish
// drawn on Wine's device whose silhouette matches the chosen keyframe.

#include "DeleteWatch.h"
#include "FishTestSupport.h"

#include "fish/CFish.h"
#include "fish/PimRenderTexture.h"

#include "mesh/OruMorphAnimator.h"
#include "scene/OruSteering.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>


using namespace fishtest;

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float Inf = std::numeric_limits<float>::infinity();

// A fish over the quad fixture, with its animator; optionally a low-detail
// mesh (a copy of the rest pose) as mesh 11.
class TestFish : public CFish {
public:
    explicit TestFish(QuadFrames& frames, bool withLow = false)
    {
        for (OruMeshRecord& r : frames.records)
            AddMesh(&r);
        if (withLow)
            AddMesh(&frames.records[0]);
        animator = new OruMorphAnimator(meshes, 0, 1, 10);
        low = withLow ? 11 : 0;
    }
    int GetLowDetailMeshIndex() override { return low; }
    int low;
};

// Device, world and application for the tests that draw.
class FishScene : public FishSceneTest {
protected:
    void TearDown() override
    {
        for (CFish* f : made) {
            f->textures[0] = nullptr; // the test's own skin
            f->InvalidateDeviceObjects();
            f->DeleteDeviceObjects();
            f->FinalCleanup();
            delete f;
        }
        InvalidateServers();
        if (skin)
            skin->Release();
    }
    // A restored fish with the test's skin.
    TestFish* MakeFish(bool withLow = false)
    {
        TestFish* f = new TestFish(frames, withLow);
        f->AddTexture(nullptr, 0);
        made.push_back(f);
        EXPECT_EQ(0, f->RestoreDeviceObjects());
        if (!skin)
            skin = MakeSkin(device.Device(), 255);
        f->textures[0] = skin;
        D3DXMatrixIdentity(&f->world);
        D3DXMATRIX view, projection;
        D3DXMatrixIdentity(&view);
        D3DXMatrixIdentity(&projection);
        f->UpdateShaderMatrices(&view, &projection);
        f->colour[0] = 0.25f;
        f->colour[1] = 0.5f;
        f->colour[2] = 0.75f;
        f->colour[3] = 1.0f;
        f->stencilId = 3;
        return f;
    }

    QuadFrames frames;
    std::vector<CFish*> made;
    IDirect3DTexture8* skin = nullptr;
};

} // namespace

// ---- swim phase and amplitude

TEST(CFishAnimate, PhaseStaysInTheKeyframeListWhateverTheSpeed)
{
    QuadFrames frames;
    struct Case {
        const char* what;
        float phase, speed, time, prevTime;
        float expected; // NaN: any value in [0, 10)
    };
    // (ownRate 0.2 + speed) x dt x 20 phase units a frame; ownRate is 1.
    const Case cases[] = {
        {"wraps past the cycle", 8.0f, 0.975f, 1.0f, 0.0f, 1.5f},
        {"stands still at no time", 3.25f, 1.0f, 2.0f, 2.0f, 3.25f},
        {"backwards wraps to the end", 0.1f, -0.3f, 1.0f, 0.9f, 9.9f},
        {"speed not a number keeps the phase", 4.0f, NaN, 1.0f, 0.0f, 4.0f},
        {"infinite speed keeps the phase", 4.0f, Inf, 1.0f, 0.0f, 4.0f},
        {"huge speed", 4.0f, 1e30f, 1.0f, 0.0f, NaN},
        {"huge negative speed", 4.0f, -3.3e29f, 1.0f, 0.0f, NaN},
        {"time not a number keeps the phase", 6.0f, 1.0f, NaN, 0.0f, 6.0f},
    };
    for (const Case& c : cases) {
        TestFish fish(frames);
        fish.ownRate = 1.0f;
        fish.swimPhase = c.phase;
        fish.speed = c.speed;
        fish.Animate(c.time, c.prevTime);
        EXPECT_TRUE(fish.swimPhase >= 0.0f && fish.swimPhase < 10.0f) << c.what << ": " << fish.swimPhase;
        if (!std::isnan(c.expected)) {
            EXPECT_NEAR(c.expected, fish.swimPhase, 1e-4f) << c.what;
        }
        for (int s = 1; s < 3; ++s)
            EXPECT_TRUE(fish.animator->chosen[s] >= 1 && fish.animator->chosen[s] <= 10) << c.what;
        fish.FinalCleanup();
    }
}

TEST(CFishAnimate, AmplitudeEasesTowardTheMoversRateCappedAtTheKindsMaximum)
{
    QuadFrames frames;
    struct Case {
        const char* what;
        bool mover;
        float rate, before, after;
    };
    const Case cases[] = {
        {"no mover: target 0.5, rising by 0.2", false, 0, 0.3f, 0.3f * 0.8f + 0.5f * 0.2f},
        {"constant speed: target 0.5", true, 0, 0.3f, 0.34f},
        {"above the target falls by 0.08", true, 0, 0.9f, 0.9f * 0.92f + 0.5f * 0.08f},
        {"small rate: target 0.45", true, 0.15f, 0.0f, 0.45f * 0.2f},
        {"rate not a number: target 0.5", true, NaN, 0.3f, 0.34f},
        {"large rate capped at 0.5", true, 3.0f, 0.3f, 0.34f},
    };
    for (const Case& c : cases) {
        TestFish fish(frames);
        fish.maxAmplitude = 0.5f;
        fish.swimAmplitude = c.before;
        fish.speed = 0;
        if (c.mover) {
            OruSteering* steering = new OruSteering();
            steering->speedChangeRate = c.rate;
            fish.mover = steering;
        }
        fish.Animate(1.0f, 0.98f);
        EXPECT_NEAR(c.after, fish.swimAmplitude, 1e-6f) << c.what;
        // The animator gets twice the amplitude: the rest pose's weight.
        EXPECT_NEAR(1.0f - 2.0f * fish.swimAmplitude, fish.animator->weights[0], 1e-6f) << c.what;
        fish.FinalCleanup();
    }
}

// ---- sun ray

TEST(CFishSunRay, OnlyFishBetweenTheEyeAndTheSunDimIt)
{
    // The light travels along D, so the sun lies at eye - s D.
    const Vector3 eye(1, 2, 3);
    D3DXVECTOR3 d(0, -1, 1);
    const Vector3 sun(d.x, d.y, d.z);
    D3DXVECTOR3 side(1, 0, 0); // perpendicular to D
    struct Case {
        const char* what;
        float along; // multiples of D from the eye
        float off;   // distance from the line, in radii
        float factor;
    };
    const Case cases[] = {
        {"on the line toward the sun", -3.0f, 0.0f, 0.0f},
        {"0.6 radius off the line", -3.0f, 0.6f, 0.6f},
        {"0.4 radius off the line", -2.0f, 0.4f, 0.0f},
        {"just inside the radius", -1.0f, 0.99f, 0.99f},
        {"at the radius", -1.0f, 1.0f, 1.0f},
        {"beyond the radius", -1.0f, 1.5f, 1.0f},
        {"behind the eye, on the line", 3.0f, 0.0f, 1.0f},
        {"behind the eye, 0.6 radius off", 0.5f, 0.6f, 1.0f},
    };
    const float radius = 0.25f;
    for (const Case& c : cases) {
        const D3DXVECTOR3 p = D3DXVECTOR3(eye.x, eye.y, eye.z) + d * c.along + side * (c.off * radius);
        EXPECT_NEAR(c.factor, CFish::SunRayFactor(eye, sun, Vector3(p.x, p.y, p.z), radius), 1e-5f) << c.what;
    }
    EXPECT_EQ(1.0f, CFish::SunRayFactor(eye, Vector3(0, 0, 0), eye, radius)) << "no sun direction";
    EXPECT_EQ(1.0f, CFish::SunRayFactor(eye, sun, eye, 0.0f)) << "no radius";
    EXPECT_EQ(1.0f, CFish::SunRayFactor(eye, sun, Vector3(NaN, 0, 0), radius)) << "position not a number";
}

TEST_F(FishScene, UpdateLowersTheWorldsSunVisibilityUnlessCulled)
{
    TestFish* fish = MakeFish();
    fish->noCull = 1;
    fish->radius = 1.0f;
    world.camera->SetEyePoint(Vector3(0, 0, 0));
    world.sunDirection = Vector3(0, 0, 1);
    fish->position = Vector3(0.6f, 0, -4); // toward the sun
    world.sunVisibility = 1.0f;
    fish->Update(1.0f, 1.0f);
    EXPECT_NEAR(0.6f, world.sunVisibility, 1e-5f);
    fish->position = Vector3(0.6f, 0, 4); // behind the eye
    fish->Update(1.0f, 1.0f);
    EXPECT_NEAR(0.6f, world.sunVisibility, 1e-5f);
    fish->position = Vector3(0, 0, -4);
    fish->hidden = 1; // culled
    fish->Update(1.0f, 1.0f);
    EXPECT_NEAR(0.6f, world.sunVisibility, 1e-5f);
}

// ---- stencil id

TEST(CFishStencil, IdFoldsIntoTheStencilBits)
{
    struct Case {
        int bits;
        uint32_t ids[5];
    };
    const uint32_t given[5] = {0, 1, 8, 9, 255};
    const Case cases[] = {
        {0, {1, 1, 1, 1, 1}},   {1, {1, 1, 1, 1, 1}},       {4, {1, 1, 8, 9, 15}},
        {8, {1, 1, 8, 9, 255}}, {32, {1, 1, 8, 9, 255}},   {-1, {1, 1, 1, 1, 1}},
    };
    for (const Case& c : cases)
        for (int i = 0; i < 5; ++i) {
            const uint32_t once = CFish::FoldStencilId(given[i], c.bits);
            EXPECT_EQ(c.ids[i], once) << "bits " << c.bits << " id " << given[i];
            EXPECT_EQ(once, CFish::FoldStencilId(once, c.bits)) << "a second restore changes nothing";
        }
}

TEST_F(FishScene, RestoreFoldsTheIdAndRecordsTheMasterStateBlock)
{
    TestFish* fish = MakeFish();
    // The test application has no depth/stencil format: no stencil bits.
    fish->stencilId = 9;
    EXPECT_EQ(0, fish->RestoreDeviceObjects());
    EXPECT_EQ(1, fish->stencilId);
    EXPECT_NE(NoStateBlock, fish->masterStateBlock);
    EXPECT_NE(fish->stateBlock, fish->masterStateBlock);
    fish->InvalidateDeviceObjects();
    EXPECT_EQ(NoStateBlock, fish->masterStateBlock);
    EXPECT_EQ(0, fish->RestoreDeviceObjects());
    fish->textures[0] = skin;
}

// ---- drawing on a recording device

TEST_F(FishScene, FullDetailDrawSetsMatricesColourStencilAndDrawsTheRestPose)
{
    TestFish* fish = MakeFish();
    fish->animator->Evaluate(1.0f, 2.25f);
    ForgetBindings();
    DeviceRecorder rec(device.Device());
    EXPECT_EQ(0, fish->Render());
    const std::vector<std::string> expected = {
        "SetVertexShaderConstant 40 4",
        "SetVertexShaderConstant 44 4",
        "SetVertexShaderConstant 52 4",
        "SetVertexShaderConstant 60 4",
        "ApplyStateBlock 0x" + [&] {
            char t[16];
            std::snprintf(t, sizeof t, "%lX", static_cast<unsigned long>(fish->stateBlock));
            return std::string(t);
        }(),
        "SetVertexShaderConstant 24 1",
        "SetStreamSource 0 vb 32",
        "SetStreamSource 1 vb 24",
        "SetStreamSource 2 vb 24",
        "SetIndices ib 0",
        "SetVertexShader 0x" + [&] {
            char t[16];
            std::snprintf(t, sizeof t, "%lX", static_cast<unsigned long>(fish->shaderHandles[FishShaderPlain]));
            return std::string(t);
        }(),
        "SetPixelShader 0x" + [&] {
            char t[16];
            std::snprintf(t, sizeof t, "%lX", static_cast<unsigned long>(fish->shaderHandles[FishShaderPixel]));
            return std::string(t);
        }(),
        "SetTexture 0 texture",
        "SetVertexShaderConstant 19 1",
        "ValidateDevice",
        DeviceRecorder::RenderStateCall(D3DRS_STENCILREF, 3),
        "DrawIndexedPrimitive 4 0 4 0 4",
        DeviceRecorder::RenderStateCall(D3DRS_STENCILREF, 0),
    };
    EXPECT_EQ(expected, rec.calls);
    EXPECT_EQ(fish->meshes[3].vertexBuffer, rec.streams[1]) << "keyframe 2 for phase 2.25";
    EXPECT_EQ(fish->meshes[4].vertexBuffer, rec.streams[2]);
    EXPECT_EQ(fish->meshes[0].indexBuffer, rec.indices);
    const float colour[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(colour[i], rec.registers[19][i]);
    EXPECT_TRUE(rec.Calls("SetVertexShaderConstant 20").empty()) << "the colour goes to c19 only";
}

TEST_F(FishScene, RolesDecideWhetherTheFishDrawsOutsideTheMasterPass)
{
    struct Case {
        int32_t role;
        int32_t drawSelf;
        int32_t masterPass;
        bool draws;
    };
    const Case cases[] = {
        {CloneRoleNone, 0, 0, true},     {CloneRoleMember, 0, 0, false}, {CloneRoleMaster, 0, 0, false},
        {CloneRoleMember, 1, 0, true},   {CloneRoleMaster, 1, 0, true},  {CloneRoleMaster, 0, 1, true},
    };
    TestFish* fish = MakeFish();
    for (const Case& c : cases) {
        fish->cloneRole = c.role;
        fish->drawSelf = c.drawSelf;
        fish->masterPass = c.masterPass;
        ForgetBindings();
        DeviceRecorder rec(device.Device());
        fish->Render();
        if (c.draws) {
            EXPECT_EQ(1u, rec.Calls("DrawIndexedPrimitive").size()) << c.role << c.drawSelf << c.masterPass;
        } else {
            EXPECT_TRUE(rec.calls.empty()) << "no device call for role " << c.role;
        }
    }
    fish->masterPass = 0;
}

TEST_F(FishScene, MasterPassUsesItsStateBlockAndWhite)
{
    TestFish* fish = MakeFish();
    fish->cloneRole = CloneRoleMaster;
    fish->masterPass = 1;
    ForgetBindings();
    DeviceRecorder rec(device.Device());
    fish->Render();
    fish->masterPass = 0;
    char text[40];
    std::snprintf(text, sizeof text, "ApplyStateBlock 0x%lX", static_cast<unsigned long>(fish->masterStateBlock));
    EXPECT_EQ(std::vector<std::string>{text}, rec.Calls("ApplyStateBlock"));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(1.0f, rec.registers[19][i]);
    EXPECT_EQ(DeviceRecorder::RenderStateCall(D3DRS_STENCILREF, 0), rec.calls.back());
}

TEST_F(FishScene, MatrixNotANumberSkipsOnlyThatFish)
{
    struct Case {
        D3DXMATRIX CFish::*matrix;
        size_t constantsSet;
    };
    const Case cases[] = {{&CFish::worldViewProjT, 0}, {&CFish::worldViewT, 1}, {&CFish::worldT, 2},
                          {&CFish::viewT, 3}};
    TestFish* bad = MakeFish();
    TestFish* good = MakeFish();
    for (const Case& c : cases) {
        D3DXMATRIX& m = bad->*c.matrix;
        const D3DXMATRIX kept = m;
        m._13 = NaN;
        ForgetBindings();
        DeviceRecorder rec(device.Device());
        bad->Render();
        EXPECT_EQ(c.constantsSet, rec.calls.size());
        EXPECT_TRUE(rec.Calls("DrawIndexedPrimitive").empty());
        good->Render();
        EXPECT_EQ(1u, rec.Calls("DrawIndexedPrimitive").size());
        m = kept;
        // A value that is not a number beyond the first row is not looked at.
        m._42 = NaN;
        rec.ClearCalls();
        bad->Render();
        EXPECT_EQ(1u, rec.Calls("DrawIndexedPrimitive").size());
        m = kept;
    }
}

TEST_F(FishScene, RefusedTextureOrValidationAbandonsTheDraw)
{
    TestFish* fish = MakeFish();
    for (const char* refused : {"SetTexture", "ValidateDevice"}) {
        ForgetBindings();
        DeviceRecorder rec(device.Device());
        rec.refuse.insert(refused);
        EXPECT_EQ(0, fish->Render());
        EXPECT_TRUE(rec.Calls("DrawIndexedPrimitive").empty()) << refused;
        EXPECT_TRUE(rec.RenderStates(D3DRS_STENCILREF).empty()) << refused;
    }
}

TEST_F(FishScene, LowDetailBindsTheLowMeshWithItsOwnShader)
{
    TestFish* fish = MakeFish(true);
    fish->useLowDetail = 1;
    ForgetBindings();
    DeviceRecorder rec(device.Device());
    fish->Render();
    EXPECT_EQ(std::vector<std::string>{"SetStreamSource 0 vb 32"}, rec.Calls("SetStreamSource"));
    EXPECT_EQ(fish->meshes[11].vertexBuffer, rec.streams[0]);
    EXPECT_EQ(fish->meshes[11].indexBuffer, rec.indices);
    EXPECT_EQ(fish->shaderHandles[FishShaderLow], rec.vertexShader);
    EXPECT_TRUE(rec.Calls("SetVertexShaderConstant 24").empty()) << "no morph weights at low detail";
    EXPECT_EQ(1u, rec.Calls("DrawIndexedPrimitive 4 0 4 0 4").size());

    // Low detail without a low-detail mesh draws the full mesh.
    fish->low = 0;
    ForgetBindings();
    rec.ClearCalls();
    fish->Render();
    EXPECT_EQ(3u, rec.Calls("SetStreamSource").size());
    EXPECT_EQ(fish->shaderHandles[FishShaderPlain], rec.vertexShader);
}

// ---- the master pass

TEST_F(FishScene, MasterDrawsItsPictureAtUnitScaleAndItselfAtItsOwnScale)
{
    TestFish* fish = MakeFish();
    PimRenderTexture group;
    group.SetMaster(fish);
    group.AM(fish);
    ASSERT_EQ(0, group.RestoreDeviceObjects());
    fish->cloneRole = CloneRoleMaster;
    fish->renderTexture = &group;
    fish->cloneMaster = fish;
    fish->noCull = 1;
    fish->scale = 2.0f;
    fish->position = Vector3(0, 0, 3);
    world.camera->SetEyePoint(Vector3(0, 0, 0));
    world.camera->SetTargetPoint(Vector3(0, 0, 1));
    world.camera->SetView();

    DeviceRecorder rec(device.Device());
    fish->Update(1.0f, 1.0f);
    EXPECT_EQ(1, fish->masterRendered);
    EXPECT_EQ(0, fish->masterPass);
    EXPECT_EQ(1u, rec.Calls("DrawIndexedPrimitive").size()) << "the picture";
    // During the picture the world matrix (c52, transposed) had unit scale.
    const float* pictureRow = rec.registers[52];
    EXPECT_NEAR(1.0f, std::sqrt(pictureRow[0] * pictureRow[0] + pictureRow[1] * pictureRow[1] +
                                pictureRow[2] * pictureRow[2]),
                1e-5f);
    // The scene's matrices are the fish's own, at scale 2.
    const D3DXMATRIX& w = fish->worldT;
    EXPECT_NEAR(2.0f, std::sqrt(w._11 * w._11 + w._12 * w._12 + w._13 * w._13), 1e-5f);
    const D3DXMATRIX& own = fish->world;
    EXPECT_NEAR(2.0f, std::sqrt(own._11 * own._11 + own._12 * own._12 + own._13 * own._13), 1e-5f);
    EXPECT_EQ(2.0f, fish->scale);

    // A culled master draws no picture and stays un-rendered.
    rec.ClearCalls();
    fish->noCull = 0;
    fish->hidden = 1;
    fish->Update(2.0f, 2.0f);
    EXPECT_EQ(0, fish->masterRendered);
    EXPECT_TRUE(rec.Calls("BeginScene").empty());
    fish->renderTexture = nullptr;
    group.InvalidateDeviceObjects();
    group.FinalCleanup();
}

// ---- lifetime

TEST_F(FishScene, FinalCleanupFreesTheAnimatorOnceAndKeepsItOverADeviceChange)
{
    TestFish* fish = MakeFish();
    OruMorphAnimator* animator = fish->animator;
    fish->textures[0] = nullptr;
    fish->InvalidateDeviceObjects();
    fish->DeleteDeviceObjects();
    EXPECT_EQ(animator, fish->animator) << "a device change keeps the animator";
    EXPECT_EQ(0, fish->InitDeviceObjects());
    EXPECT_EQ(0, fish->RestoreDeviceObjects());
    fish->Animate(1.0f, 0.9f);
    EXPECT_GT(fish->swimPhase, 0.0f);

    fish->InvalidateDeviceObjects();
    fish->DeleteDeviceObjects();
    g_freed.clear();
    g_watching = true;
    fish->FinalCleanup();
    fish->FinalCleanup();
    g_watching = false;
    EXPECT_EQ(1u, g_freed.count(animator));
    EXPECT_EQ(nullptr, fish->animator);
    EXPECT_EQ(nullptr, fish->partialMorph);
}

// ---- on Wine's device

TEST_F(FishScene, DrawnSilhouetteMatchesTheChosenKeyframe)
{
    TestFish* fish = MakeFish();
    IDirect3DDevice8* d = device.Device();
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 eye(0, 0, -3), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 3, 1.0f, 0.1f, 100.0f);
    fish->UpdateShaderMatrices(&view, &projection);
    fish->colour[0] = 1.0f;
    fish->colour[1] = 0.5f;
    fish->colour[2] = 0.0f;

    // Keyframe k is the quad moved 0.1 k along +x; the vertex shader blends
    // the rest pose and the two chosen keyframes by the animator's weights.
    struct Pose {
        float amplitude, phase;
    };
    for (const Pose& pose : {Pose{1.0f, 0.0f}, Pose{1.0f, 5.0f}, Pose{0.5f, 2.5f}, Pose{1.0f, 9.5f}}) {
        fish->animator->Evaluate(pose.amplitude, pose.phase);
        const int k = int(pose.phase * 10);
        ForgetBindings();
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        ASSERT_EQ(D3D_OK, d->BeginScene());
        world.SetFixedConstants();
        fish->Render();
        d->EndScene();
        const Image image = device.ReadBackBuffer();
        ASSERT_FALSE(image.Empty());

        // The CPU projection of the blended corners.
        D3DXMATRIX vp;
        D3DXMatrixMultiply(&vp, &view, &projection);
        const OruMorphAnimator& a = *fish->animator;
        float left = 1e9f, right = -1e9f, top = 1e9f, bottom = -1e9f;
        for (int i = 0; i < 4; ++i) {
            const D3DXVECTOR3 blended = frames.rest[i].position * a.weights[0] +
                                        frames.keys[a.chosen[1] - 1][i].position * a.weights[1] +
                                        frames.keys[a.chosen[2] - 1][i].position * a.weights[2];
            D3DXVECTOR3 p;
            D3DXVec3TransformCoord(&p, &blended, &vp);
            const float x = (p.x + 1) * 0.5f * image.width, y = (1 - p.y) * 0.5f * image.height;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
        int mismatches = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const float cx = x + 0.5f, cy = y + 0.5f;
                const bool inside = cx > left + 1 && cx < right - 1 && cy > top + 1 && cy < bottom - 1;
                const bool outside = cx < left - 1 || cx > right + 1 || cy < top - 1 || cy > bottom + 1;
                if (inside && !PixelNear(image, x, y, 0xFF8000, 3))
                    ++mismatches;
                if (outside && !PixelNear(image, x, y, 0x000000, 3))
                    ++mismatches;
            }
        EXPECT_EQ(0, mismatches) << "amplitude " << pose.amplitude << " phase " << pose.phase;
        image.SavePngIfFailed("FishSilhouette" + std::to_string(k));
    }
}
