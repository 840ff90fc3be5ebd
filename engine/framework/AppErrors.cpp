#include "AppErrors.h"

#include <d3d8.h>

const char* AppErrorText(HRESULT code)
{
    switch (code) {
    case AppErrDirect3DInit:
        return "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is correctly "
               "installed on your\nsystem.  Also make sure that this program\nwas compiled with header files that "
               "match\nthe installed DirectX DLLs.";
    case AppErrNoCompatibleDevice:
        return "Could not find any compatible Direct3D\ndevices.";
    case AppErrNoWindowableDevice:
        return "This application cannot run in a desktop\nwindow with the current display settings.\nPlease change your "
               "desktop settings to a\n16- or 32-bit display mode and re-run this\napplication.";
    case AppErrNoHardwareDevice:
        return "No hardware-accelerated Direct3D devices\nwere found.";
    case AppErrHardwareLacksFeature:
        return "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator.";
    case AppErrNoWindowedHardware:
        return "Your Direct3D hardware accelerator cannot\nrender into a window.\nPress F2 while the app is running to "
               "see a\nlist of available devices and modes.";
    case AppErrNoDesktopHardware:
        return "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display "
               "settings.\nPress F2 while the app is running to see a\nlist of available devices and modes.";
    case AppErrNoDesktopHardwareFeature:
        return "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator "
               "with the current desktop display\nsettings.\nPress F2 while the app is running to see a\nlist of "
               "available devices and modes.";
    case AppErrReferenceCount:
        return "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up).";
    case AppErrMediaLoad:
        return "Could not load required media.";
    case AppErrDeviceReset:
        return "Could not reset the Direct3D device.";
    case AppErrNullReference:
        return "Warning: Nothing will be rendered.\nThe reference rendering device was selected, but your\ncomputer only "
               "has a reduced-functionality reference device\ninstalled.  Install the DirectX SDK to get the full\n"
               "reference device.\n";
    case E_OUTOFMEMORY:
        return "Not enough memory.";
    case D3DERR_OUTOFVIDEOMEMORY:
        return "Not enough video memory.";
    default:
        return "Generic application error. ";
    }
}
