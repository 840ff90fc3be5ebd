; Marks: a unit sprite around the mark's centre in view space, turned by the
; spin rows and scaled; texture 0 is the shape, texture 1 the gradient turned
; with the sprite and read within its middle half; no fog.
vs.1.0
#include "vsConstants.h"

mov r1, c[CV_MARK_CENTRE]
m4x4 r0, r1, c[CV_WORLD_VIEW_0]         ; the view alone
add r2.xy, v0, -c[CV_CONST].y           ; o = corner - 0.5, z 0
mov r2.zw, c[CV_ZERO]
m3x3 r3.xyz, r2, c[CV_SPIN_ROWS_0]      ; o' = o turned
mad r0.xy, r3, c[CV_SCALE].x, r0
m4x4 oPos, r0, c[CV_PROJECTION_0]
mov oT0, v0
add oT0.y, c[CV_CONST].x, -v0.y
mul r4.xy, r3, c[CV_SCALE].y            ; g = o' * 0.5 + 0.5
add r4.xy, r4, c[CV_CONST].y
mov oT1.x, r4.x
add oT1.y, c[CV_CONST].x, -r4.y
mov oT1.zw, v0                          ; (0, 1)
mov oFog, c[CV_CONST].x
