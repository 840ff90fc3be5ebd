// The settings and scene data the engine reads: the technique, scene and
// per-flock settings tables with their descriptor rows, and the fish the
// camera can ride with or look at. The engine owns these declarations and
// their storage; the program fills them: it loads the tables from the
// registry and its presets, and enters the fish when it builds the scene.
// Code reads a setting as the value of a fixed row of a fixed table; the row
// indexes below are those fixed positions.
#pragma once

#include "settings/CParameter.h"

#include <cstdint>

class OruObject;

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
    SceneCameraFrom = 4,    // a CameraChoice
    SceneCameraFromOpt = 5, // flock 0-7
    SceneCameraTo = 6,      // a CameraChoice up to StageCentrePoint
    SceneCameraToOpt = 7,
    SceneSeaface = 8,
    SceneDisplayInfo = 9,
    SceneBubble = 10,
    SceneSkydome = 11,
    SceneFlare = 12
};

// Values of CameraFrom and CameraTo.
enum CameraChoice : int32_t {
    HeadFish = 0,
    CentreFish = 1,
    TailFish = 2,
    StageEdgePoint = 3,
    StageCentrePoint = 4,
    WanderingPoint = 5,
    MouseControl = 6
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
extern const CParameterItem FlockParamDefs[];
// Per flock: FlockForm, FlockDensity, FlockScale, FlockFish, FlockSizeVarie, unused.
extern const int32_t FlockDefaults[FlockCount][FlockDefaultsWidth];

// The tables; empty until the program fills them from the descriptor lists.
extern CParameter TechniqueParams;
extern CParameter SceneParams;
extern CParameter FlockParams[FlockTableCount];

// A setting's value: the table's row when the table has it, else the row's
// descriptor default (0 when the descriptor list has no such row). Until the
// program loads the tables every setting reads its built-in default.
int32_t SettingValue(const CParameter& table, const CParameterItem* defs, int32_t row);
inline int32_t TechniqueSetting(TechniqueRow row) { return SettingValue(TechniqueParams, TechniqueParamDefs, row); }
inline int32_t SceneSetting(SceneRow row) { return SettingValue(SceneParams, SceneParamDefs, row); }
// Flock flock's setting; a missing row gives the flock's FlockDefaults entry
// (the descriptor default for a table beyond the eight flocks or a flock
// index out of range).
int32_t FlockSetting(int32_t flock, FlockRow row);

// The fish the camera can ride with or look at: per flock the head, centre
// and tail fish of the first formation column, and the hidden fish that
// carries the wandering point. None of them is owned here (the world owns
// every fish); entries stay null until the scene is built.
struct FlockCameraFishEntry {
    OruObject* head;
    OruObject* centre;
    OruObject* tail;
};

const int FlockCameraFishCount = 10;

extern FlockCameraFishEntry FlockCameraFish[FlockCameraFishCount];
extern OruObject* WanderingPointFish;
