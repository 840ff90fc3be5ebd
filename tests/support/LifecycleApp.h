// A framework application for tests: records its lifecycle calls, draws the
// clear colour with a marker square that follows the application time, and
// runs the message loop's work for a given time.
#pragma once

#include "framework/OruApplication.h"

#include <string>
#include <vector>

const D3DCOLOR LifecycleClearColour = 0x001020C0;

class LifecycleApp : public OruApplication {
public:
    LifecycleApp();
    HRESULT InitDeviceObjects() override;
    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    HRESULT DeleteDeviceObjects() override;
    HRESULT FinalCleanup() override;
    HRESULT UpdateScene() override;
    HRESULT Render() override;

    // Runs the message loop's work for up to ms milliseconds, rendering when
    // idle; ends early at the quit message.
    void Pump(DWORD ms);
    int Count(const std::string& what) const;

    std::vector<std::string> events;
    int updates = 0;
    int renders = 0;
    bool failRestore = false;
    bool quit = false;

private:
    HRESULT Note(const char* what);
};
