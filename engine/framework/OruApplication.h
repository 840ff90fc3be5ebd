// The application framework: the Direct3D object and device, the main
// window, the adapter/device/mode tables, the message loop and the frame. A
// derived class supplies the scene through the virtual operations.
#pragma once

#include "AppErrors.h"
#include "ArcBall.h"
#include "OruAdapterRecord.h"
#include "RunMode.h"

#include "D3DXMath.h"

#include <windows.h>
#include <d3d8.h>

#include "resource.h"

// Resource ids the framework uses.
const int IconApplication = IDI_APPLICATION_ICON;
const int AcceleratorTable = IDR_ACCELERATORS;
const int ContextMenu = IDR_CONTEXT_MENU;
const int SelectDeviceDialogId = IDD_SELECT_DEVICE;

// Commands of the accelerator table.
const int CommandChangeDevice = IDM_CHANGE_DEVICE;
const int CommandToggleFullScreen = IDM_TOGGLE_FULLSCREEN;
const int CommandGoStop = IDM_GO_STOP;
const int CommandSingleStep = IDM_SINGLE_STEP;
const int CommandExit = IDM_EXIT;

class OruWorld;

class OruApplication {
public:
    OruApplication();
    virtual ~OruApplication();
    OruApplication(const OruApplication&) = delete;
    OruApplication& operator=(const OruApplication&) = delete;

    // Slots 0 to 13.
    virtual HRESULT ApplyWindowStyle();
    virtual HRESULT AcceptDevice(const D3DCAPS8* caps, DWORD behaviour, D3DFORMAT format);
    virtual HRESULT OneTimeSceneInit() { return 0; }
    virtual HRESULT InitDeviceObjects() { return 0; }
    virtual HRESULT RestoreDeviceObjects() { return 0; }
    virtual HRESULT UpdateScene() { return 0; }
    virtual HRESULT Render() { return 0; }
    virtual HRESULT InvalidateDeviceObjects() { return 0; }
    virtual HRESULT DeleteDeviceObjects() { return 0; }
    virtual HRESULT FinalCleanup() { return 0; }
    virtual HRESULT Startup(HINSTANCE instance);
    // Until the quit message, whose code it returns. Frames are drawn while
    // active; inactive it waits for messages. A failed GetMessage closes the
    // window and returns -1.
    virtual int RunMessageLoop();
    virtual LRESULT MsgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void SetPaused(BOOL pause);

    HRESULT RenderFrame();
    void ShutdownDevice3D();
    HRESULT ShowError(HRESULT code, int kind);
    HWND FindRunningInstance();

    // Enumeration and the current choice.
    HRESULT EnumerateDevices();
    static int CompareDisplayModes(const void* a, const void* b);
    BOOL PickDepthStencilFormat(UINT ordinal, D3DDEVTYPE type, D3DFORMAT format, D3DFORMAT* out);
    BOOL TryDepthStencilFormats(UINT ordinal, D3DDEVTYPE type, D3DFORMAT format, D3DFORMAT* out);
    void PickDefaultMode(OruDeviceRecord* device);
    int GetStencilBits();
    // Stencil bits of a depth/stencil format (0 for a format without stencil).
    static int StencilBitsOf(D3DFORMAT format);

    // Device creation, reset, display switching and device change.
    HRESULT InitDevice3D();
    HRESULT ResetDevice3D();
    HRESULT ToggleWindowed();
    HRESULT FallBackToWindowed();
    HRESULT ChooseDevice();

    static LRESULT CALLBACK FrameworkWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    OruAdapterRecord adapters[MaxAdapters];
    UINT adapterCount;
    UINT currentAdapter;
    BOOL windowed;
    BOOL active;
    BOOL ready;
    BOOL clockRunning;
    BOOL singleStep;
    D3DPRESENT_PARAMETERS presentParams;
    HWND window;
    HWND focusWindow;
    HMENU savedMenu;
    IDirect3D8* d3d;
    IDirect3DDevice8* device;
    D3DCAPS8 caps;
    D3DSURFACE_DESC backBufferDesc;
    DWORD windowStyle;
    RECT windowRect;
    RECT clientRect;
    float appTime;
    const char* windowTitle;
    BOOL depthBufferOn;
    UINT depthBitsMin;
    UINT stencilBitsMin;
    UINT initialClientWidth;
    UINT initialClientHeight;
    BOOL deviceCursorInFullScreen;
    BOOL confineCursorInFullScreen;
    const char* windowClassName;
    POINT lastCursorPos;
    RunMode runMode;

    // Scene values the engine reads through App(); the deriving
    // application fills them.
    D3DXMATRIX projection;   // identity until the application builds one
    float fieldOfView;       // vertical, radians
    ArcBall arcBall;         // the mouse camera's tracker
    int32_t drawFlaggedObjects; // 0: objects with drawOnlyWhenAllowed are not drawn
    OruWorld* world;         // the scene; created and freed by the deriving application

    // Reads the stored device choice into the current choice of the tables,
    // where it is valid; called at saver start-up. The program sets it; null
    // keeps the enumeration's default choice.
    HRESULT (*storedChoiceLoader)();

    // The record of the current choice.
    OruAdapterRecord& CurrentAdapter() { return adapters[currentAdapter]; }
    OruDeviceRecord& CurrentDevice() { return CurrentAdapter().devices[CurrentAdapter().currentDevice]; }
    OruDisplayMode& CurrentMode() { return CurrentDevice().modes[CurrentDevice().currentMode]; }

protected:
    // The multisample type the current choice can really use: the stored
    // type when the device accepts it for the format, else none (and the
    // record is set to none).
    D3DMULTISAMPLE_TYPE UsableMultiSample(BOOL inWindow);

private:
    void FillPresentParams();
    void SetBackBuffer(BOOL inWindow);
    void ApplyCursorConfinement();
    void AfterCreateOrReset();
    void InvalidateObjects();
    void DeleteObjects();
    // Releases the device; false when references remained.
    bool ReleaseDevice();
    // Release the device and create it anew for the current choice.
    HRESULT RecreateDevice();
    void StepOnceIfStopped();
    bool ResizeToClient();

    // Which device the current Direct3D device was created on.
    UINT deviceAdapter_ = 0;
    UINT deviceIndex_ = 0;
    // Lifecycle of the device objects, so each is released once.
    bool objectsInitialised_ = false;
    bool objectsRestored_ = false;
    bool inSizeMove_ = false;
    bool fatalShown_ = false;
};

