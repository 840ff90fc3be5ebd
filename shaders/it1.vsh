; Logo without pixel shaders: lit by the sun, the ambient light and three
; point lights; texture 1 at a world-space projection; depth fog.
vs.1.0
#include "vsConstants.h"

m4x4 r0, v0, c[CV_WORLD_VIEW_PROJ_0]
mov oPos, r0
m4x4 r1, v0, c[CV_WORLD_0]              ; P, world position
m3x3 r2.xyz, v1, c[CV_WORLD_0]          ; N, world normal
; colour = max(N . sun, 0) * diffuse + ambient
dp3 r3.x, r2, c[CV_SUN_DIRECTION]
max r3.x, r3.x, c[CV_ZERO].x
mul r4, r3.x, c[CV_DIFFUSE]
add r4, r4, c[CV_AMBIENT]
; each light: += max(N . L / d, 0) * min(1 / d, 1) * colour, L = light - P
add r5, c[CV_LIGHT0_POSITION], -r1
dp3 r6.x, r5, r5
rsq r6.y, r6.x
dp3 r6.z, r2, r5
mul r6.z, r6.z, r6.y
max r6.z, r6.z, c[CV_ZERO].x
min r6.w, r6.y, c[CV_CONST].x
mul r6.z, r6.z, r6.w
mad r4, r6.z, c[CV_LIGHT0_COLOUR], r4
add r5, c[CV_LIGHT1_POSITION], -r1
dp3 r6.x, r5, r5
rsq r6.y, r6.x
dp3 r6.z, r2, r5
mul r6.z, r6.z, r6.y
max r6.z, r6.z, c[CV_ZERO].x
min r6.w, r6.y, c[CV_CONST].x
mul r6.z, r6.z, r6.w
mad r4, r6.z, c[CV_LIGHT1_COLOUR], r4
add r5, c[CV_LIGHT2_POSITION], -r1
dp3 r6.x, r5, r5
rsq r6.y, r6.x
dp3 r6.z, r2, r5
mul r6.z, r6.z, r6.y
max r6.z, r6.z, c[CV_ZERO].x
min r6.w, r6.y, c[CV_CONST].x
mul r6.z, r6.z, r6.w
mad r4, r6.z, c[CV_LIGHT2_COLOUR], r4
mov oD0.xyz, r4
mov oD0.w, c[CV_CONST].x
mov oT0, v2
; texture 1 = 0.2 * (P.x + P.y, P.z + P.y)
add r7.x, r1.x, r1.y
add r7.y, r1.z, r1.y
mul oT1.xy, r7, c[CV_CONST].z
mov oT1.z, c[CV_ZERO].z
mov oT1.w, c[CV_CONST].x
; fog = clamp((50 - depth) / 49, 0, 1)
add r8.x, c[CV_FOG].y, -r0.z
mul r8.x, r8.x, c[CV_FOG].z
max r8.x, r8.x, c[CV_ZERO].x
min oFog, r8.x, c[CV_CONST].x
