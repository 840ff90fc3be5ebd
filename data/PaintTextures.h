// The stencil paint's four patterns, 8-bit palette BMPs, compiled in: 0
// tartan 256 x 256, 1 dense black dots on white 128 x 129, 2 sparse dots
// 128 x 129, 3 diagonal black stripes on white 256 x 256. Each entry is the
// image's descriptor ({data, size}, the size set at start-up).
#pragma once

#include "texture/EmbeddedFile.h"

const int PaintTextureCount = 4;
extern EmbeddedFileRef* const PaintTextures[PaintTextureCount];
