// The screensaver's entry point: one application object, one run mode.
#include "app/CommandLine.h"
#include "settings/ConfigDialog.h"
#include "settings/DeviceChoiceRegistry.h"
#include "app/Preview.h"
#include "app/SelApplication.h"
#include "settings/SettingsRegistry.h"

#include "D3D8Library.h"
#include "trace/DebugPrint.h"

#include <cstdlib>
#include <ctime>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    // The application registers itself as the program's one application
    // object when it is constructed (framework/AppAccess.h).
    SelApplication app;

    // One saver at a time.
    if (app.FindRunningInstance())
        return 0;

    LoadParameters();

    app.runMode = RunModeConfigure;
    ParsedCommandLine parsed = ParseCommandLine(commandLine);
    app.runMode = parsed.mode;
    if (parsed.mode == RunModePreview)
        RunPreview(instance, parsed.host);
    DebugPrint("boot\n");

    srand(unsigned(time(nullptr)));

    switch (app.runMode) {
    case RunModeSaver:
    case RunModeDebug:
        // A failed start has shown its box and closed its window.
        if (FAILED(app.Startup(instance)))
            return 0;
        app.RunMessageLoop();
        app.FinalCleanup();
        return 0;

    case RunModeConfigure:
        app.d3d = D3D8Library::Create();
        if (!app.d3d)
            return 1;
        if (FAILED(app.EnumerateDevices())) {
            app.d3d->Release();
            app.d3d = nullptr;
            return 2;
        }
        LoadDeviceFromReg();
        ShowConfigDialog(instance);
        app.d3d->Release();
        app.d3d = nullptr;
        app.FinalCleanup();
        return 0;

    case RunModePreview:
    case RunModeChangePassword:
        app.FinalCleanup();
        return 0;
    }
    return 0;
}
