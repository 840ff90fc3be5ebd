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
    bool SceneRestored() const { return sceneState_ == SceneState::Restored; }

    // Calls of the four device operations since the object was made; they
    // number the operations' labels.
    struct DeviceCallCounts {
        int init = 0;
        int restore = 0;
        int invalidate = 0;
        int remove = 0; // DeleteDeviceObjects
    };
    const DeviceCallCounts& DeviceCalls() const { return deviceCalls_; }

private:
    // What the scene holds on the device.
    enum class SceneState {
        NoDeviceYet, // no restore yet; in saver mode the first device is a temporary one
        Unmade,      // nothing of the scene is on the device
        Partial,     // the world's restore failed: the next invalidate gives back what it made
        Restored     // complete: drawn every frame
    };

    // Adds object to the world; E_OUTOFMEMORY (the object freed) when it is
    // null or the world cannot take it.
    HRESULT Add(OruObject* object);
    // The parts of the scene set-up, in their order; each returns 0 or
    // E_OUTOFMEMORY.
    HRESULT AddLights();
    HRESULT AddMarks();
    HRESULT AddLogo();
    HRESULT AddBubbles();

    SceneState sceneState_ = SceneState::NoDeviceYet;
    DeviceCallCounts deviceCalls_;
    // The last frame's BeginScene was refused.
    bool sceneRefused_ = false;
};
