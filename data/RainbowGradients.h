// The three rainbow gradients, 64 x 64 24-bit BMP, compiled in: 0 the
// spectrum in vertical bands, 1 concentric rings, 2 diamond rings. Each entry
// is the image's descriptor; its size is complete once start-up has run.
#pragma once

#include "texture/EmbeddedFile.h"

const int RainbowGradientCount = 3;
extern EmbeddedFileRef* const RainbowGradients[RainbowGradientCount];
