#include "settings/SettingsRegistry.h"

#include "settings/SettingsTables.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

#include <windows.h>

namespace {

bool IsDialogChoice(int32_t value)
{
    return value >= 0 && value < DialogChoiceCount;
}

// The dialog setting's value when it names one of the three buttons, else
// the row's default.
int32_t DialogChoice(DialogRow row)
{
    const int32_t value = DialogSetting(row);
    return IsDialogChoice(value) ? value : DialogParamDefs[row].value;
}

// Tables are filled from empty, so loading again gives the same rows.
void FillTable(CParameter& table, const CParameterItem* rows)
{
    table.count = 0;
    table.AddItems(rows);
}

// Reads back every stored row of the table; traces and counts each value
// that is not the row's value.
int VerifyStored(HKEY key, const CParameter& table)
{
    int missing = 0;
    for (uint32_t i = 0; i < table.count; ++i) {
        const CParameterItem& row = table.items[i];
        if (row.controlId == 0)
            continue;
        DWORD type = 0, data = 0, size = sizeof data;
        LONG result = key ? RegQueryValueExA(key, row.name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size)
                          : LONG(ERROR_FILE_NOT_FOUND);
        if (result == ERROR_SUCCESS && (type != REG_DWORD || size != sizeof data || data != DWORD(row.value)))
            result = ERROR_WRITE_FAULT;
        if (result != ERROR_SUCCESS) {
            DebugPrint("ZING SaveParameters %s\n", row.name);
            TRACE_D3D(HRESULT_FROM_WIN32(result));
            ++missing;
        }
    }
    return missing;
}

} // namespace

void LoadParameters()
{
    FillTable(TechniqueParams, TechniqueParamDefs);
    FillTable(SceneParams, SceneParamDefs);
    FillTable(DialogParams, DialogParamDefs);
    DebugPrint("CloneFish:%d\n", TechniqueSetting(TechCloneFishTech));
    TechniqueParams.LoadFromReg(SettingsKeyPath);
    // The dialog checks a box for any value but 0 while the scene takes a
    // switch as on only at 1: anything but 0 or 1 keeps the default, so that
    // both read it alike.
    for (uint32_t row = 0; row < TechniqueParams.count; ++row) {
        CParameterItem& item = TechniqueParams.items[row];
        if (item.kind == CheckBox && item.value != 0 && item.value != 1)
            item.value = TechniqueParamDefs[row].value;
    }
    DebugPrint("CloneFish:%d\n", TechniqueSetting(TechCloneFishTech));
    DialogParams.LoadFromReg(SettingsKeyPath);
    // FlockSize and CameraMode index three-entry tables, and the dialog
    // shows each value by checking one of three buttons: anything else keeps
    // the default.
    for (uint32_t row = 0; row < DialogParams.count; ++row)
        DialogParams.items[row].value = DialogChoice(DialogRow(row));
    ApplyCameraPreset();
    InitFlockParams();
    TranslateFlockSize(DialogSetting(DialogFlockSize));
}

int32_t SaveParameters()
{
    DialogParams.SaveToReg(SettingsKeyPath);
    TechniqueParams.SaveToReg(SettingsKeyPath);

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        key = nullptr;
    const int missing = VerifyStored(key, DialogParams) + VerifyStored(key, TechniqueParams);
    if (key)
        RegCloseKey(key);
    return missing ? E_FAIL : 0;
}

void ApplyCameraPreset()
{
    const int32_t* preset = CameraPresets[DialogChoice(DialogCameraMode)];
    for (int at = 0; at + 1 < CameraPresetWidth && preset[at] >= 0; at += 2) {
        const int32_t row = preset[at], value = preset[at + 1];
        // A preset writes only rows the scene table has.
        if (uint32_t(row) < SceneParams.count) {
            SceneParams.items[row].value = value;
            DebugPrint("Tolv 2 Scene %d : %d\n", row, value);
        }
        if (at + 2 >= CameraPresetWidth || preset[at + 2] == -1) {
            DebugPrint("===\n");
            break;
        }
    }
}

int32_t InitFlockParams()
{
    for (int k = 0; k < FlockCount; ++k) {
        FillTable(FlockParams[k], FlockParamDefs);
        FlockParams[k].SetValues(FlockDefaults[k]);
    }
    return 0;
}

void TranslateFlockSize(int32_t flockSize)
{
    static const int32_t ScaleOfSize[DialogChoiceCount] = {2, 1, 0};
    if (!IsDialogChoice(flockSize))
        flockSize = DialogParamDefs[DialogFlockSize].value;
    const int32_t scale = ScaleOfSize[flockSize];
    for (int k = 0; k < FlockCount; ++k) {
        if (uint32_t(FlockScale) < FlockParams[k].count)
            FlockParams[k].items[FlockScale].value = scale;
        DebugPrint("Translate Tolv 2 Flock Flock-%d : %d\n", k, scale);
    }
}
