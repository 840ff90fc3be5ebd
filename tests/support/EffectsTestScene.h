// What the effects' tests share: an application and world that the effects
// reach through App() (a device when given, the camera, the servers) and
// a camera aimed by hand; the scripted random source of ScriptedRandom.h.
#pragma once

#include "ScriptedRandom.h"
#include "TestApp.h"

#include "settings/SettingsTables.h"

#include "scene/OruCamera.h"
#include "scene/OruWorld.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"

#include <windows.h>
#include <d3d8.h>

#include <vector>

namespace effectstest {

const float Pi = 3.14159265f;

// The world goes after the application, so it is made after the device.
struct EffectsScene {
    explicit EffectsScene(IDirect3DDevice8* device = nullptr) : app(device)
    {
        app.SquareProjection();
        app.world = &world;
    }
    ~EffectsScene()
    {
        world.vbServer->InvalidateDeviceObjects();
        world.vsServer->InvalidateDeviceObjects();
        world.sbServer->InvalidateDeviceObjects();
        app.world = nullptr;
    }

    // A fixed eye looking at a fixed point, the view built from them.
    void Look(const Vector3& eye, const Vector3& at)
    {
        world.camera->SetEyePoint(eye);
        world.camera->SetTargetPoint(at);
        world.camera->Update(0, 0);
        world.warmedUp = 1;
        world.camera->SetView();
    }

    // Forgets the servers' bindings, as the world does before each render.
    void ForgetBindings()
    {
        world.vbServer->ResetCurrent();
        world.vsServer->ResetCurrent();
        world.sbServer->ResetCurrent();
    }

    TestApp app;
    OruWorld world;
};

// Sets the "Lights" setting, filling the scene table when it is empty.
inline void SetLights(int32_t value)
{
    if (SceneParams.count == 0)
        SceneParams.AddItems(SceneParamDefs);
    SceneParams.items[SceneLights].value = value;
}

} // namespace effectstest
