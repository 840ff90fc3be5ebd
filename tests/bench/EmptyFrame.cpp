// The empty frame of the saver's stack: the framework's debug window and
// device, chosen exactly as the saver chooses them (same client size, depth
// rule and device type), and a frame that clears target, depth and stencil
// to the scene colour, begins and ends an empty scene and presents. Its frame
// rate is the most the aquarium can reach on this machine. Run beside the
// frame-counting d3d8.dll; Esc or closing the window ends it.
#include "framework/OruApplication.h"

namespace {

class EmptyFrameApp : public OruApplication {
public:
    EmptyFrameApp()
    {
        windowTitle = "Reef Glow empty frame";
        windowClassName = "ReefGlowEmptyFrame";
        depthBufferOn = TRUE;
        depthBitsMin = 15;
    }

    HRESULT Render() override
    {
        DWORD flags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
        if (GetStencilBits() != 0)
            flags |= D3DCLEAR_STENCIL;
        device->Clear(0, nullptr, flags, 0x001020C0, 1.0f, 0);
        if (FAILED(device->BeginScene()))
            return 0;
        device->EndScene();
        return 0;
    }
};

} // namespace

// No stored device choice: the enumeration's default, as the saver's debug mode.
HRESULT LoadDeviceFromReg()
{
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    EmptyFrameApp app;
    app.runMode = RunModeDebug;
    if (FAILED(app.Startup(instance)))
        return 1;
    app.RunMessageLoop();
    app.FinalCleanup();
    return 0;
}
