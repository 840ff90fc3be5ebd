// The stage mesh as compiled into the program: its record as built at
// start-up, its vertex type and initialiser, and every rule of its data (a
// table of named checks shared with the generator).

#include "Stage.h"
#include "StageCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(StageMesh, RecordHoldsTheStaticArraysAndTheStoredFormat)
{
    EXPECT_EQ(StageMesh.key, 0u);
    EXPECT_EQ(StageMesh.vertexBuffer, nullptr);
    EXPECT_EQ(StageMesh.indexBuffer, nullptr);
    EXPECT_EQ(StageMesh.vertices, static_cast<void*>(StageVertices));
    EXPECT_EQ(StageMesh.indices, StageIndices);
    EXPECT_EQ(StageMesh.vertexCount, 868);
    EXPECT_EQ(StageMesh.faceCount, 582);
    EXPECT_EQ(StageMesh.fvf, 0x152u);
    EXPECT_EQ(StageMesh.stride, 44);
    EXPECT_EQ(StageMesh.noVB, 0);
    EXPECT_EQ(StageMesh.isStatic, 1);
    ASSERT_EQ(StageMesh.rangeCount, 1);
    const D3DXATTRIBUTERANGE& r = StageMesh.ranges[0];
    EXPECT_EQ(r.AttribId, 0u);
    EXPECT_EQ(r.FaceStart, 0xFFFFFFFFu);
    EXPECT_EQ(r.FaceCount, 0u);
    EXPECT_EQ(r.VertexStart, 0xFFFFFFFFu);
    EXPECT_EQ(r.VertexCount, 0u);
    const D3DXATTRIBUTERANGE zero = {};
    for (int k = 1; k < MeshRangeCapacity; ++k)
        EXPECT_EQ(std::memcmp(&StageMesh.ranges[k], &zero, sizeof zero), 0) << "range " << k;
}

TEST(StageMesh, VertexHoldsPositionNormalColourAndCoordinatesInOrder)
{
    const StageVertex v(Vector3(1, 2, 3), Vector3(4, 5, 6), Vector3(7, 8, 9), 10, 11);
    float f[11];
    static_assert(sizeof v == sizeof f, "44 bytes");
    std::memcpy(f, &v, sizeof f);
    for (int k = 0; k < 11; ++k)
        EXPECT_EQ(f[k], float(k + 1));
}

// The initialiser writes every byte of the array, the same values as at
// start-up.
TEST(StageMesh, InitialiserWritesEveryByteOfItsArray)
{
    std::vector<unsigned char> built(sizeof StageVertices);
    std::memcpy(built.data(), StageVertices, built.size());
    std::memset(StageVertices, 0xCD, sizeof StageVertices);
    InitModelVerticesStage();
    EXPECT_EQ(std::memcmp(built.data(), StageVertices, built.size()), 0);
    std::memcpy(StageVertices, built.data(), built.size());
}

class StageRule : public ::testing::TestWithParam<stagecheck::NamedCheck> {};

TEST_P(StageRule, Holds)
{
    stagecheck::StageView view;
    view.v = static_cast<const float*>(StageMesh.vertices);
    view.vertexCount = StageMesh.vertexCount;
    view.idx = StageMesh.indices;
    view.faceCount = StageMesh.faceCount;
    std::vector<std::string> failures;
    GetParam().run(view, failures);
    for (const std::string& f : failures)
        ADD_FAILURE() << f;
}

INSTANTIATE_TEST_SUITE_P(Data, StageRule, ::testing::ValuesIn(stagecheck::StageChecks()),
                         [](const ::testing::TestParamInfo<stagecheck::NamedCheck>& info) {
                             std::string n;
                             for (const char* c = info.param.name; *c; ++c)
                                 n += *c == ' ' ? '_' : *c;
                             return n;
                         });

// The checks see a damaged copy: a vertex on a face turned to -y that is
// not black, and a triangle wound the other way.
TEST(StageChecks, SeeAColouredDownFaceAndAReversedTriangle)
{
    std::vector<float> v(static_cast<const float*>(StageMesh.vertices),
                         static_cast<const float*>(StageMesh.vertices) + 868 * 11);
    std::vector<uint16_t> idx(StageIndices, StageIndices + 582 * 3);
    stagecheck::StageView view{v.data(), 868, idx.data(), 582};
    // The first triangle turned to -y.
    int down = -1;
    for (int t = 0; t < 582 && down < 0; ++t) {
        const float* a = &v[idx[t * 3] * 11];
        if (a[5] < -0.99f) // stored (n.x, -n.z, n.y): n.y = -1
            down = t;
    }
    ASSERT_GE(down, 0);
    v[idx[down * 3] * 11 + 7] = 0.1f;
    std::swap(idx[0], idx[1]);
    auto run = [&](const char* name) {
        std::vector<std::string> failures;
        for (const auto& c : stagecheck::StageChecks())
            if (std::string(c.name) == name)
                c.run(view, failures);
        return failures.size();
    };
    EXPECT_GT(run("colours"), 0u);
    EXPECT_GT(run("winding"), 0u);
}

} // namespace
