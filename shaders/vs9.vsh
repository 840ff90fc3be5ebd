; Logo with pixel shaders: the tangent-to-world frame into t1-t3 (xyz) with
; the eye vector in their w, texture 0 at the normal map's centre, and an
; alpha that grows toward the silhouette; no fog.
vs.1.0
#include "vsConstants.h"

m4x4 oPos, v0, c[CV_WORLD_VIEW_PROJ_0]
; r0 = N x U, U = CV_GREEN
mul r0, v1.yzxw, c[CV_GREEN].zxyw
mad r0, -v1.zxyw, c[CV_GREEN].yzxw, r0
; T = -(N x U) * s
mul r1, r0, -c[CV_LOGO].w
; B = ((N x U) x N) * s
mul r2, r0.yzxw, v1.zxyw
mad r2, -r0.zxyw, v1.yzxw, r2
mul r2, r2, c[CV_LOGO].w
; rows of the world matrix carry T, B, N
dp3 oT1.x, r1, c[CV_WORLD_ROWS_0]
dp3 oT1.y, r2, c[CV_WORLD_ROWS_0]
dp3 oT1.z, v1, c[CV_WORLD_ROWS_0]
dp3 oT2.x, r1, c[CV_WORLD_ROWS_0 + 1]
dp3 oT2.y, r2, c[CV_WORLD_ROWS_0 + 1]
dp3 oT2.z, v1, c[CV_WORLD_ROWS_0 + 1]
dp3 oT3.x, r1, c[CV_WORLD_ROWS_0 + 2]
dp3 oT3.y, r2, c[CV_WORLD_ROWS_0 + 2]
dp3 oT3.z, v1, c[CV_WORLD_ROWS_0 + 2]
; E = normalise(eye - world position)
m4x4 r3, v0, c[CV_WORLD_0]
add r4, c[CV_EYE], -r3
dp3 r5.x, r4, r4
rsq r5.x, r5.x
mul r4.xyz, r4, r5.x
mov oT1.w, r4.x
mov oT2.w, r4.y
mov oT3.w, r4.z
; diffuse = (1, 1, 1, 1 - E . N)
dp3 r6.x, r4, v1
add oD0.w, c[CV_CONST].x, -r6.x
mov oD0.xyz, c[CV_CONST].x
mov oT0, c[CV_CONST].y
mov oFog, c[CV_CONST].x
