// Constant registers shared by every vertex and pixel shader program and by
// the engine code that sets them. Included by the shader sources and by C++.
// Matrices take four registers and are stored transposed (register n + i is
// column i), unless marked as rows.
#pragma once

// ---- vertex shader registers

#define CV_ZERO 0               /* (0, 0, 0, 0) */
#define CV_CONST 1              /* (1.0, 0.5, 0.2, 0.05) */
#define CV_CONST2 2             /* (2.0, 4.0, 10.0, 50.0) */
#define CV_SCALE 3              /* mark: (scale, 0.5, 1, 1); billboards: (scale, 1, 1, 1) */

#define CV_LIGHT0_POSITION 4    /* point light k: position at 4 + 2k (x, y, z) */
#define CV_LIGHT0_COLOUR 5      /* and colour at 5 + 2k */
#define CV_LIGHT1_POSITION 6
#define CV_LIGHT1_COLOUR 7
#define CV_LIGHT2_POSITION 8
#define CV_LIGHT2_COLOUR 9
#define CV_LIGHT_COUNT 3

#define CV_CAUSTIC 15           /* (k, k, k, 1) */
#define CV_SUN_DIRECTION 16     /* toward the sun, w 1 */
#define CV_DIFFUSE 17           /* sunlight strength (d, d, d, 1) */
#define CV_AMBIENT 19           /* ambient (a, a, a, 1); a fish's colour while it draws */
#define CV_FISH_COLOUR 19
#define CV_FOG 20               /* (0.5, 50, 1/49, 0): fog = (y - depth) * z */
#define CV_SPECULAR 21          /* highlight colour (s, s, s, 1) */
#define CV_LOGO 22              /* (0, 0, 0, 10): w scales the logo's tangent frame */
#define CV_SPECULAR_POWER 23    /* (0, 0, 0, 20) */
#define CV_MORPH_WEIGHTS 24     /* (rest pose, keyframe, next keyframe, -) */
#define CV_RED 25               /* (1, 0, 0, 1) */
#define CV_GREEN 26             /* (0, 1, 0, 1) */
#define CV_BLUE 27              /* (0, 0, 1, 1) */
#define CV_EYE 28               /* camera position, w 1 */
#define CV_MARK_CENTRE 29       /* mark centre, w 1 */
#define CV_TEXCOORD_SCALE 34    /* (s, s, 1, 1) */

#define CV_WORLD_VIEW_PROJ_0 40 /* 40-43 world x view x projection */
#define CV_WORLD_VIEW_0 44      /* 44-47 world x view; the view alone for marks and billboards */
#define CV_WORLD_ROWS_0 48      /* 48-51 the logo's world matrix, as rows */
#define CV_WORLD_0 52           /* 52-55 world */
#define CV_PROJECTION_0 56      /* 56-59 projection */
#define CV_VIEW_0 60            /* 60-63 view */
#define CV_SPIN_ROWS_0 64       /* 64-67 a mark's rotation about z, as rows */

// ---- pixel shader registers

#define CP_AMBIENT 0            /* (a, a, a, 1), as CV_AMBIENT */
#define CP_LOGO_TINT 0          /* the logo's program defines its own: (1, 1, 1, 0.5) */
#define CP_WHITE_CLEAR 2        /* (1, 1, 1, 0) */
#define CP_WHITE 3              /* (1, 1, 1, 1) */
#define CP_ALPHA_BIAS 4         /* (0, 0, 0, -0.2) */
#define CP_CAUSTIC 5            /* (k, k, k, 1) */
