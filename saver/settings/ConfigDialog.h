// The configuration dialog (resource 145): fish count, paint and camera as
// picture buttons, the clone-fish and partial-morph techniques, and the
// Direct3D adapter, device and full-screen mode. OK applies the device
// choice to the enumeration tables and stores it and the settings; Cancel
// stores nothing.
#pragma once

#include <windows.h>
#include <d3d8.h>

// The device choice the dialog shows and OK applies.
struct DeviceChoice {
    UINT adapter;
    UINT device;
    UINT mode;
    D3DMULTISAMPLE_TYPE multiSample; // full screen
};

const int DialogBitmapCount = 11;

// Program-wide while the dialog is open.
extern DeviceChoice PendingDeviceChoice;
// The pictures in load order: 170, 171, 172, 167, 166, 169, 173, 174, 175,
// 176, 177. Loaded once; they live until the process ends.
extern HBITMAP DialogBitmaps[DialogBitmapCount];
// The module whose resources the dialog uses.
extern HINSTANCE ConfigInstance;

// Runs the dialog modally, owned by the foreground window. Returns 0.
int ShowConfigDialog(HINSTANCE instance);

void LoadDialogBitmaps(HINSTANCE instance);
void SetDialogBitmaps(HWND dialog);
// Full pictures on the rainbow and tone buttons with stencil bits, the faded
// ones without.
void SetPaintBitmaps(int stencilBits, HWND dialog);
void ParamsToDialog(HWND dialog);
void ParamsFromDialog(HWND dialog);
INT_PTR CALLBACK ConfigDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
