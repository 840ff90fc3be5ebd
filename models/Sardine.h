// The sardine's compiled-in model: a rest pose with texture coordinates and
// ten swim keyframes over the same 138 vertices and 224 triangles, the
// eleven mesh records built from them before the entry runs, and the skin.
// The vertex arrays are zero-initialised and filled by generated start-up
// initialisers; the index lists and range tables are constant data.
#pragma once

#include "mesh/FishVertex.h"
#include "mesh/MorphVertex.h"
#include "mesh/OruMeshRecord.h"
#include "texture/EmbeddedFile.h"

#include <cstdint>

const int SardineFrameCount = 11;    // frame 0 the rest pose, frames 1 to 10 the keyframes
const int SardineVertexCount = 138;
const int SardineFaceCount = 224;
const int SardineRangeCount = 3;     // 0 body, 1 dorsal fin, 2 tail fin

// Frame 0 (FishVertex, FVF 0x112) and frames 1 to 10 (MorphVertex, FVF
// 0x12); keyframe k is keyframes[k - 1]. Vertex i is the same point of the
// fish in every frame.
struct SardineVertexArrays {
    FishVertex rest[SardineVertexCount];
    MorphVertex keyframes[SardineFrameCount - 1][SardineVertexCount];
};
extern SardineVertexArrays SardineVertices;

// One copy of the triangle list and of the range table per frame record;
// the eleven copies are identical.
extern const uint16_t SardineIndices[SardineFrameCount][SardineFaceCount * 3];
extern const D3DXATTRIBUTERANGE SardineRanges[SardineFrameCount][SardineRangeCount];

// Frame k's record points at frame k's vertices and at copy k of the index
// list and range table.
extern OruMeshRecord SardineFrames[SardineFrameCount];

// The skin: a DDS 256 x 256 DXT2 image with one level, zlib-compressed;
// data and size (the compressed size, set before the entry runs) are what
// the fish hands to AddTexture.
extern const EmbeddedFileRef& SardineSkin;

// The vertex initialisers (InitModelVertices), each filling one array from
// its literal values; run once at start-up, in this order, before the
// records are built.
void InitModelVerticesSardineRest();
void InitModelVerticesSardineKeyframe1();
void InitModelVerticesSardineKeyframe2();
void InitModelVerticesSardineKeyframe3();
void InitModelVerticesSardineKeyframe4();
void InitModelVerticesSardineKeyframe5();
void InitModelVerticesSardineKeyframe6();
void InitModelVerticesSardineKeyframe7();
void InitModelVerticesSardineKeyframe8();
void InitModelVerticesSardineKeyframe9();
void InitModelVerticesSardineKeyframe10();
