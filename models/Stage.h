// The stage mesh: a terraced landscape of 868 vertices and 582 triangles,
// compiled in and built into its mesh record at start-up. Nothing draws it.
#pragma once

#include "StageVertex.h"

#include "mesh/OruMeshRecord.h"

#include <cstdint>

const int StageVertexCount = 868;
const int StageFaceCount = 582;
const DWORD StageFormat = 0x152; // XYZ | NORMAL | DIFFUSE | TEX1, kept as stored
const int StageStride = 44;      // sizeof(StageVertex), kept as stored

// Zero until InitModelVerticesStage has run (at start-up).
extern StageVertex StageVertices[StageVertexCount];
extern const uint16_t StageIndices[StageFaceCount * 3];
// One empty range: (0, 0xFFFFFFFF, 0, 0xFFFFFFFF, 0).
extern const D3DXATTRIBUTERANGE StageRanges[1];
extern OruMeshRecord StageMesh;

// Fills StageVertices from its literal values; run once at start-up.
void InitModelVerticesStage();
