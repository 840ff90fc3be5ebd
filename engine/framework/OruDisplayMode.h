// One usable full-screen display mode of a device.
#pragma once

#include <windows.h>
#include <d3d8.h>

struct OruDisplayMode {
    UINT width;
    UINT height;
    D3DFORMAT format;
    DWORD behaviourFlags;         // D3DCREATE vertex-processing flags confirmed for the format
    D3DFORMAT depthStencilFormat; // D3DFMT_UNKNOWN when no depth buffer is wanted
};
