// The base of everything the world updates: class name, place in the world
// and its flock, position, orientation, scale, world matrix, heading, speed,
// the flags the render passes read, and the owned mover that steers it.
#pragma once

#include "mesh/Vector3.h"

#include "D3DXMath.h"

#include <windows.h>

#include <cstdint>

class OruPtrArray;

// Room for a class name of up to 39 characters and its terminating zero.
const int OruObjectNameSize = 40;

class OruObject {
public:
    OruObject();
    OruObject(const OruObject&) = delete;
    OruObject& operator=(const OruObject&) = delete;

    // Slots 0 to 9, in this order; callers index them (the camera overrides
    // slots 4, 7 and 8), so new operations go after doSequence.
    virtual HRESULT InitDeviceObjects() { return 0; }
    virtual HRESULT RestoreDeviceObjects() { return 0; }
    virtual HRESULT InvalidateDeviceObjects() { return 0; }
    virtual HRESULT DeleteDeviceObjects() { return 0; }
    // world = scaling x roll (x) x pitch (z) x yaw (y) x translation; no movement.
    virtual void Update(float time, float prevTime);
    virtual HRESULT Render() { return 0; }
    // Finalises and frees the mover.
    virtual HRESULT FinalCleanup();
    virtual Vector3* GetPosition() { return &position; }
    virtual void Reset(int) {}
    // An object whose state is 2 becomes active and deactivates its predecessor.
    virtual void doSequence(float time, float prevTime);
    // Virtual so that deleting any object through an OruObject pointer is
    // defined; it releases nothing (owned things go in FinalCleanup). Declared
    // after the operations so that they keep slots 0 to 9.
    virtual ~OruObject();

    // Counts a positive countdown down by the elapsed time; when it runs out
    // calls doSequence, records the time and returns 1, else returns 0.
    int UpdateTimer(float time, float prevTime);

    int32_t worldIndex;
    int32_t flockIndex;
    char name[OruObjectNameSize];
    Vector3 position;
    D3DXMATRIX world;
    Vector3 boundsMin;
    Vector3 boundsMax;
    float radius;
    float sortDistance;
    int32_t transparent;
    int32_t late;
    float countdown;
    float lastSequenceTime;
    int32_t noCull;
    int32_t hidden;
    int32_t culled;
    int32_t drawSelf;
    OruObject* cloneMaster;   // not owned
    int32_t masterRendered;
    float pitch;              // radians about z
    float roll;               // radians about x, the forward axis
    float yaw;                // radians about y
    float scale;
    Vector3 heading;          // unit direction of motion; forward is -x
    float speed;              // units per second along heading
    // The object's steering (an OruSteering, itself an OruObject), owned:
    // finalised and deleted by FinalCleanup.
    OruObject* mover;
    OruPtrArray* group;       // not owned
    float neighbourDistance;
    float colour[4];          // r, g, b, a
    int32_t orientationMode;
    int32_t state;            // 1: active
    OruObject* predecessor;   // not owned
    int32_t drawOnlyWhenAllowed;

protected:
    // Writes the class name, cut to OruObjectNameSize - 1 characters.
    void SetName(const char* className);
};
