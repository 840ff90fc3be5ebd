; Places the position through the matrix at c[CV_TRANSFORM_0] and gives
; the vertex the colour at c[CV_COLOUR], red and blue swapped.
vs.1.1
#include "TestShaderConstants.h"

m4x4 oPos, v0, c[CV_TRANSFORM_0]
mov oD0, c[CV_COLOUR].zyxw   // swizzle: b, g, r, a
