// The fish kinds over their real model data: meshes, skins and constants by
// kind and "PartialMorph" setting, the low-detail switch by distance, the
// partial-morph template built once per kind with the moved counts of the
// pose meshes, the part machines with a scripted random source, and the
// draws of the morphing kinds on Wine's device.

#include "FishTestSupport.h"
#include "ScriptedRandom.h"

#include "fish/CBream.h"
#include "fish/CFish.h"
#include "fish/CIwashi.h"
#include "fish/CMackerel.h"
#include "fish/FishPartMachines.h"
#include "app/SelRandom.h"
#include "settings/SettingsTables.h"

#include "Bream.h"
#include "Mackerel.h"
#include "Sardine.h"

#include "mesh/OruMorphAnimator.h"
#include "scene/OruCamera.h"
#include "scene/OruWorld.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"

#include <gtest/gtest.h>

#include <optional>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Sets the "PartialMorph" row for the life of the object.
class PartialMorphSetting {
public:
    explicit PartialMorphSetting(int32_t value)
    {
        TechniqueParams.count = 0;
        TechniqueParams.AddItems(TechniqueParamDefs);
        TechniqueParams.items[TechPartialMorph].value = value;
    }
    ~PartialMorphSetting() { TechniqueParams.count = 0; }
};

template <typename Fish> void Finish(Fish& fish)
{
    fish.FinalCleanup();
}

} // namespace

// ---- meshes, skins and constants

TEST(FishKinds, MeshesSkinsAndConstantsByKindAndSetting)
{
    struct Case {
        const char* what;
        int kind; // 0 sardine, 1 mackerel, 2 bream
        int32_t partialMorph;
        int meshCount;
        int lowIndex;
        float drawDistance;
        const char* name;
    };
    const Case cases[] = {
        {"sardine", 0, 0, 11, 0, 2.0f, "CIwashi"},
        {"sardine, morph on", 0, 1, 11, 0, 2.0f, "CIwashi"},
        {"mackerel", 1, 0, 12, 11, 2.0f, "CFish"},
        {"mackerel, morph on", 1, 1, 13, 12, 2.0f, "CFish"},
        {"bream", 2, 0, 12, 11, 10.0f, "CFish"},
        {"bream, morph on", 2, 1, 13, 12, 10.0f, "CFish"},
    };
    for (const Case& c : cases) {
        PartialMorphSetting setting(c.partialMorph);
        std::unique_ptr<CFish> fish;
        if (c.kind == 0)
            fish.reset(new CIwashi());
        else if (c.kind == 1)
            fish.reset(new CMackerel());
        else
            fish.reset(new CBream(0));
        EXPECT_STREQ(c.name, fish->name) << c.what;
        ASSERT_EQ(c.meshCount, fish->meshCount) << c.what;
        EXPECT_EQ(c.lowIndex, fish->GetLowDetailMeshIndex()) << c.what;
        EXPECT_EQ(c.drawDistance, fish->drawDistance) << c.what;
        EXPECT_EQ(1.4f, fish->cloneScale) << c.what;
        EXPECT_EQ(256, fish->cloneTextureSize) << c.what;
        EXPECT_EQ(0.5f, fish->maxAmplitude) << c.what;
        EXPECT_EQ(0, fish->useStrips) << c.what;
        EXPECT_EQ(1, fish->textureCount) << c.what;
        ASSERT_TRUE(fish->animator) << c.what;
        EXPECT_EQ(fish->meshes, fish->animator->meshes) << c.what;
        EXPECT_EQ(10u, fish->animator->frameCount) << c.what;
        EXPECT_EQ(c.kind != 0 && c.partialMorph, fish->partialMorph != nullptr) << c.what;
        if (fish->partialMorph) {
            EXPECT_EQ(fish->meshes, fish->partialMorph->meshes) << c.what;
            EXPECT_EQ(9u, fish->partialMorph->tripleCount) << c.what;
        }
        // Rest pose first, then the keyframes, in frame order.
        const OruMeshRecord* frames = c.kind == 0 ? SardineFrames : c.kind == 1 ? MackerelFrames : BreamFrames;
        for (int k = 0; k < 11; ++k)
            EXPECT_EQ(frames[k].vertices, fish->meshes[k].vertices) << c.what << " frame " << k;
        if (c.kind != 0) {
            const OruMeshRecord& low = c.kind == 1 ? MackerelLowMesh : BreamLowMesh;
            EXPECT_EQ(low.vertices, fish->meshes[c.meshCount - 1].vertices) << c.what;
        }
        // A clone master draws and animates in full at any distance.
        fish->cloneRole = CloneRoleMaster;
        EXPECT_EQ(0, fish->GetLowDetailMeshIndex()) << c.what;
        Finish(*fish);
    }
}

TEST(FishKinds, BreamSkinByTypeAndNoneOutsideTheFour)
{
    for (int type = -1; type <= 5; ++type) {
        CBream bream(type);
        if (type >= 0 && type < BreamSkinCount) {
            ASSERT_EQ(1, bream.textureCount) << type;
            EXPECT_EQ(BreamSkins[type]->data, bream.textureSources[0]) << type;
        } else {
            EXPECT_EQ(0, bream.textureCount) << type;
        }
        Finish(bream);
    }
}

// ---- the partial-morph template

TEST(FishKinds, TemplateIsBuiltOncePerKindWithThePoseMeshesMovedCounts)
{
    PartialMorphSetting setting(1);
    struct Kind {
        const char* what;
        CPartialMorph* templ;
        int moved[9];
        const void* poses;
        size_t poseBytes;
    };
    const Kind kinds[] = {
        {"mackerel", &CMackerel::MorphTemplate, {24, 14, 6, 8, 8, 4, 4, 13, 13}, MackerelPoseMesh.vertices,
         size_t(MackerelPoseMesh.vertexCount) * 24},
        {"bream", &CBream::MorphTemplate, {30, 16, 10, 12, 12, 6, 6, 13, 14}, BreamPoseMesh.vertices,
         size_t(BreamPoseMesh.vertexCount) * 24},
    };
    for (const Kind& k : kinds) {
        std::unique_ptr<CFish> first(k.templ == &CMackerel::MorphTemplate ? static_cast<CFish*>(new CMackerel())
                                                                           : new CBream(0));
        ASSERT_TRUE(k.templ->meshes) << k.what;
        const int baseRanges[9] = {0, 1, 3, 4, 5, 6, 7, 8, 9};
        for (int t = 0; t < 9; ++t)
            EXPECT_EQ(k.moved[t], k.templ->changedCounts[baseRanges[t]]) << k.what << " part " << t;
        EXPECT_EQ(0, k.templ->changedCounts[2]) << k.what << ": the tail fin has no part";
        for (int t = 0; t < 9; ++t)
            EXPECT_EQ(k.moved[t], first->partialMorph->changedCounts[baseRanges[t]]) << k.what;

        // A second fish copies the template; the poses are offsets once only.
        const std::vector<char> before(static_cast<const char*>(k.poses),
                                       static_cast<const char*>(k.poses) + k.poseBytes);
        std::unique_ptr<CFish> second(k.templ == &CMackerel::MorphTemplate ? static_cast<CFish*>(new CMackerel())
                                                                            : new CBream(0));
        EXPECT_EQ(0, std::memcmp(before.data(), k.poses, k.poseBytes)) << k.what;
        EXPECT_EQ(0, std::memcmp(first->partialMorph->changedVertices, second->partialMorph->changedVertices,
                                 sizeof first->partialMorph->changedVertices))
            << k.what;
        EXPECT_EQ(second->meshes, second->partialMorph->meshes) << k.what;
        Finish(*first);
        Finish(*second);
    }
}

// ---- level of detail

TEST(FishKinds, LowDetailBeyondTheKindsDistanceStopsTheSwim)
{
    OruWorld world; // the scene: an eye at the origin
    struct Case {
        const char* what;
        int kind;
        float distance;
        int32_t role;
        int lowDetail;
    };
    const Case cases[] = {
        {"bream at 9.9", 2, 9.9f, CloneRoleNone, 0},
        {"bream at 10.1", 2, 10.1f, CloneRoleNone, 1},
        {"mackerel at 2.0", 1, 2.0f, CloneRoleNone, 0},
        {"mackerel at 2.1", 1, 2.1f, CloneRoleNone, 1},
        {"sardine at 50", 0, 50.0f, CloneRoleNone, 0},
        {"master bream at 50", 2, 50.0f, CloneRoleMaster, 0},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CFish> fish;
        if (c.kind == 0)
            fish.reset(new CIwashi());
        else if (c.kind == 1)
            fish.reset(new CMackerel());
        else
            fish.reset(new CBream(0));
        fish->noCull = 1;
        fish->cloneRole = c.role;
        fish->position = Vector3(0, 0, c.distance);
        fish->speed = 0;
        fish->swimPhase = 3.0f;
        fish->PimVertexObject::Update(1.0f, 0.9f);
        EXPECT_EQ(c.lowDetail, fish->useLowDetail) << c.what;
        if (c.lowDetail) {
            EXPECT_EQ(3.0f, fish->swimPhase) << c.what << ": the phase stands still";
        } else {
            EXPECT_NE(3.0f, fish->swimPhase) << c.what << ": it swims";
        }
        Finish(*fish);
    }
}

// ---- the part machines

TEST(FishPartMachines, FastMachinesSwitchByTheirDrawnValue)
{
    struct Case {
        int32_t state;
        int raw; // the machine's draw
        int32_t next;
        float level; // the level the state gives before switching
    };
    // r = raw / 32767: 1638 is just under 0.05, 4915 just over 0.15.
    const float s = (std::sin(1.0f * 1.5f) + 1.0f) / 2.0f;
    const Case cases[] = {
        {0, 1638, 1, s}, {0, 4915, 2, s}, {0, 16384, 0, s}, {1, 1638, 2, 1}, {1, 4915, 0, 1},
        {1, 16384, 1, 1}, {2, 1638, 1, 0}, {2, 4915, 0, 0}, {2, 16384, 2, 0},
    };
    for (const Case& c : cases) {
        FishPartMachines m;
        m.partStatesB[0] = c.state;
        m.partLevelsB[0] = 0.5f;
        ScriptedRandom random({c.raw, 32767, 32767}, 32767);
        float w[20];
        m.Step(1.0f, 0.98f, 1.5f, false, w);
        EXPECT_EQ(c.next, m.partStatesB[0]) << c.state << " " << c.raw;
        EXPECT_NEAR(0.9f * 0.5f + 0.1f * c.level, m.partLevelsB[0], 1e-6f) << c.state << " " << c.raw;
        EXPECT_EQ(0, m.partStatesB[1]);
        EXPECT_EQ(3, random.DrawCount()) << "one draw per fast machine, then the slow machine's";
    }
}

TEST(FishPartMachines, SlowMachineSwitchesWithAChancePerSecond)
{
    // dt = 0.02: first chance 0.008, second 0.016, from the exact constants.
    float one;
    const uint32_t bits1 = 0x3ECCCCCCu, bits2 = 0x3F4CCCCCu;
    std::memcpy(&one, &bits1, 4);
    float two;
    std::memcpy(&two, &bits2, 4);
    const float dt = 0.02f;
    struct Case {
        float r;
        int32_t next;
    };
    const Case cases[] = {{0.0f, 1}, {0.9f * one * dt, 1}, {1.1f * one * dt, 2}, {0.99f * two * dt, 2},
                          {1.01f * two * dt, 0}, {0.5f, 0}};
    for (const Case& c : cases) {
        FishPartMachines m;
        const int raw = int(std::lround(c.r * 32767.0f));
        ScriptedRandom random({32767, 32767, raw}, 32767);
        float w[20];
        m.Step(10.0f, 10.0f - dt, 1.0f, false, w);
        const float r = float(raw) * (1.0f / 32767.0f);
        const int32_t expected = r < one * (10.0f - (10.0f - dt)) ? 1 : r < two * (10.0f - (10.0f - dt)) ? 2 : 0;
        EXPECT_EQ(expected, m.partStateA) << c.r;
        EXPECT_EQ(c.next, m.partStateA) << c.r;
    }
}

TEST(FishPartMachines, WeightsFollowTheLevelsAndTheKindsSlowWave)
{
    for (bool bream : {false, true}) {
        FishPartMachines m;
        m.partLevelsB[0] = 0.2f;
        m.partLevelsB[1] = 0.6f;
        m.bodyLevel = 0.4f;
        m.partLevelA = 0.1f;
        ScriptedRandom random({32767, 32767, 32767}, 32767); // no switches
        float w[20];
        for (float& x : w)
            x = 9.0f;
        const float t = 2.0f, rate = 1.3f;
        m.Step(t, t - 0.02f, rate, bream, w);
        const float s = (std::sin(t * rate) + 1) / 2;
        const float b0 = 0.9f * 0.2f + 0.1f * s, b1 = 0.9f * 0.6f + 0.1f * s;
        const float body = 0.7f * 0.4f + 0.3f * (0.7f * (std::sin(5 * t * rate) + 1) / 2);
        const float wave = bream ? s : (std::sin(t) + 1) / 2;
        const float a = 0.7f * 0.1f + 0.3f * wave;
        const float expected[9] = {1 - body, s, s, 1 - b0, 1 - b1, s + b0, s + b1, a, a};
        for (int i = 0; i < 9; ++i)
            EXPECT_NEAR(expected[i], w[i], 1e-5f) << (bream ? "bream " : "mackerel ") << i;
        for (int i = 9; i < 20; ++i)
            EXPECT_EQ(0.0f, w[i]) << i;
    }
}

// A time that is not finite steps nothing, and a frame time that is not
// finite or is negative is no time: the levels never become not a number and
// the slow machine does not switch, even on a draw of 0.
TEST(FishPartMachines, TimesThatAreNotFiniteOrFramesThatGoBackMoveNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        float time, prevTime, rate;
    };
    const Case cases[] = {
        {"time not a number", nan, 1.0f, 1.0f}, {"infinite time", inf, 1.0f, 1.0f},
        {"rate not a number", 2.0f, 1.98f, nan}, {"from minus infinity", 2.0f, -inf, 1.0f},
        {"backwards", 2.0f, 3.0f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FishPartMachines m;
        m.partLevelsB[0] = 0.2f;
        m.partLevelsB[1] = 0.6f;
        m.bodyLevel = 0.4f;
        m.partLevelA = 0.1f;
        std::optional<ScriptedRandom> random;
        random.emplace(std::initializer_list<int>{32767, 32767, 0});
        float w[20];
        m.Step(c.time, c.prevTime, c.rate, false, w);
        EXPECT_EQ(0, m.partStateA) << "no time, no chance to switch";
        for (float level : {m.partLevelsB[0], m.partLevelsB[1], m.bodyLevel, m.partLevelA})
            EXPECT_TRUE(std::isfinite(level));
        for (int i = 0; i < 20; ++i)
            EXPECT_TRUE(std::isfinite(w[i])) << i;
        // The next ordinary frame steps from where the levels were.
        random.emplace(std::initializer_list<int>{32767, 32767, 32767});
        m.Step(5.0f, 4.98f, 1.0f, false, w);
        for (int i = 0; i < 20; ++i)
            EXPECT_TRUE(std::isfinite(w[i])) << i;
        EXPECT_TRUE(std::isfinite(m.partLevelA) && std::isfinite(m.bodyLevel));
    }
    SetSelRandomSource(nullptr);
}

// ---- drawing on Wine's device

TEST(FishKindsOnDevice, MorphingKindsDrawTheirMeshesWithStreamThreeWhenTheSettingIsOn)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    D3DCAPS8 caps = {};
    device.Device()->GetDeviceCaps(&caps);
    if (caps.PixelShaderVersion < D3DPS_VERSION(1, 1))
        GTEST_SKIP() << "no pixel shaders";
    OruWorld world;
    fishtest::FishApp app(device.Device(), &world);
    struct Case {
        const char* what;
        bool bream;
        int32_t partialMorph;
        const char* fullDraw;
        const char* lowDraw;
    };
    const Case cases[] = {
        {"mackerel", false, 0, "DrawIndexedPrimitive 4 0 279 0 400", "DrawIndexedPrimitive 4 0 118 0 137"},
        {"mackerel, morph on", false, 1, "DrawIndexedPrimitive 4 0 279 0 400", "DrawIndexedPrimitive 4 0 118 0 137"},
        {"bream", true, 0, "DrawIndexedPrimitive 4 0 385 0 558", "DrawIndexedPrimitive 4 0 114 0 156"},
        {"bream, morph on", true, 1, "DrawIndexedPrimitive 4 0 385 0 558", "DrawIndexedPrimitive 4 0 114 0 156"},
    };
    for (const Case& c : cases) {
        PartialMorphSetting setting(c.partialMorph);
        std::unique_ptr<CFish> fish(c.bream ? static_cast<CFish*>(new CBream(0)) : new CMackerel());
        ASSERT_EQ(0, fish->RestoreDeviceObjects()) << c.what;
        ASSERT_TRUE(fish->textures[0]) << c.what << ": the skin loads";
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        D3DXMatrixIdentity(&fish->world);
        fish->UpdateShaderMatrices(&identity, &identity);
        fish->Animate(1.0f, 0.98f);

        world.vbServer->ResetCurrent();
        world.vsServer->ResetCurrent();
        {
            fishtest::DeviceRecorder rec(device.Device());
            fish->Render();
            EXPECT_EQ(std::vector<std::string>{c.fullDraw}, rec.Calls("DrawIndexedPrimitive")) << c.what;
            EXPECT_EQ(c.partialMorph ? 1u : 0u, rec.Calls("SetStreamSource 3 vb 24").size()) << c.what;
            EXPECT_EQ(fish->shaderHandles[c.partialMorph ? FishShaderMorph : FishShaderPlain], rec.vertexShader)
                << c.what;
        }
        fish->useLowDetail = 1;
        world.vbServer->ResetCurrent();
        world.vsServer->ResetCurrent();
        {
            fishtest::DeviceRecorder rec(device.Device());
            fish->Render();
            EXPECT_EQ(std::vector<std::string>{c.lowDraw}, rec.Calls("DrawIndexedPrimitive")) << c.what;
            EXPECT_EQ(fish->shaderHandles[FishShaderLow], rec.vertexShader) << c.what;
        }
        fish->InvalidateDeviceObjects();
        fish->DeleteDeviceObjects();
        fish->FinalCleanup();
    }
    world.vbServer->InvalidateDeviceObjects();
    world.vsServer->InvalidateDeviceObjects();
    world.sbServer->InvalidateDeviceObjects();
}
