// Where a strip starts: its first face and the edge it leaves first.
#pragma once

struct StripEdge;
struct StripFace;

struct StripStart {
    StripFace* face;
    StripEdge* edge;
    bool forward; // true: from the edge's vertexA to its vertexB; false: the other way
};
