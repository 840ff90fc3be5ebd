// The bream model as the generator builds it: the rest pose (fins as
// two-sided sheets, eyes as domes, the lofted body), ten swim keyframes, the
// partial-morph pose mesh and the low-detail mesh, each with its normals by
// the rule, and the tables that describe them.
#pragma once

#include "common/MeshKit.h"

#include <vector>

namespace breamgen {

const int VertexCount = 385, FaceCount = 558, Frames = 11;
// Range table in AttribId order.
const RangeRow Ranges[10] = {{0, 268, 290, 238, 147}, {1, 12, 28, 16, 32},   {2, 40, 92, 48, 68},
                             {3, 0, 12, 0, 16},       {4, 136, 4, 128, 12},  {5, 132, 4, 116, 12},
                             {6, 144, 4, 152, 12},    {7, 140, 4, 140, 12},  {8, 208, 60, 201, 37},
                             {9, 148, 60, 164, 37}};
const int PoseVertexCount = 634, PoseFaceCount = 932;
const RangeRow PoseRanges[18] = {
    {0, 856, 28, 530, 32},   {1, 884, 28, 562, 32},   {2, 0, 12, 0, 16},      {3, 920, 12, 618, 16},
    {4, 852, 4, 518, 12},    {5, 16, 4, 28, 12},      {6, 848, 4, 506, 12},   {7, 12, 4, 16, 12},
    {8, 24, 4, 52, 12},      {9, 912, 4, 594, 12},    {10, 20, 4, 40, 12},    {11, 916, 4, 606, 12},
    {12, 88, 290, 101, 147}, {13, 558, 290, 359, 147}, {14, 378, 60, 248, 37}, {15, 28, 60, 64, 37},
    {16, 438, 60, 285, 37},  {17, 498, 60, 322, 37}};
const int Triples[9][3] = {{12, 13, 0}, {0, 1, 1}, {2, 3, 3}, {4, 5, 4}, {6, 7, 5},
                           {8, 9, 6},   {10, 11, 7}, {14, 15, 8}, {16, 17, 9}};
const int MovedPerTriple[9] = {30, 16, 10, 12, 12, 6, 6, 13, 14};
const int LowVertexCount = 114, LowFaceCount = 156;

// Reference normals of the rest pose (stored literals) and the tail tip's z
// in keyframes 1 to 10.
const P3 PelvicNormal{0.0301, -0.9754, 0.2182};
const P3 SnoutNormal{-0.9717, -0.0018, 0.2361};
const double TailTipZ[10] = {0.00186, -0.04966, -0.08225, -0.08348, -0.05287,
                             -0.00212, 0.04939, 0.08199, 0.08322, 0.05261};

struct Mesh {
    std::vector<P3> pos;
    std::vector<double> tu, tv;
    std::vector<Tri> tris;
};

// Pectoral corners: two at the root, the tip, an outer corner.
struct Pectoral {
    P3 corners[4];
    P3 root;
    double angle;
};

struct Model {
    Mesh rest;
    std::vector<P3> framePos[Frames], frameNrm[Frames];
    std::vector<P3> posePos, poseNrm;
    std::vector<Tri> poseTris;
    Mesh low;
    std::vector<P3> lowNrm;
    int dorsalOdd = -1;
    Pectoral pectoral[2];  // -z, +z
};

// Builds the whole model; failures of the builder's own checks (a sheet
// that folds, a missing reference point) go to log.
Model BuildBream(CheckLog& log);

} // namespace breamgen
