// The bream's compiled-in model: a rest pose with texture coordinates and
// ten swim keyframes over the same 385 vertices and 558 triangles, the pose
// mesh holding two extreme poses of nine movable parts, the low-detail mesh,
// the mesh records built from them before the entry runs, and the four
// skins. The vertex arrays are zero-initialised and filled by generated
// start-up initialisers; the index lists and range tables are constant data.
#pragma once

#include "MorphTriple.h"

#include "mesh/FishVertex.h"
#include "mesh/MorphVertex.h"
#include "mesh/OruMeshRecord.h"
#include "texture/EmbeddedFile.h"

#include <cstdint>

const int BreamFrameCount = 11;      // frame 0 the rest pose, frames 1 to 10 the keyframes
const int BreamVertexCount = 385;
const int BreamFaceCount = 558;
const int BreamRangeCount = 10;      // 0 body, 1 dorsal, 2 tail, 3 anal, 4/5 pectoral -z/+z, 6/7 pelvic -z/+z, 8/9 eye -z/+z
const int BreamPoseVertexCount = 634;
const int BreamPoseFaceCount = 932;
const int BreamPoseRangeCount = 18;  // pose A and pose B of each part: (2k, 2k + 1)
const int BreamLowVertexCount = 114;
const int BreamLowFaceCount = 156;
const int BreamLowRangeCount = 1;
const int BreamMorphTripleCount = 9;

// Every vertex array of the bream, each filled by its own initialiser:
// frame 0 (FishVertex, FVF 0x112), frames 1 to 10 (MorphVertex, FVF 0x12;
// keyframe k is keyframes[k - 1]), the pose mesh (MorphVertex) and the
// low-detail mesh (FishVertex).
struct BreamVertexArrays {
    FishVertex rest[BreamVertexCount];
    MorphVertex keyframes[BreamFrameCount - 1][BreamVertexCount];
    MorphVertex pose[BreamPoseVertexCount];
    FishVertex low[BreamLowVertexCount];
};
extern BreamVertexArrays BreamVertices;

// Triangle lists: one identical copy per frame record, then the pose mesh's
// and the low-detail mesh's.
struct BreamIndexArrays {
    uint16_t frames[BreamFrameCount][BreamFaceCount * 3];
    uint16_t pose[BreamPoseFaceCount * 3];
    uint16_t low[BreamLowFaceCount * 3];
};
extern const BreamIndexArrays BreamIndices;

// Attribute-range tables, entry k with AttribId k: one identical copy per
// frame record, then the pose mesh's and the low-detail mesh's.
struct BreamRangeTables {
    D3DXATTRIBUTERANGE frames[BreamFrameCount][BreamRangeCount];
    D3DXATTRIBUTERANGE pose[BreamPoseRangeCount];
    D3DXATTRIBUTERANGE low[BreamLowRangeCount];
};
extern const BreamRangeTables BreamRanges;

// Frame k's record points at frame k's vertices and at copy k of the index
// list and range table.
extern OruMeshRecord BreamFrames[BreamFrameCount];
// The two poses of each movable part; the partial morph turns its vertex
// array into differences from the rest pose once, in place.
extern OruMeshRecord BreamPoseMesh;
// The simplified bream drawn whole beyond the draw distance.
extern OruMeshRecord BreamLowMesh;
// Body (mouth), dorsal, anal, pectoral -z, pectoral +z, pelvic -z, pelvic
// +z, eye -z, eye +z: pose ranges A and B and the part's rest-pose range.
extern const MorphTriple BreamMorphTriples[BreamMorphTripleCount];

// The skins by bream type (0 plain, 1 black, 2 blue, 3 yellow): DDS
// 512 x 512 DXT2 images with one level, zlib-compressed; data and size (the
// compressed size, set before the entry runs) are what the fish hands to
// AddTexture.
extern const EmbeddedFileRef* const BreamSkins[4];

// The vertex initialisers (InitModelVertices), each filling one array from
// its literal values; run once at start-up, in this order, before the
// records are built.
void InitModelVerticesBreamRest();
void InitModelVerticesBreamKeyframe1();
void InitModelVerticesBreamKeyframe2();
void InitModelVerticesBreamKeyframe3();
void InitModelVerticesBreamKeyframe4();
void InitModelVerticesBreamKeyframe5();
void InitModelVerticesBreamKeyframe6();
void InitModelVerticesBreamKeyframe7();
void InitModelVerticesBreamKeyframe8();
void InitModelVerticesBreamKeyframe9();
void InitModelVerticesBreamKeyframe10();
void InitModelVerticesBreamPose();
void InitModelVerticesBreamLow();
