// The mackerel model as the generator builds it: the rest pose, ten swim
// keyframes, the partial-morph pose mesh, the low-detail mesh (all with
// their index lists and range tables) and the skin's pixels.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace mackerelgen {

using Range = std::array<uint32_t, 5>; // AttribId, FaceStart, FaceCount, VertexStart, VertexCount

struct HostMesh {
    int strideFloats = 0;     // 8 (position, normal, tu, tv) or 6 (position, normal)
    std::vector<float> v;     // vertexCount x strideFloats, the stored floats
    std::vector<uint16_t> idx;
    std::vector<Range> ranges;
    int VertexCount() const { return strideFloats ? int(v.size()) / strideFloats : 0; }
    int FaceCount() const { return int(idx.size()) / 3; }
};

struct HostModel {
    HostMesh frames[11];
    HostMesh pose;
    HostMesh low;
    int skinSize = 0;                 // 512
    std::vector<uint8_t> skinRgba;    // skinSize^2 x 4, top row first; alpha multiples of 17
};

HostModel BuildMackerel();

} // namespace mackerelgen
