// The program-wide settings tables and their descriptor rows. Code reads a
// setting as the value of a fixed row of a fixed table; the row indexes below
// are those fixed positions.
#pragma once

#include "settings/CParameter.h"

#include <cstdint>

extern const char SettingsKeyPath[];

// Rows of TechniqueParams.
enum TechniqueRow : int32_t {
    TechCloneFishTech = 0,
    TechFlockMateEffect = 1, // 0 dynamic, 1 static (own group), 2 none
    TechCrashGuard = 2,
    TechPartialMorph = 3
};

// Rows of SceneParams.
enum SceneRow : int32_t {
    SceneFBRotation = 0,
    SceneTerrainGen = 1,
    SceneWaterity = 2,
    SceneLights = 3,        // 0 brilliant, 1 bright, 2 dark
    SceneCameraFrom = 4,    // 0-2 head/centre/tail fish, 3 stage edge, 4 stage centre, 5 wandering point, 6 mouse
    SceneCameraFromOpt = 5, // flock 0-7
    SceneCameraTo = 6,
    SceneCameraToOpt = 7,
    SceneSeaface = 8,
    SceneDisplayInfo = 9,
    SceneBubble = 10,
    SceneSkydome = 11,
    SceneFlare = 12
};

// Rows of DialogParams.
enum DialogRow : int32_t {
    DialogFlockSize = 0,
    DialogSaturation = 1,
    DialogCameraMode = 2,
    DialogToneMode = 3
};

// Rows of each FlockParams table.
enum FlockRow : int32_t {
    FlockForm = 0,
    FlockDensity = 1, // 0 normal, 1 spreaded, 2 tight
    FlockScale = 2,
    FlockFish = 3,    // 0 no flock
    FlockSizeVarie = 4
};

const int FlockTableCount = 10;
const int FlockCount = 8;
const int FlockDefaultsWidth = 6;

// Descriptor lists, each ended by a row with a null name.
extern const CParameterItem TechniqueParamDefs[];
extern const CParameterItem SceneParamDefs[];
extern const CParameterItem DialogParamDefs[];
extern const CParameterItem FlockParamDefs[];
// Per flock: FlockForm, FlockDensity, FlockScale, FlockFish, FlockSizeVarie, unused.
extern const int32_t FlockDefaults[FlockCount][FlockDefaultsWidth];

// The dialog's settings each pick one of three buttons: 0, 1 or 2.
const int32_t DialogChoiceCount = 3;

// Camera presets, indexed by CameraMode: (SceneParams row, value) pairs,
// ended by a pair whose row is -1.
const int CameraPresetCount = 3;
const int CameraPresetWidth = 10;
extern const int32_t CameraPresets[CameraPresetCount][CameraPresetWidth];

// The tables; empty until filled from the descriptor lists.
extern CParameter TechniqueParams;
extern CParameter SceneParams;
extern CParameter DialogParams;
extern CParameter FlockParams[FlockTableCount];

// A setting's value: the table's row when the table has it, else the row's
// descriptor default (0 when the descriptor list has no such row). The
// tables are empty until the program loads them, and engine code must not
// index a row that is not there.
int32_t SettingValue(const CParameter& table, const CParameterItem* defs, int32_t row);
inline int32_t TechniqueSetting(TechniqueRow row) { return SettingValue(TechniqueParams, TechniqueParamDefs, row); }
inline int32_t SceneSetting(SceneRow row) { return SettingValue(SceneParams, SceneParamDefs, row); }
inline int32_t DialogSetting(DialogRow row) { return SettingValue(DialogParams, DialogParamDefs, row); }
// Flock flock's setting; a missing row gives the flock's FlockDefaults entry
// (the descriptor default for a table beyond the eight flocks or a flock
// index out of range).
int32_t FlockSetting(int32_t flock, FlockRow row);
