#include "SelectDeviceDialog.h"

#include "DeviceLists.h"
#include "OruApplication.h"

bool SelectDeviceDialog::Choice::operator==(const Choice& o) const
{
    return adapter == o.adapter && device == o.device && mode == o.mode && windowed == o.windowed &&
           windowedMultiSample == o.windowedMultiSample && fullScreenMultiSample == o.fullScreenMultiSample;
}

INT_PTR SelectDeviceDialog::Run(OruApplication* app)
{
    SelectDeviceDialog dialog(app);
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(SelectDeviceDialogId), app->window,
                           SelectDeviceDlgProc, reinterpret_cast<LPARAM>(&dialog));
}

INT_PTR CALLBACK SelectDeviceDialog::SelectDeviceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<SelectDeviceDialog*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        OruApplication* app = self->app_;
        const OruAdapterRecord& adapter = app->adapters[app->currentAdapter];
        const OruDeviceRecord& device = adapter.devices[adapter.currentDevice];
        self->working_ = {app->currentAdapter, adapter.currentDevice, device.currentMode, device.windowed,
                          device.windowedMultiSample, device.fullScreenMultiSample};
        self->opening_ = self->working_;
        self->Refill(dialog);
        return TRUE;
    }
    auto* self = reinterpret_cast<SelectDeviceDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_COMMAND && self)
        return self->Command(dialog, wParam);
    return FALSE;
}

void SelectDeviceDialog::TakeDevice(UINT device)
{
    const OruDeviceRecord& record = app_->adapters[working_.adapter].devices[device];
    working_.device = device;
    working_.mode = record.currentMode;
    working_.windowed = record.windowed;
}

INT_PTR SelectDeviceDialog::Command(HWND dialog, WPARAM wParam)
{
    working_.windowed = IsDlgButtonChecked(dialog, IdcWindowedRadio) == BST_CHECKED;
    const int id = LOWORD(wParam);
    if (id == IDOK) {
        if (working_ == opening_) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        app_->currentAdapter = working_.adapter;
        OruAdapterRecord& adapter = app_->adapters[working_.adapter];
        adapter.currentDevice = working_.device;
        OruDeviceRecord& record = adapter.devices[working_.device];
        record.currentMode = working_.mode;
        record.windowed = working_.windowed;
        record.windowedMultiSample = working_.windowedMultiSample;
        record.fullScreenMultiSample = working_.fullScreenMultiSample;
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (HIWORD(wParam) == CBN_SELENDOK) {
        HWND list = GetDlgItem(dialog, id);
        LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
        if (selected != CB_ERR) {
            UINT index = UINT(SendMessageA(list, CB_GETITEMDATA, WPARAM(selected), 0));
            switch (id) {
            case IdcAdapterList:
                if (index < app_->adapterCount) {
                    working_.adapter = index;
                    TakeDevice(app_->adapters[index].currentDevice);
                }
                break;
            case IdcDeviceList:
                if (index < app_->adapters[working_.adapter].deviceCount)
                    TakeDevice(index);
                break;
            case IdcModeList:
                if (index < app_->adapters[working_.adapter].devices[working_.device].modeCount)
                    working_.mode = index;
                break;
            case IdcMultiSampleList:
                (working_.windowed ? working_.windowedMultiSample : working_.fullScreenMultiSample) =
                    D3DMULTISAMPLE_TYPE(index);
                break;
            }
        }
    }
    Refill(dialog);
    return TRUE;
}

void SelectDeviceDialog::Refill(HWND dialog)
{
    HWND modeList = GetDlgItem(dialog, IdcModeList);
    const DeviceListControls lists = {GetDlgItem(dialog, IdcAdapterList), GetDlgItem(dialog, IdcDeviceList), modeList,
                                      GetDlgItem(dialog, IdcMultiSampleList)};
    D3DMULTISAMPLE_TYPE& kept = working_.windowed ? working_.windowedMultiSample : working_.fullScreenMultiSample;
    kept = FillDeviceLists(app_, lists,
                           {working_.adapter, working_.device, working_.mode, working_.windowed, kept});

    const OruDeviceRecord& device = app_->adapters[working_.adapter].devices[working_.device];
    EnableWindow(GetDlgItem(dialog, IdcWindowedRadio), device.canRenderWindowed);
    CheckDlgButton(dialog, IdcWindowedRadio, working_.windowed ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IdcFullScreenRadio, working_.windowed ? BST_UNCHECKED : BST_CHECKED);
    EnableWindow(modeList, !working_.windowed);
}
