// The logo: its turn with time; on Wine's device no call once warmed up or
// without a mesh, and the cube face it reflects, or its picture without
// pixel shaders; its images as the program embeds them, its mesh through the
// real .x path, and the mesh load when memory runs out part of the way.

#include "EffectsTestScene.h"
#include "MediaFile.h"

#include "effects/CLogo.h"
#include "LogoMedia.h"

#include "scene/OruWorld.h"
#include "servers/VBServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <map>
#include <new>
#include <set>
#include <string>
#include <vector>

using namespace effectstest;
using namespace mediatest;

// ---------------------------------------------------------------- failing allocations

// The replacements below pair malloc with free throughout.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

// When positive, the allocation that counts it down to zero fails.
long allocationsLeft = 0;
// The allocations counted since the last reset, and while recording the
// call path of each (the first PathCapacity).
long allocationCount = 0;
bool recording = false;
const long PathCapacity = 1 << 18;
uint64_t recordedPaths[PathCapacity];
// The call path of the allocation that failed.
uint64_t failedPath = 0;

// A hash of the return addresses above the allocation function.
__attribute__((noinline)) uint64_t CallPath()
{
    void* frames[8] = {};
    const USHORT n = RtlCaptureStackBackTrace(2, 8, frames, nullptr);
    uint64_t h = 1469598103934665603ull;
    for (USHORT i = 0; i < n; ++i) {
        h ^= uint64_t(reinterpret_cast<uintptr_t>(frames[i]));
        h *= 1099511628211ull;
    }
    return h;
}

bool AllocationFails()
{
    const bool fails = allocationsLeft > 0 && --allocationsLeft == 0;
    if (recording || fails) {
        const uint64_t path = CallPath();
        if (recording && allocationCount < PathCapacity)
            recordedPaths[allocationCount] = path;
        if (fails)
            failedPath = path;
    }
    ++allocationCount;
    return fails;
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

const int Size = 64;

// A cube texture of one colour per face: +x red, -x green, +y blue,
// -y yellow, +z magenta, -z cyan.
const uint32_t FaceColours[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};

IDirect3DCubeTexture8* SixColourCube(IDirect3DDevice8* device)
{
    IDirect3DCubeTexture8* cube = nullptr;
    if (FAILED(device->CreateCubeTexture(16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube)) || !cube)
        return nullptr;
    for (int f = 0; f < 6; ++f) {
        D3DLOCKED_RECT locked = {};
        if (FAILED(cube->LockRect(D3DCUBEMAP_FACES(f), 0, &locked, nullptr, 0)))
            continue;
        for (int y = 0; y < 16; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
            for (int x = 0; x < 16; ++x)
                row[x] = 0xFF000000u | FaceColours[f];
        }
        cube->UnlockRect(D3DCUBEMAP_FACES(f), 0);
    }
    return cube;
}

class LogoOnDevice : public StencilDeviceTest {
};

class LogoMeshLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        device_.reset(new TestDevice(32, 32));
        ASSERT_TRUE(device_->Ok()) << device_->Error();
    }
    std::unique_ptr<TestDevice> device_;
};

} // namespace

TEST(LogoTables, RollsAndYawsBackwardsWithTime)
{
    CLogo logo;
    EXPECT_STREQ("CLogo", logo.name);
    EXPECT_EQ(1, logo.noCull);
    float previous = 0;
    for (float t : {0.0f, 0.25f, 1.0f, 3.5f, 10.0f}) {
        logo.Update(t, previous);
        previous = t;
        EXPECT_NEAR(-t, logo.roll, 1e-5f) << t;
        EXPECT_NEAR(-0.5f * t, logo.yaw, 1e-5f) << t;
    }
}

TEST_F(LogoOnDevice, MakesNoDeviceCallOnceWarmedUpOrWithoutAMesh)
{
    EffectsApp app(Device(), D3DFMT_D24S8);
    CLogo* logo = new CLogo;
    ASSERT_EQ(0, app.world->AddObject(logo));
    // The mesh is not loaded (no InitDeviceObjects): the restore makes no
    // zero-byte buffer and the logo has nothing to draw.
    ASSERT_EQ(0, app.world->RestoreDeviceObjects());
    EXPECT_EQ(nullptr, logo->meshes[0].vertexBuffer);
    CountingDevice counting;
    app.device = counting.Device();
    CountingDevice::calls = 0;
    app.world->warmedUp = 0;
    EXPECT_EQ(0, logo->Render());
    EXPECT_EQ(0, CountingDevice::calls) << "an empty mesh draws nothing";
    app.device = Device();

    ASSERT_EQ(0, app.world->InitDeviceObjects());
    ASSERT_EQ(0, app.world->RestoreDeviceObjects());
    ASSERT_NE(nullptr, logo->meshes[0].vertexBuffer);
    app.world->warmedUp = 1;
    app.device = counting.Device();
    CountingDevice::calls = 0;
    EXPECT_EQ(0, logo->Render());
    EXPECT_EQ(0, CountingDevice::calls) << "warmed up: no device call at all";
    app.world->warmedUp = 0;
    EXPECT_EQ(0, logo->Render());
    EXPECT_GT(CountingDevice::calls, 0) << "the counter sees the calls of a draw";
    app.device = Device();
}

TEST_F(LogoOnDevice, ReflectsTheCubeFaceItsNormalMapAndWorldRowsPick)
{
    // The flat normal map read with _bx2 is (0, 0, 1): the surface is a
    // mirror, and straight on the eye sees the -z face. The tangent frame
    // takes world's rows as they are, so with the logo turned 30 degrees
    // about y the reflection leaves towards +x (the transposed rows would
    // give -x).
    const struct {
        float yaw;
        int face;
    } cases[] = {{0.0f, 5}, {3.14159265f / 6, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "yaw " << c.yaw);
        EffectsApp app(Device(), D3DFMT_D24S8);
        CLogo* logo = new CLogo;
        logo->position = Vector3(0, 0, 15);
        ASSERT_EQ(0, app.world->AddObject(logo));
        ASSERT_EQ(0, app.world->InitDeviceObjects());
        ASSERT_EQ(0, app.world->RestoreDeviceObjects());
        ASSERT_NE(nullptr, logo->cubeTexture) << "loaded on a device with pixel shaders";
        logo->cubeTexture->Release();
        logo->cubeTexture = SixColourCube(Device());
        ASSERT_NE(nullptr, logo->cubeTexture);
        app.Look(Vector3(0, 0, 10), Vector3(0, 0, 20), false);
        logo->yaw = c.yaw;
        logo->Update(0, 0);

        app.world->SetFixedConstants();
        ASSERT_EQ(S_OK, Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1, 0));
        ASSERT_TRUE(SUCCEEDED(Device()->BeginScene()));
        app.world->Render();
        Device()->EndScene();
        const Image image = device_->ReadBackBuffer();
        image.SavePngIfFailed(c.yaw == 0 ? "LogoStraight" : "LogoTurned");
        const uint32_t f = FaceColours[c.face];
        // Half the face's colour added to black.
        EXPECT_TRUE(PixelNear(image, Size / 2, Size / 2,
                              Rgb((f >> 16 & 0xFF) * 0.5, (f >> 8 & 0xFF) * 0.5, (f & 0xFF) * 0.5), 6));
        EXPECT_EQ(0u, image.Rgb(0, 0)) << "the logo is narrower than the screen's height";
    }
}

TEST_F(LogoOnDevice, WithoutPixelShadersShowsItsPictureOnItsOwnStages)
{
    EffectsApp app(Device(), D3DFMT_D24S8);
    app.caps.PixelShaderVersion = 0;
    CLogo* logo = new CLogo;
    FixtureImages fixtures;
    fixtures.Replace(*logo, 1, 255, 255, 255);
    logo->position = Vector3(0, 0, 15);
    ASSERT_EQ(0, app.world->AddObject(logo));
    ASSERT_EQ(0, app.world->InitDeviceObjects());
    ASSERT_EQ(0, app.world->RestoreDeviceObjects());
    EXPECT_EQ(nullptr, logo->cubeTexture) << "no cube without pixel shaders";
    app.Look(Vector3(0, 0, 10), Vector3(0, 0, 20), false);
    logo->Update(0, 0);

    // A texture some other draw left on stages 1 to 3.
    IDirect3DTexture8* stale = nullptr;
    ASSERT_EQ(S_OK, Device()->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &stale));
    for (DWORD stage = 1; stage < 4; ++stage)
        Device()->SetTexture(stage, stale);

    app.world->SetFixedConstants();
    ASSERT_EQ(S_OK, Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1, 0));
    ASSERT_TRUE(SUCCEEDED(Device()->BeginScene()));
    app.world->Render();
    Device()->EndScene();
    const Image image = device_->ReadBackBuffer();
    image.SavePngIfFailed("LogoWithoutPixelShaders");

    IDirect3DBaseTexture8* bound[4] = {};
    for (DWORD stage = 0; stage < 4; ++stage)
        Device()->GetTexture(stage, &bound[stage]);
    EXPECT_EQ(static_cast<IDirect3DBaseTexture8*>(logo->textures[1]), bound[0]);
    EXPECT_EQ(static_cast<IDirect3DBaseTexture8*>(logo->textures[1]), bound[1]) << "the picture, not a stale texture";
    EXPECT_EQ(nullptr, bound[2]);
    EXPECT_EQ(nullptr, bound[3]);
    for (IDirect3DBaseTexture8* t : bound)
        if (t)
            t->Release();
    for (DWORD stage = 0; stage < 4; ++stage)
        Device()->SetTexture(stage, nullptr);
    stale->Release();

    EXPECT_NE(0u, image.Rgb(Size / 2, Size / 2)) << "the lit picture shows";
    EXPECT_EQ(0u, image.Rgb(0, 0));
}

TEST(LogoMedia, ImagesHaveTheirFormatsSizesAndLevels)
{
    const std::string tga = Inflate(LogoTextures[0]);
    ASSERT_EQ(size_t(18 + 512 * 512 * 4), tga.size());
    EXPECT_EQ(2, tga[2]) << "uncompressed true colour";
    EXPECT_EQ(512u, U16(tga, 12));
    EXPECT_EQ(512u, U16(tga, 14));
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
        EXPECT_EQ(256u, U32(s, 12));
        EXPECT_EQ(256u, U32(s, 16));
        EXPECT_EQ("DXT1", s.substr(84, 4));
        const uint32_t levels = (U32(s, 8) & 0x20000) ? U32(s, 28) : 1;
        EXPECT_EQ(1u, levels);
        EXPECT_EQ(d.cube ? 0xFE00u : 0u, U32(s, 112) & 0xFE00u);
        EXPECT_EQ(128u + (d.cube ? 6u : 1u) * 64u * 64u * 8u, s.size());
    }
}

TEST_F(LogoMeshLoad, GoesThroughTheXPath)
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

// A load makes some 60,000 allocations from a few dozen call paths (the
// .x reader's vectors). Each call path's allocation fails at its first,
// second and last turn in the load: no exception, the world told nothing,
// and either nothing kept or the whole mesh.
TEST_F(LogoMeshLoad, RunningOutOfMemoryIsAResult)
{
    // Two loads that record the call path of each allocation (the first
    // makes what is made once per process), then one load per chosen
    // allocation that fails it; every load from this one place, so that the
    // paths compare.
    std::vector<long> plan = {0, 0}; // 0: a recording load
    long count = 0;
    size_t paths = 0;
    int emptied = 0;
    for (size_t k = 0; k < plan.size(); ++k) {
        const long n = plan[k];
        SCOPED_TRACE(testing::Message() << "allocation " << n << " of " << count);
        EffectsApp app(device_->Device(), D3DFMT_D24S8);
        CLogo* logo = new CLogo;
        ASSERT_EQ(0, app.world->AddObject(logo));
        HRESULT hr = 0;
        bool threw = false;
        allocationCount = 0;
        allocationsLeft = n;
        recording = n == 0;
        try {
            hr = logo->InitDeviceObjects();
        } catch (...) {
            threw = true;
        }
        recording = false;
        const bool failed = n > 0 && allocationsLeft == 0;
        allocationsLeft = 0;
        ASSERT_FALSE(threw);
        EXPECT_EQ(0, hr) << "the world acts on no result here";
        if (n == 0) {
            ASSERT_EQ(1274, logo->meshes[0].vertexCount);
            count = allocationCount;
            ASSERT_LE(count, PathCapacity);
            if (k + 1 < plan.size())
                continue;
            std::map<uint64_t, std::vector<long>> turns; // call path -> its allocations (1-based)
            for (long i = 0; i < count; ++i)
                turns[recordedPaths[i]].push_back(i + 1);
            std::set<long> chosen;
            for (const auto& path : turns) {
                const std::vector<long>& at = path.second;
                chosen.insert(at.front());
                chosen.insert(at.size() > 1 ? at[1] : at.front());
                chosen.insert(at.back());
            }
            paths = turns.size();
            plan.insert(plan.end(), chosen.begin(), chosen.end());
            continue;
        }
        ASSERT_TRUE(failed) << "the load made " << allocationCount << " allocations";
        EXPECT_EQ(recordedPaths[n - 1], failedPath) << "the failure hit the recorded call path";
        if (logo->meshes[0].vertexCount == 0) {
            // Nothing was kept: the restore makes no buffer and nothing draws.
            ++emptied;
            EXPECT_EQ(0, app.world->vbServer->count);
            EXPECT_EQ(0, logo->RestoreDeviceObjects());
            EXPECT_EQ(nullptr, logo->meshes[0].vertexBuffer);
            logo->InvalidateDeviceObjects();
        } else {
            EXPECT_EQ(1274, logo->meshes[0].vertexCount) << "the whole mesh or none";
        }
    }
    EXPECT_GT(paths, 20u);
    EXPECT_GT(emptied, 5);
}

namespace {

// The 4-connected regions of the pixels where `inside` holds, each as its
// bounding box and whether it touches the image's border.
struct Region {
    int x0, y0, x1, y1;
    bool border;
    bool Holds(const Region& r) const { return r.x0 >= x0 && r.x1 <= x1 && r.y0 >= y0 && r.y1 <= y1; }
};

template <typename Inside> std::vector<Region> Regions(const Image& image, Inside inside)
{
    std::vector<Region> regions;
    std::vector<char> seen(size_t(image.width) * image.height, 0);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            if (seen[size_t(y) * image.width + x] || !inside(x, y))
                continue;
            Region r{x, y, x, y, false};
            std::vector<POINT> stack{{x, y}};
            seen[size_t(y) * image.width + x] = 1;
            while (!stack.empty()) {
                const POINT p = stack.back();
                stack.pop_back();
                r.x0 = std::min(r.x0, int(p.x)), r.x1 = std::max(r.x1, int(p.x));
                r.y0 = std::min(r.y0, int(p.y)), r.y1 = std::max(r.y1, int(p.y));
                r.border = r.border || p.x == 0 || p.y == 0 || p.x == image.width - 1 || p.y == image.height - 1;
                const POINT next[4] = {{p.x + 1, p.y}, {p.x - 1, p.y}, {p.x, p.y + 1}, {p.x, p.y - 1}};
                for (const POINT& n : next) {
                    if (n.x < 0 || n.y < 0 || n.x >= image.width || n.y >= image.height)
                        continue;
                    char& s = seen[size_t(n.y) * image.width + n.x];
                    if (!s && inside(int(n.x), int(n.y))) {
                        s = 1;
                        stack.push_back(n);
                    }
                }
            }
            regions.push_back(r);
        }
    return regions;
}

} // namespace

TEST(LogoFront, ShowsOneShapePerLetterOfReefGlow3AndTheCountersOfROAndO)
{
    // The program's warm-up view of the logo (from (0, 0, 10) along +z, the
    // logo at (0, 0, 15), unturned), drawn by the logo itself, but with an
    // orthographic projection whose far plane lies between the letters'
    // faces (4.8 units away) and the plate (5): only the letters show.
    const int width = 512, height = 256;
    TestDevice device(width, height);
    ASSERT_TRUE(device.Ok()) << device.Error();
    EffectsApp app(device.Device(), D3DFMT_D24S8);
    CLogo* logo = new CLogo;
    logo->position = Vector3(0, 0, 15);
    ASSERT_EQ(0, app.world->AddObject(logo));
    ASSERT_EQ(0, app.world->InitDeviceObjects());
    ASSERT_EQ(0, app.world->RestoreDeviceObjects());
    ASSERT_NE(nullptr, logo->cubeTexture);
    // Every face of this cube is bright in some channel, whatever a face's
    // normal reflects.
    logo->cubeTexture->Release();
    logo->cubeTexture = SixColourCube(device.Device());
    ASSERT_NE(nullptr, logo->cubeTexture);
    const float viewWidth = 9.2f, viewHeight = 4.6f, nearPlane = 0.1f, farPlane = 4.9f;
    D3DXMATRIX ortho;
    std::memset(&ortho, 0, sizeof ortho);
    ortho._11 = 2 / viewWidth;
    ortho._22 = 2 / viewHeight;
    ortho._33 = 1 / (farPlane - nearPlane);
    ortho._43 = -nearPlane / (farPlane - nearPlane);
    ortho._44 = 1;
    app.projection = ortho;
    app.Look(Vector3(0, 0, 10), Vector3(0, 0, 20), false);
    logo->Update(0, 0);

    app.world->SetFixedConstants();
    ASSERT_EQ(S_OK, device.Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1, 0));
    ASSERT_TRUE(SUCCEEDED(device.Device()->BeginScene()));
    app.world->Render();
    device.Device()->EndScene();
    const Image image = device.ReadBackBuffer();
    image.SavePng("LogoFront.png");

    auto lit = [&](int x, int y) {
        const uint32_t c = image.Rgb(x, y);
        return std::max({c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF}) > 60;
    };
    const std::vector<Region> shapes = Regions(image, lit);
    ASSERT_EQ(9u, shapes.size()) << "R, E, E, F, G, L, O, W and 3 (saved as LogoFront.png)";
    // The 3 is the one shape spanning both lines, at the right; the other
    // shapes stand in two lines of four, read left to right.
    std::vector<Region> upper, lower;
    int three = -1;
    for (size_t k = 0; k < shapes.size(); ++k) {
        const Region& s = shapes[k];
        if (s.y0 < height / 2 && s.y1 > height / 2)
            three = int(k);
        else
            (s.y1 < height / 2 ? upper : lower).push_back(s);
    }
    ASSERT_GE(three, 0);
    ASSERT_EQ(4u, upper.size());
    ASSERT_EQ(4u, lower.size());
    auto byX = [](const Region& a, const Region& b) { return a.x0 < b.x0; };
    std::sort(upper.begin(), upper.end(), byX);
    std::sort(lower.begin(), lower.end(), byX);
    EXPECT_GT(shapes[size_t(three)].x0, upper.back().x1);
    EXPECT_GT(shapes[size_t(three)].x0, lower.back().x1);
    // The enclosed holes: the counter of R (the upper line's first letter)
    // and of O (the lower line's third), and none elsewhere.
    std::vector<Region> holes;
    for (const Region& r : Regions(image, [&](int x, int y) { return !lit(x, y); }))
        if (!r.border)
            holes.push_back(r);
    ASSERT_EQ(2u, holes.size());
    std::sort(holes.begin(), holes.end(), [](const Region& a, const Region& b) { return a.y0 < b.y0; });
    EXPECT_TRUE(upper[0].Holds(holes[0])) << "R's counter";
    EXPECT_TRUE(lower[2].Holds(holes[1])) << "O's counter";
}
