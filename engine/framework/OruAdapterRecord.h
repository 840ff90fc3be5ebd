// One usable display adapter with its device records and the current choice.
#pragma once

#include "OruDeviceRecord.h"

const UINT MaxAdapters = 10;
const UINT MaxDevicesPerAdapter = 5;

struct OruAdapterRecord {
    D3DADAPTER_IDENTIFIER8 identifier;
    D3DDISPLAYMODE desktopMode;
    UINT deviceCount;
    OruDeviceRecord devices[MaxDevicesPerAdapter];
    UINT currentDevice;
    // The Direct3D adapter ordinal. Records are packed (an adapter without a
    // usable device gets none), so the record index is not the ordinal.
    UINT ordinal;
};
