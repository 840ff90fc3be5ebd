// One undirected edge of the strip search, linked into the edge lists of both
// its vertices.
#pragma once

#include <cstdint>
#include <vector>

struct StripFace;

struct StripEdge {
    int32_t useCount;  // vertex lists that still hold the edge; 2 when made
    StripFace* faceA;  // the face that made the edge
    StripFace* faceB;  // the second face on the edge, null while none
    int32_t vertexA;   // first vertex, in faceA's order
    int32_t vertexB;
    StripEdge* nextA;  // next edge in the list of vertexA
    StripEdge* nextB;  // next edge in the list of vertexB

    // The edge after this one in the list of vertex w.
    StripEdge* NextFor(int32_t w) const { return vertexA == w ? nextA : nextB; }
};

// List heads indexed by vertex, the most recently made edge first.
using StripEdgeLists = std::vector<StripEdge*>;
