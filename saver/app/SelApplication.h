// The screensaver's application: the framework with the aquarium's world,
// the projection, the device rule for hardware vertex processing, the scene
// set-up and the screensaver's rules for ending on user input.
#pragma once

#include "framework/OruApplication.h"

class OruObject;
class SelApplication;

// What the saver does with one input message.
enum SaverInputAction {
    SaverInputPassOn = 0, // to the arcball and the framework
    SaverInputEnd = 1,    // close the saver
    SaverInputSwallow = 2 // return 0, nothing else
};

// The input rule: debug mode passes everything on; otherwise with the mouse
// camera mouse messages pass on and keys end; without it keys, left and
// right clicks and a jump of 10 or more pixels (|dx| + |dy| from last) end.
// *last becomes cursor when a move passes on.
SaverInputAction DecideSaverInput(RunMode mode, bool mouseCamera, UINT message, POINT cursor, POINT* last);

class SelApplication : public OruApplication {
public:
    SelApplication();
    ~SelApplication() override;

    HRESULT AcceptDevice(const D3DCAPS8* caps, DWORD behaviour, D3DFORMAT format) override;
    HRESULT OneTimeSceneInit() override;
    HRESULT InitDeviceObjects() override;
    HRESULT RestoreDeviceObjects() override;
    HRESULT UpdateScene() override;
    HRESULT Render() override;
    HRESULT InvalidateDeviceObjects() override;
    HRESULT DeleteDeviceObjects() override;
    HRESULT FinalCleanup() override;
    LRESULT MsgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Re-aims the camera from the settings and sets the device's default
    // filters and render states; at every restore.
    void SetDefaultRenderStates();

    // True once the world's restore has succeeded, until the next invalidate.
    bool SceneRestored() const { return sceneRestored_; }

    // Calls of the four device operations over the whole run.
    static int initCalls;
    static int restoreCalls;
    static int invalidateCalls;
    static int deleteCalls;

private:
    // Adds object to the world; E_OUTOFMEMORY (the object freed) when it is
    // null or the world cannot take it.
    HRESULT Add(OruObject* object);

    bool sceneRestored_ = false;
    bool worldRestoreTried_ = false;
    // The last frame's BeginScene was refused.
    bool sceneRefused_ = false;
};
