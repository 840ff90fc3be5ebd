// The display modes the proxy reports for one adapter: the real list with
// the mode faults of an InjectionConfig applied, so that GetAdapterModeCount
// and EnumAdapterModes always agree.
#pragma once

#include "InjectionConfig.h"

#include <windows.h>
#include <d3d8.h>

#include <vector>

class ModeList {
public:
    // Reads every mode of the real adapter and applies, in this order,
    // modes_tiny, modes_many, modes_no640 and modes_dup.
    static std::vector<D3DDISPLAYMODE> Build(IDirect3D8* real, UINT adapter, const InjectionConfig& config);
};
