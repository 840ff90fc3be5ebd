// The stencil paint: after the scene is drawn, one screen-covering quad is
// drawn several times under a stencil test, so that only fish pixels (whose
// stencil holds their flock's id) take a pattern per flock and then a
// rainbow tint. The "ToneMode" setting chooses: 0 nothing, 1 the tint over
// every fish, 2 the patterns and then the tint. A late object: it draws
// after the opaque and sorted passes. Without stencil bits in the depth
// format it makes nothing and draws nothing.
#pragma once

#include "scene/PimVertexObject.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdint>

// One flock's pattern: the texture index (in the paint's texture list),
// its repeat count across the quad, its strength and how it is blended
// (0 additive, 1 alpha blend).
struct PaintLayer {
    int32_t texture;
    float scale;
    float alpha;
    int32_t blend;
};

const int PaintLayerCount = 4;
const int PaintLayerOrderCount = 8;
// The paint's fifth texture: the rainbow gradient of the tint.
const int PaintTintTexture = 4;
// The tint's texture factor: alpha 76 of 255, no colour.
const DWORD PaintTintFactor = 0x4C000000;

extern const PaintLayer PaintLayers[PaintLayerCount];
// Entry i - 1 names the layer drawn where the stencil holds i.
extern const int32_t PaintLayerOrder[PaintLayerOrderCount];

class SelStencilPaint : public PimVertexObject {
public:
    SelStencilPaint();

    HRESULT InitDeviceObjects() override;
    // Takes the stencil bit count; with none, makes nothing. Otherwise the
    // quad's buffers (a failed creation or lock returns its error and keeps
    // nothing), then the base's textures, shader and state block.
    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    void Update(float time, float prevTime) override;
    // Always 0; the device results are not examined.
    HRESULT Render() override;

    // A layer's texture factor: alpha x 0xFF000000 (alpha clamped to 0..1),
    // the integer part masked to the alpha byte.
    static DWORD LayerFactor(float alpha);
    // The ToneMode setting.
    static int32_t ToneMode();

    IDirect3DVertexBuffer8* vertexBuffer;
    IDirect3DIndexBuffer8* indexBuffer;
    float quadTop;
    float quadLeft;
    float quadWidth;
    uint32_t stencilBits;

private:
    HRESULT CreateQuad(IDirect3DDevice8* device);
    void ReleaseQuad();
    void DrawQuad(IDirect3DDevice8* device);
};
