// The Direct3D 8 shader token values the assembler writes: the same numbers
// as d3d8types.h (D3DSIO_*, D3DSPR_*, D3DSP_*), kept here so that the
// assembler builds without Windows headers, natively and with mingw-w64.
#pragma once

#include <cstdint>

namespace ShaderToken {

constexpr uint32_t VertexVersion(uint32_t major, uint32_t minor) { return 0xFFFE0000u | major << 8 | minor; }
constexpr uint32_t PixelVersion(uint32_t major, uint32_t minor) { return 0xFFFF0000u | major << 8 | minor; }
constexpr uint32_t End = 0x0000FFFFu;

// Instruction token: opcode in bits 0-15. Bits 24-27 (length) stay 0 for
// 1.x shaders; bit 30 is the pixel shader co-issue flag.
enum Opcode : uint32_t {
    Mov = 1,
    Add = 2,
    Sub = 3,
    Mad = 4,
    Mul = 5,
    Rcp = 6,
    Rsq = 7,
    Dp3 = 8,
    Dp4 = 9,
    Min = 10,
    Max = 11,
    Slt = 12,
    Sge = 13,
    Lrp = 18,
    M4x4 = 20,
    M3x4 = 22,
    M3x3 = 23,
    TexCoord = 64,
    Tex = 66,
    TexM3x3Pad = 73,
    TexM3x3VSpec = 77,
    ExpP = 78,
    LogP = 79,
    Def = 81,
};
constexpr uint32_t CoIssue = 0x40000000u;

// Parameter tokens (destination and source): bit 31 set, register number in
// bits 0-10, register type in bits 28-30.
constexpr uint32_t Parameter = 0x80000000u;
constexpr int RegisterTypeShift = 28;
enum RegisterType : uint32_t {
    Temp = 0,
    Input = 1,
    Const = 2,
    Address = 3, // vertex shaders: a0
    Texture = 3, // pixel shaders: t#
    RastOut = 4, // oPos, oFog, oPts
    AttrOut = 5, // oD#
    TexCrdOut = 6, // oT#
};
enum RastOutRegister : uint32_t { Position = 0, Fog = 1, PointSize = 2 };

// Destination: write mask bits 16-19 (x, y, z, w), result modifier bits
// 20-23, result shift (signed, pixel shaders) bits 24-27.
constexpr int WriteMaskShift = 16;
constexpr uint32_t WriteMaskAll = 0xF;
constexpr int ResultModifierShift = 20;
constexpr uint32_t Saturate = 1;
constexpr int ResultShiftShift = 24;

// Source: swizzle bits 16-23 (two bits a channel, x first), modifier bits
// 24-27, relative addressing through a0.x bit 13 (vertex shaders).
constexpr int SwizzleShift = 16;
constexpr uint32_t NoSwizzle = 0xE4; // x, y, z, w
constexpr int SourceModifierShift = 24;
enum SourceModifier : uint32_t {
    NoModifier = 0,
    Negate = 1,
    Bias = 2,
    BiasNegate = 3,
    Sign = 4, // _bx2
    SignNegate = 5,
    Complement = 6, // 1-
};
constexpr uint32_t RelativeAddress = 1u << 13;

} // namespace ShaderToken
