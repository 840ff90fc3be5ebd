// The bream generator's self-check: index lists and range tiling, the
// closed body, the fin sheets, the normal rule in every frame, the
// reference vertices, bounds, texture regions, the swim's mirror, the poses
// and the low-detail mesh; and the skins' cover of every triangle.
#pragma once

#include "BreamModel.h"
#include "common/SkinPainter.h"

namespace breamgen {

// Every check of the model; each failure goes to log.
void CheckBream(CheckLog& log, const Model& md);
// Every triangle of the rest and low-detail meshes samples opaque skin at
// its texture centroid.
void CheckSkinCover(CheckLog& log, const Model& md, const SkinPainter& painter);

} // namespace breamgen
