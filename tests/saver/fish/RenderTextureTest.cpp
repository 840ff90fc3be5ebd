// Clone-group render textures: who draws how (culled, un-rendered master,
// 4.9 and 5.0 units), the billboard capacity, the master's picture and its
// failures on a recording device, and billboards read back from Wine's
// device (upright, edge = size, tinted by the member's colour).

#include "FishTestSupport.h"

#include "fish/CFish.h"
#include "fish/PimRenderTexture.h"

#include "mesh/OruMorphAnimator.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

using namespace fishtest;

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();

// A member fish; with frames, a drawable one over the quad fixture.
class MemberFish : public CFish {
public:
    MemberFish() = default;
    explicit MemberFish(QuadFrames& frames)
    {
        for (OruMeshRecord& r : frames.records)
            AddMesh(&r);
        animator = new OruMorphAnimator(meshes, 0, 1, 10);
        AddTexture(nullptr, 0);
    }
};

class RenderTextureScene : public FishSceneTest {
protected:
    void SetUp() override
    {
        FishSceneTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        world.camera->SetEyePoint(Vector3(0, 0, 0));
        world.camera->SetTargetPoint(Vector3(0, 0, 1));
        world.camera->SetView();
    }
    void TearDown() override
    {
        for (auto& g : groups) {
            g->InvalidateDeviceObjects();
            g->FinalCleanup();
        }
        for (auto& f : fish) {
            if (f->textureCount > 0)
                f->textures[0] = nullptr;
            f->InvalidateDeviceObjects();
            f->DeleteDeviceObjects();
            f->FinalCleanup();
        }
        InvalidateServers();
        if (skin)
            skin->Release();
    }
    // A group of n members (the first the master) at the given distances
    // straight ahead of the eye; restored when asked. With frames the
    // master is a drawable quad.
    PimRenderTexture* Group(const std::vector<float>& distances, bool restore = true, QuadFrames* frames = nullptr)
    {
        groups.emplace_back(new PimRenderTexture());
        PimRenderTexture* g = groups.back().get();
        for (size_t i = 0; i < distances.size(); ++i) {
            fish.emplace_back(i == 0 && frames ? new MemberFish(*frames) : new MemberFish());
            CFish* f = fish.back().get();
            f->position = Vector3(0, 0, distances[i]);
            f->scale = 1.0f;
            f->cloneRole = i == 0 ? CloneRoleMaster : CloneRoleMember;
            f->cloneMaster = fish[fish.size() - 1 - i].get();
            f->renderTexture = g;
            if (i == 0)
                g->SetMaster(f);
            g->AM(f);
        }
        if (restore) {
            EXPECT_EQ(0, g->RestoreDeviceObjects());
        }
        return g;
    }

    std::vector<std::unique_ptr<PimRenderTexture>> groups;
    std::vector<std::unique_ptr<CFish>> fish;
    IDirect3DTexture8* skin = nullptr;
};

} // namespace

TEST(PimRenderTexture, ConstructedEmptyAndRefusesTheHundredAndFirstMember)
{
    PimRenderTexture group;
    EXPECT_STREQ("PimRenderTexture", group.name);
    EXPECT_EQ(1, group.noCull);
    EXPECT_EQ(256u, group.textureSize);
    EXPECT_EQ(0, group.memberCount);
    EXPECT_EQ(1.0f, group.billboards[0].size);
    std::vector<std::unique_ptr<CFish>> members;
    for (int i = 0; i < 101; ++i) {
        members.emplace_back(new MemberFish());
        group.AM(members.back().get());
    }
    EXPECT_EQ(100, group.memberCount);
    EXPECT_EQ(members[99].get(), group.members[99]);
    for (auto& m : members)
        m->FinalCleanup();
}

TEST_F(RenderTextureScene, RestoreMakesAHalfSizeTargetAndTheSharedBuffer)
{
    // A group without a master keeps 256: a 128 x 128 texture.
    PimRenderTexture* lone = Group({});
    ASSERT_TRUE(lone->texture);
    D3DSURFACE_DESC desc = {};
    lone->texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(128u, desc.Width);
    lone->InvalidateDeviceObjects();

    PimRenderTexture* g = Group({6.0f}, false);
    g->members[0]->cloneTextureSize = 64;
    ASSERT_EQ(0, g->RestoreDeviceObjects());
    ASSERT_TRUE(g->texture);
    g->texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(32u, desc.Width) << "half the master's cloneTextureSize";
    EXPECT_EQ(32u, desc.Height);
    EXPECT_EQ(D3DUSAGE_RENDERTARGET, desc.Usage);
    ASSERT_TRUE(PimRenderTexture::BillboardBuffer);
    D3DVERTEXBUFFER_DESC vb = {};
    PimRenderTexture::BillboardBuffer->GetDesc(&vb);
    EXPECT_EQ(8192u, vb.Size);
    EXPECT_EQ(1, g->billboardsReady);
    g->InvalidateDeviceObjects();
    EXPECT_EQ(nullptr, PimRenderTexture::BillboardBuffer);
    EXPECT_EQ(nullptr, g->texture);
    EXPECT_EQ(0, g->billboardsReady);
}

TEST_F(RenderTextureScene, EachMemberDrawsItselfOrBecomesABillboard)
{
    struct Case {
        const char* what;
        float distance;
        int culled;
        int masterRendered;
        int drawSelf, transparent, billboard;
    };
    const Case cases[] = {
        {"culled", 8.0f, 1, 1, 0, 0, 0},
        {"master's picture missing", 8.0f, 0, 0, 1, 0, 0},
        {"near: sorted pass", 4.9f, 0, 1, 1, 1, 0},
        {"at 5.0: billboard", 5.0f, 0, 1, 0, 0, 1},
        {"far: billboard", 30.0f, 0, 1, 0, 0, 1},
    };
    for (const Case& c : cases) {
        PimRenderTexture* g = Group({7.0f, c.distance});
        CFish* master = g->members[0];
        CFish* m = g->members[1];
        master->culled = 1; // the master's own entry stays out of the way
        m->culled = c.culled;
        master->masterRendered = c.masterRendered;
        g->Update(0, 0);
        EXPECT_EQ(c.drawSelf, m->drawSelf) << c.what;
        EXPECT_EQ(c.transparent, m->transparent) << c.what;
        EXPECT_EQ(c.billboard, g->billboardCount) << c.what;
        if (c.transparent) {
            EXPECT_NEAR(c.distance, m->sortDistance, 1e-5f) << c.what;
        }
    }
}

TEST_F(RenderTextureScene, BillboardVerticesCarryCentreColourCornersAndSize)
{
    PimRenderTexture* g = Group({7.0f, 9.0f});
    CFish* m = g->members[1];
    m->scale = 2.0f;
    m->position = Vector3(1, 2, 9);
    m->colour[0] = 0.1f;
    m->colour[1] = 0.2f;
    m->colour[2] = 0.3f;
    g->members[0]->culled = 1;
    g->members[0]->masterRendered = 1;
    g->billboardScale = 1.4f;
    g->Update(0, 0);
    ASSERT_EQ(1, g->billboardCount);
    const float corners[6][2] = {{0, 0}, {0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 1}};
    for (int k = 0; k < 6; ++k) {
        const BillboardVertex& v = g->billboards[k];
        EXPECT_EQ(1.0f, v.centre[0]);
        EXPECT_EQ(9.0f, v.centre[2]);
        EXPECT_EQ(0.3f, v.colour[2]);
        EXPECT_EQ(corners[k][0], v.cornerU) << k;
        EXPECT_EQ(corners[k][1], v.cornerV) << k;
        EXPECT_NEAR(2.8f, v.size, 1e-6f);
    }
}

TEST_F(RenderTextureScene, OneStripOfSixVerticesABillboard)
{
    for (int farCount : {1, 10}) {
        std::vector<float> distances(size_t(farCount), 9.0f);
        PimRenderTexture* g = Group(distances);
        g->members[0]->masterRendered = 1;
        g->Update(0, 0);
        ASSERT_EQ(farCount, g->billboardCount);
        world.vbServer->ResetCurrent();
        DeviceRecorder rec(device.Device());
        EXPECT_EQ(0, g->Render());
        EXPECT_EQ(std::vector<std::string>{"DrawPrimitive 5 0 " + std::to_string(6 * farCount - 2)},
                  rec.Calls("DrawPrimitive"));
        EXPECT_EQ((std::vector<DWORD>{DWORD(g->members[0]->stencilId), 0}), rec.RenderStates(D3DRS_STENCILREF));
        EXPECT_EQ(std::vector<std::string>{"SetStreamSource 0 vb 36"}, rec.Calls("SetStreamSource"));
        g->InvalidateDeviceObjects();
    }
}

TEST_F(RenderTextureScene, AtMostThirtySevenBillboardsTheRestDrawThemselves)
{
    PimRenderTexture* g = Group(std::vector<float>(40, 9.0f));
    g->members[0]->masterRendered = 1;
    // Canary: the five vertices past the 37th billboard.
    for (int i = 222; i < BillboardArrayVertices; ++i)
        g->billboards[i].size = -7.0f;
    g->Update(0, 0);
    EXPECT_EQ(37, g->billboardCount);
    for (int i = 222; i < BillboardArrayVertices; ++i)
        EXPECT_EQ(-7.0f, g->billboards[i].size) << i;
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(i >= 37 ? 1 : 0, g->members[i]->drawSelf) << i;
        EXPECT_EQ(0, g->members[i]->transparent) << i;
    }
    DeviceRecorder rec(device.Device());
    g->Render();
    EXPECT_EQ(std::vector<std::string>{"DrawPrimitive 5 0 220"}, rec.Calls("DrawPrimitive"));
}

TEST_F(RenderTextureScene, WithoutARestoreNoBillboardIsWritten)
{
    PimRenderTexture* g = Group({9.0f, 9.0f}, false);
    g->members[0]->masterRendered = 1;
    for (BillboardVertex& v : g->billboards)
        v.size = -7.0f;
    g->Update(0, 0);
    EXPECT_EQ(0, g->billboardCount);
    for (const BillboardVertex& v : g->billboards)
        ASSERT_EQ(-7.0f, v.size);
    EXPECT_EQ(1, g->members[1]->drawSelf) << "it draws itself instead";
    DeviceRecorder rec(device.Device());
    g->Render();
    EXPECT_TRUE(rec.calls.empty());
    // Nor may the master draw a picture into a texture that does not exist.
    g->members[0]->masterRendered = 0;
    g->RenderMaster(g->members[0]);
    EXPECT_EQ(0, g->members[0]->masterRendered);
    EXPECT_TRUE(rec.calls.empty());
}

TEST_F(RenderTextureScene, RenderAbandonsOnAMatrixNotANumberOrARefusedTexture)
{
    PimRenderTexture* g = Group({9.0f});
    g->members[0]->masterRendered = 1;
    g->Update(0, 0);
    ASSERT_EQ(1, g->billboardCount);
    struct Case {
        const char* what;
        float* value;
        const char* refused;
    };
    float& viewValue = world.camera->view._21; // first row once transposed
    float& projectionValue = app->projection._31;
    const Case cases[] = {
        {"view", &viewValue, nullptr},
        {"projection", &projectionValue, nullptr},
        {"size", &g->billboardScale, nullptr},
        {"texture refused", nullptr, "SetTexture"},
    };
    for (const Case& c : cases) {
        float kept = 0;
        if (c.value) {
            kept = *c.value;
            *c.value = NaN;
        }
        DeviceRecorder rec(device.Device());
        if (c.refused)
            rec.refuse.insert(c.refused);
        g->Render();
        EXPECT_TRUE(rec.Calls("DrawPrimitive").empty()) << c.what;
        if (c.value)
            *c.value = kept;
    }
}

// ---- the master's picture

TEST_F(RenderTextureScene, MasterPictureNeedsOneUnitOfDistanceAndAWorkingTarget)
{
    struct Case {
        const char* what;
        float distance;
        const char* refused;
        void (*spoil)(CFish*, PimRenderTexture*); // after the restores
        int rendered;
        std::vector<std::string> calls; // SetRenderTarget, Clear, BeginScene, EndScene
    };
    const std::string toTexture = "to texture", back = "back";
    const std::vector<std::string> wholePass = {toTexture, "Clear", "BeginScene", "EndScene", back};
    // A master whose own draw gives up inside the scene leaves no picture.
    auto nanWorld = [](CFish* f, PimRenderTexture*) { f->world._11 = NaN; };
    auto noStateBlock = [](CFish* f, PimRenderTexture*) { f->masterStateBlock = NoStateBlock; };
    auto noBillboardStates = [](CFish*, PimRenderTexture* g) { g->stateBlock = NoStateBlock; };
    const Case cases[] = {
        {"0.9 units: no picture", 0.9f, nullptr, nullptr, 0, {}},
        {"1.0 unit: picture", 1.0f, nullptr, nullptr, 1, wholePass},
        {"refused target", 3.0f, "SetRenderTarget", nullptr, 0, {toTexture, back}},
        {"refused clear", 3.0f, "Clear", nullptr, 0, {toTexture, "Clear", back}},
        {"refused BeginScene", 3.0f, "BeginScene", nullptr, 0, {toTexture, "Clear", "BeginScene", back}},
        {"refused texture bind", 3.0f, "SetTexture", nullptr, 0, wholePass},
        {"refused validation", 3.0f, "ValidateDevice", nullptr, 0, wholePass},
        {"matrix not a number", 3.0f, nullptr, nanWorld, 0, wholePass},
        {"no master state block", 3.0f, nullptr, noStateBlock, 0, wholePass},
        {"no billboard state block", 3.0f, nullptr, noBillboardStates, 0, {}},
    };
    QuadFrames frames;
    for (const Case& c : cases) {
        PimRenderTexture* g = Group({});
        fish.emplace_back(new MemberFish(frames));
        CFish* master = fish.back().get();
        master->cloneRole = CloneRoleMaster;
        master->cloneMaster = master;
        master->position = Vector3(0, 0, c.distance);
        g->SetMaster(master);
        g->AM(master);
        ASSERT_EQ(0, master->RestoreDeviceObjects());
        ASSERT_EQ(0, g->RestoreDeviceObjects());
        if (c.spoil)
            c.spoil(master, g);
        IDirect3DSurface8* before = nullptr;
        device.Device()->GetRenderTarget(&before);

        DeviceRecorder rec(device.Device());
        if (c.refused)
            rec.refuse.insert(c.refused);
        master->masterPass = 1;
        g->RenderMaster(master);
        master->masterPass = 0;
        EXPECT_EQ(c.rendered, master->masterRendered) << c.what;
        EXPECT_EQ(size_t(c.rendered), rec.Calls("DrawIndexedPrimitive").size()) << c.what;
        std::vector<std::string> seen;
        for (const std::string& call : rec.calls) {
            if (call.rfind("SetRenderTarget", 0) == 0) {
                char text[64];
                std::snprintf(text, sizeof text, "SetRenderTarget %p", static_cast<void*>(g->surface));
                seen.push_back(call == text ? toTexture : back);
            } else if (call == "Clear 0x3 0x001020C0" || call.rfind("Clear", 0) == 0) {
                seen.push_back("Clear");
            } else if (call == "BeginScene" || call == "EndScene") {
                seen.push_back(call);
            }
        }
        EXPECT_EQ(c.calls, seen) << c.what;
        rec.refuse.clear();
        IDirect3DSurface8* after = nullptr;
        device.Device()->GetRenderTarget(&after);
        EXPECT_EQ(before, after) << c.what << ": the device's own target is back";
        after->Release();
        before->Release();
        master->InvalidateDeviceObjects();
        g->InvalidateDeviceObjects();
    }
}

// The masters' pictures are drawn with one shared depth surface of the
// largest picture's size, single-sampled and in the device's depth format,
// not in a corner of the back buffer's depth surface; the device's own
// depth surface is what the target goes back to.
TEST_F(RenderTextureScene, MastersDrawWithOneDepthSurfaceOfTheLargestPicturesSize)
{
    IDirect3DDevice8* d = device.Device();
    IDirect3DSurface8* deviceDepth = nullptr;
    ASSERT_EQ(S_OK, d->GetDepthStencilSurface(&deviceDepth));
    D3DSURFACE_DESC deviceDesc = {};
    deviceDepth->GetDesc(&deviceDesc);
    deviceDepth->Release();

    struct Step {
        int32_t masterTextureSize;
        UINT edge;  // of the shared surface after the restore
        size_t made; // depth surfaces created by the restore
    };
    const Step steps[] = {{256, 128, 1}, {512, 256, 1}, {256, 256, 0}};
    std::vector<PimRenderTexture*> made;
    QuadFrames frames;
    for (const Step& step : steps) {
        PimRenderTexture* g = Group({3.0f}, false, &frames);
        fish.back()->cloneTextureSize = step.masterTextureSize;
        DeviceRecorder rec(d);
        ASSERT_EQ(0, g->RestoreDeviceObjects());
        EXPECT_EQ(step.made, rec.Calls("CreateDepthStencilSurface").size()) << step.masterTextureSize;
        ASSERT_NE(nullptr, PimRenderTexture::MasterDepth);
        D3DSURFACE_DESC desc = {};
        PimRenderTexture::MasterDepth->GetDesc(&desc);
        EXPECT_EQ(step.edge, desc.Width);
        EXPECT_EQ(step.edge, desc.Height);
        EXPECT_EQ(deviceDesc.Format, desc.Format);
        EXPECT_EQ(D3DMULTISAMPLE_NONE, desc.MultiSampleType);
        made.push_back(g);
    }

    CFish* master = made[0]->master;
    ASSERT_EQ(0, master->RestoreDeviceObjects());
    DeviceRecorder rec(d);
    master->masterPass = 1;
    made[0]->RenderMaster(master);
    master->masterPass = 0;
    EXPECT_EQ(1, master->masterRendered);
    const std::vector<IDirect3DSurface8*> expected = {PimRenderTexture::MasterDepth, made[0]->savedDepth};
    EXPECT_EQ(expected, rec.depths);
    master->InvalidateDeviceObjects();

    for (PimRenderTexture* g : made)
        g->InvalidateDeviceObjects();
    EXPECT_EQ(nullptr, PimRenderTexture::MasterDepth);
    EXPECT_EQ(0u, PimRenderTexture::MasterDepthEdge);
}

TEST_F(RenderTextureScene, WithoutADepthSurfaceOfItsOwnAMasterDrawsWithTheDevicesDepth)
{
    IDirect3DDevice8* d = device.Device();
    QuadFrames frames;
    PimRenderTexture* g = Group({3.0f}, false, &frames);
    CFish* master = fish.back().get();
    {
        DeviceRecorder rec(d);
        rec.refuse.insert("CreateDepthStencilSurface");
        EXPECT_EQ(0, g->RestoreDeviceObjects()) << "a refused depth surface does not fail the restore";
        EXPECT_EQ(1u, rec.Calls("CreateDepthStencilSurface").size());
    }
    EXPECT_EQ(nullptr, PimRenderTexture::MasterDepth);
    ASSERT_EQ(1, g->billboardsReady);
    ASSERT_EQ(0, master->RestoreDeviceObjects());
    DeviceRecorder rec(d);
    master->masterPass = 1;
    g->RenderMaster(master);
    master->masterPass = 0;
    EXPECT_EQ(1, master->masterRendered);
    const std::vector<IDirect3DSurface8*> expected = {g->savedDepth, g->savedDepth};
    EXPECT_EQ(expected, rec.depths);
    master->InvalidateDeviceObjects();
}

// ---- on Wine's device

TEST_F(RenderTextureScene, BillboardsShowTheMastersPictureUprightSizedAndTinted)
{
    IDirect3DDevice8* d = device.Device();
    // A master quad larger than its picture's frame, opaque in its top half.
    QuadFrames frames(2.0f);
    skin = MakeSkin(d, 255, 2);
    PimRenderTexture* g = Group({});
    fish.emplace_back(new MemberFish(frames));
    CFish* master = fish.back().get();
    fish.emplace_back(new MemberFish());
    CFish* member = fish.back().get();
    master->cloneRole = CloneRoleMaster;
    master->cloneMaster = master;
    master->position = Vector3(0, 0, 6);
    master->culled = 1; // drawn only as the picture here
    member->cloneRole = CloneRoleMember;
    member->cloneMaster = master;
    member->position = Vector3(0, 0, 8);
    member->scale = 2.0f;
    member->colour[0] = 1.0f;
    member->colour[1] = 0.5f;
    member->colour[2] = 0.0f;
    g->SetMaster(master);
    g->AM(master);
    g->AM(member);
    ASSERT_EQ(0, master->RestoreDeviceObjects());
    master->textures[0] = skin;
    ASSERT_EQ(0, g->RestoreDeviceObjects());
    world.SetFixedConstants();
    D3DXMatrixIdentity(&master->world);

    master->masterPass = 1;
    g->RenderMaster(master);
    master->masterPass = 0;
    ASSERT_EQ(1, master->masterRendered);
    g->Update(0, 0);
    ASSERT_EQ(1, g->billboardCount);

    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 1);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(D3D_OK, d->BeginScene());
    world.SetFixedConstants();
    g->Render();
    d->EndScene();
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    const Image image = device.ReadBackBuffer();
    ASSERT_FALSE(image.Empty());

    // The billboard's square: edge 2.8 around the member, 8 units ahead.
    D3DXMATRIX vp;
    D3DXMatrixMultiply(&vp, &world.camera->view, &app->projection);
    auto screen = [&](float x, float y, float z) {
        D3DXVECTOR3 p(x, y, z), q;
        D3DXVec3TransformCoord(&q, &p, &vp);
        return std::make_pair((q.x + 1) * 0.5f * image.width, (1 - q.y) * 0.5f * image.height);
    };
    const float half = 0.5f * 2.0f * 1.4f;
    const auto topLeft = screen(-half, half, 8);
    const auto bottomRight = screen(half, -half, 8);
    const float midY = 0.5f * (topLeft.second + bottomRight.second);
    int mismatches = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const float cx = x + 0.5f, cy = y + 0.5f;
            const bool inX = cx > topLeft.first + 1 && cx < bottomRight.first - 1;
            const bool outX = cx < topLeft.first - 1 || cx > bottomRight.first + 1;
            const bool upper = inX && cy > topLeft.second + 1 && cy < midY - 1;
            const bool lower = cy > midY + 1 || cy < topLeft.second - 1 || outX;
            if (upper && !PixelNear(image, x, y, 0xFF8000, 8))
                ++mismatches;
            if (lower && !PixelNear(image, x, y, 0x000000, 8))
                ++mismatches;
        }
    EXPECT_EQ(0, mismatches);
    image.SavePngIfFailed("Billboards");
    master->textures[0] = nullptr;
}
