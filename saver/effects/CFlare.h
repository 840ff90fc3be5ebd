// The sun's glare and lens flare: eighteen additive textured quads laid on
// the screen along the line from the centre through the sun's projected
// point. Four sit on the sun at a constant strength; the others fade with
// how straight the camera looks at the sun and with how much of it the fish
// hide (the world's sunVisibility). A transparent object, drawn in the
// sorted pass, and view-tested at the sun point.
#pragma once

#include "mesh/Vector3.h"
#include "scene/PimVertexObject.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdint>

// One quad: texture index, size in normalized device units (the screen is
// 2 wide), place on the centre-to-sun axis (1 on the sun, 0 the centre,
// negative beyond the centre) and table strength.
struct FlareElement {
    int32_t texture;
    float size;
    float axis;
    float alpha;
};

const int FlareElementCount = 18;
extern const FlareElement FlareElements[FlareElementCount];

// The quad's corners in normalized device units.
struct FlareQuad {
    float x0, x1, y0, y1;
};

class CFlare : public PimVertexObject {
public:
    CFlare();

    // The quad's two buffers (a failed creation returns its error and keeps
    // neither; a failed first fill is traced, and indices that could not be
    // written drop their buffer so nothing draws), then the base's textures,
    // shader and state block.
    HRESULT RestoreDeviceObjects() override;
    HRESULT InvalidateDeviceObjects() override;
    // Puts the flare on the sun point, 20 units from the eye, lets the base
    // test the view and make the matrices, and projects the point.
    void Update(float time, float prevTime) override;
    // The eighteen elements in table order; an element whose vertex buffer
    // does not lock is skipped. Always 0.
    HRESULT Render() override;

    // The element's strength: its table alpha on the sun (axis 0.98 or
    // more), else visibility x alignment x alpha; clamped to 0..1.
    static float Strength(const FlareElement& element, float visibility, float alignment);
    // The texture factor of a strength: (strength x 255, truncated) in the
    // alpha byte, no colour; 1.0 gives 0xFF000000.
    static DWORD Factor(float strength);
    // The element's quad for the sun at (sunX, sunY): size wide, 1.33 size
    // high, centred on axis x the sun point.
    static FlareQuad Quad(const FlareElement& element, float sunX, float sunY);

    IDirect3DVertexBuffer8* quadBuffer;
    IDirect3DIndexBuffer8* quadIndices;
    // x, y: the sun point in normalized device coordinates; z: the
    // alignment, -(view direction . sunDirection).
    Vector3 sunScreen;

private:
    void ReleaseQuad();
};
