// The flare's twenty elements, 128 x 128 BMPs, compiled in; 0, 3, 5, 9 and
// 10 are 24-bit, the others 8-bit. Each entry is the image's descriptor
// ({data, size}, the size set at start-up).
#pragma once

#include "texture/EmbeddedFile.h"

const int FlareTextureCount = 20;
extern EmbeddedFileRef* const FlareTextures[FlareTextureCount];
