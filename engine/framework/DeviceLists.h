// The four device lists that both device dialogs show over the
// application's enumeration tables: the adapters, the device types of the
// chosen adapter, the full-screen modes of the chosen device, and the
// multisample types that device accepts for the chosen way of showing.
#pragma once

#include "OruAdapterRecord.h"

#include <windows.h>
#include <d3d8.h>

class OruApplication;

// The dialog's combo boxes.
struct DeviceListControls {
    HWND adapter;
    HWND device;
    HWND mode;
    HWND multiSample;
};

// The choice the lists show, as indices into the tables.
struct DeviceListChoice {
    UINT adapter;
    UINT device;
    UINT mode;
    // The multisample types of the window (in the desktop format) or of the
    // full-screen mode.
    BOOL windowed;
    // Selected when the device offers it.
    D3DMULTISAMPLE_TYPE multiSample;
};

// The records a choice names; each is null when its index, or one it
// depends on, lies outside the tables (all are null without an application).
struct DeviceListRecords {
    const OruAdapterRecord* adapter;
    const OruDeviceRecord* device;
    const OruDisplayMode* mode;
};
DeviceListRecords ChosenRecords(const OruApplication* app, const DeviceListChoice& choice);

// Empties the lists and fills them for choice: each entry carries its index
// (a multisample entry its type) as item data, and the choice's entries are
// selected. A list whose record is missing stays empty. The multisample list
// offers "none" and 2 to 16 samples, as far as the device accepts them;
// "none" is selected unless the choice's type is offered, and the list is
// enabled only with more than one entry. Returns the selected multisample
// type: none for an empty list.
D3DMULTISAMPLE_TYPE FillDeviceLists(const OruApplication* app, const DeviceListControls& lists,
                                    const DeviceListChoice& choice);
