#include "settings/DeviceChoiceRegistry.h"

#include "framework/AppAccess.h"
#include "settings/SettingsTables.h"
#include "framework/OruApplication.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

namespace {

const DWORD MaxMultiSampleType = 16;

bool ReadDword(HKEY key, const char* name, DWORD& value)
{
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

// Whether the device can use the multisample type full screen in the mode.
// Without a Direct3D object only the range is known; device creation checks
// the type again.
bool ModeAcceptsMultiSample(const OruApplication& app, const OruAdapterRecord& adapter, const OruDeviceRecord& device,
                            DWORD type)
{
    if (type == 1 || type > MaxMultiSampleType)
        return false;
    if (type == 0 || !app.d3d)
        return true;
    return SUCCEEDED(app.d3d->CheckDeviceMultiSampleType(adapter.ordinal, device.deviceType,
                                                         device.modes[device.currentMode].format, FALSE,
                                                         D3DMULTISAMPLE_TYPE(type)));
}

} // namespace

HRESULT SaveDeviceToReg()
{
    OruApplication* app = App();
    if (!app || app->currentAdapter >= app->adapterCount)
        return 0; // no enumerated choice to store
    const OruAdapterRecord& adapter = app->CurrentAdapter();
    if (adapter.currentDevice >= adapter.deviceCount)
        return 0;
    const OruDeviceRecord& device = adapter.devices[adapter.currentDevice];
    const struct {
        const char* name;
        DWORD value;
    } values[] = {{"Adapter", app->currentAdapter},
                  {"Device", adapter.currentDevice},
                  {"Mode", device.currentMode},
                  {"MultiSampleType", DWORD(device.fullScreenMultiSample)}};

    HKEY key;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                  nullptr);
    if (result != ERROR_SUCCESS) {
        DebugPrint("ZING CParameter::SaveToReg\n");
        TRACE_D3D(HRESULT_FROM_WIN32(result));
        return HRESULT_FROM_WIN32(result);
    }
    HRESULT saved = 0;
    for (const auto& value : values) {
        result = RegSetValueExA(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.value),
                                sizeof value.value);
        if (result != ERROR_SUCCESS) {
            TRACE_D3D(HRESULT_FROM_WIN32(result));
            saved = HRESULT_FROM_WIN32(result);
        }
    }
    RegCloseKey(key);
    return saved;
}

HRESULT LoadDeviceFromReg()
{
    OruApplication* app = App();
    if (!app)
        return 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    DWORD value = 0;
    if (ReadDword(key, "Adapter", value) && value < app->adapterCount)
        app->currentAdapter = value;
    if (app->currentAdapter < app->adapterCount) {
        OruAdapterRecord& adapter = app->CurrentAdapter();
        if (ReadDword(key, "Device", value) && value < adapter.deviceCount)
            adapter.currentDevice = value;
        if (adapter.currentDevice < adapter.deviceCount) {
            OruDeviceRecord& device = adapter.devices[adapter.currentDevice];
            if (ReadDword(key, "Mode", value) && value < device.modeCount)
                device.currentMode = value;
            if (device.currentMode < device.modeCount && ReadDword(key, "MultiSampleType", value) &&
                ModeAcceptsMultiSample(*app, adapter, device, value))
                device.fullScreenMultiSample = D3DMULTISAMPLE_TYPE(value);
        }
    }
    RegCloseKey(key);
    return 0;
}
