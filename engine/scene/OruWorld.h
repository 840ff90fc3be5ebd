// The scene root. It owns the children (every scene object), the camera, the
// shader, buffer and state-block servers, the fish group list, the gamma fade
// and the frame probe; smooths the clock, updates the children in the order
// they were added, draws them in three passes (ordinary, transparent far to
// near, late), fans the device operations out, and keeps the distance matrix
// behind the flocking's nearest-neighbour lookup. It is also the scene
// context through which drawable objects reach the camera and the servers.
#pragma once

#include "OruFlockRecord.h"
#include "OruObject.h"
#include "OruSceneContext.h"
#include "mesh/OruPtrArray.h"
#include "mesh/Vector3.h"

#include "D3DXMath.h"

#include <windows.h>

#include <array>
#include <cstdint>

class OruCamera;
class OruServer;
class OruFrameProbe;
class OruGammaFade;
class OruGroupList;
class SBServer;
class VBServer;
class VSServer;

const int WorldLightCapacity = 20;
const int WorldFlockCapacity = 20;
// Children the world accepts; also the largest side of the distance matrix.
const int WorldChildCapacity = 5000;
// Most neighbours GetNeighbours returns (the capacity of its list).
const int WorldNeighbourCapacity = 10;
// Application times the clock smoothing remembers.
const int WorldClockHistory = 10;

class OruWorld : public OruObject, public OruSceneContext {
public:
    // Creates the camera, the servers, the group list, the probe and the
    // gamma fade, and registers the world as the current scene context.
    OruWorld();
    ~OruWorld() override;

    // Every child's, then the servers' and the group list's; results ignored.
    HRESULT InitDeviceObjects() override;
    // Stops at the first failing child and returns its result; after a full
    // restore sets the display's gamma ramp to linear.
    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    HRESULT DeleteDeviceObjects() override;
    // The three render passes; also sets the per-frame shader constants.
    HRESULT Render() override;
    // Frees the servers, the group list, the camera, the probe and the fade,
    // then finalises and deletes every child in list order.
    HRESULT FinalCleanup() override;
    void doSequence(float, float) override {}

    // Smooths appTime, updates the camera and sets the view, then updates
    // every active child. E_OUTOFMEMORY when the distance matrix is needed
    // and cannot be allocated (the children are still updated).
    virtual HRESULT UpdateAll(float appTime);

    // Hands object to the world (its worldIndex becomes its place in the
    // list). E_OUTOFMEMORY, with object left to the caller, when the list is
    // full (WorldChildCapacity) or cannot grow; E_POINTER for null.
    HRESULT AddObject(OruObject* object);

    // Registers a light whose position the shader constants read, with the
    // four floats of its colour (the light's lightColour). The light itself is
    // a child like any other; the world does not own it here. E_OUTOFMEMORY
    // when WorldLightCapacity lights are registered.
    HRESULT AddLight(OruObject* light, const float* colour);

    // The n nearest children of self (n clamped to 0..WorldNeighbourCapacity),
    // nearest first; among equal distances the later child first. Children
    // whose distance to self was never measured are not listed. The list is
    // the world's own and the next call overwrites it.
    OruPtrArray* GetNeighbours(OruObject* self, int n);

    // The shader constants the world sets once per render, before the first
    // object draws.
    void SetFixedConstants();
    void SetFrameConstants();
    // Stencil states under which every drawn pixel writes the reference value.
    void SetStencilDefaults();

    // OruSceneContext.
    int IsBoxVisible(OruObject* object) override;
    const D3DXMATRIX* View() override;
    const D3DXMATRIX* Projection() override;
    const Vector3* EyePosition() override;
    SBServer* StateBlocks() override;

    OruPtrArray transparentList;
    OruPtrArray lateList;
    uint32_t frameCounter;
    // Set once, at the update more than ten seconds after the fourth; that
    // update writes "OruWorld: warm-up over" to the debug output.
    int32_t warmedUp;
    OruPtrArray children;
    OruCamera* camera;
    VSServer* vsServer;
    VBServer* vbServer;
    SBServer* sbServer;
    OruGroupList* groupList;
    OruGammaFade* gammaFade;
    OruFrameProbe* frameProbe;
    OruObject* lights[WorldLightCapacity];       // not owned
    const float* lightColours[WorldLightCapacity]; // each light's four colour floats, not owned
    int32_t lightCount;
    OruFlockRecord flocks[WorldFlockCapacity];
    float sunVisibility;
    Vector3 sunDirection;
    // Pairwise distances of active children, distanceSize x distanceSize,
    // indexed [row * distanceSize + column] by worldIndex; allocated when the
    // flock-mate effect is dynamic, sized to the child count. Cells never
    // measured hold NaN.
    float* distances;
    uint16_t* distanceStamps;
    int32_t distanceSize;
    OruPtrArray neighbours;
    // Room for the transparent pass's merge sort; reused every frame.
    OruPtrArray sortScratch;

    // The smoothed clock, one for the program: the previous smoothed time
    // (-1 before the first update), the last application times (newest first)
    // and the smoothed time of the fourth update.
    static float fTimeKey;
    static float clockHistory[WorldClockHistory];
    static float warmUpStart;

private:
    // The three servers and the group list, in the order the device
    // operations reach them; entries are null once freed.
    std::array<OruServer*, 4> Servers() const;
    // Makes the buffer, shader and state-block servers forget what is bound.
    void ForgetBindings();
    // A device operation on every child, then on every server.
    void FanOut(HRESULT (OruObject::*childOperation)(), HRESULT (OruServer::*serverOperation)());
    // Measures the distances of this frame's active pairs; E_OUTOFMEMORY
    // when the matrix cannot be allocated.
    HRESULT UpdateDistances();
    void FreeDistances();
};
