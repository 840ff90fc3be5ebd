#pragma once

#include <d3d8.h>

// A screen quad's vertex: position and texture coordinates (XYZ | TEX1).
struct QuadVertex {
    float x, y, z, u, v;
};
const DWORD QuadFvf = D3DFVF_XYZ | D3DFVF_TEX1;
const UINT QuadStride = sizeof(QuadVertex);
// The quad's two triangles over its four corners.
const WORD QuadIndexList[6] = {0, 1, 2, 1, 3, 2};
