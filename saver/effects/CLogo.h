// The turning logo of the saver's opening: drawn while the world warms up
// (the camera then looks at it from 5 units), and never after, though it
// keeps turning. With pixel shaders it is an additive surface reflecting a
// cube texture; without them it is vertex-lit and shows a fixed picture.
#pragma once

#include "scene/PimVertexObject.h"

#include <windows.h>
#include <d3d8.h>

class CLogo : public PimVertexObject {
public:
    CLogo();

    // The base's: loads the .x mesh (a mesh that does not load, for want
    // of memory too, stays empty) and computes the bounds; 0.
    HRESULT InitDeviceObjects() override;
    // On a device with pixel shaders the cube texture first (a failure is
    // returned); then the base's textures, mesh buffers, shaders and state
    // block.
    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    HRESULT DeleteDeviceObjects() override;
    // Rolls one radian and yaws half a radian a second, backwards, then the
    // base update.
    void Update(float time, float prevTime) override;
    // Nothing once the world is warmed up, or while the mesh has nothing to
    // draw; always 0.
    HRESULT Render() override;

    IDirect3DCubeTexture8* cubeTexture;
};
