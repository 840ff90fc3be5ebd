; Screen-space textured quads (flare, stencil paint, texture viewer): the
; position passed on, the texture coordinates scaled by CV_TEXCOORD_SCALE.xy;
; no fog.
vs.1.0
#include "vsConstants.h"

mov oPos.xyz, v0
mov oPos.w, c[CV_CONST].x
mul oT0.xy, v1, c[CV_TEXCOORD_SCALE]
mov oT0.zw, v1
mov oFog, c[CV_CONST].x
