// The 32 frames of the caustic animation, 64 x 64 32-bit TGA, compiled in,
// in frame order.
#pragma once

#include "texture/EmbeddedFile.h"

const int CausticFrameCount = 32;
extern EmbeddedFileRef* const CausticFrames[CausticFrameCount];
