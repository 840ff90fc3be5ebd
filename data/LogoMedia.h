// The logo's embedded media, as the descriptors ({data, size}, the size set
// at start-up) the logo adds and loads.
#pragma once

#include "texture/EmbeddedFile.h"

// The logo's mesh: a binary .x file whose Frame holds "mesh1".
extern EmbeddedFileRef* const LogoMesh;

// The logo's images: 0 the flat normal map (TGA 512 x 512), 1 the picture
// for devices without pixel shaders (DXT1 256 x 256).
extern EmbeddedFileRef* const LogoTextures[2];

// The logo's environment: a DXT1 cube map of six 256 x 256 faces.
extern EmbeddedFileRef* const LogoCubeTexture;
