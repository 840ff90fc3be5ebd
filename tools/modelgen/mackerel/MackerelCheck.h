// Checks of the mackerel's model data against what its consumers rely on:
// record tables, index rules, topology, normals, the swim wave, bounds and
// projections, the poses, the low-detail mesh and the skin. Each check is
// named and returns its failures (empty when it holds). The generator runs
// them before it writes anything; the tests run them on the compiled data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mackerelcheck {

struct MeshView {
    const float* v = nullptr;  // vertexCount x strideFloats
    int strideFloats = 0;      // 8 or 6
    int vertexCount = 0;
    const uint16_t* idx = nullptr;
    int faceCount = 0;
    const uint32_t* ranges = nullptr; // rangeCount x 5
    int rangeCount = 0;
};

struct MackerelView {
    MeshView frames[11];
    MeshView pose;
    MeshView low;
    const uint8_t* skinDds = nullptr; // the inflated DDS file
    size_t skinDdsSize = 0;
};

using CheckFunction = void (*)(const MackerelView&, std::vector<std::string>&);

struct NamedCheck {
    const char* name;
    CheckFunction run;
};

// Every check, in a fixed order.
const std::vector<NamedCheck>& MackerelChecks();

// Alpha (0..15) of texel (x, y) of a DXT2/DXT3 image's top level, or -1
// when the file is not such an image or the texel is outside it.
int SkinAlpha(const uint8_t* dds, size_t size, int x, int y);

} // namespace mackerelcheck
