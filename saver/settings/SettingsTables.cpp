#include "settings/SettingsTables.h"

#include "resource.h"

const char SettingsKeyPath[] = "Software\\Kelvane Soft\\Reefglow 3";

const CParameterItem DialogParamDefs[] = {
    {"FlockSize", 0, RadioGroup, IDC_FISH_FEW, 1, {}},
    {"Saturation", 1, RadioGroup, IDC_SATURATION_LOW, 1, {}},
    {"CameraMode", 2, RadioGroup, IDC_CAMERA_MOVE, 0, {}},
    {"ToneMode", 3, RadioGroup, IDC_PAINT_FLAT, 2, {}},
    {nullptr, 0, 0, 0, 0, {}},
};

const int32_t CameraPresets[CameraPresetCount][CameraPresetWidth] = {
    {SceneCameraFrom, WanderingPoint, SceneCameraFromOpt, 0, SceneCameraTo, 0, SceneCameraToOpt, 0, -1, 0}, // ride the wandering point
    {SceneCameraFrom, StageCentrePoint, SceneCameraFromOpt, 0, SceneCameraTo, 0, SceneCameraToOpt, 0, -1, 0}, // stage centre
    {SceneCameraFrom, MouseControl, SceneCameraFromOpt, 0, SceneCameraTo, 0, SceneCameraToOpt, 0, -1, 0}, // mouse
};

CParameter DialogParams;
