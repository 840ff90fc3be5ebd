// The bream's pose mesh through the real partial-morph build: the moved
// vertices it records per part and the offsets it leaves in the pose array.
// A process of its own, since the build converts the static pose array.

#include "Bream.h"
#include "fish/CPartialMorph.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(BreamPoseMorph, BuildRecordsTheStatedMovedVerticesAndLeavesOffsets)
{
    // The bream's mesh list as the fish builds it: frames 0 to 10, the pose
    // mesh as mesh 11, the low-detail mesh last.
    OruMeshRecord meshes[13];
    for (int k = 0; k < 11; ++k)
        meshes[k] = BreamFrames[k];
    meshes[11] = BreamPoseMesh;
    meshes[12] = BreamLowMesh;
    const std::vector<MorphVertex> before(BreamVertices.pose, BreamVertices.pose + BreamPoseVertexCount);

    CPartialMorph morph;
    morph.SetMorphSource(meshes, 0, 11, BreamMorphTriples, BreamMorphTripleCount);
    EXPECT_EQ(9, morph.BUildPartialMorphData());

    const int moved[9] = {30, 16, 10, 12, 12, 6, 6, 13, 14};
    int total = 0;
    for (int e = 0; e < 9; ++e) {
        const MorphTriple& t = BreamMorphTriples[e];
        SCOPED_TRACE("entry " + std::to_string(e));
        EXPECT_EQ(moved[e], morph.changedCounts[t.baseRange]);
        total += morph.changedCounts[t.baseRange];
        // The recorded list is exactly the vertices whose A or B position
        // differs from the rest, in order.
        const D3DXATTRIBUTERANGE& base = BreamRanges.frames[0][t.baseRange];
        const D3DXATTRIBUTERANGE& a = BreamRanges.pose[t.poseRangeA];
        const D3DXATTRIBUTERANGE& b = BreamRanges.pose[t.poseRangeB];
        std::vector<int> expected;
        for (uint32_t j = 0; j < base.VertexCount; ++j) {
            const Vector3& r = BreamVertices.rest[base.VertexStart + j].position;
            const Vector3& pa = before[a.VertexStart + j].position;
            const Vector3& pb = before[b.VertexStart + j].position;
            if (pa.x != r.x || pa.y != r.y || pa.z != r.z || pb.x != r.x || pb.y != r.y || pb.z != r.z)
                expected.push_back(int(j));
            // The pose array now holds offsets from the rest pose.
            for (const D3DXATTRIBUTERANGE* range : {&a, &b}) {
                const MorphVertex& was = before[range->VertexStart + j];
                const MorphVertex& now = BreamVertices.pose[range->VertexStart + j];
                const FishVertex& rest = BreamVertices.rest[base.VertexStart + j];
                EXPECT_EQ(was.position.x - rest.position.x, now.position.x);
                EXPECT_EQ(was.position.y - rest.position.y, now.position.y);
                EXPECT_EQ(was.position.z - rest.position.z, now.position.z);
                EXPECT_EQ(was.normal.x - rest.normal.x, now.normal.x);
            }
        }
        ASSERT_EQ(expected.size(), size_t(morph.changedCounts[t.baseRange]));
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(expected[i], morph.changedVertices[t.baseRange][i]);
    }
    EXPECT_EQ(119, total);
    EXPECT_EQ(0, morph.changedCounts[2]);  // the tail fin is never part-morphed
    // Pose A of the dorsal fin shows it at rest: offsets of zero.
    const D3DXATTRIBUTERANGE& dorsalA = BreamRanges.pose[0];
    for (uint32_t j = 0; j < dorsalA.VertexCount; ++j) {
        const Vector3& d = BreamVertices.pose[dorsalA.VertexStart + j].position;
        EXPECT_TRUE(d.x == 0 && d.y == 0 && d.z == 0) << j;
    }
}

} // namespace
