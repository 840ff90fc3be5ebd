// The mackerel's compiled-in model data: the thirteen records as built at
// start-up, the vertex initialisers, the morph triples, every rule of the
// meshes and the skin (one table of named checks over the compiled data),
// and the partial morph's build over the pose mesh.

#include "Mackerel.h"
#include "MackerelCheck.h"
#include "TestDevice.h"
#include "texture/TextureCache.h"

#include "fish/CPartialMorph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct RecordCase {
    const char* name;
    const OruMeshRecord* record;
    const void* vertices;
    const uint16_t* indices;
    int vertexCount, faceCount;
    DWORD fvf;
    int stride;
    const D3DXATTRIBUTERANGE* ranges;
    int rangeCount;
};

std::vector<RecordCase> RecordCases()
{
    std::vector<RecordCase> cases;
    static const char* names[11] = {"frame0", "frame1", "frame2", "frame3", "frame4", "frame5",
                                    "frame6", "frame7", "frame8", "frame9", "frame10"};
    for (int k = 0; k < MackerelFrameCount; ++k)
        cases.push_back({names[k], &MackerelFrames[k],
                         k == 0 ? static_cast<const void*>(MackerelVertices.rest)
                                : static_cast<const void*>(MackerelVertices.keyframes[k - 1]),
                         MackerelIndices.frames[k], 279, 400, DWORD(k == 0 ? 0x112 : 0x12), k == 0 ? 32 : 24,
                         MackerelIndices.frameRanges[k], 10});
    cases.push_back({"pose", &MackerelPoseMesh, MackerelVertices.pose, MackerelIndices.pose, 482, 712, 0x12, 24,
                     MackerelIndices.poseRanges, 18});
    cases.push_back({"low", &MackerelLowMesh, MackerelVertices.low, MackerelIndices.low, 118, 137, 0x112, 32,
                     MackerelIndices.lowRanges, 8});
    return cases;
}

class MackerelRecord : public ::testing::TestWithParam<RecordCase> {};

TEST_P(MackerelRecord, HoldsItsArraysCountsAndRangesAsBuilt)
{
    const RecordCase& c = GetParam();
    const OruMeshRecord& r = *c.record;
    EXPECT_EQ(r.key, 0u);
    EXPECT_EQ(r.vertexBuffer, nullptr);
    EXPECT_EQ(r.indexBuffer, nullptr);
    EXPECT_EQ(r.vertices, c.vertices);
    EXPECT_EQ(r.indices, c.indices);
    EXPECT_EQ(r.vertexCount, c.vertexCount);
    EXPECT_EQ(r.faceCount, c.faceCount);
    EXPECT_EQ(r.fvf, c.fvf);
    EXPECT_EQ(r.stride, c.stride);
    EXPECT_EQ(r.noVB, 0);
    EXPECT_EQ(r.isStatic, 1);
    ASSERT_EQ(r.rangeCount, c.rangeCount);
    EXPECT_EQ(std::memcmp(r.ranges, c.ranges, sizeof(D3DXATTRIBUTERANGE) * size_t(c.rangeCount)), 0);
    for (int k = 0; k < MeshRangeCapacity; ++k)
        if (k < c.rangeCount)
            EXPECT_EQ(r.ranges[k].AttribId, DWORD(k)) << "range " << k;
        else
            EXPECT_EQ(r.ranges[k].FaceCount + r.ranges[k].VertexCount + r.ranges[k].AttribId, 0u) << "range " << k;
}

INSTANTIATE_TEST_SUITE_P(Records, MackerelRecord, ::testing::ValuesIn(RecordCases()),
                         [](const ::testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });

TEST(MackerelRecords, EmptyRangesOfTheLowMeshHoldTheirIdAndNothingElse)
{
    for (DWORD id = 1; id <= 3; ++id) {
        const D3DXATTRIBUTERANGE& r = MackerelLowMesh.ranges[id];
        EXPECT_EQ(r.AttribId, id);
        EXPECT_EQ(r.FaceStart, 0xFFFFFFFFu);
        EXPECT_EQ(r.FaceCount, 0u);
        EXPECT_EQ(r.VertexStart, 0xFFFFFFFFu);
        EXPECT_EQ(r.VertexCount, 0u);
    }
}

TEST(MackerelRecords, MorphTriplesNameEachPoseRangeOnceAndLeaveTheTailOut)
{
    const int want[9][3] = {{12, 13, 0}, {0, 1, 1}, {2, 3, 3}, {4, 5, 4}, {6, 7, 5},
                            {8, 9, 6},   {10, 11, 7}, {14, 15, 8}, {16, 17, 9}};
    for (int t = 0; t < MackerelMorphTripleCount; ++t) {
        EXPECT_EQ(MackerelMorphTriples[t].poseRangeA, want[t][0]) << t;
        EXPECT_EQ(MackerelMorphTriples[t].poseRangeB, want[t][1]) << t;
        EXPECT_EQ(MackerelMorphTriples[t].baseRange, want[t][2]) << t;
    }
}

// Each initialiser writes every byte of its own array, the same values as at
// start-up, and nothing else.
TEST(MackerelInitialisers, WriteEveryByteOfTheirOwnArrayOnly)
{
    using Init = void (*)();
    struct Case {
        Init init;
        void* array;
        size_t size;
    };
    const Case cases[] = {
        {InitModelVerticesMackerelRest, MackerelVertices.rest, sizeof MackerelVertices.rest},
        {InitModelVerticesMackerelKeyframe1, MackerelVertices.keyframes[0], sizeof MackerelVertices.keyframes[0]},
        {InitModelVerticesMackerelKeyframe2, MackerelVertices.keyframes[1], sizeof MackerelVertices.keyframes[1]},
        {InitModelVerticesMackerelKeyframe3, MackerelVertices.keyframes[2], sizeof MackerelVertices.keyframes[2]},
        {InitModelVerticesMackerelKeyframe4, MackerelVertices.keyframes[3], sizeof MackerelVertices.keyframes[3]},
        {InitModelVerticesMackerelKeyframe5, MackerelVertices.keyframes[4], sizeof MackerelVertices.keyframes[4]},
        {InitModelVerticesMackerelKeyframe6, MackerelVertices.keyframes[5], sizeof MackerelVertices.keyframes[5]},
        {InitModelVerticesMackerelKeyframe7, MackerelVertices.keyframes[6], sizeof MackerelVertices.keyframes[6]},
        {InitModelVerticesMackerelKeyframe8, MackerelVertices.keyframes[7], sizeof MackerelVertices.keyframes[7]},
        {InitModelVerticesMackerelKeyframe9, MackerelVertices.keyframes[8], sizeof MackerelVertices.keyframes[8]},
        {InitModelVerticesMackerelKeyframe10, MackerelVertices.keyframes[9], sizeof MackerelVertices.keyframes[9]},
        {InitModelVerticesMackerelPose, MackerelVertices.pose, sizeof MackerelVertices.pose},
        {InitModelVerticesMackerelLow, MackerelVertices.low, sizeof MackerelVertices.low},
    };
    std::vector<unsigned char> all(sizeof MackerelVertices);
    std::memcpy(all.data(), &MackerelVertices, all.size());
    for (size_t k = 0; k < sizeof cases / sizeof cases[0]; ++k) {
        std::memset(&MackerelVertices, 0xCD, sizeof MackerelVertices);
        cases[k].init();
        const size_t offset = size_t(static_cast<unsigned char*>(cases[k].array) -
                                     reinterpret_cast<unsigned char*>(&MackerelVertices));
        const unsigned char* now = reinterpret_cast<const unsigned char*>(&MackerelVertices);
        EXPECT_EQ(std::memcmp(now + offset, all.data() + offset, cases[k].size), 0) << "initialiser " << k;
        size_t untouched = 0;
        for (size_t b = 0; b < all.size(); ++b)
            if (b < offset || b >= offset + cases[k].size)
                untouched += now[b] == 0xCD;
        EXPECT_EQ(untouched, all.size() - cases[k].size) << "initialiser " << k << " writes outside its array";
    }
    std::memcpy(&MackerelVertices, all.data(), all.size());
}

mackerelcheck::MeshView View(const OruMeshRecord& r)
{
    mackerelcheck::MeshView v;
    v.v = static_cast<const float*>(r.vertices);
    v.strideFloats = r.stride / 4;
    v.vertexCount = r.vertexCount;
    v.idx = r.indices;
    v.faceCount = r.faceCount;
    v.ranges = reinterpret_cast<const uint32_t*>(r.ranges);
    v.rangeCount = r.rangeCount;
    return v;
}

// The inflated skin, once.
const std::vector<uint8_t>& SkinFile()
{
    static std::vector<uint8_t> file;
    if (file.empty()) {
        std::vector<BYTE> buffer(1 << 20);
        const BYTE* data = nullptr;
        size_t size = 0;
        if (InflateEmbeddedFile(MackerelSkin.data, MackerelSkin.size, buffer.data(), buffer.size(), &data, &size) ==
            0)
            file.assign(data, data + size);
    }
    return file;
}

class MackerelRule : public ::testing::TestWithParam<mackerelcheck::NamedCheck> {};

TEST_P(MackerelRule, Holds)
{
    mackerelcheck::MackerelView view;
    for (int k = 0; k < MackerelFrameCount; ++k)
        view.frames[k] = View(MackerelFrames[k]);
    view.pose = View(MackerelPoseMesh);
    view.low = View(MackerelLowMesh);
    view.skinDds = SkinFile().data();
    view.skinDdsSize = SkinFile().size();
    std::vector<std::string> failures;
    GetParam().run(view, failures);
    for (const std::string& f : failures)
        ADD_FAILURE() << f;
}

INSTANTIATE_TEST_SUITE_P(Data, MackerelRule, ::testing::ValuesIn(mackerelcheck::MackerelChecks()),
                         [](const ::testing::TestParamInfo<mackerelcheck::NamedCheck>& info) {
                             std::string n;
                             for (const char* c = info.param.name; *c; ++c)
                                 n += (*c == ' ' || *c == '-') ? '_' : *c;
                             return n;
                         });

// A copy of every array, as floats and indices, to damage in one place.
struct DataCopy {
    std::vector<float> frames[11], pose, low;
    std::vector<uint16_t> frameIdx[11], poseIdx, lowIdx;
    std::vector<uint32_t> frameRanges[11], poseRanges, lowRanges;

    DataCopy()
    {
        for (int k = 0; k < MackerelFrameCount; ++k)
            Take(MackerelFrames[k], frames[k], frameIdx[k], frameRanges[k]);
        Take(MackerelPoseMesh, pose, poseIdx, poseRanges);
        Take(MackerelLowMesh, low, lowIdx, lowRanges);
    }
    static void Take(const OruMeshRecord& r, std::vector<float>& v, std::vector<uint16_t>& i, std::vector<uint32_t>& g)
    {
        const float* f = static_cast<const float*>(r.vertices);
        v.assign(f, f + size_t(r.vertexCount) * size_t(r.stride / 4));
        i.assign(r.indices, r.indices + size_t(r.faceCount) * 3);
        const uint32_t* q = reinterpret_cast<const uint32_t*>(r.ranges);
        g.assign(q, q + size_t(r.rangeCount) * 5);
    }
    static mackerelcheck::MeshView ViewOf(const std::vector<float>& v, int stride, const std::vector<uint16_t>& i,
                                          const std::vector<uint32_t>& g)
    {
        mackerelcheck::MeshView m;
        m.v = v.data();
        m.strideFloats = stride;
        m.vertexCount = int(v.size()) / stride;
        m.idx = i.data();
        m.faceCount = int(i.size()) / 3;
        m.ranges = g.data();
        m.rangeCount = int(g.size()) / 5;
        return m;
    }
    std::vector<std::string> Run(const char* check) const
    {
        mackerelcheck::MackerelView view;
        for (int k = 0; k < MackerelFrameCount; ++k)
            view.frames[k] = ViewOf(frames[k], k == 0 ? 8 : 6, frameIdx[k], frameRanges[k]);
        view.pose = ViewOf(pose, 6, poseIdx, poseRanges);
        view.low = ViewOf(low, 8, lowIdx, lowRanges);
        view.skinDds = SkinFile().data();
        view.skinDdsSize = SkinFile().size();
        std::vector<std::string> failures;
        for (const auto& c : mackerelcheck::MackerelChecks())
            if (std::string(c.name) == check)
                c.run(view, failures);
        return failures;
    }
};

struct Damage {
    const char* check;
    const char* what;
    void (*apply)(DataCopy&);
};

const Damage Damages[] = {
    {"swim wave", "a keyframe's z 2e-6 off the wave", [](DataCopy& d) { d.frames[3][160 * 6 + 2] += 2e-6f; }},
    {"fin sheets", "a back-sheet normal not negated", [](DataCopy& d) { d.frames[0][146 * 8 + 4] *= -1; }},
    {"body surface", "a body triangle wound the other way",
     [](DataCopy& d) { std::swap(d.frameIdx[0][30], d.frameIdx[0][31]); }},
    {"records", "a keyframe's index list differs", [](DataCopy& d) { std::swap(d.frameIdx[5][30], d.frameIdx[5][31]); }},
    {"poses", "one more dorsal vertex moved in pose B", [](DataCopy& d) { d.pose[410 * 6] += 1e-6f; }},
    {"poses", "a pose range's triangles off the shift law", [](DataCopy& d) { std::swap(d.poseIdx[0], d.poseIdx[1]); }},
    {"low-detail mesh", "a body vertex not a rest-pose copy", [](DataCopy& d) { d.low[0] += 1e-6f; }},
    {"bounds and projections", "a texture coordinate off its projection", [](DataCopy& d) { d.frames[0][200 * 8 + 6] += 0.001f; }},
    {"normals", "a body normal turned 0.1 degrees", [](DataCopy& d) {
         float* n = &d.frames[0][50 * 8 + 3];
         const float c = std::cos(0.1f * 3.14159265f / 180), s = std::sin(0.1f * 3.14159265f / 180);
         const float x = n[0], y = n[1];
         n[0] = c * x - s * y;
         n[1] = s * x + c * y;
     }},
    {"eyes", "the right eye's centre listed first", [](DataCopy& d) {
         for (uint16_t& i : d.frameIdx[0])
             if (i == 254 || i == 256)
                 i = uint16_t(i == 254 ? 256 : 254);
     }},
};

class MackerelDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(MackerelDamage, IsSeenByItsCheck)
{
    DataCopy d;
    ASSERT_TRUE(d.Run(GetParam().check).empty());
    GetParam().apply(d);
    EXPECT_FALSE(d.Run(GetParam().check).empty()) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Copies, MackerelDamage, ::testing::ValuesIn(Damages));

TEST(MackerelSkin, IsACompressedDdsWhoseSizeIsSetAtStartUp)
{
    ASSERT_NE(MackerelSkin.data, nullptr);
    EXPECT_GT(MackerelSkin.size, 0);
    EXPECT_EQ(MackerelSkin.data[0], 0x78); // a zlib stream
    ASSERT_EQ(SkinFile().size(), 128u + 128u * 128u * 16u);
}

// A damaged skin is seen by the check: a transparent texel in the body band.
TEST(MackerelSkin, CheckSeesATransparentTexelInTheBodyBand)
{
    std::vector<uint8_t> copy = SkinFile();
    ASSERT_FALSE(copy.empty());
    copy[128 + (size_t(400 / 4) * 128 + 100 / 4) * 16] = 0; // alpha of four texels
    mackerelcheck::MackerelView view;
    view.skinDds = copy.data();
    view.skinDdsSize = copy.size();
    std::vector<std::string> failures;
    for (const auto& c : mackerelcheck::MackerelChecks())
        if (std::string(c.name) == "skin")
            c.run(view, failures);
    EXPECT_FALSE(failures.empty());
}

// The skin becomes a 512 x 512 texture with alpha on Wine's device, the way
// the fish loads it.
TEST(MackerelSkin, LoadsAsATextureWithAlphaOnTheDevice)
{
    TestDevice device(64, 64);
    ASSERT_TRUE(device.Ok()) << device.Error();
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(LoadTexture(device.Device(), MackerelSkin.data, MackerelSkin.size, &texture, D3DFMT_UNKNOWN), 0);
    ASSERT_NE(texture, nullptr);
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), 0);
    EXPECT_EQ(desc.Width, 512u);
    EXPECT_EQ(desc.Height, 512u);
    EXPECT_TRUE(desc.Format == D3DFMT_DXT2 || desc.Format == D3DFMT_A8R8G8B8 || desc.Format == D3DFMT_A4R4G4B4)
        << "format " << desc.Format;
    ReleaseTexture(texture);
}

// The real partial-morph build over a copy of the pose mesh: the moved
// vertices per part, and poses showing their part at rest turn to zero.
TEST(MackerelPoses, PartialMorphBuildRecordsTheMovedVerticesOfEachPart)
{
    static MorphVertex poseCopy[MackerelPoseVertexCount];
    std::memcpy(poseCopy, MackerelVertices.pose, sizeof poseCopy);
    std::unique_ptr<OruMeshRecord[]> meshes(new OruMeshRecord[13]);
    for (int k = 0; k < MackerelFrameCount; ++k)
        meshes[k] = MackerelFrames[k];
    meshes[11] = MackerelPoseMesh;
    meshes[11].vertices = poseCopy;
    meshes[12] = MackerelLowMesh;
    std::unique_ptr<CPartialMorph> morph(new CPartialMorph);
    morph->SetMorphSource(meshes.get(), 0, 11, MackerelMorphTriples, MackerelMorphTripleCount);
    EXPECT_EQ(morph->BUildPartialMorphData(), MackerelMorphTripleCount);
    const int want[10] = {24, 14, 0, 6, 8, 8, 4, 4, 13, 13}; // by base range; the tail has none
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(morph->changedCounts[r], want[r]) << "base range " << r;
    // Pose A of the dorsal, anal and pelvic fins and pose B of the
    // pectorals now hold zero differences.
    for (int range : {0, 2, 8, 10, 5, 7}) {
        const D3DXATTRIBUTERANGE& r = MackerelPoseMesh.ranges[range];
        for (DWORD v = r.VertexStart; v < r.VertexStart + r.VertexCount; ++v) {
            const float* f = &poseCopy[v].position.x;
            for (int k = 0; k < 6; ++k)
                EXPECT_EQ(f[k], 0.0f) << "pose range " << range << " vertex " << v;
        }
    }
    // The static pose mesh itself is untouched.
    EXPECT_NE(std::memcmp(poseCopy, MackerelVertices.pose, sizeof poseCopy), 0);
    for (int k = 0; k < 13; ++k)
        meshes[k] = OruMeshRecord();
}

} // namespace
