// A bubble emitter: 300 bubbles that start in bursts inside a box around the
// emitter, rise and die; the live ones in the camera's view are gathered
// every update and drawn as point sprites in one call from a vertex buffer
// that every emitter shares.
#pragma once

#include "effects/CBubble.h"

#include "mesh/Vector3.h"
#include "scene/PimVertexObject.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdint>

const int BubbleCapacity = 300;
// The gathered positions have room for ten more than the bubbles.
const int BubblePointCapacity = BubbleCapacity + 10;
// The shared buffer: 600 points of three floats; a draw uses 300 of them.
const UINT BubbleBufferBytes = 7200;
const DWORD BubbleBufferUsage = D3DUSAGE_WRITEONLY | D3DUSAGE_POINTS | D3DUSAGE_DYNAMIC;

// The buffer every emitter draws from: made by the first restore that finds
// none, released by the first invalidate that finds one.
extern IDirect3DVertexBuffer8* BubbleVertexBuffer;

extern const DWORD BubbleStateTokens[];

class CBubbles : public PimVertexObject {
public:
    CBubbles();

    HRESULT InitDeviceObjects() override;
    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    HRESULT DeleteDeviceObjects() override;
    // Next texture, the burst, every bubble's move, the gathering in view,
    // then the base update.
    void Update(float time, float prevTime) override;
    // One point-list draw of the gathered bubbles; nothing when none is in view.
    HRESULT Render() override;

    // Writes a start position inside the emitter's box and returns 1 while
    // the current burst allows one more bubble, else returns 0.
    int EmitBubble(Vector3* out);

    // The half-angle of the view cone bubbles are gathered in: the
    // application's field of view x 0.6 + pi/2 about the four side axes.
    void GatherVisible();

    CBubble bubbles[BubbleCapacity];
    uint16_t bubbleCount;
    uint16_t visibleCount;
    Vector3 points[BubblePointCapacity]; // the gathered positions first
    uint16_t burstEmitted;
    uint16_t burstLimit;
    float lastBurstTime;
    uint16_t textureIndex;
    int32_t bufferSlot;
};
