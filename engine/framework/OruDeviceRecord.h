// One device type (hardware or reference) of an adapter, with its modes and
// the current choice.
#pragma once

#include "OruDisplayMode.h"

const UINT MaxDisplayModes = 150;

struct OruDeviceRecord {
    D3DDEVTYPE deviceType;
    D3DCAPS8 caps;
    const char* description; // "HAL" or "REF"
    BOOL canRenderWindowed;
    UINT modeCount;
    OruDisplayMode modes[MaxDisplayModes];
    UINT currentMode;
    BOOL windowed;
    D3DMULTISAMPLE_TYPE windowedMultiSample;
    D3DMULTISAMPLE_TYPE fullScreenMultiSample;
};
