#include "settings/ConfigDialog.h"

#include "framework/AppAccess.h"
#include "framework/DeviceLists.h"
#include "settings/DeviceChoiceRegistry.h"
#include "settings/SettingsRegistry.h"
#include "settings/SettingsTables.h"
#include "framework/OruApplication.h"
#include "resource.h"
#include "trace/DebugPrint.h"

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

// The lists and the paint pictures from the pending choice, then the
// settings tables from the controls.
void Refill(HWND dialog)
{
    const DeviceListControls lists = {GetDlgItem(dialog, IDC_ADAPTER_COMBO), GetDlgItem(dialog, IDC_DEVICE_COMBO),
                                      GetDlgItem(dialog, IDC_MODE_COMBO), GetDlgItem(dialog, IDC_MULTISAMPLE_COMBO)};
    DeviceChoice& pending = PendingDeviceChoice;
    OruApplication* app = App();
    // The saver runs full screen: the modes' multisample types.
    const DeviceListChoice choice = {pending.adapter, pending.device, pending.mode, FALSE, pending.multiSample};
    pending.multiSample = FillDeviceLists(app, lists, choice);

    const OruDisplayMode* mode = ChosenRecords(app, choice).mode;
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
