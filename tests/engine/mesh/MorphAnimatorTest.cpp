// The morph animator: the keyframes and weights chosen for a phase and an
// amplitude, the phase wrap for any input, and the streams and register c24
// bound on Wine's device.

#include "TestApp.h"
#include "TestDevice.h"
#include "framework/OruApplication.h"
#include "mesh/FishVertex.h"
#include "mesh/MorphVertex.h"
#include "mesh/OruMeshRecord.h"
#include "mesh/OruMorphAnimator.h"
#include "scene/OruWorld.h"
#include "servers/VBServer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float Inf = std::numeric_limits<float>::infinity();

struct ChoiceCase {
    const char* name;
    int frames;
    float amplitude, phase;
    int32_t chosen1, chosen2; // chosen[0] is always the rest pose, 0
    float w0, w1, w2;
};

// Ten keyframes at meshes 1 to 10 unless stated.
const ChoiceCase ChoiceCases[] = {
    {"PhaseZero", 10, 0.6f, 0.0f, 1, 2, 0.4f, 0.6f, 0.0f},
    {"LastKeyframeWrapsToTheFirst", 10, 0.6f, 9.5f, 10, 1, 0.4f, 0.3f, 0.3f},
    {"QuarterPhase", 10, 0.8f, 3.25f, 4, 5, 0.2f, 0.6f, 0.2f},
    {"AmplitudeZeroIsTheRestPose", 10, 0.0f, 6.75f, 7, 8, 1.0f, 0.0f, 0.0f},
    {"AmplitudeOneIsTheBlendAlone", 10, 1.0f, 6.75f, 7, 8, 0.0f, 0.25f, 0.75f},
    {"AmplitudeAboveOne", 10, 1.5f, 2.5f, 3, 4, -0.5f, 0.75f, 0.75f},
    {"PhaseBeyondTheCountWraps", 10, 0.6f, 10.5f, 1, 2, 0.4f, 0.3f, 0.3f},
    {"PhaseSeveralTurnsOn", 10, 0.8f, 23.25f, 4, 5, 0.2f, 0.6f, 0.2f},
    {"NegativePhaseWraps", 10, 0.6f, -0.5f, 10, 1, 0.4f, 0.3f, 0.3f},
    {"NegativeWholeTurn", 10, 0.6f, -10.0f, 1, 2, 0.4f, 0.6f, 0.0f},
    {"TinyNegativePhase", 10, 0.6f, -1e-8f, 1, 2, 0.4f, 0.6f, 0.0f},
    {"JustBelowTheCount", 10, 1.0f, 9.9999990f, 10, 1, 0.0f, 0.0f, 1.0f},
    {"PhaseNotANumber", 10, 0.6f, NaN, 1, 2, 0.4f, 0.6f, 0.0f},
    {"PhaseInfinite", 10, 0.6f, Inf, 1, 2, 0.4f, 0.6f, 0.0f},
    {"PhaseMinusInfinite", 10, 0.6f, -Inf, 1, 2, 0.4f, 0.6f, 0.0f},
    {"AmplitudeNotANumberIsTheRestPose", 10, NaN, 3.5f, 4, 5, 1.0f, 0.0f, 0.0f},
    {"SingleKeyframeBlendsIntoItself", 1, 0.5f, 0.5f, 1, 1, 0.5f, 0.25f, 0.25f},
    {"ThreeKeyframes", 3, 1.0f, 2.5f, 3, 1, 0.0f, 0.5f, 0.5f},
    {"NoKeyframesGivesTheRestPose", 0, 0.7f, 2.5f, 0, 0, 1.0f, 0.0f, 0.0f},
};

class MorphChoice : public ::testing::TestWithParam<ChoiceCase> {};

} // namespace

TEST_P(MorphChoice, ChoosesNeighbouringKeyframesAndWeights)
{
    const ChoiceCase& c = GetParam();
    OruMorphAnimator animator(nullptr, 0, 1, c.frames);
    animator.Evaluate(c.amplitude, c.phase);
    EXPECT_EQ(0, animator.chosen[0]);
    EXPECT_EQ(c.chosen1, animator.chosen[1]);
    EXPECT_EQ(c.chosen2, animator.chosen[2]);
    EXPECT_NEAR(c.w0, animator.weights[0], 1e-5f);
    EXPECT_NEAR(c.w1, animator.weights[1], 2e-5f);
    EXPECT_NEAR(c.w2, animator.weights[2], 2e-5f);
    EXPECT_NEAR(1.0f, animator.weights[0] + animator.weights[1] + animator.weights[2], 1e-5f);
    EXPECT_EQ(0.0f, animator.weights[3]);
    // Both keyframes lie in the list.
    for (int i = 1; i < 3; ++i) {
        if (c.frames > 0) {
            EXPECT_GE(animator.chosen[i], 1);
            EXPECT_LE(animator.chosen[i], c.frames);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, MorphChoice, ::testing::ValuesIn(ChoiceCases),
                         [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

TEST(OruMorphAnimator, KeepsItsLayoutAndStartsAtTheRestPose)
{
    OruMeshRecord* meshes = reinterpret_cast<OruMeshRecord*>(0x1000);
    OruMorphAnimator animator(meshes, 2, 4, 3);
    EXPECT_EQ(meshes, animator.meshes);
    EXPECT_EQ(2, animator.baseMesh);
    EXPECT_EQ(4, animator.firstFrame);
    EXPECT_EQ(3u, animator.frameCount);
    // Valid streams before the first Evaluate.
    EXPECT_EQ(2, animator.chosen[0]);
    EXPECT_EQ(4, animator.chosen[1]);
    EXPECT_EQ(5, animator.chosen[2]);
    EXPECT_EQ(1.0f, animator.weights[0]);
    EXPECT_EQ(0.0f, animator.weights[1]);
    EXPECT_EQ(0.0f, animator.weights[2]);

    animator.Evaluate(0.5f, 2.5f);
    EXPECT_EQ(2, animator.chosen[0]);
    EXPECT_EQ(6, animator.chosen[1]);
    EXPECT_EQ(4, animator.chosen[2]);

    OruMorphAnimator negative(nullptr, 0, 1, -4);
    EXPECT_EQ(0u, negative.frameCount);
}

namespace {

// Rest pose (32-byte vertices) and two keyframes (24-byte), one triangle each.
FishVertex RestPose[3] = {};
MorphVertex FrameA[3] = {};
MorphVertex FrameB[3] = {};
uint16_t TriangleIndices[3] = {0, 1, 2};

// A record that borrows the server's buffers instead of releasing them.
struct BorrowingRecord : OruMeshRecord {
    using OruMeshRecord::OruMeshRecord;
    ~BorrowingRecord()
    {
        vertexBuffer = nullptr;
        indexBuffer = nullptr;
    }
};

using DeviceApp = TestApp;

IDirect3DVertexBuffer8* StreamOn(IDirect3DDevice8* device, UINT stream, UINT* stride)
{
    IDirect3DVertexBuffer8* vb = nullptr;
    if (FAILED(device->GetStreamSource(stream, &vb, stride)))
        return nullptr;
    if (vb)
        vb->Release();
    return vb;
}

} // namespace

TEST(OruMorphAnimator, ApplyBindsTheChosenMeshesAndTheWeights)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    DeviceApp app(device.Device());
    OruWorld world;
    app.world = &world;
    ASSERT_NE(nullptr, world.vbServer);

    BorrowingRecord meshes[3] = {
        BorrowingRecord(3, RestPose, 1, TriangleIndices, 0x112, 32, nullptr, 0),
        BorrowingRecord(3, FrameA, 1, TriangleIndices, MorphVertex::Format, 24, nullptr, 0),
        BorrowingRecord(3, FrameB, 1, TriangleIndices, MorphVertex::Format, 24, nullptr, 0),
    };
    for (BorrowingRecord& m : meshes) {
        ASSERT_EQ(0, world.vbServer->Create2(&m, 0));
        ASSERT_NE(nullptr, m.vertexBuffer);
    }

    OruMorphAnimator animator(meshes, 0, 1, 2);
    animator.Evaluate(0.8f, 1.25f); // keyframe 2 blending into keyframe 1
    animator.Apply();

    const UINT strides[3] = {32, 24, 24};
    const int expected[3] = {0, 2, 1};
    for (UINT i = 0; i < 3; ++i) {
        UINT stride = 0;
        EXPECT_EQ(meshes[expected[i]].vertexBuffer, StreamOn(device.Device(), i, &stride)) << "stream " << i;
        EXPECT_EQ(strides[i], stride) << "stream " << i;
    }
    float c24[4] = {};
    ASSERT_EQ(S_OK, device.Device()->GetVertexShaderConstant(24, c24, 1));
    EXPECT_NEAR(0.2f, c24[0], 1e-6f);
    EXPECT_NEAR(0.6f, c24[1], 1e-6f);
    EXPECT_NEAR(0.2f, c24[2], 1e-6f);
    EXPECT_EQ(0.0f, c24[3]);

    // A second fish with the same choice finds the streams bound already:
    // only its weights go to the device.
    OruMorphAnimator other(meshes, 0, 1, 2);
    other.Evaluate(0.4f, 1.5f);
    other.Apply();
    for (UINT i = 0; i < 3; ++i)
        EXPECT_EQ(meshes[expected[i]].vertexBuffer, world.vbServer->currentStreams[i]);
    ASSERT_EQ(S_OK, device.Device()->GetVertexShaderConstant(24, c24, 1));
    EXPECT_NEAR(0.6f, c24[0], 1e-6f);
    EXPECT_NEAR(0.2f, c24[1], 1e-6f);

    // Without a server only the weights are set; without an application nothing.
    animator.Apply(device.Device(), nullptr);
    ASSERT_EQ(S_OK, device.Device()->GetVertexShaderConstant(24, c24, 1));
    EXPECT_NEAR(0.2f, c24[0], 1e-6f);

    app.world = nullptr;
    world.InvalidateDeviceObjects();
    world.DeleteDeviceObjects();
    world.FinalCleanup();
}
