// The stage mesh as the generator builds it: 868 vertices of eleven floats
// (position, stored normal, colour, tu, tv) and 582 triangles.
#pragma once

#include <cstdint>
#include <vector>

namespace stagegen {

struct HostStage {
    std::vector<float> v; // 868 x 11
    std::vector<uint16_t> idx;
};

HostStage BuildStage();

} // namespace stagegen
