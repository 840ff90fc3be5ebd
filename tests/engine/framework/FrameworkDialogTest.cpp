// The "Select Device" dialog on the running framework, driven as a user
// would from a thread of the test.

#include "DialogDriver.h"
#include "LifecycleApp.h"
#include "framework/AppTimer.h"
#include "framework/SelectDeviceDialog.h"

#include <gtest/gtest.h>

namespace {

class SelectDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppTimerResetState(true);
        ASSERT_EQ(0, app.Startup(GetModuleHandleA(nullptr)));
        app.Pump(200);
        ASSERT_GE(app.CurrentAdapter().deviceCount, 2u) << "Wine offers a hardware and a reference device";
    }
    void TearDown() override
    {
        if (app.window)
            SendMessageA(app.window, WM_CLOSE, 0, 0);
        app.Pump(100);
        ClipCursor(nullptr);
    }
    // F2, with the dialog driven by actions.
    void ChangeDevice(std::function<void(HWND)> actions)
    {
        DialogDriver driver("Select Device", std::move(actions));
        SendMessageA(app.window, WM_COMMAND, CommandChangeDevice, 0);
        EXPECT_TRUE(driver.Done()) << "the dialog did not open";
        app.Pump(200);
    }
    LifecycleApp app;
};

} // namespace

TEST_F(SelectDevice, OkWithoutAChangeKeepsTheDevice)
{
    IDirect3DDevice8* before = app.device;
    ChangeDevice([](HWND dialog) {
        EXPECT_EQ(0, DialogDriver::ListSelection(dialog, IdcAdapterList));
        EXPECT_EQ("HAL", DialogDriver::ListText(dialog, IdcDeviceList, 0));
        EXPECT_EQ("REF", DialogDriver::ListText(dialog, IdcDeviceList, 1));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IdcWindowedRadio));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IdcModeList))) << "no mode list in a window";
        EXPECT_EQ("none", DialogDriver::ListText(dialog, IdcMultiSampleList, 0));
        DialogDriver::Click(dialog, IDOK);
    });
    EXPECT_EQ(1, app.Count("Init"));
    EXPECT_EQ(0, app.Count("Delete"));
    EXPECT_EQ(before, app.device);
    EXPECT_TRUE(app.ready);
}

TEST_F(SelectDevice, CancelKeepsEverythingAfterChanges)
{
    ChangeDevice([](HWND dialog) {
        DialogDriver::ChooseListEntry(dialog, IdcDeviceList, 1);
        DialogDriver::Click(dialog, IdcFullScreenRadio);
        DialogDriver::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(1, app.Count("Init"));
    EXPECT_EQ(D3DDEVTYPE_HAL, app.CurrentDevice().deviceType);
    EXPECT_TRUE(app.CurrentDevice().windowed);
    EXPECT_TRUE(app.windowed);
}

TEST_F(SelectDevice, AnotherDeviceIsCreatedAnew)
{
    ChangeDevice([](HWND dialog) {
        DialogDriver::ChooseListEntry(dialog, IdcDeviceList, 1);
        EXPECT_EQ(1, DialogDriver::ListSelection(dialog, IdcDeviceList));
        DialogDriver::Click(dialog, IDOK);
    });
    EXPECT_EQ((std::vector<std::string>{"Init", "Restore", "Invalidate", "Delete", "Init", "Restore"}), app.events);
    EXPECT_EQ(D3DDEVTYPE_REF, app.CurrentDevice().deviceType);
    D3DDEVICE_CREATION_PARAMETERS created;
    ASSERT_EQ(S_OK, app.device->GetCreationParameters(&created));
    EXPECT_EQ(D3DDEVTYPE_REF, created.DeviceType);
    EXPECT_TRUE(app.ready);
    EXPECT_TRUE(app.windowed);
}

TEST_F(SelectDevice, FullScreenChoiceAndBackThroughTheDialog)
{
    ChangeDevice([](HWND dialog) {
        DialogDriver::Click(dialog, IdcFullScreenRadio);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IdcModeList)));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, IdcWindowedRadio));
        EXPECT_GE(DialogDriver::ListCount(dialog, IdcModeList), 1);
        // The mode texts give the size and the colour depth.
        std::string first = DialogDriver::ListText(dialog, IdcModeList, 0);
        EXPECT_TRUE(first.find(" x 16") != std::string::npos || first.find(" x 32") != std::string::npos) << first;
        DialogDriver::ChooseListEntry(dialog, IdcModeList, DialogDriver::ListCount(dialog, IdcModeList) - 1);
        DialogDriver::Click(dialog, IDOK);
    });
    ASSERT_FALSE(app.windowed);
    EXPECT_EQ(app.CurrentDevice().modeCount - 1, app.CurrentDevice().currentMode);
    EXPECT_EQ(app.CurrentMode().width, app.backBufferDesc.Width);
    EXPECT_EQ(2, app.Count("Init"));

    // Opening the dialog from full screen first returns to a window.
    bool windowedWhileOpen = false;
    ChangeDevice([&](HWND dialog) {
        windowedWhileOpen = app.windowed;
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IdcWindowedRadio));
        DialogDriver::Click(dialog, IDCANCEL);
    });
    EXPECT_TRUE(windowedWhileOpen);
    EXPECT_TRUE(app.windowed);
    EXPECT_EQ(2, app.Count("Init")) << "the return to a window is a reset";
}

TEST_F(SelectDevice, MultisampleListOffersOnlyWhatTheDeviceAccepts)
{
    // A stored type the device does not take shows as "none".
    app.CurrentDevice().windowedMultiSample = D3DMULTISAMPLE_TYPE(15);
    int offered = 0;
    std::vector<std::string> texts;
    ChangeDevice([&](HWND dialog) {
        offered = DialogDriver::ListCount(dialog, IdcMultiSampleList);
        for (int i = 0; i < offered; ++i)
            texts.push_back(DialogDriver::ListText(dialog, IdcMultiSampleList, i));
        EXPECT_EQ(offered > 1, IsWindowEnabled(GetDlgItem(dialog, IdcMultiSampleList)) != FALSE);
        DialogDriver::Click(dialog, IDOK);
    });
    ASSERT_GE(offered, 1);
    EXPECT_EQ("none", texts[0]);
    for (size_t i = 1; i < texts.size(); ++i) {
        int count = std::atoi(texts[i].c_str());
        EXPECT_EQ(std::to_string(count) + " samples", texts[i]);
        EXPECT_TRUE(SUCCEEDED(app.d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, app.CurrentAdapter().desktopMode.Format,
                                                                  TRUE, D3DMULTISAMPLE_TYPE(count))));
    }
    EXPECT_EQ(D3DMULTISAMPLE_NONE, app.CurrentDevice().windowedMultiSample);
    EXPECT_EQ(D3DMULTISAMPLE_NONE, app.presentParams.MultiSampleType);

    // Where the device offers a type, choosing it makes the new device use it.
    if (offered > 1) {
        ChangeDevice([](HWND dialog) {
            DialogDriver::ChooseListEntry(dialog, IdcMultiSampleList, 1);
            DialogDriver::Click(dialog, IDOK);
        });
        EXPECT_EQ(D3DMULTISAMPLE_TYPE(std::atoi(texts[1].c_str())), app.presentParams.MultiSampleType);
        EXPECT_NE(nullptr, app.device);
    }
}

TEST_F(SelectDevice, StoppedClockUpdatesOnceOnTheNewDevice)
{
    SendMessageA(app.window, WM_COMMAND, CommandGoStop, 0);
    app.Pump(100);
    const int updates = app.updates;
    const float time = AppTimer(ClockAppTime); // frozen since the stop
    ChangeDevice([](HWND dialog) {
        DialogDriver::ChooseListEntry(dialog, IdcDeviceList, 1);
        DialogDriver::Click(dialog, IDOK);
    });
    app.Pump(200);
    EXPECT_EQ(updates + 1, app.updates);
    EXPECT_NEAR(time, app.appTime, 1e-3);
}
