// The sardine's compiled-in model data as the program links it: the checks
// every fish's data passes (FishModelData.h) with the sardine's figures, and
// the mirror of its rest pose about the midplane.

#include "FishModelData.h"

#include "Sardine.h"
#include "SardineDataHashes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace fishdata;

namespace {

const FishCase& SardineCase()
{
    static const FishCase sardine = [] {
        FishCase f;
        f.name = "sardine";
        f.frames = SardineFrames;
        for (int k = 0; k < 11; ++k) {
            f.vertices[k] = k ? static_cast<const void*>(SardineVertices.keyframes[k - 1]) : SardineVertices.rest;
            f.indices[k] = SardineIndices[k];
            f.ranges[k] = SardineRanges[k];
        }
        f.hashes = SardineFrameHashes;
        f.vertexCount = 138;
        f.faceCount = 224;
        f.table = {{0, 0, 172, 0, 88}, {1, 172, 12, 88, 16}, {2, 184, 40, 104, 34}};
        f.tilingOrder = {0, 1, 2};
        f.bodyRange = 0;
        f.finPairs = {{1, 6}, {2, 20}};
        f.midplaneFins = {1, 2};
        f.twinFins = {1, 2};
        f.normalTolDeg = 1.0;
        f.phaseDeg = 46.516;
        f.waveRateDeg = 1190.063;
        f.ampMin = 0.00148;
        f.ampMax = 0.02062;
        f.ampMinVertex = 7;
        f.ampMaxVertex = 119;
        f.boxLo = {-0.07295, -0.01855, -0.01971};
        f.boxHi = {0.18957, 0.05247, 0.01971};
        f.referenceVertices = {
            {0, {-0.02982, 0.02398, -0.00475}, {-0.1640, 0.6474, 0.7443}, 0.2209, 0.6143, 5e-6},
            {7, {-0.07295, 0.00362, 0}, {-0.9995, 0, -0.0321}, 0.0514, 0.6862, 5e-6},
            {90, {0.01800, 0.05247, 0}, {0, 1, 0}, 0.1194, 0.2743, 5e-6},
            {119, {0.18957, 0.02352, 0}, {0, 1, 0}, 0.8556, 0.2905, 5e-6},
        };
        f.tailTip = 119;
        const double tail[10] = {-0.00033, -0.01238, -0.01971, -0.01950, -0.01185,
                                 0.00033,  0.01238,  0.01971,  0.01950,  0.01185};
        std::copy(tail, tail + 10, f.tailZ);
        f.uvRegions = {{0, 0.051, 0.921, 0.588, 0.764, 5e-4},
                       {1, 0.119, 0.340, 0.274, 0.391, 5e-4},
                       {2, 0.613, 0.856, 0.230, 0.473, 5e-4}};
        f.uvLo[0] = 0.0514, f.uvHi[0] = 0.9213, f.uvLo[1] = 0.2296, f.uvHi[1] = 0.7644;
        f.skins = {{"sardine", &SardineSkin, 256, 0.5}};
        f.skinMeshes = {&SardineFrames[0]};
        f.silhouettes = {{"sardine-rest-side", &SardineFrames[0], 0, 1}, {"sardine-frame3-top", &SardineFrames[3], 0, 2}};
        // The radius is 0.18957.
        std::vector<OruMeshRecord*> frames;
        for (int k = 0; k < 11; ++k)
            frames.push_back(&SardineFrames[k]);
        f.bounds = {{frames, 0.18957, 0.18957, 5e-6}};
        return f;
    }();
    return sardine;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Sardine, FishData, ::testing::Values(&SardineCase));

// The rest pose mirrors about z = 0: 37 body pairs, 64 vertices on the
// plane, half-width 0.0157.
TEST(SardineData, RestPoseMirrorsAboutTheMidplane)
{
    const MeshView m = View(SardineFrames[0]);
    int onPlane = 0, pairs = 0;
    for (size_t i = 0; i < m.pos.size(); ++i) {
        if (m.pos[i].z == 0) {
            ++onPlane;
            continue;
        }
        int twins = 0;
        for (size_t j = 0; j < m.pos.size(); ++j)
            twins += m.pos[j].x == m.pos[i].x && m.pos[j].y == m.pos[i].y && m.pos[j].z == -m.pos[i].z &&
                     m.tu[j] == m.tu[i] && m.tv[j] == m.tv[i];
        EXPECT_EQ(1, twins) << "sardine vertex " << i;
        pairs += m.pos[i].z < 0;
    }
    EXPECT_EQ(64, onPlane);
    EXPECT_EQ(37, pairs);
    double hw = 0;
    for (const V3& p : m.pos)
        hw = std::max(hw, std::fabs(p.z));
    EXPECT_TRUE(Near(hw, 0.0157, 5e-5)) << hw;
}
