// Saver start-up: the windowed device goes full screen, on the stored device
// choice where one is stored.

#include "LifecycleApp.h"
#include "framework/AppTimer.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// What the stored device choice does to the tables in the next start-up.
std::function<void(OruApplication&)> g_storedChoice;
OruApplication* g_current = nullptr;

HRESULT LoadStoredChoice()
{
    if (g_storedChoice && g_current)
        g_storedChoice(*g_current);
    return 0;
}

class SaverStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppTimerResetState(true);
        g_storedChoice = nullptr;
        g_current = &app;
        app.runMode = RunModeSaver;
        app.storedChoiceLoader = LoadStoredChoice;
    }
    void TearDown() override
    {
        if (app.window)
            SendMessageA(app.window, WM_CLOSE, 0, 0);
        app.Pump(100);
        ClipCursor(nullptr);
    }
    static bool CursorConfinedTo(HWND window)
    {
        RECT clip, rect;
        GetClipCursor(&clip);
        GetWindowRect(window, &rect);
        return EqualRect(&clip, &rect) != FALSE;
    }
    static bool CursorFree()
    {
        RECT clip;
        GetClipCursor(&clip);
        RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                       GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        return EqualRect(&clip, &screen) != FALSE;
    }
    LifecycleApp app;
};

} // namespace

TEST_F(SaverStart, WithoutStoredChoiceTheWindowedDeviceIsResetToFullScreen)
{
    ASSERT_EQ(0, app.Startup(GetModuleHandleA(nullptr)));
    app.Pump(200);
    EXPECT_FALSE(app.windowed);
    EXPECT_TRUE(app.ready);
    EXPECT_EQ((std::vector<std::string>{"Init", "Restore", "Invalidate", "Restore"}), app.events);
    EXPECT_EQ(app.CurrentMode().width, app.backBufferDesc.Width);
    EXPECT_EQ(app.CurrentMode().height, app.backBufferDesc.Height);
    EXPECT_EQ(app.CurrentMode().format, app.backBufferDesc.Format);
    EXPECT_EQ(D3DDEVTYPE_HAL, app.CurrentDevice().deviceType);
    EXPECT_TRUE(CursorConfinedTo(app.window));
    EXPECT_EQ(LONG(0x90080000), GetWindowLongA(app.window, GWL_STYLE) & LONG(0x90080000));

    // The end of the program lifts the confinement.
    SendMessageA(app.window, WM_COMMAND, CommandExit, 0);
    EXPECT_EQ(nullptr, app.window);
    EXPECT_TRUE(CursorFree());
}

TEST_F(SaverStart, StoredChoiceOfAnotherDeviceCreatesThatDevice)
{
    g_storedChoice = [](OruApplication& a) {
        ASSERT_GE(a.CurrentAdapter().deviceCount, 2u);
        a.CurrentAdapter().currentDevice = 1; // the reference device
    };
    ASSERT_EQ(0, app.Startup(GetModuleHandleA(nullptr)));
    app.Pump(200);
    EXPECT_EQ((std::vector<std::string>{"Init", "Restore", "Invalidate", "Delete", "Init", "Restore"}), app.events);
    ASSERT_NE(nullptr, app.device);
    D3DDEVICE_CREATION_PARAMETERS created;
    ASSERT_EQ(S_OK, app.device->GetCreationParameters(&created));
    EXPECT_EQ(D3DDEVTYPE_REF, created.DeviceType);
    EXPECT_FALSE(app.windowed);
    EXPECT_FALSE(app.presentParams.Windowed);
    EXPECT_EQ(app.CurrentMode().width, app.backBufferDesc.Width);
    EXPECT_TRUE(CursorConfinedTo(app.window));
}

TEST_F(SaverStart, StoredMultisampleTypeIsUsedOnlyWhenTheModeTakesIt)
{
    g_storedChoice = [](OruApplication& a) { a.CurrentDevice().fullScreenMultiSample = D3DMULTISAMPLE_TYPE(15); };
    ASSERT_EQ(0, app.Startup(GetModuleHandleA(nullptr)));
    const bool accepted = SUCCEEDED(app.d3d->CheckDeviceMultiSampleType(
        0, D3DDEVTYPE_HAL, app.CurrentMode().format, FALSE, D3DMULTISAMPLE_TYPE(15)));
    ASSERT_FALSE(accepted) << "this device takes 15 samples; pick a type it refuses";
    EXPECT_EQ(D3DMULTISAMPLE_NONE, app.presentParams.MultiSampleType);
    EXPECT_EQ(D3DMULTISAMPLE_NONE, app.CurrentDevice().fullScreenMultiSample);
    EXPECT_FALSE(app.windowed);
    EXPECT_NE(nullptr, app.device);
}

TEST_F(SaverStart, LosingActivationEndsTheSaver)
{
    ASSERT_EQ(0, app.Startup(GetModuleHandleA(nullptr)));
    app.Pump(100);
    SendMessageA(app.window, WM_ACTIVATEAPP, FALSE, 0);
    app.Pump(300);
    EXPECT_EQ(nullptr, app.window);
    EXPECT_TRUE(app.quit);
    EXPECT_EQ(1, app.Count("FinalCleanup"));
    EXPECT_TRUE(CursorFree());
}
