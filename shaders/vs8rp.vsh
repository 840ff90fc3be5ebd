; Clone billboards: a square of edge size (v3.x) around the centre (v0),
; facing the screen, upright, in the member's colour (v1).
vs.1.0
#include "vsConstants.h"

m4x4 r0, v0, c[CV_WORLD_VIEW_0]         ; the view alone
add r1.xy, v2, -c[CV_CONST].y           ; corner - 0.5
mad r0.xy, r1, v3.x, r0
m4x4 oPos, r0, c[CV_PROJECTION_0]
mov oD0.xyz, v1
mov oD0.w, c[CV_CONST].x
mov oT0, v2
add oT0.y, c[CV_CONST].x, -v2.y         ; picture upright: 1 - v
mov oFog, c[CV_CONST].x
