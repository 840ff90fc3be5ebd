// The program's settings: the registry key they live under, the dialog's
// table with its descriptor rows, and the camera presets. The technique,
// scene and per-flock tables the engine reads are declared by the engine
// (settings/SceneSettings.h); the program fills them.
#pragma once

#include "settings/SceneSettings.h"

#include <cstdint>

extern const char SettingsKeyPath[];

// Rows of DialogParams.
enum DialogRow : int32_t {
    DialogFlockSize = 0,
    DialogSaturation = 1,
    DialogCameraMode = 2,
    DialogToneMode = 3
};

extern const CParameterItem DialogParamDefs[];

// The dialog's settings each pick one of three buttons: 0, 1 or 2.
const int32_t DialogChoiceCount = 3;

// Camera presets, indexed by CameraMode: (SceneParams row, value) pairs,
// ended by a pair whose row is -1.
const int CameraPresetCount = 3;
const int CameraPresetWidth = 10;
extern const int32_t CameraPresets[CameraPresetCount][CameraPresetWidth];

// The dialog's table; empty until filled from its descriptor list.
extern CParameter DialogParams;

inline int32_t DialogSetting(DialogRow row) { return SettingValue(DialogParams, DialogParamDefs, row); }
