// Checks of the stage mesh's data: counts and pieces, indices, winding,
// distinct positions, normals, colours, texture coordinates and the faces'
// directions. Each check is named and returns its failures (empty when it
// holds). The generator runs them before it writes anything; the tests run
// them on the compiled data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stagecheck {

struct StageView {
    const float* v = nullptr; // vertexCount x 11: position, stored normal, colour, tu, tv
    int vertexCount = 0;
    const uint16_t* idx = nullptr;
    int faceCount = 0;
};

using CheckFunction = void (*)(const StageView&, std::vector<std::string>&);

struct NamedCheck {
    const char* name;
    CheckFunction run;
};

const std::vector<NamedCheck>& StageChecks();

} // namespace stagecheck
