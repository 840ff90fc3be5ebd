// The stored Direct3D choice: the values "Adapter", "Device", "Mode" and
// "MultiSampleType" of the settings key, against the application's
// enumeration tables.
#pragma once

#include <windows.h>

// Writes the current adapter, its current device, and that device's current
// mode and full-screen multisample type. A value that cannot be written is
// traced. Returns 0, or the failure.
HRESULT SaveDeviceToReg();

// Reads the stored choice into the current choice, level by level: a value
// is taken only when it is a 4-byte REG_DWORD within the enumeration's
// count (the multisample type: 0 or 2..16 and accepted by the chosen mode in
// full screen); a missing or refused value keeps that level's choice.
HRESULT LoadDeviceFromReg();
