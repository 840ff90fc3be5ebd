// Constant registers of the test shaders, shared by the shader sources and
// the C++ test that sets them.
#ifndef TEST_SHADER_CONSTANTS_H
#define TEST_SHADER_CONSTANTS_H

#define CV_TRANSFORM_0 8 /* four rows: c8-c11 */
#define CV_COLOUR 12

#define CP_TINT 2

#endif
