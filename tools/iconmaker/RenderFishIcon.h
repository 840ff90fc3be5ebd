// The program's icon artwork: a stylised orange fish on a deep-blue rounded
// square, drawn at any size from one resolution-free description.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// size x size pixels as 0xAARRGGBB words (straight alpha), top row first.
// Each pixel averages a regular grid of samples, so the edges are
// anti-aliased and the result is the same on every run.
std::vector<uint32_t> RenderFishIcon(int size);
