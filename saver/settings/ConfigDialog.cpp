#include "settings/ConfigDialog.h"

#include "framework/AppAccess.h"
#include "settings/DeviceChoiceRegistry.h"
#include "settings/SettingsRegistry.h"
#include "settings/SettingsTables.h"
#include "framework/OruApplication.h"
#include "resource.h"
#include "trace/DebugPrint.h"

#include <cstdio>
#include <initializer_list>

DeviceChoice PendingDeviceChoice;
HBITMAP DialogBitmaps[DialogBitmapCount];
HINSTANCE ConfigInstance;

namespace {

const int BitmapIds[DialogBitmapCount] = {
    IDB_FISH_FEW,    IDB_FISH_NORMAL, IDB_FISH_MANY,    IDB_PAINT_FLAT,          IDB_PAINT_RAINBOW,   IDB_PAINT_TONE,
    IDB_CAMERA_MOVE, IDB_CAMERA_FIX,  IDB_CAMERA_MOUSE, IDB_PAINT_RAINBOW_FADED, IDB_PAINT_TONE_FADED};
enum BitmapSlot {
    SlotFishFew, SlotFishNormal, SlotFishMany, SlotPaintFlat, SlotPaintRainbow, SlotPaintTone,
    SlotCameraMove, SlotCameraFix, SlotCameraMouse, SlotRainbowFaded, SlotToneFaded
};

void SetPicture(HWND dialog, int buttonId, BitmapSlot slot)
{
    SendDlgItemMessageA(dialog, buttonId, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(DialogBitmaps[slot]));
}

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

// The lists and the paint pictures from the pending choice, then the
// settings tables from the controls.
void Refill(HWND dialog)
{
    HWND adapterList = GetDlgItem(dialog, IDC_ADAPTER_COMBO);
    HWND deviceList = GetDlgItem(dialog, IDC_DEVICE_COMBO);
    HWND modeList = GetDlgItem(dialog, IDC_MODE_COMBO);
    HWND multiSampleList = GetDlgItem(dialog, IDC_MULTISAMPLE_COMBO);
    for (HWND list : {adapterList, deviceList, modeList, multiSampleList})
        SendMessageA(list, CB_RESETCONTENT, 0, 0);

    DeviceChoice& pending = PendingDeviceChoice;
    OruApplication* app = App();
    const OruAdapterRecord* adapter = nullptr;
    const OruDeviceRecord* device = nullptr;
    const OruDisplayMode* mode = nullptr;
    if (app) {
        for (UINT a = 0; a < app->adapterCount; ++a)
            AddEntry(adapterList, app->adapters[a].identifier.Description, LPARAM(a), a == pending.adapter);
        if (pending.adapter < app->adapterCount)
            adapter = &app->adapters[pending.adapter];
    }
    if (adapter) {
        for (UINT d = 0; d < adapter->deviceCount; ++d)
            AddEntry(deviceList, adapter->devices[d].description, LPARAM(d), d == pending.device);
        if (pending.device < adapter->deviceCount)
            device = &adapter->devices[pending.device];
    }
    if (device) {
        for (UINT m = 0; m < device->modeCount; ++m) {
            const OruDisplayMode& entry = device->modes[m];
            const bool bits32 = entry.format == D3DFMT_R8G8B8 || entry.format == D3DFMT_A8R8G8B8 ||
                                entry.format == D3DFMT_X8R8G8B8;
            char text[64];
            std::snprintf(text, sizeof text, "%ld x %ld x %ld", long(entry.width), long(entry.height),
                          bits32 ? 32L : 16L);
            AddEntry(modeList, text, LPARAM(m), m == pending.mode);
        }
        if (pending.mode < device->modeCount)
            mode = &device->modes[pending.mode];
    }
    if (mode && app->d3d) {
        for (int type = 0; type <= 16; ++type) {
            if (type == 1)
                continue;
            if (FAILED(app->d3d->CheckDeviceMultiSampleType(adapter->ordinal, device->deviceType, mode->format, FALSE,
                                                            D3DMULTISAMPLE_TYPE(type))))
                continue;
            char text[32];
            if (type == 0)
                std::snprintf(text, sizeof text, "none");
            else
                std::snprintf(text, sizeof text, "%d samples", type);
            AddEntry(multiSampleList, text, LPARAM(type), type == 0 || type == int(pending.multiSample));
        }
    }
    // No entry (or no selection) leaves no multisampling.
    const LRESULT selected = SendMessageA(multiSampleList, CB_GETCURSEL, 0, 0);
    const LRESULT type = selected == CB_ERR ? 0 : SendMessageA(multiSampleList, CB_GETITEMDATA, WPARAM(selected), 0);
    pending.multiSample = type == CB_ERR ? D3DMULTISAMPLE_NONE : D3DMULTISAMPLE_TYPE(type);
    EnableWindow(multiSampleList, SendMessageA(multiSampleList, CB_GETCOUNT, 0, 0) > 1);

    const D3DFORMAT depthStencil = mode ? mode->depthStencilFormat : D3DFMT_UNKNOWN;
    DebugPrint("Stencil Format %d\n", int(depthStencil));
    SetPaintBitmaps(OruApplication::StencilBitsOf(depthStencil), dialog);
    ParamsFromDialog(dialog);
}

// The pending choice from a list's confirmed selection. No selection, or a
// position beyond the tables, changes nothing.
void TakeSelection(HWND dialog, int listId)
{
    OruApplication* app = App();
    if (!app)
        return;
    HWND list = GetDlgItem(dialog, listId);
    const LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (selected < 0)
        return;
    const UINT position = UINT(selected);
    DeviceChoice& pending = PendingDeviceChoice;
    const bool adapterValid = pending.adapter < app->adapterCount;
    switch (listId) {
    case IDC_ADAPTER_COMBO:
        if (position < app->adapterCount) {
            const OruAdapterRecord& adapter = app->adapters[position];
            pending.adapter = position;
            pending.device = adapter.currentDevice;
            pending.mode = adapter.currentDevice < adapter.deviceCount
                               ? adapter.devices[adapter.currentDevice].currentMode
                               : 0;
        }
        break;
    case IDC_DEVICE_COMBO:
        if (adapterValid && position < app->adapters[pending.adapter].deviceCount) {
            pending.device = position;
            pending.mode = app->adapters[pending.adapter].devices[position].currentMode;
        }
        break;
    case IDC_MODE_COMBO:
        if (adapterValid && pending.device < app->adapters[pending.adapter].deviceCount &&
            position < app->adapters[pending.adapter].devices[pending.device].modeCount)
            pending.mode = position;
        break;
    case IDC_MULTISAMPLE_COMBO: {
        const LRESULT type = SendMessageA(list, CB_GETITEMDATA, WPARAM(selected), 0);
        if (type == 0 || (type >= 2 && type <= 16))
            pending.multiSample = D3DMULTISAMPLE_TYPE(type);
        break;
    }
    default:
        break;
    }
}

// OK: the pending choice into the enumeration tables (full screen), then
// the device choice and the settings into the registry.
void Confirm(HWND dialog)
{
    OruApplication* app = App();
    const DeviceChoice& pending = PendingDeviceChoice;
    if (app && pending.adapter < app->adapterCount &&
        pending.device < app->adapters[pending.adapter].deviceCount &&
        pending.mode < app->adapters[pending.adapter].devices[pending.device].modeCount) {
        app->currentAdapter = pending.adapter;
        OruAdapterRecord& adapter = app->adapters[pending.adapter];
        adapter.currentDevice = pending.device;
        OruDeviceRecord& device = adapter.devices[pending.device];
        device.currentMode = pending.mode;
        device.windowed = FALSE;
        device.fullScreenMultiSample = pending.multiSample;
    }
    EndDialog(dialog, IDOK);
    SaveDeviceToReg();
    SaveParameters();
}

} // namespace

int ShowConfigDialog(HINSTANCE instance)
{
    HWND owner = GetForegroundWindow();
    ConfigInstance = instance;
    DebugPrint("config parameter hwnd-%X:hInst-%X\n", unsigned(reinterpret_cast<UINT_PTR>(owner)),
               unsigned(reinterpret_cast<UINT_PTR>(instance)));
    LoadDialogBitmaps(instance);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIG), owner, ConfigDlgProc, 0);
    return 0;
}

void LoadDialogBitmaps(HINSTANCE instance)
{
    for (int i = 0; i < DialogBitmapCount; ++i)
        if (!DialogBitmaps[i])
            DialogBitmaps[i] = static_cast<HBITMAP>(
                LoadImageA(instance, MAKEINTRESOURCEA(BitmapIds[i]), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

void SetDialogBitmaps(HWND dialog)
{
    SetPicture(dialog, IDC_FISH_FEW, SlotFishFew);
    SetPicture(dialog, IDC_FISH_NORMAL, SlotFishNormal);
    SetPicture(dialog, IDC_FISH_MANY, SlotFishMany);
    SetPicture(dialog, IDC_PAINT_FLAT, SlotPaintFlat);
    SetPicture(dialog, IDC_PAINT_RAINBOW, SlotPaintRainbow);
    SetPicture(dialog, IDC_PAINT_TONE, SlotPaintTone);
    SetPicture(dialog, IDC_CAMERA_MOVE, SlotCameraMove);
    SetPicture(dialog, IDC_CAMERA_FIX, SlotCameraFix);
    SetPicture(dialog, IDC_CAMERA_MOUSE, SlotCameraMouse);
}

void SetPaintBitmaps(int stencilBits, HWND dialog)
{
    DebugPrint("stencil : %d\n", stencilBits);
    SetPicture(dialog, IDC_PAINT_RAINBOW, stencilBits ? SlotPaintRainbow : SlotRainbowFaded);
    SetPicture(dialog, IDC_PAINT_TONE, stencilBits ? SlotPaintTone : SlotToneFaded);
}

void ParamsToDialog(HWND dialog)
{
    DebugPrint("DialogInit\n");
    DebugPrint("CloneFish:%d\n", TechniqueSetting(TechCloneFishTech));
    TechniqueParams.ToDialog(dialog);
    SceneParams.ToDialog(dialog);
    DialogParams.ToDialog(dialog);
}

void ParamsFromDialog(HWND dialog)
{
    DebugPrint("CloneFishUpdate:%d\n", TechniqueSetting(TechCloneFishTech));
    DialogParams.FromDialog(dialog);
    TechniqueParams.FromDialog(dialog);
    DebugPrint("CloneFishUpdate:%d\n", TechniqueSetting(TechCloneFishTech));
}

INT_PTR CALLBACK ConfigDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        OruApplication* app = App();
        PendingDeviceChoice = DeviceChoice{0, 0, 0, D3DMULTISAMPLE_NONE};
        if (app && app->currentAdapter < app->adapterCount) {
            const OruAdapterRecord& adapter = app->CurrentAdapter();
            PendingDeviceChoice.adapter = app->currentAdapter;
            PendingDeviceChoice.device = adapter.currentDevice;
            if (adapter.currentDevice < adapter.deviceCount) {
                const OruDeviceRecord& device = adapter.devices[adapter.currentDevice];
                PendingDeviceChoice.mode = device.currentMode;
                PendingDeviceChoice.multiSample = device.fullScreenMultiSample;
            }
        }
        ParamsToDialog(dialog);
        SetDialogBitmaps(dialog);
        Refill(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDOK) {
        Confirm(dialog);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (code == CBN_SELENDOK)
        TakeSelection(dialog, id);
    DebugPrint("got message %d %d\n", id, code);
    Refill(dialog);
    return TRUE;
}
