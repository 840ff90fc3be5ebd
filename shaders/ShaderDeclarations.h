// Vertex declarations of the program's vertex shaders: the input registers
// each stream feeds, for CreateVertexShader.
#pragma once

#include <windows.h>
#include <d3d8.h>

// Fish at full detail (vs2rp): stream 0 the rest pose (FishVertex: v0
// position, v3 normal, v6 texture coordinates), streams 1 and 2 two swim
// keyframes (MorphVertex: v1/v4 and v2/v5).
extern const DWORD FishDeclaration[];
// Fish with a partial morph (vs14rp): as FishDeclaration, and stream 3 the
// part offsets (v7 position delta, v8 normal delta).
extern const DWORD FishMorphDeclaration[];
// Fish at low detail (it1rp): one FishVertex stream, v0 position, v1 normal,
// v2 texture coordinates.
extern const DWORD FishLowDeclaration[];
// Clone billboards (vs8rp): v0 centre, v1 colour, v2 corner, v3 size.
extern const DWORD BillboardDeclaration[];
// Background (vs15): v0 position, v1 and v2 the two layers' coordinates.
extern const DWORD BackgroundDeclaration[];
// Screen-space textured quads (vs11: flare, stencil paint, texture viewer):
// v0 position, v1 texture coordinates.
extern const DWORD ScreenQuadDeclaration[];
// Logo (vs9, it1): the FishVertex layout, v0 position, v1 normal, v2
// texture coordinates.
extern const DWORD LogoDeclaration[];
// Marks (vs12): v0 the sprite corner (u, v).
extern const DWORD MarkDeclaration[];
