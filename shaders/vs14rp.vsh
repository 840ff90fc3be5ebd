; Fish at full detail with a partial morph: the keyframe blend of vs2rp plus
; the part offsets of stream 3, in the fish colour with its alpha.
vs.1.0
#include "vsConstants.h"

mul r0, v0, c[CV_MORPH_WEIGHTS].x
mad r0, v1, c[CV_MORPH_WEIGHTS].y, r0
mad r0, v2, c[CV_MORPH_WEIGHTS].z, r0
add r0.xyz, r0, v7
mov r0.w, c[CV_CONST].x
m4x4 oPos, r0, c[CV_WORLD_VIEW_PROJ_0]
mov oT0, v6
mov oFog, c[CV_CONST].x
mov oD0, c[CV_FISH_COLOUR]
