#include "SelectDeviceDialog.h"

#include "OruApplication.h"

#include <cstdio>
#include <initializer_list>

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
    HWND adapterList = GetDlgItem(dialog, IdcAdapterList);
    HWND deviceList = GetDlgItem(dialog, IdcDeviceList);
    HWND modeList = GetDlgItem(dialog, IdcModeList);
    HWND multiSampleList = GetDlgItem(dialog, IdcMultiSampleList);
    for (HWND list : {adapterList, deviceList, modeList, multiSampleList})
        SendMessageA(list, CB_RESETCONTENT, 0, 0);

    auto add = [](HWND list, const char* text, LPARAM data, bool select) {
        LRESULT at = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (at < 0)
            return;
        SendMessageA(list, CB_SETITEMDATA, WPARAM(at), data);
        if (select)
            SendMessageA(list, CB_SETCURSEL, WPARAM(at), 0);
    };

    for (UINT a = 0; a < app_->adapterCount; ++a)
        add(adapterList, app_->adapters[a].identifier.Description, LPARAM(a), a == working_.adapter);

    const OruAdapterRecord& adapter = app_->adapters[working_.adapter];
    for (UINT d = 0; d < adapter.deviceCount; ++d)
        add(deviceList, adapter.devices[d].description, LPARAM(d), d == working_.device);

    const OruDeviceRecord& device = adapter.devices[working_.device];
    for (UINT m = 0; m < device.modeCount; ++m) {
        const OruDisplayMode& mode = device.modes[m];
        const bool bits32 = mode.format == D3DFMT_A8R8G8B8 || mode.format == D3DFMT_X8R8G8B8 ||
                            mode.format == D3DFMT_R8G8B8;
        char text[64];
        std::snprintf(text, sizeof text, "%ld x %ld x %ld", long(mode.width), long(mode.height), bits32 ? 32L : 16L);
        add(modeList, text, LPARAM(m), m == working_.mode);
    }

    D3DMULTISAMPLE_TYPE& kept = working_.windowed ? working_.windowedMultiSample : working_.fullScreenMultiSample;
    const D3DFORMAT format = working_.windowed ? adapter.desktopMode.Format : device.modes[working_.mode].format;
    for (int count = 0; count <= 16; ++count) {
        if (count == 1)
            continue;
        if (FAILED(app_->d3d->CheckDeviceMultiSampleType(adapter.ordinal, device.deviceType, format,
                                                         working_.windowed, D3DMULTISAMPLE_TYPE(count))))
            continue;
        char text[32];
        if (count == 0)
            std::snprintf(text, sizeof text, "none");
        else
            std::snprintf(text, sizeof text, "%d samples", count);
        add(multiSampleList, text, LPARAM(count), count == 0 || count == int(kept));
    }
    // An empty list (or one without a selection) means no multisampling.
    LRESULT selected = SendMessageA(multiSampleList, CB_GETCURSEL, 0, 0);
    kept = selected == CB_ERR ? D3DMULTISAMPLE_NONE
                              : D3DMULTISAMPLE_TYPE(SendMessageA(multiSampleList, CB_GETITEMDATA, WPARAM(selected), 0));

    EnableWindow(multiSampleList, SendMessageA(multiSampleList, CB_GETCOUNT, 0, 0) > 1);
    EnableWindow(GetDlgItem(dialog, IdcWindowedRadio), device.canRenderWindowed);
    CheckDlgButton(dialog, IdcWindowedRadio, working_.windowed ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IdcFullScreenRadio, working_.windowed ? BST_UNCHECKED : BST_CHECKED);
    EnableWindow(modeList, !working_.windowed);
}
