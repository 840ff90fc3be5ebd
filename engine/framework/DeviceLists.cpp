#include "DeviceLists.h"

#include "OruApplication.h"

#include <cstdio>
#include <initializer_list>

namespace {

// Adds an entry with its item data; selects it when asked.
void AddEntry(HWND list, const char* text, LPARAM data, bool select)
{
    const LRESULT at = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (at == CB_ERR || at == CB_ERRSPACE)
        return;
    SendMessageA(list, CB_SETITEMDATA, WPARAM(at), data);
    if (select)
        SendMessageA(list, CB_SETCURSEL, WPARAM(at), 0);
}

} // namespace

DeviceListRecords ChosenRecords(const OruApplication* app, const DeviceListChoice& choice)
{
    DeviceListRecords records = {nullptr, nullptr, nullptr};
    if (app && choice.adapter < app->adapterCount)
        records.adapter = &app->adapters[choice.adapter];
    if (records.adapter && choice.device < records.adapter->deviceCount)
        records.device = &records.adapter->devices[choice.device];
    if (records.device && choice.mode < records.device->modeCount)
        records.mode = &records.device->modes[choice.mode];
    return records;
}

D3DMULTISAMPLE_TYPE FillDeviceLists(const OruApplication* app, const DeviceListControls& lists,
                                    const DeviceListChoice& choice)
{
    for (HWND list : {lists.adapter, lists.device, lists.mode, lists.multiSample})
        SendMessageA(list, CB_RESETCONTENT, 0, 0);

    const DeviceListRecords chosen = ChosenRecords(app, choice);
    if (app) {
        for (UINT a = 0; a < app->adapterCount; ++a)
            AddEntry(lists.adapter, app->adapters[a].identifier.Description, LPARAM(a), a == choice.adapter);
    }
    if (chosen.adapter) {
        for (UINT d = 0; d < chosen.adapter->deviceCount; ++d)
            AddEntry(lists.device, chosen.adapter->devices[d].description, LPARAM(d), d == choice.device);
    }
    if (chosen.device) {
        for (UINT m = 0; m < chosen.device->modeCount; ++m) {
            const OruDisplayMode& mode = chosen.device->modes[m];
            const bool bits32 = mode.format == D3DFMT_R8G8B8 || mode.format == D3DFMT_A8R8G8B8 ||
                                mode.format == D3DFMT_X8R8G8B8;
            char text[64];
            std::snprintf(text, sizeof text, "%ld x %ld x %ld", long(mode.width), long(mode.height),
                          bits32 ? 32L : 16L);
            AddEntry(lists.mode, text, LPARAM(m), m == choice.mode);
        }
    }
    if (chosen.device && (choice.windowed || chosen.mode) && app->d3d) {
        const D3DFORMAT format = choice.windowed ? chosen.adapter->desktopMode.Format : chosen.mode->format;
        for (int type = 0; type <= 16; ++type) {
            if (type == 1)
                continue;
            if (FAILED(app->d3d->CheckDeviceMultiSampleType(chosen.adapter->ordinal, chosen.device->deviceType,
                                                            format, choice.windowed, D3DMULTISAMPLE_TYPE(type))))
                continue;
            char text[32];
            if (type == 0)
                std::snprintf(text, sizeof text, "none");
            else
                std::snprintf(text, sizeof text, "%d samples", type);
            AddEntry(lists.multiSample, text, LPARAM(type), type == 0 || type == int(choice.multiSample));
        }
    }
    EnableWindow(lists.multiSample, SendMessageA(lists.multiSample, CB_GETCOUNT, 0, 0) > 1);

    // No entry (or no selection) means no multisampling.
    const LRESULT selected = SendMessageA(lists.multiSample, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR
               ? D3DMULTISAMPLE_NONE
               : D3DMULTISAMPLE_TYPE(SendMessageA(lists.multiSample, CB_GETITEMDATA, WPARAM(selected), 0));
}
