// The four bubble sprites, 64 x 64 32-bit ARGB DDS, compiled in; shown one
// per update in turn.
#pragma once

#include "texture/EmbeddedFile.h"

const int BubbleTextureCount = 4;
extern EmbeddedFileRef* const BubbleTextures[BubbleTextureCount];
