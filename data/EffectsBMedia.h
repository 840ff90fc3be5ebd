// The embedded media of the stencil paint, the flare and the logo, as the
// descriptors ({data, size}, the size set at start-up) their classes add.
#pragma once

#include "texture/EmbeddedFile.h"

const int PaintTextureCount = 4;
const int FlareTextureCount = 20;

// The paint's patterns, 8-bit palette BMPs: 0 tartan 256 x 256, 1 dense
// black dots on white 128 x 129, 2 sparse dots 128 x 129, 3 diagonal black
// stripes on white 256 x 256.
extern EmbeddedFileRef* const PaintTextures[PaintTextureCount];

// The flare's elements, 128 x 128 BMPs; 0, 3, 5, 9 and 10 are 24-bit, the
// others 8-bit.
extern EmbeddedFileRef* const FlareTextures[FlareTextureCount];

// The logo's mesh: a binary .x file whose Frame holds "mesh1".
extern EmbeddedFileRef* const LogoMesh;

// The logo's images: 0 the flat normal map (TGA 512 x 512), 1 the picture
// for devices without pixel shaders (DXT1 256 x 256).
extern EmbeddedFileRef* const LogoTextures[2];

// The logo's environment: a DXT1 cube map of six 256 x 256 faces.
extern EmbeddedFileRef* const LogoCubeTexture;
