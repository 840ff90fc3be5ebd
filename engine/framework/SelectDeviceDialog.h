// The "Select Device" dialog: adapter, device type, window or full-screen
// mode, and multisample type, over the application's enumeration tables.
#pragma once

#include <windows.h>
#include <d3d8.h>

class OruApplication;

#include "resource.h"

// Control ids of the dialog.
const int IdcDeviceList = IDC_DEVICE_COMBO;
const int IdcAdapterList = IDC_ADAPTER_COMBO;
const int IdcModeList = IDC_FULLSCREENMODES_COMBO;
const int IdcMultiSampleList = IDC_MULTISAMPLE_COMBO;
const int IdcWindowedRadio = IDC_WINDOW;
const int IdcFullScreenRadio = IDC_FULLSCREEN;

class SelectDeviceDialog {
public:
    // Runs the dialog modally over app's window. IDOK when the user
    // confirmed a changed choice (the tables then hold it), else IDCANCEL.
    static INT_PTR Run(OruApplication* app);

    static INT_PTR CALLBACK SelectDeviceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct Choice {
        UINT adapter;
        UINT device;
        UINT mode;
        BOOL windowed;
        D3DMULTISAMPLE_TYPE windowedMultiSample;
        D3DMULTISAMPLE_TYPE fullScreenMultiSample;
        bool operator==(const Choice& o) const;
    };

    explicit SelectDeviceDialog(OruApplication* app) : app_(app), working_(), opening_() {}
    INT_PTR Command(HWND dialog, WPARAM wParam);
    void Refill(HWND dialog);
    void TakeDevice(UINT device);

    OruApplication* app_;
    Choice working_;
    Choice opening_;
};
