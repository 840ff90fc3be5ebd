// The mackerel's compiled-in model: eleven swim frames (the rest pose with
// texture coordinates, then ten keyframes), the partial-morph pose mesh, the
// low-detail mesh, the morph triples and the skin. The vertex arrays are
// filled and the records built at start-up; the records live until exit.
#pragma once

#include "MorphTriple.h"

#include "mesh/FishVertex.h"
#include "mesh/MorphVertex.h"
#include "mesh/OruMeshRecord.h"
#include "texture/EmbeddedFile.h"

#include <cstdint>

const int MackerelFrameCount = 11; // rest pose and ten keyframes
const int MackerelVertexCount = 279;
const int MackerelFaceCount = 400;
const int MackerelRangeCount = 10;
const int MackerelPoseVertexCount = 482;
const int MackerelPoseFaceCount = 712;
const int MackerelPoseRangeCount = 18;
const int MackerelLowVertexCount = 118;
const int MackerelLowFaceCount = 137;
const int MackerelLowRangeCount = 8;
const int MackerelMorphTripleCount = 9;

// Vertex arrays: zero until their InitModelVertices functions have run.
struct MackerelVertexArrays {
    FishVertex rest[MackerelVertexCount];                           // frame 0
    MorphVertex keyframes[MackerelFrameCount - 1][MackerelVertexCount]; // frames 1 to 10
    MorphVertex pose[MackerelPoseVertexCount];
    FishVertex low[MackerelLowVertexCount];
};

// Index arrays and range tables: constant data. Each frame has its own copy.
struct MackerelIndexArrays {
    uint16_t frames[MackerelFrameCount][MackerelFaceCount * 3];
    D3DXATTRIBUTERANGE frameRanges[MackerelFrameCount][MackerelRangeCount];
    uint16_t pose[MackerelPoseFaceCount * 3];
    D3DXATTRIBUTERANGE poseRanges[MackerelPoseRangeCount];
    uint16_t low[MackerelLowFaceCount * 3];
    D3DXATTRIBUTERANGE lowRanges[MackerelLowRangeCount];
};

extern MackerelVertexArrays MackerelVertices;
extern const MackerelIndexArrays MackerelIndices;

// Meshes 0 to 10 of a mackerel.
extern OruMeshRecord MackerelFrames[MackerelFrameCount];
// Mesh 11 when "PartialMorph" is on.
extern OruMeshRecord MackerelPoseMesh;
// The last mesh of a mackerel.
extern OruMeshRecord MackerelLowMesh;
// Body, dorsal, anal, pectoral -z, pectoral +z, pelvic -z, pelvic +z,
// eye -z, eye +z.
extern const MorphTriple MackerelMorphTriples[MackerelMorphTripleCount];

// The skin: a DDS 512 x 512 DXT2 image with one level, zlib-compressed;
// data and size (the compressed size, set before the entry runs) are what
// the fish hands to AddTexture.
extern const EmbeddedFileRef& MackerelSkin;

// The vertex initialisers, each filling one array from its literal values;
// run once at start-up in this order.
void InitModelVerticesMackerelRest();
void InitModelVerticesMackerelKeyframe1();
void InitModelVerticesMackerelKeyframe2();
void InitModelVerticesMackerelKeyframe3();
void InitModelVerticesMackerelKeyframe4();
void InitModelVerticesMackerelKeyframe5();
void InitModelVerticesMackerelKeyframe6();
void InitModelVerticesMackerelKeyframe7();
void InitModelVerticesMackerelKeyframe8();
void InitModelVerticesMackerelKeyframe9();
void InitModelVerticesMackerelKeyframe10();
void InitModelVerticesMackerelPose();
void InitModelVerticesMackerelLow();
