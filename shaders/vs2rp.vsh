; Fish at full detail: the rest pose (stream 0) blended with two swim
; keyframes (streams 1, 2) by the morph weights, drawn flat in the fish colour.
vs.1.0
#include "vsConstants.h"

mul r0, v0, c[CV_MORPH_WEIGHTS].x       ; w sums the weights: 1
mad r0, v1, c[CV_MORPH_WEIGHTS].y, r0
mad r0, v2, c[CV_MORPH_WEIGHTS].z, r0
m4x4 oPos, r0, c[CV_WORLD_VIEW_PROJ_0]
mov oT0, v6
mov oFog, c[CV_CONST].x
mov oD0.xyz, c[CV_FISH_COLOUR]
mov oD0.w, c[CV_CONST].x
