// The device-lifecycle interface that the world fans out to its servers and
// its group list, in this slot order. Every operation does nothing and
// returns 0 unless a server defines it.
#pragma once

#include <windows.h>

class OruServer {
public:
    virtual ~OruServer() = default;
    virtual HRESULT InitDeviceObjects() { return 0; }
    virtual HRESULT RestoreDeviceObjects() { return 0; }
    virtual HRESULT InvalidateDeviceObjects() { return 0; }
    virtual HRESULT DeleteDeviceObjects() { return 0; }
    virtual HRESULT Update() { return 0; }
};
