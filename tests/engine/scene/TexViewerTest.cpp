// PimTexViewer: the texture drawn at its place on the screen, read back from
// Wine's device; the texture its source holds at each draw; and its buffers'
// failures, through the proxy d3d8.dll.

#include "ServersTestSupport.h"
#include "TestAssetFiles.h"

#include "scene/OruWorld.h"
#include "scene/PimTexViewer.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "texture/TextureCache.h"

using namespace servertest;

namespace {

const D3DCOLOR Clear = 0x001020C0;
const uint32_t White = 0xFFFFFF, Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF;

// An application with a device and a world, as engine code reaches them.
struct ViewerScene {
    explicit ViewerScene(IDirect3DDevice8* device) : app(device) { app.world = &world; }
    ~ViewerScene() { app.world = nullptr; }

    void Invalidate(PimTexViewer& viewer)
    {
        viewer.InvalidateDeviceObjects();
        world.vbServer->InvalidateDeviceObjects();
        world.vsServer->InvalidateDeviceObjects();
        world.sbServer->InvalidateDeviceObjects();
    }

    // One frame: clear, the viewer alone, read back.
    Image Draw(PimTexViewer& viewer, IDirect3DDevice8* device)
    {
        world.vbServer->ResetCurrent();
        world.vsServer->ResetCurrent();
        world.sbServer->ResetCurrent();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, Clear, 1.0f, 0);
        device->BeginScene();
        // The program's w of 1.0 is the world's constant register 1.
        world.SetFixedConstants();
        viewer.Update(1, 0);
        EXPECT_EQ(0, viewer.Render());
        device->EndScene();
        return TestDevice::ReadSurface(device, BackBuffer(device));
    }

    static IDirect3DSurface8* BackBuffer(IDirect3DDevice8* device)
    {
        IDirect3DSurface8* surface = nullptr;
        device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface);
        if (surface)
            surface->Release(); // the device keeps it
        return surface;
    }

    ServerApp app;
    OruWorld world;
};

struct Probe {
    int x, y;
    uint32_t rgb;
    const char* what;
};

} // namespace

TEST(PimTexViewer, DrawsTheTextureInItsRectangle)
{
    // 128 x 128: the rectangle (-0.5, -0.5, 0.3) covers x 32 to 51 and y 96 to 121.
    TestDevice device(128, 128);
    ASSERT_TRUE(device.Ok()) << device.Error();
    ViewerScene scene(device.Device());
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(0, LoadTexture(device.Device(), TestTexture.ref.data, TestTexture.ref.size, &texture, D3DFMT_UNKNOWN));

    PimTexViewer viewer(-0.5f, -0.5f, 0.3f);
    EXPECT_STREQ("PimTexViewer", viewer.name);
    EXPECT_EQ(1, viewer.noCull);
    viewer.SetTexture(&texture);
    ASSERT_EQ(0, viewer.RestoreDeviceObjects());
    ASSERT_NE(NoStateBlock, viewer.stateBlock);

    const Image image = scene.Draw(viewer, device.Device());
    const Probe probes[] = {
        {35, 99, White, "upper left quarter"}, {48, 99, Red, "upper right"},
        {35, 118, Green, "lower left"},        {48, 118, Blue, "lower right"},
        {30, 108, Clear, "left of it"},        {54, 108, Clear, "right of it"},
        {42, 93, Clear, "above it"},           {42, 124, Clear, "below it"},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(p.rgb, image.Rgb(p.x, p.y)) << p.what;
    image.SavePngIfFailed("TexViewerRectangle");

    // The source is read at every draw: after a reset of the device objects
    // the viewer shows what the source holds then.
    scene.Invalidate(viewer);
    ReleaseTexture(texture);
    ASSERT_EQ(0, viewer.RestoreDeviceObjects());
    IDirect3DTexture8* solid = nullptr;
    ASSERT_EQ(0, device.Device()->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &solid));
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(0, solid->LockRect(0, &locked, nullptr, 0));
    *static_cast<uint32_t*>(locked.pBits) = 0xFF00FFFF;
    solid->UnlockRect(0);
    texture = solid;
    const Image again = scene.Draw(viewer, device.Device());
    EXPECT_EQ(0x00FFFFu, again.Rgb(35, 99));
    EXPECT_EQ(0x00FFFFu, again.Rgb(48, 118));
    EXPECT_EQ(Clear, again.Rgb(54, 108));
    again.SavePngIfFailed("TexViewerSource");

    scene.Invalidate(viewer);
    device.Device()->SetTexture(0, nullptr);
    solid->Release();
}

TEST(PimTexViewer, WithoutItsBuffersTheRestoreFailsAndNothingIsDrawn)
{
    const char* const faults[] = {"vb_create_fail", "ib_create_fail", "vb_lock_fail", "ib_lock_fail"};
    for (const char* fault : faults) {
        ProxyDevice proxy(fault);
        ASSERT_TRUE(proxy.Device()) << fault;
        {
            ViewerScene scene(proxy.Device());
            PimTexViewer viewer(-0.5f, -0.5f, 0.3f);
            DebugOutputCapture capture;
            EXPECT_NE(0, viewer.RestoreDeviceObjects()) << fault;
            EXPECT_FALSE(Traces(capture).empty()) << fault;
            EXPECT_EQ(nullptr, viewer.vertexBuffer) << fault;
            EXPECT_EQ(nullptr, viewer.indexBuffer) << fault;
            const size_t mark = proxy.Mark();
            EXPECT_EQ(0, viewer.Render()) << fault;
            EXPECT_TRUE(proxy.Calls("SetStreamSource", mark).empty()) << fault;
            EXPECT_TRUE(proxy.Calls("SetIndices", mark).empty()) << fault;
            scene.Invalidate(viewer);
        }
        EXPECT_EQ(0u, proxy.ReleaseDevice()) << fault << ": nothing half made is kept";
    }

    // Without a device nothing is made or drawn either.
    PimTexViewer orphan(0, 0, 1);
    EXPECT_NE(0, orphan.RestoreDeviceObjects());
    EXPECT_EQ(0, orphan.Render());
}
