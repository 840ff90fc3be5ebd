; Fish at low detail: one pose, drawn flat in the fish colour.
vs.1.0
#include "vsConstants.h"

m4x4 oPos, v0, c[CV_WORLD_VIEW_PROJ_0]
mov oD0.xyz, c[CV_FISH_COLOUR]
mov oD0.w, c[CV_CONST].x
mov oT0, v2
mov oFog, c[CV_CONST].x
