// The debug viewer of the first clone texture on Wine's device through the
// proxy d3d8.dll: a buffer or shader the device refuses is traced, draws
// nothing and never stops the world's restore of the objects after it.

#include "fish/PimCloneTexViewer.h"

#include "ServersTestSupport.h"

#include "scene/OruWorld.h"

#include <gtest/gtest.h>

#include <string>

using namespace servertest;

namespace {

// An object after the viewer in the world: counts its restores.
class RestoreCounter : public OruObject {
public:
    HRESULT RestoreDeviceObjects() override
    {
        ++restores;
        return 0;
    }
    int restores = 0;
};

bool TracedHere(const DebugOutputCapture& capture)
{
    for (const std::string& line : Traces(capture))
        if (line.find("PimCloneTexViewer") != std::string::npos)
            return true;
    return false;
}

TEST(PimCloneTexViewer, AFailedBufferOrShaderIsTracedAndNeverStopsTheWorldsRestore)
{
    const char* const faults[] = {"", "vb_create_fail", "ib_create_fail", "vb_lock_fail", "ib_lock_fail",
                                  "vs_create_fail"};
    for (const char* fault : faults) {
        SCOPED_TRACE(std::string("fault \"") + fault + "\"");
        const bool failing = *fault != '\0';
        ProxyDevice proxy(fault);
        ASSERT_TRUE(proxy.Device());
        {
            ServerApp app(proxy.Device());
            OruWorld world;
            app.world = &world;
            auto* viewer = new PimCloneTexViewer(-0.5f, -0.5f, 0.3f);
            auto* after = new RestoreCounter();
            ASSERT_EQ(0, world.AddObject(viewer));
            ASSERT_EQ(0, world.AddObject(after));
            EXPECT_STREQ("PimTexViewer", viewer->name);

            DebugOutputCapture capture;
            EXPECT_EQ(0, world.RestoreDeviceObjects());
            EXPECT_EQ(1, after->restores);
            EXPECT_EQ(failing, TracedHere(capture));
            EXPECT_EQ(failing, viewer->vertexBuffer == nullptr);
            EXPECT_EQ(failing, viewer->indexBuffer == nullptr);

            // Drawn only with everything it needs.
            const size_t mark = proxy.Mark();
            EXPECT_EQ(0, viewer->Render());
            EXPECT_EQ(failing, proxy.Calls("SetStreamSource", mark).empty());
            EXPECT_EQ(failing, proxy.Calls("SetIndices", mark).empty());

            world.InvalidateDeviceObjects();
            world.DeleteDeviceObjects();
            app.world = nullptr;
            world.FinalCleanup();
        }
        EXPECT_EQ(0u, proxy.ReleaseDevice()) << "nothing half made is kept";
    }
}

} // namespace
