// The standard DirectX .x templates as a binary .x file ("xof 0302bin 0064",
// 3,278 bytes), written at build time by the host tool xwriter
// (tools/xwriter) and registered with every DirectX File object the mesh
// loader creates.
#pragma once

#include <cstddef>

extern const unsigned char XTemplateBlock[];
extern const size_t XTemplateBlockSize;
