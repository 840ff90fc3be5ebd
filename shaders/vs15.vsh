; Background: screen-space positions passed on; both gradient layers' texture
; coordinates with v flipped; no fog.
vs.1.0
#include "vsConstants.h"

mov oPos.xyz, v0
mov oPos.w, c[CV_CONST].x
mov oT0, v1
add oT0.y, c[CV_CONST].x, -v1.y
mov oT1, v2
add oT1.y, c[CV_CONST].x, -v2.y
mov oFog, c[CV_CONST].x
