// What a drawable object needs from the scene around it during its update and
// device restore: the camera's view test, view matrix and eye, the
// application's projection and the world's state-block server. The world
// provides it and registers it; the object model reaches it through Current().
#pragma once

#include "mesh/Vector3.h"

#include "D3DXMath.h"

class OruObject;
class SBServer;

class OruSceneContext {
public:
    virtual ~OruSceneContext() = default;

    // The camera's verdict on object's bounding box: non-zero when in view.
    virtual int IsBoxVisible(OruObject* object) = 0;
    // The camera's current view matrix.
    virtual const D3DXMATRIX* View() = 0;
    // The application's projection matrix.
    virtual const D3DXMATRIX* Projection() = 0;
    // The camera's GetPosition: the eye the level-of-detail distance is taken from.
    virtual const Vector3* EyePosition() = 0;
    // The world's state-block server; null when there is none.
    virtual SBServer* StateBlocks() = 0;

    // The registered context, or null when no scene is running.
    static OruSceneContext* Current();
    // Registers context (null unregisters); the world calls it.
    static void SetCurrent(OruSceneContext* context);
};
