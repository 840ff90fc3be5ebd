// The water behind everything: one quad at the far plane textured with two
// rainbow gradients that slowly turn, drift and cross-fade toward random
// targets. Drawn first, writing no depth.
#pragma once

#include "scene/PimVertexObject.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdint>

// Position, then layer 0's and layer 1's texture coordinates.
struct BackPaperVertex {
    float x, y, z;
    float u0, v0;
    float u1, v1;
};
static_assert(sizeof(BackPaperVertex) == 28, "the background's vertex is 28 bytes");

const int BackPaperVertexCount = 4;
const UINT BackPaperBufferBytes = sizeof(BackPaperVertex) * BackPaperVertexCount;

extern const DWORD BackPaperStateTokens[];
extern const ShaderSet BackPaperShaders;

class CBackPaper : public PimVertexObject {
public:
    CBackPaper();

    HRESULT InitDeviceObjects() override;
    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    // Eases the cross-fade, the turns and the drift, and rewrites the quad's
    // texture coordinates. No movement and no matrices.
    void Update(float time, float prevTime) override;
    // Draws the quad; the texture addressing of stages 0 and 1 is WRAP
    // afterwards, also when the draw was abandoned.
    HRESULT Render() override;

    // The texture factor for a cross-fade weight: its byte in all four bytes.
    static DWORD BlendFactor(float blend);
    // Whether the device mirrors texture addresses.
    static bool MirrorAddressing();

    BackPaperVertex cpuVertices[BackPaperVertexCount];
    IDirect3DVertexBuffer8* vertexBuffer;
    float targetAngles[2];
    float angles[2];
    float targetOffsets[2];
    float offsets[2];
    float blend;
    float targetBlend;
};
