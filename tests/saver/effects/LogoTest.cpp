// The media of the stencil paint, the flare and the logo as the program
// embeds them: formats, sizes, level counts and described content; the logo
// mesh through the real .x path; and the logo's mesh load when memory runs
// out part of the way.

#include "EffectsBTestSupport.h"

#include "effects/CLogo.h"
#include "EffectsBMedia.h"

#include "scene/OruWorld.h"
#include "servers/VBServer.h"
#include "texture/EmbeddedFile.h"
#include "texture/TextureCache.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <cstdlib>
#include <new>
#include <string>

using namespace effectsbtest;

// ---------------------------------------------------------------- failing allocations

// The replacements below pair malloc with free throughout.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

// When positive, the allocation that counts it down to zero fails.
long allocationsLeft = 0;

bool AllocationFails()
{
    return allocationsLeft > 0 && --allocationsLeft == 0;
}

} // namespace

void* operator new(std::size_t size)
{
    if (AllocationFails())
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (AllocationFails())
        return nullptr;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

uint32_t Get16(const BYTE* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

uint32_t Get32(const BYTE* p)
{
    return Get16(p) | Get16(p + 2) << 16;
}

// The inflated bytes of an embedded file (a copy: the inflate buffer is shared).
std::string Inflate(const EmbeddedFileRef* file)
{
    const BYTE* bytes = nullptr;
    size_t size = 0;
    if (FAILED(InflateEmbeddedFile(file->data, file->size, ImageInflateBuffer, ImageInflateBufferSize, &bytes, &size)))
        return std::string();
    return std::string(reinterpret_cast<const char*>(bytes), size);
}

const BYTE* Bytes(const std::string& s)
{
    return reinterpret_cast<const BYTE*>(s.data());
}

struct BmpInfo {
    int width = 0, height = 0, bits = 0;
    double dark = 0;  // share of pixels darker than 64 in every channel
    double light = 0; // share of pixels lighter than 192 in every channel
};

// Reads an uncompressed BMP whose rows fill the file; false otherwise.
bool ReadBmp(const std::string& s, BmpInfo& info)
{
    if (s.size() < 54 || s[0] != 'B' || s[1] != 'M' || Get32(Bytes(s) + 14) != 40 || Get32(Bytes(s) + 30) != 0)
        return false;
    info.width = int(Get32(Bytes(s) + 18));
    info.height = int(Get32(Bytes(s) + 22));
    info.bits = int(Get16(Bytes(s) + 28));
    const size_t offset = Get32(Bytes(s) + 10);
    const size_t row = (size_t(info.width) * info.bits / 8 + 3) & ~size_t(3);
    if (info.width <= 0 || info.height <= 0 || offset + row * info.height != s.size())
        return false;
    size_t dark = 0, light = 0;
    for (int y = 0; y < info.height; ++y)
        for (int x = 0; x < info.width; ++x) {
            const BYTE* p = info.bits == 8 ? Bytes(s) + 54 + 4 * size_t(BYTE(s[offset + row * y + x]))
                                           : Bytes(s) + offset + row * y + 3 * size_t(x);
            dark += p[0] < 64 && p[1] < 64 && p[2] < 64;
            light += p[0] > 192 && p[1] > 192 && p[2] > 192;
        }
    info.dark = double(dark) / (double(info.width) * info.height);
    info.light = double(light) / (double(info.width) * info.height);
    return true;
}

} // namespace

TEST(EffectsBMedia, PaintPatternsAre8BitBmpsOfTheirSizesAndContent)
{
    const struct {
        const char* what;
        int width, height;
        double darkLow, darkHigh;
    } expected[PaintTextureCount] = {
        {"tartan", 256, 256, 0.0, 1.0},
        {"dense dots", 128, 129, 0.2, 0.45},
        {"sparse dots", 128, 129, 0.05, 0.2},
        {"diagonal stripes", 256, 256, 0.4, 0.6},
    };
    for (int i = 0; i < PaintTextureCount; ++i) {
        SCOPED_TRACE(expected[i].what);
        BmpInfo info;
        ASSERT_TRUE(ReadBmp(Inflate(PaintTextures[i]), info));
        EXPECT_EQ(8, info.bits);
        EXPECT_EQ(expected[i].width, info.width);
        EXPECT_EQ(expected[i].height, info.height);
        EXPECT_GE(info.dark, expected[i].darkLow);
        EXPECT_LE(info.dark, expected[i].darkHigh);
        if (i > 0) {
            EXPECT_NEAR(1.0, info.dark + info.light, 0.15) << "black on white";
        }
    }
    // The dense dots cover more than the sparse ones.
    BmpInfo dense, sparse;
    ASSERT_TRUE(ReadBmp(Inflate(PaintTextures[1]), dense));
    ASSERT_TRUE(ReadBmp(Inflate(PaintTextures[2]), sparse));
    EXPECT_GT(dense.dark, 2 * sparse.dark);
}

TEST(EffectsBMedia, FlareTexturesAreFifteen8BitAndFive24BitBmps)
{
    int eightBit = 0, fullColour = 0;
    for (int i = 0; i < FlareTextureCount; ++i) {
        SCOPED_TRACE(i);
        BmpInfo info;
        ASSERT_TRUE(ReadBmp(Inflate(FlareTextures[i]), info));
        EXPECT_EQ(128, info.width);
        EXPECT_EQ(128, info.height);
        eightBit += info.bits == 8;
        fullColour += info.bits == 24;
        EXPECT_GT(info.dark, 0.2) << "drawn additively: mostly black";
        EXPECT_LT(info.dark, 1.0) << "something to see";
    }
    EXPECT_EQ(15, eightBit);
    EXPECT_EQ(5, fullColour);
}

TEST(EffectsBMedia, LogoImagesHaveTheirFormatsSizesAndLevels)
{
    const std::string tga = Inflate(LogoTextures[0]);
    ASSERT_EQ(size_t(18 + 512 * 512 * 4), tga.size());
    EXPECT_EQ(2, tga[2]) << "uncompressed true colour";
    EXPECT_EQ(512u, Get16(Bytes(tga) + 12));
    EXPECT_EQ(512u, Get16(Bytes(tga) + 14));
    EXPECT_EQ(32, BYTE(tga[16]));
    size_t flat = 0;
    for (size_t p = 18; p < tga.size(); p += 4)
        flat += BYTE(tga[p]) == 255 && BYTE(tga[p + 1]) == 127 && BYTE(tga[p + 2]) == 127 && tga[p + 3] == 0;
    EXPECT_EQ(size_t(512 * 512), flat) << "every texel (127, 127, 255, alpha 0)";

    const struct {
        const char* what;
        const EmbeddedFileRef* file;
        bool cube;
    } dds[] = {{"picture", LogoTextures[1], false}, {"cube map", LogoCubeTexture, true}};
    for (const auto& d : dds) {
        SCOPED_TRACE(d.what);
        const std::string s = Inflate(d.file);
        ASSERT_GE(s.size(), 128u);
        EXPECT_EQ("DDS ", s.substr(0, 4));
        EXPECT_EQ(256u, Get32(Bytes(s) + 12));
        EXPECT_EQ(256u, Get32(Bytes(s) + 16));
        EXPECT_EQ("DXT1", s.substr(84, 4));
        const uint32_t levels = (Get32(Bytes(s) + 8) & 0x20000) ? Get32(Bytes(s) + 28) : 1;
        EXPECT_EQ(1u, levels);
        EXPECT_EQ(d.cube ? 0xFE00u : 0u, Get32(Bytes(s) + 112) & 0xFE00u);
        EXPECT_EQ(128u + (d.cube ? 6u : 1u) * 64u * 64u * 8u, s.size());
    }
}

class EffectsBMeshTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device_.reset(new TestDevice(32, 32));
        ASSERT_TRUE(device_->Ok()) << device_->Error();
    }
    std::unique_ptr<TestDevice> device_;
};

TEST_F(EffectsBMeshTest, LogoMeshLoadsThroughTheXPath)
{
    EffectsApp app(device_->Device(), D3DFMT_D24S8);
    OruMeshRecord record;
    record.key = reinterpret_cast<uintptr_t>(LogoMesh);
    record.fvf = 0x112;
    record.stride = 32;
    ASSERT_EQ(0, app.world->vbServer->LoadXMesh(&record, 0));
    EXPECT_EQ(1274, record.vertexCount);
    EXPECT_EQ(2132, record.faceCount);
    ASSERT_EQ(1, record.rangeCount);
    EXPECT_EQ(0u, record.ranges[0].AttribId);
    EXPECT_EQ(0u, record.ranges[0].FaceStart);
    EXPECT_EQ(2132u, record.ranges[0].FaceCount);
    EXPECT_EQ(0u, record.ranges[0].VertexStart);
    EXPECT_EQ(1274u, record.ranges[0].VertexCount);
    float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
    int unit = 0;
    for (int v = 0; v < record.vertexCount; ++v) {
        const float* f = reinterpret_cast<const float*>(static_cast<const BYTE*>(record.vertices) + 32 * v);
        for (int k = 0; k < 3; ++k) {
            low[k] = std::fmin(low[k], f[k]);
            high[k] = std::fmax(high[k], f[k]);
        }
        unit += std::fabs(std::sqrt(f[3] * f[3] + f[4] * f[4] + f[5] * f[5]) - 1.0f) < 1e-3f;
    }
    EXPECT_EQ(1274, unit) << "every vertex gets a unit normal";
    EXPECT_FLOAT_EQ(-3.44f, low[0]);
    EXPECT_FLOAT_EQ(4.37f, high[0]);
    EXPECT_FLOAT_EQ(-1.61f, low[1]);
    EXPECT_FLOAT_EQ(1.61f, high[1]);
    EXPECT_FLOAT_EQ(-0.2f, low[2]);
    EXPECT_FLOAT_EQ(0.0f, high[2]);
    // The server owns the arrays.
    record.vertices = nullptr;
    record.indices = nullptr;
}

TEST_F(EffectsBMeshTest, LogoMeshLoadRunningOutOfMemoryIsAResult)
{
    EffectsApp app(device_->Device(), D3DFMT_D24S8);
    CLogo* logo = new CLogo;
    ASSERT_EQ(0, app.world->AddObject(logo));
    // Fail the n-th allocation of the load, for n from the first on, until
    // the load gets through.
    bool loaded = false;
    int failures = 0;
    for (long n = 1; n < 200000 && !loaded; n = n < 16 ? n + 1 : n * 3 / 2) {
        HRESULT hr = 0;
        bool threw = false;
        allocationsLeft = n;
        try {
            hr = logo->InitDeviceObjects();
        } catch (...) {
            threw = true;
        }
        const bool failedAllocation = allocationsLeft == 0;
        allocationsLeft = 0;
        ASSERT_FALSE(threw) << "allocation " << n;
        if (failedAllocation) {
            ++failures;
            EXPECT_EQ(0, hr) << "the world acts on no result here";
            if (logo->meshes[0].vertexCount == 0) {
                // Nothing was kept: the restore makes no buffer and nothing draws.
                EXPECT_EQ(0, app.world->vbServer->count);
                EXPECT_EQ(0, logo->RestoreDeviceObjects());
                EXPECT_EQ(nullptr, logo->meshes[0].vertexBuffer);
                logo->InvalidateDeviceObjects();
                app.world->InvalidateDeviceObjects();
                continue;
            }
        }
        loaded = logo->meshes[0].vertexCount == 1274;
    }
    EXPECT_TRUE(loaded);
    EXPECT_GT(failures, 5);
}
