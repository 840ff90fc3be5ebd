// The shader assembler: token streams of small programs against values
// worked out by hand from the documented token layout, every one of them
// created on a real device; bad sources refused with their file and line;
// and the shaders the build assembled (reef_shaders) equal to assembling
// the same files here.

#include "ShaderAssembler.h"

#include "TestDevice.h"
#include "TestShaders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

static_assert(sizeof(DWORD) == sizeof(uint32_t), "tokens are DWORDs");

// Files #include finds, by the path the assembler asks for.
const std::map<std::string, std::string> Files = {
    {"consts.h", "// named constant registers\n#define CV_BASE 40\n#define CV_NEXT (CV_BASE + 2) /* c42 */\n"},
    {"inc/deep.h", "#include \"../consts.h\"\n#define CV_DEEP (CV_NEXT*2)\n"},
    {"bad.h", "#define CV_A 1\n#bogus\n"},
    {"guarded.h", "#ifndef GUARDED_H\n#define GUARDED_H\n#define CV_G 5\n#endif\n"
                  "#ifdef GUARDED_H\n#define CV_H 6\n#else\n#bogus\n#endif\n"},
};

ShaderAssembler MemoryAssembler()
{
    return ShaderAssembler([](const std::string& path, std::string* text) {
        auto found = Files.find(path);
        if (found == Files.end())
            return false;
        *text = found->second;
        return true;
    });
}

std::string Hex(const std::vector<uint32_t>& tokens)
{
    std::string s;
    for (uint32_t t : tokens) {
        char buffer[12];
        std::snprintf(buffer, sizeof buffer, "%08X ", static_cast<unsigned>(t));
        s += buffer;
    }
    return s;
}

struct TokenCase {
    const char* name;
    const char* source;
    std::vector<uint32_t> tokens;
};

std::ostream& operator<<(std::ostream& out, const TokenCase& c)
{
    return out << c.name;
}

// Expected tokens, derived by hand. Instruction token: the opcode (length
// bits 0 for 1.x). Parameter tokens: 0x80000000 | type << 28 | number, where
// type is r 0, v 1, c 2, a0/t 3, oPos/oFog/oPts 4, oD 5, oT 6; destinations
// add mask << 16, saturate << 20 and shift << 24 (x2 1, x4 2, d2 0xF);
// sources add swizzle << 16 (2 bits a channel, x first: .xyzw is 0xE4) and
// modifier << 24 (negate 1, bias 2, bias-negate 3, bx2 4, bx2-negate 5,
// complement 6), and relative addressing 1 << 13.
const TokenCase TokenCases[] = {
    {"VertexVersion10", "vs.1.0\nmov oPos, v0\n",
     {0xFFFE0100, 0x00000001, 0xC00F0000, 0x90E40000, 0x0000FFFF}},
    {"MaskSwizzleNegate",
     "vs.1.1\n"
     "mov r2, v0\n"
     "add r1.xy, r2.yzwx, -c3.w ; partial mask, permutation, replicate\n"
     "mov oPos, r1\n",
     {0xFFFE0101, 0x00000001, 0x800F0002, 0x90E40000, 0x00000002, 0x80030001, 0x80390002, 0xA1FF0003, 0x00000001, 0xC00F0000, 0x80E40001, 0x0000FFFF}},
    {"Subtract",
     "vs.1.1\n"
     "mov r1, c1\n"
     "sub r0, v0, -r1.x\n"
     "mov oPos, r0\n"
     "sub oD0, r0.xy, c0 // .xy reads as .xyyy\n",
     {0xFFFE0101, 0x00000001, 0x800F0001, 0xA0E40001, 0x00000003, 0x800F0000, 0x90E40000, 0x81000001, 0x00000001, 0xC00F0000, 0x80E40000, 0x00000003,
      0xD00F0000, 0x80540000, 0xA0E40000, 0x0000FFFF}},
    {"MulMadDot",
     "vs.1.1\n"
     "mul r0, v0, c1\n"
     "mad r1, r0, c2, v1\n"
     "dp3 r2.x, r1, c3\n"
     "dp4 r2.w, r1, -r0\n"
     "mov oPos, r2\n",
     {0xFFFE0101, 0x00000005, 0x800F0000, 0x90E40000, 0xA0E40001, 0x00000004, 0x800F0001, 0x80E40000, 0xA0E40002,
      0x90E40001, 0x00000008, 0x80010002, 0x80E40001, 0xA0E40003, 0x00000009, 0x80080002, 0x80E40001, 0x81E40000,
      0x00000001, 0xC00F0000, 0x80E40002, 0x0000FFFF}},
    {"ScalarOperations",
     "vs.1.1\n"
     "rcp r0.x, v0.w\n"
     "rsq r0.y, c4.z\n"
     "expp r1, r0.x\n"
     "logp r1.w, -r0.y\n"
     "mov oPos, r1\n",
     {0xFFFE0101, 0x00000006, 0x80010000, 0x90FF0000, 0x00000007, 0x80020000, 0xA0AA0004, 0x0000004E, 0x800F0001,
      0x80000000, 0x0000004F, 0x80080001, 0x81550000, 0x00000001, 0xC00F0000, 0x80E40001, 0x0000FFFF}},
    {"CompareOperations",
     "vs.1.1\n"
     "min r0, v0, c0\n"
     "max r1, r0, c0.x\n"
     "slt r2.xz, r0, r1\n"
     "sge r3.yw, r1.wzyx, r0\n"
     "mov oPos, r3\n",
     {0xFFFE0101, 0x0000000A, 0x800F0000, 0x90E40000, 0xA0E40000, 0x0000000B, 0x800F0001, 0x80E40000, 0xA0000000,
      0x0000000C, 0x80050002, 0x80E40000, 0x80E40001, 0x0000000D, 0x800A0003, 0x801B0001, 0x80E40000, 0x00000001,
      0xC00F0000, 0x80E40003, 0x0000FFFF}},
    {"MatrixOperations",
     "vs.1.1\n"
     "m4x4 oPos, v0, c4\n"
     "m3x3 r0.xyz, v1, c8\n"
     "m3x3 r2, v1, c8 ; writes .xyz without a mask too\n"
     "m3x4 r1, r0, c12\n"
     "mov oT0, r1\n",
     {0xFFFE0101, 0x00000014, 0xC00F0000, 0x90E40000, 0xA0E40004, 0x00000017, 0x80070000, 0x90E40001, 0xA0E40008,
      0x00000017, 0x80070002, 0x90E40001, 0xA0E40008, 0x00000016, 0x800F0001, 0x80E40000, 0xA0E4000C, 0x00000001,
      0xE00F0000, 0x80E40001, 0x0000FFFF}},
    {"OutputsDefinesRelative",
     "vs.1.1\n"
     "#define CV_BASE 40\n"
     "mov oPos, c[CV_BASE+1]\n"
     "mov a0.x, v0.x\n"
     "mov oD1, c[a0.x + CV_BASE + 2]\n"
     "mov oFog, v0.y\n"
     "mov oPts.x, c95\n"
     "mov oT7.zw, -v1.yx\n",
     {0xFFFE0101, 0x00000001, 0xC00F0000, 0xA0E40029, 0x00000001, 0xB0010000, 0x90000000, 0x00000001, 0xD00F0001,
      0xA0E4202A, 0x00000001, 0xC0010001, 0x90550000, 0x00000001, 0xC0010002, 0xA0E4005F, 0x00000001, 0xE00C0007,
      0x91010001, 0x0000FFFF}},
    {"IncludedConstantsAndOneReadOfARepeatedRegister",
     "vs.1.1\n"
     "#include \"inc/deep.h\" ; includes ../consts.h\n"
     "#include \"guarded.h\"\n"
     "#include \"guarded.h\"\n"
     "mad r0, c[CV_NEXT], c[CV_NEXT].x, v0\n"
     "mul oPos, v0, v0.wzyx\n"
     "mov oD0, c[CV_DEEP - CV_G]\n",
     {0xFFFE0101, 0x00000004, 0x800F0000, 0xA0E4002A, 0xA000002A, 0x90E40000, 0x00000005, 0xC00F0000, 0x90E40000,
      0x901B0000, 0x00000001, 0xD00F0000, 0xA0E4004F, 0x0000FFFF}},
    {"PixelVersion10", "ps.1.0\ntex t0\nmov r0, t0\n",
     {0xFFFF0100, 0x00000042, 0xB00F0000, 0x00000001, 0x800F0000, 0xB0E40000, 0x0000FFFF}},
    {"PixelDefineModifiers",
     "ps.1.1\n"
     "def c0, 1.0, 0.5f, -1, .25\n"
     "def c7, 0, -0.0, 2.5, 100\n"
     "texcoord t1\n"
     "mul_x2 r0.rgb, t1, v0_bx2\n"
     "+mov_sat r0.a, 1-c0.a\n"
     "add_d2 r1, -v1, c7_bias\n"
     "mad_x4 r0, -r1_bx2, v0.a, r0\n"
     "lrp r0, c0.a, r0, -t1_bias\n",
     {0xFFFF0101, 0x00000051, 0xA00F0000, 0x3F800000, 0x3F000000, 0xBF800000, 0x3E800000, 0x00000051, 0xA00F0007,
      0x00000000, 0x80000000, 0x40200000, 0x42C80000, 0x00000040, 0xB00F0001, 0x00000005, 0x81070000, 0xB0E40001,
      0x94E40000, 0x40000001, 0x80180000, 0xA6FF0000, 0x00000002, 0x8F0F0001, 0x91E40001, 0xA2E40007, 0x00000004,
      0x820F0000, 0x85E40001, 0x90FF0000, 0x80E40000, 0x00000012, 0x800F0000, 0xA0FF0000, 0x80E40000, 0xB3E40001,
      0x0000FFFF}},
    {"PixelTextureMatrix",
     "ps.1.1\n"
     "tex t0\n"
     "texm3x3pad t1, t0_bx2\n"
     "texm3x3pad t2, t0_bx2\n"
     "texm3x3vspec t3, t0_bx2\n"
     "mov r0.a, t3.b\n"
     "+mul r0.rgb, t3, c1\n",
     {0xFFFF0101, 0x00000042, 0xB00F0000, 0x00000049, 0xB00F0001, 0xB4E40000, 0x00000049, 0xB00F0002, 0xB4E40000,
      0x0000004D, 0xB00F0003, 0xB4E40000, 0x00000001, 0x80080000, 0xB0AA0003, 0x40000005, 0x80070000, 0xB0E40003,
      0xA0E40001, 0x0000FFFF}},
    {"PixelDotAndNamedConstant",
     "ps.1.1\n"
     "#define CP_TINT 3\n"
     "dp3_sat r1, v0_bx2, c[CP_TINT]_bx2\n"
     "mul r0, r1, v1\n",
     {0xFFFF0101, 0x00000008, 0x801F0001, 0x94E40000, 0xA4E40003, 0x00000005, 0x800F0000, 0x80E40001, 0x90E40001,
      0x0000FFFF}},
};

class ShaderTokens : public ::testing::TestWithParam<TokenCase> {};

TEST_P(ShaderTokens, AreTheHandDerivedOnes)
{
    const TokenCase& c = GetParam();
    std::vector<uint32_t> tokens;
    std::string error;
    ShaderAssembler assembler = MemoryAssembler();
    ASSERT_TRUE(assembler.Assemble(c.source, "test.sh", &tokens, &error)) << error;
    EXPECT_EQ(Hex(c.tokens), Hex(tokens));
}

// Direct3D 8 with software vertex processing accepts every program.
TEST_P(ShaderTokens, CreateOnTheDevice)
{
    const TokenCase& c = GetParam();
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    IDirect3DDevice8* d = device.Device();
    D3DCAPS8 caps;
    ASSERT_EQ(S_OK, d->GetDeviceCaps(&caps));
    const DWORD* function = reinterpret_cast<const DWORD*>(c.tokens.data());
    if ((c.tokens[0] & 0xFFFF0000u) == 0xFFFE0000u) {
        ASSERT_GE(caps.VertexShaderVersion, D3DVS_VERSION(1, 1));
        std::vector<DWORD> declaration = {D3DVSD_STREAM(0)};
        for (DWORD r = 0; r < 16; ++r)
            declaration.push_back(D3DVSD_REG(r, D3DVSDT_FLOAT4));
        declaration.push_back(D3DVSD_END());
        DWORD handle = 0;
        EXPECT_EQ(S_OK, d->CreateVertexShader(declaration.data(), function, &handle, 0));
        if (handle)
            d->DeleteVertexShader(handle);
    } else {
        ASSERT_GE(caps.PixelShaderVersion, D3DPS_VERSION(1, 1));
        DWORD handle = 0;
        EXPECT_EQ(S_OK, d->CreatePixelShader(function, &handle));
        if (handle)
            d->DeletePixelShader(handle);
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, ShaderTokens, ::testing::ValuesIn(TokenCases),
                         [](const ::testing::TestParamInfo<TokenCase>& info) { return std::string(info.param.name); });

// The device does check what it is given: streams of versions Direct3D 8
// does not have are refused.
TEST(ShaderDevice, RefusesUnsupportedVersions)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    IDirect3DDevice8* d = device.Device();
    const DWORD declaration[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};
    const DWORD vs30[] = {0xFFFE0300, 0x0000FFFF};
    const DWORD ps30[] = {0xFFFF0300, 0x0000FFFF};
    DWORD handle = 0;
    EXPECT_NE(S_OK, d->CreateVertexShader(declaration, vs30, &handle, 0));
    EXPECT_NE(S_OK, d->CreatePixelShader(ps30, &handle));
}

struct ErrorCase {
    const char* name;
    const char* source;
    const char* error;
};

std::ostream& operator<<(std::ostream& out, const ErrorCase& c)
{
    return out << c.name;
}

const ErrorCase ErrorCases[] = {
    {"UnknownInstruction", "vs.1.1\nmov oPos, v0\nfoo r0, v0\n", "bad.sh:3: unknown instruction 'foo'"},
    {"PixelOnlyInstruction", "vs.1.1\nlrp r0, v0, r1, r2\n", "bad.sh:2: 'lrp' is not a vertex shader instruction"},
    {"VertexOnlyInstruction", "ps.1.1\nm4x4 r0, v0, c0\n", "bad.sh:2: 'm4x4' is not a pixel shader instruction"},
    {"TempPastTheLast", "vs.1.1\nmov r12, v0\n", "bad.sh:2: register r12 does not exist in vs.1.1 (r0-r11)"},
    {"ConstantPastTheLast", "vs.1.1\nmov oPos, c[95+1]\n", "bad.sh:2: register c96 does not exist in vs.1.1 (c0-c95)"},
    {"TexturePastTheLast", "ps.1.1\ntex t4\n", "bad.sh:2: register t4 does not exist in ps.1.1 (t0-t3)"},
    {"PixelConstantPastTheLast", "ps.1.0\nmov r0, c8\n", "bad.sh:2: register c8 does not exist in ps.1.0 (c0-c7)"},
    {"UnknownRegister", "vs.1.1\nmov x0, v0\n", "bad.sh:2: unknown register 'x0'"},
    {"TextureRegisterInVertexShader", "vs.1.1\nmov oPos, t0\n", "bad.sh:2: unknown register 't0'"},
    {"TwoConstants", "vs.1.1\nmad r0, v0, c1, c2\n",
     "bad.sh:2: an instruction can read only one constant register (reads c1 and c2)"},
    {"RelativeAndAbsoluteConstant", "vs.1.1\nadd r0, c[a0.x+1], c1\n",
     "bad.sh:2: an instruction can read only one constant register (reads c1 and c[a0.x+1])"},
    {"TwoInputs", "vs.1.1\nadd r0, v0, v1\n",
     "bad.sh:2: an instruction can read only one input register (reads v0 and v1)"},
    {"WriteInput", "vs.1.1\nmov v0, r0\n", "bad.sh:2: cannot write to input register v0"},
    {"WriteConstant", "vs.1.1\nmov c3, r0\n", "bad.sh:2: cannot write to constant register c3"},
    {"ReadOutput", "vs.1.1\nmov r0, oPos\n", "bad.sh:2: cannot read output register oPos"},
    {"VertexTempNotWritten", "vs.1.1\nmov oPos, v0\nmul oD0, r3, v0\n",
     "bad.sh:3: r3 is read before anything writes it"},
    {"ReadAddress", "vs.1.1\nmov r0, a0.x\n", "bad.sh:2: a0 is read only as a constant index: c[a0.x + n]"},
    {"AddressInVersion10", "vs.1.0\nmov a0.x, v0.x\n", "bad.sh:2: the address register a0 needs vs.1.1"},
    {"RelativeInVersion10", "vs.1.0\nmov oPos, c[a0.x]\n", "bad.sh:2: relative addressing (a0.x) needs vs.1.1"},
    {"AddressWithoutX", "vs.1.1\nmov a0, v0\n", "bad.sh:2: the address register is written as a0.x"},
    {"MissingVersion", "; no version\n\nmov oPos, v0\n",
     "bad.sh:3: the shader must start with its version: vs.1.0, vs.1.1, ps.1.0 or ps.1.1"},
    {"NothingButComments", "// nothing\n", "bad.sh:1: no version instruction (vs.1.0, vs.1.1, ps.1.0 or ps.1.1)"},
    {"UnsupportedVersion", "ps.1.4\n", "bad.sh:1: unsupported version ps.1.4 (vs.1.0, vs.1.1, ps.1.0 and ps.1.1 are supported)"},
    {"SecondVersion", "vs.1.1\nvs.1.1\n", "bad.sh:2: a second version instruction"},
    {"MaskOutOfOrder", "vs.1.1\nmov r0.yx, v0\n",
     "bad.sh:2: write mask '.yx' must name components in x, y, z, w order, each once"},
    {"MaskRepeated", "vs.1.1\nmov r0.xx, v0\n",
     "bad.sh:2: write mask '.xx' must name components in x, y, z, w order, each once"},
    {"BadSwizzleLetter", "vs.1.1\nmov r0, v0.xq\n",
     "bad.sh:2: swizzle '.xq' has a letter that is not x, y, z, w (or r, g, b, a)"},
    {"OperandCount", "vs.1.1\nmov r0, v0, v1\n", "bad.sh:2: 'mov' takes 2 operands, not 3"},
    {"ScalarWithoutReplicate", "vs.1.1\nrcp r0, v0\n",
     "bad.sh:2: 'rcp' reads one component: give its source a replicate swizzle (.x, .y, .z or .w)"},
    {"MatrixSwizzle", "vs.1.1\nm4x4 oPos, v0.x, c0\n",
     "bad.sh:2: 'm4x4' takes no swizzle or negation on its sources"},
    {"MatrixPastTheLastConstant", "vs.1.1\nm4x4 oPos, v0, c93\n",
     "bad.sh:2: 'm4x4' reads 4 registers from c93, past the last one"},
    {"MatrixIntoItsSource", "vs.1.1\nmov r0, v0\nm3x3 r0, r0, c0\n",
     "bad.sh:3: the destination of 'm3x3' cannot be one of its sources"},
    {"MatrixRowsNotWritten", "vs.1.1\nmov r1, v0\nmov r2, v0\nm3x3 r0, v0, r1\n",
     "bad.sh:4: r3 is read before anything writes it"},
    {"DefInVertexShader", "vs.1.1\ndef c0, 1, 1, 1, 1\n",
     "bad.sh:2: def is not part of a Direct3D 8 vertex shader: set the constant through the declaration "
     "(D3DVSD_CONST) or SetVertexShaderConstant"},
    {"VertexModifier", "vs.1.1\nmov_sat oPos, v0\n", "bad.sh:2: vertex shader instructions take no modifiers (_sat)"},
    {"VertexSourceModifier", "vs.1.1\nmov oPos, v0_bx2\n",
     "bad.sh:2: vertex shader sources take no _bx2 modifier (only - and swizzles)"},
    {"VertexCoIssue", "vs.1.1\nmov oPos, v0\n+mov oD0, v0\n",
     "bad.sh:3: only pixel shader arithmetic instructions can be co-issued (+)"},
    {"NoPosition", "vs.1.1\nmov oD0, v0\nmov oPos.xyz, v0\n",
     "bad.sh:3: the vertex shader must write all of oPos (written: .xyz)"},
    {"UndefinedName", "vs.1.1\nmov oPos, c[CV_NOPE]\n",
     "bad.sh:2: unknown name 'CV_NOPE' in the register index (a missing #define?)"},
    {"SubtractedAddress", "vs.1.1\nmov oPos, c[4 - a0.x]\n",
     "bad.sh:2: a0.x can only be added once to a constant register index"},
    {"ErrorInIncludedFile", "vs.1.1\n#include \"bad.h\"\n", "bad.h:2: unsupported directive #bogus"},
    {"MissingInclude", "vs.1.1\n\n#include \"none.h\"\n", "bad.sh:3: cannot open include file \"none.h\""},
    {"Redefined", "vs.1.1\n#include \"consts.h\"\n#define CV_BASE 41\n",
     "bad.sh:3: 'CV_BASE' is already defined as '40'"},
    {"UnclosedConditional", "vs.1.1\n#ifdef X\nmov oPos, v0\n", "bad.sh:2: #if without #endif"},
    {"UnclosedComment", "vs.1.1\nmov oPos, v0 /* open\n\n", "bad.sh:2: the /* comment is not closed"},
    {"PixelDefAfterTexture", "ps.1.1\ntex t0\ndef c0, 0, 0, 0, 0\n",
     "bad.sh:3: def must come before every other instruction"},
    {"PixelTextureAfterArithmetic", "ps.1.1\nmov r0, v0\ntex t0\n",
     "bad.sh:3: texture instructions must come before arithmetic instructions"},
    {"PixelTextureNotLoaded", "ps.1.1\nmov r0, t0\n", "bad.sh:2: t0 is read before a texture instruction loads it"},
    {"PixelTempNotWritten", "ps.1.1\nmov r0, r1\n", "bad.sh:2: r1 is read before anything writes it"},
    {"PixelWriteColour", "ps.1.1\nmov v0, c0\n", "bad.sh:2: cannot write to color register v0 (read only)"},
    {"PixelMask", "ps.1.1\nmov r0.xy, v0\n", "bad.sh:2: pixel shader write masks are .rgb, .a or none, not .xy"},
    {"PixelSwizzle", "ps.1.1\nmov r0, v0.x\n",
     "bad.sh:2: pixel shader sources take only the .a selector (and .b in ps.1.1)"},
    {"PixelBlueInVersion10", "ps.1.0\nmov r0.a, v0.b\n", "bad.sh:2: the .b selector needs ps.1.1"},
    {"PixelBlueIntoColour", "ps.1.1\nmov r0, v0.b\n",
     "bad.sh:2: the .b selector is only for instructions that write .a"},
    {"PixelCoIssueMasks", "ps.1.1\nmov r0, v0\n+mov r0.a, v1\n",
     "bad.sh:3: co-issued instructions write .rgb and .a, one each"},
    {"PixelCoIssueFirst", "ps.1.1\n+mov r0.a, v0\n",
     "bad.sh:2: a co-issued instruction (+) must follow an arithmetic instruction that is not one"},
    {"PixelThreeConstants", "ps.1.1\nmad r0, c0, c1, c2\n",
     "bad.sh:2: an instruction can read at most two constant registers"},
    {"PixelTwoColoursInVersion10", "ps.1.0\nadd r0, v0, v1\n",
     "bad.sh:2: an instruction can read at most 1 color register in this version"},
    {"PixelNoOutput", "ps.1.1\ntex t0\nmov r1, t0\n", "bad.sh:3: the pixel shader never writes r0, its output color"},
    {"PixelUnknownModifier", "ps.1.1\nmov_x8 r0, v0\n", "bad.sh:2: unknown instruction modifier _x8"},
    {"PixelTwoShifts", "ps.1.1\nmov_x2_d2 r0, v0\n", "bad.sh:2: only one of _x2, _x4 and _d2 can be given"},
    {"PixelModifierOnTexture", "ps.1.1\ntex_sat t0\n", "bad.sh:2: 'tex' takes no instruction modifiers (_sat)"},
    {"PixelComplementAndSign", "ps.1.1\nmov r0, 1-v0_bx2\n", "bad.sh:2: 1- cannot be combined with _bx2 or _bias"},
    {"PixelTextureLoadedTwice", "ps.1.1\ntex t0\ntexcoord t0\n",
     "bad.sh:3: t0 is already loaded by an earlier texture instruction"},
    {"PixelPadWithoutSpec", "ps.1.1\ntex t0\ntexm3x3pad t1, t0\nmov r0, t0\n",
     "bad.sh:4: texm3x3pad must be followed by a second texm3x3pad and texm3x3vspec"},
    {"PixelPadNotConsecutive", "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t3, t0\n",
     "bad.sh:4: the texm3x3 instructions of one matrix write consecutive registers from the same source"},
    {"PixelSpecWithoutPad", "ps.1.1\ntex t0\ntexm3x3vspec t3, t0\n",
     "bad.sh:3: texm3x3vspec must follow two texm3x3pad instructions"},
    {"PixelRelative", "ps.1.1\nmov r0, c[a0.x]\n", "bad.sh:2: relative addressing (a0.x) is only for vertex shaders"},
    {"PixelNineArithmetic",
     "ps.1.1\nmov r0, v0\nmov r0, v0\nmov r0, v0\nmov r0, v0\nmov r0, v0\nmov r0, v0\nmov r0, v0\n"
     "mov r0.rgb, v0\n+mov r0.a, v0\nmov r0, v0\n",
     "bad.sh:11: more than 8 arithmetic instructions"},
    {"BadDefNumber", "ps.1.1\ndef c0, 1, 2, x, 4\n", "bad.sh:2: 'x' is not a number"},
};

class ShaderErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ShaderErrors, NameTheFileAndLine)
{
    const ErrorCase& c = GetParam();
    std::vector<uint32_t> tokens = {0x12345678};
    std::string error;
    ShaderAssembler assembler = MemoryAssembler();
    EXPECT_FALSE(assembler.Assemble(c.source, "bad.sh", &tokens, &error));
    EXPECT_EQ(c.error, error);
    EXPECT_EQ(std::vector<uint32_t>{0x12345678}, tokens); // left alone
}

INSTANTIATE_TEST_SUITE_P(Sources, ShaderErrors, ::testing::ValuesIn(ErrorCases),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

std::string ReadTestData(const std::string& name)
{
    std::string text;
    EXPECT_TRUE(ShaderPreprocessor::ReadFromDisk(std::string(REEF_SHADER_TESTDATA) + "/" + name, &text)) << name;
    return text;
}

// What the build assembled with the host tool is what the library makes of
// the same files (their #include resolved next to them on disk).
TEST(ShaderBuild, CompiledInTokensAreTheRunTimeAssembly)
{
    struct Built {
        const char* file;
        const DWORD* tokens;
        UINT count;
    };
    const Built built[] = {
        {"Transform.vsh", TransformVsh, TransformVshCount},
        {"Tint.psh", TintPsh, TintPshCount},
    };
    for (const Built& b : built) {
        SCOPED_TRACE(b.file);
        const std::string path = std::string(REEF_SHADER_TESTDATA) + "/" + b.file;
        std::vector<uint32_t> tokens;
        std::string error;
        ShaderAssembler assembler;
        ASSERT_TRUE(assembler.Assemble(ReadTestData(b.file), path, &tokens, &error)) << error;
        ASSERT_EQ(1u, assembler.IncludedFiles().size());
        EXPECT_EQ(std::string(REEF_SHADER_TESTDATA) + "/TestShaderConstants.h", assembler.IncludedFiles()[0]);
        EXPECT_EQ(Hex(tokens), Hex(std::vector<uint32_t>(b.tokens, b.tokens + b.count)));
        EXPECT_EQ(0x0000FFFFu, b.tokens[b.count - 1]);
    }
}

} // namespace
