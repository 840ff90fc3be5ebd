// The engine standing together on Wine's device: a world with the camera,
// the servers and a few vertex objects made from the compiled-in test cube
// and texture, updated and drawn frame by frame and read back: objects where
// the camera sees them, culled ones absent, transparent ones blended far to
// near, a texture viewer in its corner; the same picture after a device
// reset; every device reference given back at the end. And a soak of
// thousands of frames of steered objects without a value that is not a
// number, without a heap allocation after the first frame and without
// growth in handles.

#include "AllocationCounter.h"
#include "TestAssetFiles.h"
#include "TestCube.h"
#include "TestDevice.h"
#include "TestMesh.h"

#include "framework/OruApplication.h"
#include "scene/OruCamera.h"
#include "scene/OruMove.h"
#include "scene/OruSteering.h"
#include "scene/OruWorld.h"
#include "scene/PimTexViewer.h"
#include "servers/VBServer.h"
#include "trace/DebugPrint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

// The engine's labels print nothing; this program counts the tags of values
// that are not numbers ("!MDF", "!MMX", the steering's "!B..") instead.
namespace {
int g_tags = 0;
std::string g_lastTag;
void Note(const char* format)
{
    if (format && format[0] == '!') {
        ++g_tags;
        g_lastTag = format;
    }
}
} // namespace

int DebugPrint(const char* format, ...)
{
    Note(format);
    return 0;
}

int DebugPrint(int, const char* format, ...)
{
    Note(format);
    return 0;
}

namespace {

const D3DCOLOR ClearColour = 0x001020C0;
const uint32_t White = 0xFFFFFF, Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF;

// The application side of the engine for a test device: the world it owns,
// the projection it builds at every restore, and one frame as the framework
// draws it.
class WorldApp : public OruApplication {
public:
    explicit WorldApp(TestDevice& testDevice) : test_(testDevice)
    {
        device = testDevice.Device();
        device->GetDeviceCaps(&caps);
        ReadBackBufferSize();
        OruWorld::fTimeKey = -1.0f;
        world = new OruWorld();
    }
    ~WorldApp() override
    {
        Cleanup();
        device = nullptr;
    }

    HRESULT Restore()
    {
        ReadBackBufferSize();
        const float aspect = float(backBufferDesc.Width) / float(backBufferDesc.Height);
        D3DXMatrixPerspectiveFovLH(&projection, fieldOfView, aspect, 0.1f, 100.0f);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        return world->RestoreDeviceObjects();
    }

    // Invalidate, reset the device, restore.
    HRESULT Reset()
    {
        world->InvalidateDeviceObjects();
        D3DPRESENT_PARAMETERS parameters = test_.Parameters();
        const HRESULT hr = device->Reset(&parameters);
        if (FAILED(hr))
            return hr;
        return Restore();
    }

    void Update(float t) { world->UpdateAll(t); }

    void Draw()
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, ClearColour, 1.0f, 0);
        if (SUCCEEDED(device->BeginScene())) {
            world->Render();
            device->EndScene();
        }
    }

    Image Frame(float t)
    {
        Update(t);
        Draw();
        return test_.ReadBackBuffer();
    }

    // Device objects given back, the world finalised and freed.
    void Cleanup()
    {
        if (!world)
            return;
        world->InvalidateDeviceObjects();
        world->DeleteDeviceObjects();
        world->FinalCleanup();
        delete world;
        world = nullptr;
    }

private:
    void ReadBackBufferSize()
    {
        IDirect3DSurface8* back = nullptr;
        if (SUCCEEDED(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)) && back) {
            back->GetDesc(&backBufferDesc);
            back->Release();
        }
    }

    TestDevice& test_;
};

ULONG References(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

TestCube* Cube(OruWorld& world, D3DXVECTOR3 at, const float (&rgb)[3], bool transparent = false)
{
    TestCube* cube = new TestCube(&TestMesh, TestTexture.ref, transparent);
    cube->position = at;
    for (int k = 0; k < 3; ++k)
        cube->colour[k] = rgb[k];
    cube->colour[3] = 1.0f;
    EXPECT_EQ(0, world.AddObject(cube));
    return cube;
}

// What the process holds: committed private memory, its handle count and,
// since Wine does not count handles, the value a new handle gets (the
// lowest free slot of the handle table, which grows when handles leak).
struct Usage {
    AllocationCounter::Counts heap = {};
    DWORD handles = 0;
    size_t nextHandle = 0;
};

Usage Measure()
{
    Usage u;
    u.heap = AllocationCounter::Now();
    GetProcessHandleCount(GetCurrentProcess(), &u.handles);
    HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    u.nextHandle = reinterpret_cast<size_t>(probe);
    if (probe)
        CloseHandle(probe);
    return u;
}

struct Probe {
    int x, y;
    uint32_t rgb;
    const char* what;
};

int Channel(uint32_t rgb, int shift)
{
    return int((rgb >> shift) & 0xFF);
}

} // namespace

TEST(EngineWorld, ObjectsAppearWhereTheCameraLooksAndSurviveAReset)
{
    TestDevice device(128, 128);
    ASSERT_TRUE(device.Ok()) << device.Error();
    const ULONG baseline = References(device.Device());
    {
        WorldApp app(device);
        OruWorld& world = *app.world;
        // The camera stands where the warm-up view looks from, toward +z.
        world.camera->SetEyePoint(Vector3(0, 0, 10));
        world.camera->SetTargetPoint(Vector3(0, 0, 20));

        const float white[3] = {1, 1, 1}, red[3] = {1, 0, 0}, blue[3] = {0, 0, 1};
        TestCube* left = Cube(world, D3DXVECTOR3(-1.5f, 0.6f, 16), white);
        TestCube* right = Cube(world, D3DXVECTOR3(1.5f, 0.6f, 16), white);
        TestCube* hidden = Cube(world, D3DXVECTOR3(0, 0.6f, 16), red);
        hidden->hidden = 1;
        TestCube* behind = Cube(world, D3DXVECTOR3(0, 0, 5), red);
        // Added near first: only the world's sort draws the far one first.
        TestCube* nearGlass = Cube(world, D3DXVECTOR3(0, -0.8f, 14), blue, true);
        TestCube* farGlass = Cube(world, D3DXVECTOR3(0, -1.8f, 19), red, true);
        PimTexViewer* viewer = new PimTexViewer(-0.95f, -0.55f, 0.3f);
        viewer->SetTexture(&left->textures[0]);
        ASSERT_EQ(0, world.AddObject(viewer));

        ASSERT_EQ(0, world.InitDeviceObjects());
        EXPECT_EQ(0.5f, left->radius) << "bounds from the cube";
        ASSERT_EQ(0, app.Restore());
        EXPECT_EQ(1, world.vbServer->count) << "one buffer pair for every cube";

        Image first;
        for (int frame = 0; frame < 12; ++frame)
            first = app.Frame(0.02f * float(frame + 1));
        first.SavePngIfFailed("EngineWorldFirst");

        EXPECT_EQ(0, left->culled);
        EXPECT_EQ(0, right->culled);
        EXPECT_EQ(1, hidden->culled);
        EXPECT_EQ(1, behind->culled);
        EXPECT_EQ(0, hidden->renders);
        EXPECT_EQ(0, behind->renders);
        EXPECT_GT(left->renders, 0);
        EXPECT_GT(right->renders, 0);
        EXPECT_GT(nearGlass->sortDistance, 0.0f);
        EXPECT_GT(farGlass->sortDistance, nearGlass->sortDistance);

        const Probe probes[] = {
            {29, 47, White, "left cube, upper left"},  {39, 47, Red, "left cube, upper right"},
            {29, 57, Green, "left cube, lower left"},  {39, 57, Blue, "left cube, lower right"},
            {89, 47, White, "right cube, upper left"}, {99, 57, Blue, "right cube, lower right"},
            {64, 52, ClearColour, "hidden cube absent"}, {64, 20, ClearColour, "nothing above"},
            {8, 105, White, "viewer, upper left"},     {18, 105, Red, "viewer, upper right"},
            {8, 118, Green, "viewer, lower left"},     {18, 118, Blue, "viewer, lower right"},
        };
        for (const Probe& p : probes)
            EXPECT_EQ(p.rgb, first.Rgb(p.x, p.y)) << p.what;

        // Far red under near blue, each half opaque, over the clear colour:
        // red first gives (68, 8, 176); blue first would hide or lose the red.
        const uint32_t both = first.Rgb(60, 84);
        EXPECT_NEAR(68, Channel(both, 16), 4) << std::hex << both;
        EXPECT_NEAR(8, Channel(both, 8), 4) << std::hex << both;
        EXPECT_NEAR(176, Channel(both, 0), 4) << std::hex << both;
        const uint32_t nearOnly = first.Rgb(52, 77);
        EXPECT_NEAR(8, Channel(nearOnly, 16), 4) << std::hex << nearOnly;
        EXPECT_NEAR(224, Channel(nearOnly, 0), 4) << std::hex << nearOnly;

        // The same picture after the device is reset.
        ASSERT_EQ(0, app.Reset());
        const Image again = app.Frame(0.26f);
        again.SavePngIfFailed("EngineWorldAfterReset");
        ASSERT_EQ(first.pixels.size(), again.pixels.size());
        int differing = 0;
        for (size_t i = 0; i < first.pixels.size(); ++i)
            differing += (first.pixels[i] & 0xFFFFFF) != (again.pixels[i] & 0xFFFFFF);
        EXPECT_EQ(0, differing);
        EXPECT_EQ(0, g_tags) << g_lastTag;

        app.Cleanup();
    }
    EXPECT_EQ(baseline, References(device.Device())) << "every texture and buffer released";
}

TEST(EngineWorld, SoakOfSteeredObjectsKeepsValuesMemoryAndHandles)
{
    TestDevice device(64, 64);
    ASSERT_TRUE(device.Ok()) << device.Error();
    const ULONG baseline = References(device.Device());
    // The count sees the engine's tags: a speed that is not a number is one.
    g_tags = 0;
    OruMove tagged;
    tagged.speed = std::nanf("");
    tagged.Update(1, 0);
    ASSERT_EQ(1, g_tags);
    g_tags = 0;

    const int Objects = 24;
    const int Frames = 3000;
    {
        WorldApp app(device);
        OruWorld& world = *app.world;
        world.camera->SetEyePoint(Vector3(0, 0, -12));
        world.camera->SetTargetPoint(Vector3(0, 0, 0));
        std::vector<TestCube*> cubes;
        std::vector<OruSteering*> steering;
        for (int i = 0; i < Objects; ++i) {
            const float rgb[3] = {float(i % 3 == 0), float(i % 3 == 1), float(i % 3 == 2)};
            TestCube* cube = Cube(world, D3DXVECTOR3(float(i % 6) - 2.5f, float(i / 6) - 1.5f, 0), rgb, i % 4 == 0);
            cube->scale = 0.3f;
            cube->speed = 0.5f;
            OruSteering* mover = new OruSteering();
            // Most seek a goal that circles the stage; a few wander.
            mover->courseMode = i % 5 == 0 ? CourseWander : CourseSeek;
            mover->speedScale = 1.0f;
            mover->desiredSpeed = 1.0f;
            cube->SetSteering(mover);
            cubes.push_back(cube);
            steering.push_back(mover);
        }
        ASSERT_EQ(0, world.InitDeviceObjects());
        ASSERT_EQ(0, app.Restore());

        Usage early, late;
        int notFinite = 0;
        for (int frame = 1; frame <= Frames; ++frame) {
            const float t = 0.02f * float(frame);
            for (int i = 0; i < Objects; ++i) {
                const float a = 0.3f * t + 0.26f * float(i);
                steering[i]->position = Vector3(4 * std::cos(a), 2 * std::sin(1.7f * a), 4 * std::sin(a));
                steering[i]->desiredSpeed = 1.0f + 0.5f * std::sin(t + float(i));
            }
            app.Update(t);
            app.Draw();
            device.Device()->Present(nullptr, nullptr, nullptr, nullptr);
            for (TestCube* cube : cubes)
                notFinite += !(std::isfinite(cube->position.x) && std::isfinite(cube->position.y) &&
                               std::isfinite(cube->position.z) && std::isfinite(cube->yaw) &&
                               std::isfinite(cube->pitch) && std::isfinite(cube->speed));
            // The heap once the first frame has grown the world's lists; the
            // handles once the warm-up is over (its end is traced, and the
            // debug-output channel opens its handles on first use).
            if (frame == 1)
                early = Measure();
            if (frame == Frames / 3) {
                const Usage settled = Measure();
                early.handles = settled.handles;
                early.nextHandle = settled.nextHandle;
            }
        }
        late = Measure();

        EXPECT_EQ(0, g_tags) << "last tag: " << g_lastTag;
        EXPECT_EQ(0, notFinite);
        // The program's own heap, not the process's commit, which holds the GL
        // driver's and the C library's arenas as well (they grow as they like).
        EXPECT_EQ(early.heap.allocations, late.heap.allocations) << "the frames after the first allocate";
        EXPECT_LE(late.heap.liveBytes, early.heap.liveBytes)
            << "the frames keep heap memory: " << early.heap.liveBytes << " bytes after the first, "
            << late.heap.liveBytes << " at the end";
        EXPECT_LE(late.handles, early.handles) << "handles grew";
        EXPECT_LE(late.nextHandle, early.nextHandle) << "handles grew";
        // They moved and kept moving.
        int moving = 0;
        for (TestCube* cube : cubes)
            moving += cube->speed > 0.05f;
        EXPECT_GT(moving, Objects / 2);

        app.Cleanup();
    }
    EXPECT_EQ(baseline, References(device.Device()));
}
