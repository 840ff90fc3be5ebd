// The partial morph on small fixtures: which vertices a part's poses move,
// the poses turned into offsets exactly once, a range-size mismatch, the
// 150 cap, the blend, the device buffer's failures (a refused creation, a
// refused lock), and a fish drawing with and without stream 3.

#include "DeleteWatch.h"
#include "FishTestSupport.h"

#include "fish/CFish.h"
#include "fish/CPartialMorph.h"

#include "mesh/OruMorphAnimator.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"

#include <gtest/gtest.h>

#include <cstring>

#include <cstdlib>
#include <memory>
#include <set>


using namespace fishtest;

namespace {

// A rest pose of three parts (4, 3 and 2 vertices) and a pose mesh with
// poses A and B of each: part 0's pose A moves vertex 1 and pose B vertex 3;
// part 1's poses change normals only; part 2's poses equal the rest pose.
// Rest pose at mesh 0 and the pose mesh at mesh 11, as in a fish.
struct MorphFixture {
    MorphFixture()
    {
        for (int i = 0; i < 9; ++i)
            rest[i] = FishVertex(Vector3(float(i), 1.0f + i, 2.0f * i), Vector3(0, 1, 0), 0, 0);
        const int restStart[3] = {0, 4, 7};
        const int count[3] = {4, 3, 2};
        int p = 0;
        for (int part = 0; part < 3; ++part)
            for (int pose = 0; pose < 2; ++pose) {
                poseRanges[2 * part + pose] = {DWORD(2 * part + pose), 0, 0, DWORD(p), DWORD(count[part])};
                for (int i = 0; i < count[part]; ++i, ++p)
                    poses[p] = MorphVertex(rest[restStart[part] + i].position, rest[restStart[part] + i].normal);
            }
        poses[0 + 1].position.x += 0.1f;  // part 0, pose A, vertex 1
        poses[4 + 3].position.y -= 0.2f;  // part 0, pose B, vertex 3
        poses[4 + 3].normal.z += 1.0f;
        poses[8 + 0].normal.x = 0.5f;     // part 1, pose A: normal only
        poses[11 + 2].normal.y = -1.0f;   // part 1, pose B: normal only
        for (int part = 0; part < 3; ++part)
            restRanges[part] = {DWORD(part), 0, 0, DWORD(restStart[part]), DWORD(count[part])};
        for (MorphVertex& v : poses)
            original.push_back(v);
        meshes[0] = OruMeshRecord(9, rest, 0, nullptr, FishVertex::Format, sizeof(FishVertex), restRanges, 3);
        meshes[11] = OruMeshRecord(18, poses, 0, nullptr, MorphVertex::Format, sizeof(MorphVertex), poseRanges, 6);
    }
    FishVertex rest[9];
    MorphVertex poses[18];
    D3DXATTRIBUTERANGE restRanges[3];
    D3DXATTRIBUTERANGE poseRanges[6];
    std::vector<MorphVertex> original;
    OruMeshRecord meshes[12];
};

const MorphTriple Triples[3] = {{0, 1, 0}, {2, 3, 1}, {4, 5, 2}};

// Pose arrays are converted once per address and process: every test takes
// fixtures that are never freed, so no address comes back.
MorphFixture* NewFixture()
{
    return new MorphFixture();
}

bool Same(const Vector3& a, float x, float y, float z)
{
    return a.x == x && a.y == y && a.z == z;
}

} // namespace

TEST(CPartialMorph, BuildRecordsMovedVerticesAndTurnsThePosesIntoOffsets)
{
    MorphFixture* f = NewFixture();
    CPartialMorph morph;
    morph.SetMorphSource(f->meshes, 0, 11, Triples, 3);
    EXPECT_EQ(3, morph.BUildPartialMorphData());

    EXPECT_EQ(2, morph.changedCounts[0]);
    EXPECT_EQ(1, morph.changedVertices[0][0]);
    EXPECT_EQ(3, morph.changedVertices[0][1]);
    EXPECT_EQ(0, morph.changedCounts[1]) << "a normal-only change is not recorded";
    EXPECT_EQ(0, morph.changedCounts[2]) << "unchanged poses record nothing";

    // Every pose vertex now holds its value minus the rest pose's.
    const int restOf[18] = {0, 1, 2, 3, 0, 1, 2, 3, 4, 5, 6, 4, 5, 6, 7, 8, 7, 8};
    for (int p = 0; p < 18; ++p) {
        const FishVertex& r = f->rest[restOf[p]];
        const MorphVertex& o = f->original[size_t(p)];
        EXPECT_TRUE(Same(f->poses[p].position, o.position.x - r.position.x, o.position.y - r.position.y,
                         o.position.z - r.position.z))
            << p;
        EXPECT_TRUE(Same(f->poses[p].normal, o.normal.x - r.normal.x, o.normal.y - r.normal.y,
                         o.normal.z - r.normal.z))
            << p;
    }
    EXPECT_TRUE(Same(f->rest[2].position, 2, 3, 4)) << "the rest pose is unchanged";

    // A second template over the same pose array subtracts nothing again.
    CPartialMorph second;
    second.SetMorphSource(f->meshes, 0, 11, Triples, 3);
    EXPECT_EQ(0, second.BUildPartialMorphData());
    EXPECT_NEAR(0.1f, f->poses[1].position.x, 1e-6f);
}

TEST(CPartialMorph, MismatchedRangeSizesStopTheBuildAtThatPart)
{
    struct Case {
        const char* what;
        int range;   // pose range made one vertex shorter, or -1
        int badRest; // rest range made shorter, or -1
        int built;
    };
    const Case cases[] = {
        {"pose B of part 1", 3, -1, 1},
        {"pose A of part 0", 0, -1, 0},
        {"rest range of part 2", -1, 2, 2},
    };
    for (const Case& c : cases) {
        MorphFixture* f = NewFixture();
        if (c.range >= 0)
            f->meshes[11].ranges[c.range].VertexCount -= 1;
        if (c.badRest >= 0)
            f->meshes[0].ranges[c.badRest].VertexCount -= 1;
        CPartialMorph morph;
        morph.SetMorphSource(f->meshes, 0, 11, Triples, 3);
        EXPECT_EQ(c.built, morph.BUildPartialMorphData()) << c.what;
        EXPECT_EQ(c.built > 0 ? 2 : 0, morph.changedCounts[0]) << c.what;
        // Parts from the mismatch on keep their compiled-in poses.
        if (c.built <= 1) {
            EXPECT_EQ(f->original[8].normal.x, f->poses[8].normal.x) << c.what;
        }
    }
    // A range outside its vertex array counts as a mismatch too.
    MorphFixture* f = NewFixture();
    f->meshes[11].ranges[5].VertexStart = 17;
    CPartialMorph morph;
    morph.SetMorphSource(f->meshes, 0, 11, Triples, 3);
    EXPECT_EQ(2, morph.BUildPartialMorphData());
}

TEST(CPartialMorph, AtMostOneHundredAndFiftyMovedVerticesARange)
{
    static FishVertex rest[151];
    static MorphVertex poses[302];
    for (int i = 0; i < 151; ++i) {
        rest[i] = FishVertex(Vector3(float(i), 0, 0), Vector3(0, 1, 0), 0, 0);
        poses[i] = MorphVertex(Vector3(float(i), 1, 0), Vector3(0, 1, 0));
        poses[151 + i] = MorphVertex(Vector3(float(i), 0, 0), Vector3(0, 1, 0));
    }
    const D3DXATTRIBUTERANGE restRange = {0, 0, 0, 0, 151};
    const D3DXATTRIBUTERANGE poseRanges[2] = {{0, 0, 0, 0, 151}, {1, 0, 0, 151, 151}};
    OruMeshRecord meshes[12];
    meshes[0] = OruMeshRecord(151, rest, 0, nullptr, FishVertex::Format, 32, &restRange, 1);
    meshes[11] = OruMeshRecord(302, poses, 0, nullptr, MorphVertex::Format, 24, poseRanges, 2);
    const MorphTriple triple = {0, 1, 0};
    CPartialMorph morph;
    morph.SetMorphSource(meshes, 0, 11, &triple, 1);
    EXPECT_EQ(1, morph.BUildPartialMorphData());
    EXPECT_EQ(150, morph.changedCounts[0]);
    EXPECT_EQ(149, morph.changedVertices[0][149]);
    EXPECT_EQ(1.0f, poses[150].position.y) << "the vertex over the limit is still an offset";
    EXPECT_EQ(0.0f, poses[150].position.x);
}

TEST(CPartialMorph, RestPoseBeyondTheBlendArrayBuildsNothing)
{
    MorphFixture* f = NewFixture();
    f->meshes[0].vertexCount = MorphVertexCapacity + 1;
    CPartialMorph morph;
    morph.SetMorphSource(f->meshes, 0, 11, Triples, 3);
    EXPECT_EQ(0, morph.BUildPartialMorphData());
    EXPECT_EQ(0, morph.changedCounts[0]);
    EXPECT_EQ(f->original[1].position.x, f->poses[1].position.x) << "the poses are left as they are";
    EXPECT_EQ(D3DERR_INVALIDCALL, morph.RestoreDeviceObjects());
    EXPECT_EQ(0, morph.Ready());
}

TEST(CPartialMorph, CopyTakesTheTablesButNoBuffers)
{
    MorphFixture* f = NewFixture();
    CPartialMorph morph;
    morph.SetMorphSource(f->meshes, 0, 11, Triples, 3);
    morph.BUildPartialMorphData();
    OruMeshRecord own[12];
    CPartialMorph copy;
    copy.CopyFrom(morph, own);
    EXPECT_EQ(own, copy.meshes);
    EXPECT_EQ(Triples, copy.triples);
    EXPECT_EQ(3u, copy.tripleCount);
    EXPECT_EQ(11, copy.poseMesh);
    EXPECT_EQ(2, copy.changedCounts[0]);
    EXPECT_EQ(3, copy.changedVertices[0][1]);
    EXPECT_EQ(nullptr, copy.morphBuffer);
    EXPECT_EQ(0, copy.Ready());
}

namespace {

// Device, world and application; a fish over the quad frames whose rest
// pose and pose mesh are the morph fixture's.
class MorphScene : public FishSceneTest {
protected:
    void SetUp() override
    {
        FishSceneTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        fixture = NewFixture();
        templ.SetMorphSource(fixture->meshes, 0, 11, Triples, 3);
        templ.BUildPartialMorphData();
    }
    void TearDown() override
    {
        if (fish) {
            fish->InvalidateDeviceObjects();
            fish->DeleteDeviceObjects();
            fish->FinalCleanup();
        }
        InvalidateServers();
    }
    // A fish with the fixture's rest pose, ten keyframes of it and its pose
    // mesh, and a partial-morph copy of the template.
    CFish* MakeFish()
    {
        fish.reset(new CFish());
        static MorphVertex keys[9];
        for (int i = 0; i < 9; ++i)
            keys[i] = MorphVertex(fixture->rest[i].position, fixture->rest[i].normal);
        static uint16_t indices[3] = {0, 1, 2};
        fixture->meshes[0].indices = indices;
        fixture->meshes[0].faceCount = 1;
        fish->AddMesh(&fixture->meshes[0]);
        OruMeshRecord key(9, keys, 1, indices, MorphVertex::Format, 24, fixture->restRanges, 3);
        for (int k = 0; k < 10; ++k)
            fish->AddMesh(&key);
        fixture->meshes[11].indices = indices;
        fixture->meshes[11].faceCount = 1;
        fish->AddMesh(&fixture->meshes[11]);
        fish->animator = new OruMorphAnimator(fish->meshes, 0, 1, 10);
        fish->partialMorph = new CPartialMorph();
        fish->partialMorph->CopyFrom(templ, fish->meshes);
        return fish.get();
    }

    MorphFixture* fixture = nullptr;
    CPartialMorph templ;
    std::unique_ptr<CFish> fish;
};

} // namespace

TEST_F(MorphScene, BlendMixesThePosesOfTheRecordedVerticesOnly)
{
    CFish* f = MakeFish();
    CPartialMorph* morph = f->partialMorph;
    float weights[MorphWeightCount] = {};
    // Nothing to blend into before a restore made the array.
    weights[0] = 1.0f;
    morph->BlendMorph(weights);
    EXPECT_EQ(nullptr, morph->UploadMorph());

    ASSERT_EQ(0, f->RestoreDeviceObjects());
    ASSERT_EQ(1, morph->Ready());
    D3DVERTEXBUFFER_DESC desc = {};
    morph->morphBuffer->GetDesc(&desc);
    EXPECT_EQ(9u * 48u, desc.Size);
    EXPECT_EQ(DWORD(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY), desc.Usage);

    // Part 0: vertex 1 has offset A (0.1, 0, 0), B 0; vertex 3 has A 0,
    // B (0, -0.2, 0) with normal (0, 0, 1).
    for (float w : {1.0f, 0.0f, 0.5f, 2.0f}) {
        weights[0] = w;
        weights[1] = 0.3f;
        weights[2] = 0.7f;
        morph->BlendMorph(weights);
        const MorphVertex* out = morph->blendBuffer;
        EXPECT_NEAR(0.1f * w, out[1].position.x, 1e-6f) << w;
        EXPECT_NEAR(-0.2f * (1 - w), out[3].position.y, 1e-6f) << w;
        EXPECT_NEAR(1.0f * (1 - w), out[3].normal.z, 1e-6f) << w;
        for (int i : {0, 2, 4, 5, 6, 7, 8}) {
            EXPECT_TRUE(Same(out[i].position, 0, 0, 0)) << "vertex " << i << " weight " << w;
            EXPECT_TRUE(Same(out[i].normal, 0, 0, 0)) << "vertex " << i << " weight " << w;
        }
    }

    // The upload writes the rest pose's 9 offsets with discard.
    {
        BufferRecorder rec(morph->morphBuffer);
        EXPECT_EQ(morph->morphBuffer, morph->UploadMorph());
        EXPECT_EQ(1, rec.locks);
        EXPECT_EQ(1, rec.unlocks);
        EXPECT_EQ(9u * 24u, rec.lockedBytes);
        EXPECT_EQ(DWORD(D3DLOCK_DISCARD), rec.lockFlags);
    }

    // After an invalidate nothing blends or uploads until the next restore.
    f->InvalidateDeviceObjects();
    EXPECT_EQ(0, morph->Ready());
    morph->BlendMorph(weights);
    EXPECT_EQ(nullptr, morph->UploadMorph());
}

TEST_F(MorphScene, FishDrawsStreamThreeOnlyWithAMorphBuffer)
{
    CFish* f = MakeFish();
    {
        DeviceRecorder rec(device.Device());
        rec.refuse.insert("CreateVertexBuffer DYNAMIC");
        EXPECT_EQ(0, f->RestoreDeviceObjects()) << "the fish restores without its morph buffer";
    }
    EXPECT_EQ(0, f->partialMorph->Ready());
    f->Animate(1.0f, 0.9f); // blends nothing, touches no array
    ForgetBindings();
    {
        DeviceRecorder rec(device.Device());
        f->Render();
        EXPECT_EQ(3u, rec.Calls("SetStreamSource").size()) << "no stream 3";
        EXPECT_EQ(f->shaderHandles[FishShaderPlain], rec.vertexShader);
        EXPECT_EQ(1u, rec.Calls("DrawIndexedPrimitive").size());
    }

    f->InvalidateDeviceObjects();
    ASSERT_EQ(0, f->RestoreDeviceObjects());
    ASSERT_EQ(1, f->partialMorph->Ready());
    f->Animate(1.0f, 0.9f);
    ForgetBindings();
    {
        DeviceRecorder rec(device.Device());
        f->Render();
        EXPECT_EQ(std::vector<std::string>{"SetStreamSource 3 vb 24"}, rec.Calls("SetStreamSource 3"));
        EXPECT_EQ(f->partialMorph->morphBuffer, rec.streams[3]);
        EXPECT_EQ(f->shaderHandles[FishShaderMorph], rec.vertexShader);
    }

    // A refused lock copies nothing and is not unlocked; the buffer (with its
    // last contents) is still what the fish binds. The device checks a
    // buffer's identity when it is bound, so the lock is watched on its own.
    {
        BufferRecorder buffer(f->partialMorph->morphBuffer);
        buffer.refuseLock = true;
        EXPECT_EQ(f->partialMorph->morphBuffer, f->partialMorph->UploadMorph());
        EXPECT_EQ(1, buffer.locks);
        EXPECT_EQ(0, buffer.unlocks);
    }
}

TEST_F(MorphScene, FinalCleanupFreesThePartialMorph)
{
    CFish* f = MakeFish();
    ASSERT_EQ(0, f->RestoreDeviceObjects());
    CPartialMorph* morph = f->partialMorph;
    f->DeleteDeviceObjects();
    EXPECT_EQ(morph, f->partialMorph) << "a device change keeps it";
    g_freed.clear();
    g_watching = true;
    f->FinalCleanup();
    g_watching = false;
    EXPECT_EQ(1u, g_freed.count(morph));
    EXPECT_EQ(nullptr, f->partialMorph);
}

TEST_F(MorphScene, PendingWeightsAreBlendedOnceWhenTheDrawNeedsThem)
{
    CFish* f = MakeFish();
    CPartialMorph* morph = f->partialMorph;
    ASSERT_EQ(0, f->RestoreDeviceObjects());
    float weights[MorphWeightCount] = {};
    weights[0] = 0.25f;
    weights[1] = 0.3f;
    weights[2] = 0.7f;

    // Keeping the weights blends nothing yet.
    morph->SetPendingWeights(weights);
    EXPECT_TRUE(Same(morph->blendBuffer[1].position, 0, 0, 0));
    // The blend at the draw is the blend of those weights.
    morph->BlendPending();
    MorphVertex pending[9];
    std::memcpy(pending, morph->blendBuffer, sizeof pending);
    morph->BlendMorph(weights);
    EXPECT_EQ(0, std::memcmp(pending, morph->blendBuffer, sizeof pending));
    EXPECT_NEAR(0.025f, pending[1].position.x, 1e-6f);

    // Once blended, a second draw of the same frame blends nothing again.
    weights[0] = 1.0f;
    morph->BlendMorph(weights);
    morph->BlendPending();
    EXPECT_NEAR(0.1f, morph->blendBuffer[1].position.x, 1e-6f);
}
