// The framework's table logic, in-process: mode order, default modes, stencil
// bits, depth/stencil choice and the enumeration of Wine's real adapter.

#include "D3D8Library.h"
#include "framework/OruApplication.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

class TableApp : public OruApplication {
public:
    DWORD acceptOnly = 0; // 0: accept every behaviour
    HRESULT AcceptDevice(const D3DCAPS8*, DWORD behaviour, D3DFORMAT) override
    {
        return acceptOnly == 0 || behaviour == acceptOnly ? 0 : E_FAIL;
    }
};

D3DDISPLAYMODE Mode(UINT w, UINT h, D3DFORMAT f) { return D3DDISPLAYMODE{w, h, 60, f}; }

} // namespace


TEST(CompareDisplayModes, FormatDescendingThenWidthThenHeight)
{
    std::vector<D3DDISPLAYMODE> modes = {
        Mode(800, 600, D3DFMT_X8R8G8B8), Mode(640, 480, D3DFMT_R5G6B5),   Mode(1024, 768, D3DFMT_R5G6B5),
        Mode(640, 400, D3DFMT_X8R8G8B8), Mode(640, 480, D3DFMT_X8R8G8B8), Mode(800, 600, D3DFMT_R5G6B5),
        Mode(640, 480, D3DFMT_A8R8G8B8), Mode(640, 480, D3DFMT_X1R5G5B5),
    };
    std::qsort(modes.data(), modes.size(), sizeof modes[0], OruApplication::CompareDisplayModes);
    const D3DDISPLAYMODE expected[] = {
        Mode(640, 480, D3DFMT_X1R5G5B5), Mode(640, 480, D3DFMT_R5G6B5),   Mode(800, 600, D3DFMT_R5G6B5),
        Mode(1024, 768, D3DFMT_R5G6B5),  Mode(640, 400, D3DFMT_X8R8G8B8), Mode(640, 480, D3DFMT_X8R8G8B8),
        Mode(800, 600, D3DFMT_X8R8G8B8), Mode(640, 480, D3DFMT_A8R8G8B8),
    };
    for (size_t i = 0; i < modes.size(); ++i) {
        EXPECT_EQ(expected[i].Format, modes[i].Format) << i;
        EXPECT_EQ(expected[i].Width, modes[i].Width) << i;
        EXPECT_EQ(expected[i].Height, modes[i].Height) << i;
    }
    D3DDISPLAYMODE same = Mode(640, 480, D3DFMT_R5G6B5);
    EXPECT_EQ(0, OruApplication::CompareDisplayModes(&same, &same));
}

TEST(PickDefaultMode, SixteenBitInSaverModeThirtyTwoOtherwise)
{
    struct Case {
        RunMode mode;
        std::vector<OruDisplayMode> modes;
        UINT expected;
    };
    auto m = [](UINT w, UINT h, D3DFORMAT f) { return OruDisplayMode{w, h, f, 0x20, D3DFMT_D24S8}; };
    const Case cases[] = {
        {RunModeSaver, {m(640, 480, D3DFMT_R5G6B5), m(640, 480, D3DFMT_X8R8G8B8)}, 0},
        {RunModeDebug, {m(640, 480, D3DFMT_R5G6B5), m(800, 600, D3DFMT_X8R8G8B8), m(640, 480, D3DFMT_X8R8G8B8)}, 2},
        {RunModeConfigure, {m(640, 480, D3DFMT_X1R5G5B5), m(800, 600, D3DFMT_R5G6B5)}, 0},
        {RunModeDebug, {m(800, 600, D3DFMT_X8R8G8B8), m(640, 480, D3DFMT_A1R5G5B5)}, 1},
        {RunModeSaver, {m(800, 600, D3DFMT_R5G6B5), m(640, 480, D3DFMT_X8R8G8B8), m(640, 480, D3DFMT_X1R5G5B5)}, 2},
        // Without a wanted 640 x 480 mode the current mode stays the first.
        {RunModeSaver, {m(800, 600, D3DFMT_R5G6B5), m(640, 480, D3DFMT_X8R8G8B8)}, 0},
        {RunModeDebug, {m(1024, 768, D3DFMT_X8R8G8B8)}, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        TableApp app;
        app.runMode = c.mode;
        static OruDeviceRecord record;
        record = OruDeviceRecord();
        record.modeCount = UINT(c.modes.size());
        for (size_t i = 0; i < c.modes.size(); ++i)
            record.modes[i] = c.modes[i];
        app.PickDefaultMode(&record);
        EXPECT_EQ(c.expected, record.currentMode) << "case " << n;
        ++n;
    }
}

TEST(GetStencilBits, FollowsTheCurrentDepthFormat)
{
    struct Case {
        BOOL depthOn;
        D3DFORMAT format;
        int bits;
    };
    const Case cases[] = {{TRUE, D3DFMT_D15S1, 1}, {TRUE, D3DFMT_D24S8, 8}, {TRUE, D3DFMT_D24X4S4, 4},
                          {TRUE, D3DFMT_D16, 0},   {TRUE, D3DFMT_D24X8, 0}, {TRUE, D3DFMT_D32, 0},
                          {FALSE, D3DFMT_D24S8, 0}};
    for (const Case& c : cases) {
        TableApp app;
        app.depthBufferOn = c.depthOn;
        app.adapterCount = 1;
        app.adapters[0].deviceCount = 1;
        app.adapters[0].currentDevice = 0;
        app.adapters[0].devices[0].modeCount = 1;
        app.adapters[0].devices[0].currentMode = 0;
        app.adapters[0].devices[0].modes[0].depthStencilFormat = c.format;
        EXPECT_EQ(c.bits, app.GetStencilBits()) << c.format;
    }
}

class Enumeration : public ::testing::Test {
protected:
    void SetUp() override
    {
        app.d3d = D3D8Library::Create();
        ASSERT_NE(nullptr, app.d3d);
    }
    void TearDown() override
    {
        if (app.d3d)
            app.d3d->Release();
        app.d3d = nullptr;
    }
    TableApp app;
};

TEST_F(Enumeration, WineAdapterGivesSortedDistinctUsableModes)
{
    app.runMode = RunModeDebug;
    app.depthBufferOn = TRUE;
    app.depthBitsMin = 15;
    ASSERT_EQ(0, app.EnumerateDevices());
    ASSERT_GE(app.adapterCount, 1u);
    const OruAdapterRecord& adapter = app.adapters[0];
    EXPECT_EQ(0u, adapter.ordinal);
    ASSERT_GE(adapter.deviceCount, 1u);
    EXPECT_STREQ("HAL", adapter.devices[0].description);
    EXPECT_TRUE(app.windowed);
    EXPECT_EQ(0u, app.currentAdapter);
    EXPECT_TRUE(adapter.devices[adapter.currentDevice].windowed);

    for (UINT d = 0; d < adapter.deviceCount; ++d) {
        const OruDeviceRecord& device = adapter.devices[d];
        ASSERT_GT(device.modeCount, 0u);
        EXPECT_LT(device.currentMode, device.modeCount);
        for (UINT m = 0; m < device.modeCount; ++m) {
            const OruDisplayMode& mode = device.modes[m];
            EXPECT_GE(mode.width, 640u);
            EXPECT_GE(mode.height, 400u);
            EXPECT_NE(D3DFMT_UNKNOWN, mode.depthStencilFormat);
            EXPECT_NE(0u, mode.behaviourFlags);
            if (m > 0) {
                D3DDISPLAYMODE a = Mode(device.modes[m - 1].width, device.modes[m - 1].height, device.modes[m - 1].format);
                D3DDISPLAYMODE b = Mode(mode.width, mode.height, mode.format);
                EXPECT_LT(OruApplication::CompareDisplayModes(&a, &b), 0) << "sorted and distinct at " << m;
            }
        }
    }
    // With 15 depth bits wanted, a stencil format is preferred.
    EXPECT_EQ(D3DFMT_D24S8, adapter.devices[0].modes[0].depthStencilFormat);
    EXPECT_EQ(8, app.GetStencilBits());
    EXPECT_EQ(8u, app.stencilBitsMin);
}

TEST_F(Enumeration, BehaviourIsTheFirstOneTheApplicationAccepts)
{
    app.acceptOnly = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    ASSERT_EQ(0, app.EnumerateDevices());
    const OruDeviceRecord& hal = app.adapters[0].devices[0];
    for (UINT m = 0; m < hal.modeCount; ++m)
        EXPECT_EQ(DWORD(D3DCREATE_SOFTWARE_VERTEXPROCESSING), hal.modes[m].behaviourFlags);

    TableApp none;
    none.d3d = app.d3d;
    none.acceptOnly = 0xFFFF; // accepts nothing
    EXPECT_EQ(AppErrNoCompatibleDevice, none.EnumerateDevices());
    none.d3d = nullptr;
}

TEST_F(Enumeration, WithoutDepthBufferModesCarryNoDepthFormat)
{
    app.depthBufferOn = FALSE;
    ASSERT_EQ(0, app.EnumerateDevices());
    const OruDeviceRecord& hal = app.adapters[0].devices[0];
    for (UINT m = 0; m < hal.modeCount; ++m)
        EXPECT_EQ(D3DFMT_UNKNOWN, hal.modes[m].depthStencilFormat);
    EXPECT_EQ(0, app.GetStencilBits());
}

TEST_F(Enumeration, DepthStencilSearchFollowsTheMinimums)
{
    struct Case {
        UINT depth;
        UINT stencil;
        D3DFORMAT expected;
    };
    // What Wine's device accepts decides among the candidates allowed.
    const Case cases[] = {{16, 0, D3DFMT_D16}, {24, 8, D3DFMT_D24S8}, {24, 0, D3DFMT_D24X8}, {32, 0, D3DFMT_D32},
                          {33, 0, D3DFMT_UNKNOWN}};
    D3DDISPLAYMODE desktop;
    ASSERT_EQ(S_OK, app.d3d->GetAdapterDisplayMode(0, &desktop));
    for (const Case& c : cases) {
        app.depthBitsMin = c.depth;
        app.stencilBitsMin = c.stencil;
        D3DFORMAT got = D3DFMT_UNKNOWN;
        BOOL found = app.TryDepthStencilFormats(0, D3DDEVTYPE_HAL, desktop.Format, &got);
        if (c.expected == D3DFMT_UNKNOWN) {
            EXPECT_FALSE(found) << c.depth;
            continue;
        }
        bool supported = SUCCEEDED(app.d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, desktop.Format, desktop.Format, c.expected));
        if (!supported)
            continue;
        EXPECT_TRUE(found) << c.depth << "/" << c.stencil;
        EXPECT_EQ(c.expected, got) << c.depth << "/" << c.stencil;
    }
}
