#include "settings/SceneSettings.h"

#include "resource.h"

namespace {

// The stored form of a FloatValue row: the float's bits.
int32_t AsValue(float f)
{
    CParameterItem row{};
    row.SetFloat(f);
    return row.value;
}

} // namespace

const CParameterItem TechniqueParamDefs[] = {
    {"CloneFishTech", 0, CheckBox, IDC_CLONE_FISH, 1, {"off", "on"}},
    {"FlockMateEffect", 1, ComboBox, 0, 1, {"dynamic", "static", "none"}},
    {"CrashGuard", 2, CheckBox, 0, 0, {}},
    {"PartialMorph", 3, CheckBox, IDC_PARTIAL_MORPH, 1, {}},
    {nullptr, 0, 0, 0, 0, {}},
};

#define FLOCK_OPTIONS                                                                  \
    {                                                                                  \
        "of 1st flock", "of 2nd flock", "of 3rd flock", "of 4th flock", "of 5th flock", \
            "of 6th flock", "of 7th flock", "of 8th flock"                              \
    }

const CParameterItem SceneParamDefs[] = {
    {"FBRotation", 0, FloatValue, 0, AsValue(0.2f), {}},
    {"TerrainGen", 1, FloatValue, 0, AsValue(0.8f), {}},
    {"Waterity", 2, ComboBox, 1035, 2, {"none", "light", "medium", "deep"}},
    {"Lights", 3, ComboBox, 1036, 1, {"Brilliant", "bright", "dark"}},
    {"CameraFrom", 4, ComboBox, 1037, 5,
     {"the head fish", "the center fish", "the tail fish", "stage edge", "stage center", "wandering point",
      "mouse control"}},
    {"CameraFromOpt", 5, ComboBox, 1039, 0, FLOCK_OPTIONS},
    {"CameraTo", 6, ComboBox, 1038, 0,
     {"the head fish", "the center fish", "the tail fish", "stage edge", "stage center"}},
    {"CameraToOpt", 7, ComboBox, 1040, 0, FLOCK_OPTIONS},
    {"Seaface", 8, CheckBox, 1041, 1, {}},
    {"DisplayInfo", 9, CheckBox, 1042, 0, {}},
    {"Bubble", 10, CheckBox, 1043, 1, {}},
    {"Skydome", 11, CheckBox, 1044, 1, {}},
    {"Flare", 12, CheckBox, 1048, 1, {}},
    {nullptr, 0, 0, 0, 0, {}},
};

#undef FLOCK_OPTIONS

const CParameterItem FlockParamDefs[] = {
    {"FlockForm", 0, ComboBox, 1032, 0, {"", "long", "wide"}},
    {"FlockDensity", 1, ComboBox, 1033, 0, {"", "spreaded", "tight"}},
    {"FlockScale", 2, ComboBox, 1030, 0, {"huge", "many", "few"}},
    {"FlockFish", 3, ComboBox, 1031, 0,
     {"none", "Sardines", "Breams", "Mackerels", "Black Breams", "Blue Breams", "Yellow Breams"}},
    {"FlockSizeVarie", 4, ComboBox, 1049, 1, {"X1", "X1 - X2", "X1 - X3", "X2 - X3"}},
    {nullptr, 0, 0, 0, 0, {}},
};

const int32_t FlockDefaults[FlockCount][FlockDefaultsWidth] = {
    {0, 0, 1, 2, 1, -1}, {0, 0, 1, 6, 1, -1}, {0, 0, 1, 3, 1, -1}, {0, 0, 1, 5, 1, -1},
    {1, 2, 1, 1, 1, -1}, {1, 2, 1, 1, 1, -1}, {0, 2, 0, 1, 1, -1}, {0, 2, 0, 3, 1, -1},
};

CParameter TechniqueParams;
CParameter SceneParams;
CParameter FlockParams[FlockTableCount];

FlockCameraFishEntry FlockCameraFish[FlockCameraFishCount] = {};
OruObject* WanderingPointFish = nullptr;

namespace {

int32_t DescriptorDefault(const CParameterItem* defs, int32_t row)
{
    if (!defs || row < 0)
        return 0;
    for (int32_t i = 0; defs[i].name; ++i)
        if (i == row)
            return defs[i].value;
    return 0;
}

bool HasRow(const CParameter& table, int32_t row)
{
    return row >= 0 && static_cast<uint32_t>(row) < table.count && static_cast<uint32_t>(row) < ParameterCapacity;
}

} // namespace

int32_t SettingValue(const CParameter& table, const CParameterItem* defs, int32_t row)
{
    return HasRow(table, row) ? table.items[row].value : DescriptorDefault(defs, row);
}

int32_t FlockSetting(int32_t flock, FlockRow row)
{
    if (flock >= 0 && flock < FlockTableCount && HasRow(FlockParams[flock], row))
        return FlockParams[flock].items[row].value;
    if (flock >= 0 && flock < FlockCount && row >= 0 && row < FlockDefaultsWidth)
        return FlockDefaults[flock][row];
    return DescriptorDefault(FlockParamDefs, row);
}
