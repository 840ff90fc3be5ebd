// The framework's error codes; each has its message-box text.
#pragma once

#include <windows.h>

const HRESULT AppErrDirect3DInit = HRESULT(0x82000001);
const HRESULT AppErrNoCompatibleDevice = HRESULT(0x82000003);
const HRESULT AppErrNoWindowableDevice = HRESULT(0x82000004);
const HRESULT AppErrNoHardwareDevice = HRESULT(0x82000005);
const HRESULT AppErrHardwareLacksFeature = HRESULT(0x82000006);
const HRESULT AppErrNoWindowedHardware = HRESULT(0x82000007);
const HRESULT AppErrNoDesktopHardware = HRESULT(0x82000008);
const HRESULT AppErrNoDesktopHardwareFeature = HRESULT(0x82000009);
const HRESULT AppErrReferenceCount = HRESULT(0x8200000A);
const HRESULT AppErrMediaLoad = HRESULT(0x8200000B);
const HRESULT AppErrDeviceReset = HRESULT(0x8200000C);
const HRESULT AppErrNullReference = HRESULT(0x8200000D);

// The box kinds of OruApplication::ShowError.
enum ErrorKind { ErrorKindWarning = 0, ErrorKindFatal = 1, ErrorKindReference = 2 };

// The message-box text of a code ("Generic application error. " for codes
// without a text of their own).
const char* AppErrorText(HRESULT code);
