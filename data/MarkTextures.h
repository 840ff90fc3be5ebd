// The nine mark shapes, 64 x 64 DXT2 DDS, white on transparent, compiled in:
// 0-2 irregular polygons, 3-5 five-pointed stars, 6-8 triangles and slivers.
#pragma once

#include "texture/EmbeddedFile.h"

const int MarkTextureCount = 9;
extern EmbeddedFileRef* const MarkTextures[MarkTextureCount];
