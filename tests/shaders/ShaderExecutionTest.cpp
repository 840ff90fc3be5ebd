// Assembled shaders executed on a real device: a quad drawn through a vertex
// shader (and a pixel shader) into the lockable back buffer, and the colour
// and place of the pixels checked, so that a wrong swizzle, modifier or
// opcode encoding shows as a wrong picture.

#include "ShaderAssembler.h"

#include "SharedDeviceTest.h"
#include "TestShaderConstants.h"
#include "TestShaders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const int Size = SharedDeviceTest::DeviceSize;

struct Vertex {
    float x, y, z;    // v0
    float r, g, b, a; // v1
    float u, v;       // v2
};

const DWORD Declaration[] = {
    D3DVSD_STREAM(0),
    D3DVSD_REG(0, D3DVSDT_FLOAT3),
    D3DVSD_REG(1, D3DVSDT_FLOAT4),
    D3DVSD_REG(2, D3DVSDT_FLOAT2),
    D3DVSD_END(),
};

struct Constant {
    UINT index;
    float value[4];
};

struct Colour {
    float r, g, b, a;
};

struct Drawing {
    std::string vertexShader; // source text, or
    const DWORD* vertexTokens = nullptr;
    std::string pixelShader; // none when empty and no tokens
    const DWORD* pixelTokens = nullptr;
    std::vector<Constant> vertexConstants;
    std::vector<Constant> pixelConstants;
    Colour colour = {0.5f, 0.25f, 1.0f, 1.0f}; // of every vertex
    D3DCOLOR clear = 0x00000000;
    bool blend = false; // source alpha over the clear colour
    IDirect3DTexture8* texture = nullptr;
};

// Passes the position, the vertex colour and the texture coordinates on.
const char* const PassThrough = "vs.1.1\nmov oPos, v0\nmov oD0, v1\nmov oT0, v2\n";

bool Assemble(const std::string& text, std::vector<uint32_t>* tokens)
{
    std::string error;
    ShaderAssembler assembler;
    if (assembler.Assemble(text, "test", tokens, &error))
        return true;
    ADD_FAILURE() << error;
    return false;
}


class ShaderExecution : public SharedDeviceTest {
protected:

    // Draws a quad over the whole back buffer (texture coordinates 0,0 at
    // the top left) and reads the picture; empty on failure.
    static Image Render(const Drawing& drawing)
    {
        IDirect3DDevice8* d = Device();
        std::vector<uint32_t> vs;
        std::vector<uint32_t> ps;
        const DWORD* vsTokens = drawing.vertexTokens;
        const DWORD* psTokens = drawing.pixelTokens;
        if (!vsTokens) {
            if (!Assemble(drawing.vertexShader, &vs))
                return Image();
            vsTokens = reinterpret_cast<const DWORD*>(vs.data());
        }
        if (!psTokens && !drawing.pixelShader.empty()) {
            if (!Assemble(drawing.pixelShader, &ps))
                return Image();
            psTokens = reinterpret_cast<const DWORD*>(ps.data());
        }

        DWORD vsHandle = 0;
        DWORD psHandle = 0;
        HRESULT hr = d->CreateVertexShader(Declaration, vsTokens, &vsHandle, 0);
        if (FAILED(hr)) {
            ADD_FAILURE() << DescribeFailure("CreateVertexShader", hr);
            return Image();
        }
        if (psTokens && FAILED(hr = d->CreatePixelShader(psTokens, &psHandle))) {
            ADD_FAILURE() << DescribeFailure("CreatePixelShader", hr);
            d->DeleteVertexShader(vsHandle);
            return Image();
        }

        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_FOGENABLE, FALSE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, drawing.blend);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        // Without a pixel shader the diffuse colour goes straight out.
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        d->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
        d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
        d->SetTexture(0, drawing.texture);
        for (const Constant& c : drawing.vertexConstants)
            d->SetVertexShaderConstant(c.index, c.value, 1);
        for (const Constant& c : drawing.pixelConstants)
            d->SetPixelShaderConstant(c.index, c.value, 1);

        const Colour& k = drawing.colour;
        const Vertex quad[4] = {
            {-1, 1, 0.5f, k.r, k.g, k.b, k.a, 0, 0},
            {1, 1, 0.5f, k.r, k.g, k.b, k.a, 1, 0},
            {-1, -1, 0.5f, k.r, k.g, k.b, k.a, 0, 1},
            {1, -1, 0.5f, k.r, k.g, k.b, k.a, 1, 1},
        };
        Image image;
        d->Clear(0, nullptr, D3DCLEAR_TARGET, drawing.clear, 1.0f, 0);
        if (SUCCEEDED(hr = d->BeginScene())) {
            d->SetVertexShader(vsHandle);
            d->SetPixelShader(psHandle);
            hr = d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
            d->EndScene();
        }
        if (FAILED(hr))
            ADD_FAILURE() << DescribeFailure("drawing", hr);
        else
            image = device_->ReadBackBuffer();

        d->SetVertexShader(D3DFVF_XYZ);
        d->SetPixelShader(0);
        d->SetTexture(0, nullptr);
        d->DeleteVertexShader(vsHandle);
        if (psHandle)
            d->DeletePixelShader(psHandle);
        return image;
    }

};

::testing::AssertionResult Near(const Image& image, int x, int y, uint32_t expected, int tolerance = 2)
{
    return PixelNear(image, x, y, expected, tolerance);
}

// The whole quad one colour: the centre and the corners.
void ExpectEverywhere(const Image& image, uint32_t expected, const std::string& name)
{
    ASSERT_EQ(Size, image.width);
    for (int p : {2, Size / 2, Size - 3})
        for (int q : {2, Size / 2, Size - 3})
            EXPECT_TRUE(Near(image, p, q, expected)) << name;
    image.SavePngIfFailed(name);
}

// ---- vertex shaders: the colour they give oD0, drawn without a pixel shader.

struct VertexCase {
    const char* name;
    const char* source;
    std::vector<Constant> constants;
    uint32_t expected; // 0xRRGGBB
};

std::ostream& operator<<(std::ostream& out, const VertexCase& c)
{
    return out << c.name;
}

// The vertex colour v1 is (0.5, 0.25, 1, 1).
const VertexCase VertexCases[] = {
    {"SwizzlePermutation", "vs.1.1\nmov oPos, v0\nmov oD0, c0.zyxw\n", {{0, {0.2f, 0.4f, 0.8f, 1}}}, 0xCC6633},
    {"SwizzleRotation", "vs.1.1\nmov oPos, v0\nmov oD0, c0.yzxw\n", {{0, {0.2f, 0.4f, 0.8f, 1}}}, 0x66CC33},
    {"SwizzleReplicate", "vs.1.1\nmov oPos, v0\nmov oD0, c0.y\n", {{0, {0.2f, 0.4f, 0.8f, 1}}}, 0x666666},
    {"SwizzleTwoLetters", "vs.1.1\nmov oPos, v0\nmov oD0, c0.zx\n", {{0, {0.2f, 0.4f, 0.8f, 1}}}, 0xCC3333},
    {"Negation", "vs.1.1\nmov oPos, v0\nmov r0, -c1\nadd oD0, c0, r0\n",
     {{0, {1, 1, 1, 1}}, {1, {0.2f, 0.4f, 0.6f, 0}}}, 0xCC9966},
    {"NegatedSwizzleOfTheSameConstant", "vs.1.1\nmov oPos, v0\nadd oD0, c0, -c0.wzyx\n",
     {{0, {1, 0.8f, 0.4f, 0.2f}}}, 0xCC6600},
    {"Subtract", "vs.1.1\nmov oPos, v0\nmov r1, c1\nsub oD0, c0, r1\n",
     {{0, {0.5f, 0.5f, 0.5f, 1}}, {1, {0.2f, 0.4f, 0.1f, 0}}}, 0x4D1A66},
    {"SubtractNegated", "vs.1.1\nmov oPos, v0\nmov r1, c1\nsub oD0, c0, -r1\n",
     {{0, {0.5f, 0.5f, 0.5f, 1}}, {1, {0.2f, 0.4f, 0.1f, 0}}}, 0xB3E699},
    {"Multiply", "vs.1.1\nmov oPos, v0\nmul oD0, v1, c0\n", {{0, {1, 2, 0.5f, 1}}}, 0x808080},
    {"MultiplyAdd", "vs.1.1\nmov oPos, v0\nmov r1, c1\nmad oD0, v1, c0, r1\n",
     {{0, {0.5f, 2, 0.5f, 1}}, {1, {0.1f, 0.2f, 0.3f, 0}}}, 0x59B3CC},
    {"Dot3IntoGreen", "vs.1.1\nmov oPos, v0\nmov r0, c2\ndp3 r0.y, v1, c0\nmov oD0, r0\n",
     {{0, {0.2f, 0.4f, 0.1f, 9}}, {2, {0.1f, 0.9f, 0.6f, 1}}}, 0x1A4D99},
    {"Dot4IntoBlue", "vs.1.1\nmov oPos, v0\nmov r0, c2\ndp4 r0.z, v1, c0\nmov oD0, r0\n",
     {{0, {0.2f, 0.4f, 0.1f, 0.2f}}, {2, {0.1f, 0.9f, 0.6f, 1}}}, 0x1AE680},
    {"MinimumMaximum", "vs.1.1\nmov oPos, v0\nmin r0, v1, c0\nmax oD0, r0, c1\n",
     {{0, {0.4f, 0.6f, 0.7f, 1}}, {1, {0.1f, 0.3f, 0.2f, 0}}}, 0x664DB3},
    {"SetLessGreater",
     "vs.1.1\nmov oPos, v0\nslt r0, v1, c0\nsge r1, v1, c0\nmul r1, r1, c1\nadd oD0, r0, r1\n",
     {{0, {0.6f, 0.2f, 1, 0}}, {1, {0.5f, 0.5f, 0.5f, 0}}}, 0xFF8080},
    {"ReciprocalAndRoot", "vs.1.1\nmov oPos, v0\nrcp r0.x, c0.x\nrsq r0.y, c0.y\nmov r0.zw, c0.z\nmov oD0, r0\n",
     {{0, {2, 16, 0.3f, 1}}}, 0x80404D},
    {"ExponentAndLogarithm",
     "vs.1.1\nmov oPos, v0\nexpp r0, c0.x\nlogp r1, c0.y\nmov r0.y, r1.z\nmov oD0, r0\n",
     {{0, {-1, 1.5f, 0, 0}}}, 0x809580},
    {"RelativeAddress", "vs.1.1\nmov oPos, v0\nmov a0.x, c0.x\nmov oD0, c[a0.x + 3]\n",
     {{0, {2, 0, 0, 0}}, {3, {1, 0, 0, 1}}, {4, {0, 1, 0, 1}}, {5, {0.2f, 0.6f, 1, 1}}, {6, {0, 0, 0, 1}}},
     0x3399FF},
    {"Matrix3x3", "vs.1.1\nmov oPos, v0\nm3x3 r0.xyz, v1, c4\nmov r0.w, v1.w\nmov oD0, r0\n",
     {{4, {0, 0, 1, -1}}, {5, {1, 0, 0, -1}}, {6, {0, 1, 0, -1}}}, 0xFF8040},
    {"Version10", "vs.1.0\nmov oPos, v0\nmov oD0, c0.wzyx\n", {{0, {0.2f, 0.4f, 0.6f, 0.8f}}}, 0xCC9966},
};

class VertexShaderColour : public ShaderExecution, public ::testing::WithParamInterface<VertexCase> {};

TEST_P(VertexShaderColour, IsTheExpectedOne)
{
    const VertexCase& c = GetParam();
    Drawing drawing;
    drawing.vertexShader = c.source;
    drawing.vertexConstants = c.constants;
    drawing.clear = 0x00123456;
    Image image = Render(drawing);
    ASSERT_FALSE(image.Empty());
    ExpectEverywhere(image, c.expected, std::string("VertexShaderColour_") + c.name);
}

INSTANTIATE_TEST_SUITE_P(Programs, VertexShaderColour, ::testing::ValuesIn(VertexCases),
                         [](const ::testing::TestParamInfo<VertexCase>& info) { return std::string(info.param.name); });

// m4x4 with the rows at c4-c7 scales by one half and moves by one half: the
// quad covers the top right quarter only.
TEST_F(ShaderExecution, Matrix4x4PlacesTheQuad)
{
    Drawing drawing;
    drawing.vertexShader = "vs.1.1\nm4x4 oPos, v0, c4\nmov oD0, c0\n";
    drawing.vertexConstants = {{0, {1, 0.5f, 0, 1}},
                               {4, {0.5f, 0, 0, 0.5f}},
                               {5, {0, 0.5f, 0, 0.5f}},
                               {6, {0, 0, 1, 0}},
                               {7, {0, 0, 0, 1}}};
    drawing.clear = 0x00000040;
    Image image = Render(drawing);
    ASSERT_FALSE(image.Empty());
    for (int p : {36, 48, 60}) {
        for (int q : {4, 16, 28}) {
            EXPECT_TRUE(Near(image, p, q, 0xFF8000));        // top right
            EXPECT_TRUE(Near(image, p - 32, q, 0x000040));   // top left
            EXPECT_TRUE(Near(image, p, q + 32, 0x000040));   // bottom right
            EXPECT_TRUE(Near(image, p - 32, q + 32, 0x000040));
        }
    }
    image.SavePngIfFailed("ShaderExecution_Matrix4x4");
}

// m3x4 takes three-component dot products: the fourth columns of c4-c7
// would move the quad if they counted. w comes from z (0.5) times 2: the
// quad is the middle half of the picture.
TEST_F(ShaderExecution, Matrix3x4PlacesTheQuad)
{
    Drawing drawing;
    drawing.vertexShader = "vs.1.1\nm3x4 oPos, v0, c4\nmov oD0, c0\n";
    drawing.vertexConstants = {{0, {0, 0.5f, 1, 1}},
                               {4, {0.5f, 0, 0, 3}},
                               {5, {0, 0.5f, 0, 3}},
                               {6, {0, 0, 1, 0}},
                               {7, {0, 0, 2, 7}}};
    drawing.clear = 0x00400000;
    Image image = Render(drawing);
    ASSERT_FALSE(image.Empty());
    for (int p : {20, 32, 44})
        for (int q : {20, 32, 44})
            EXPECT_TRUE(Near(image, p, q, 0x0080FF));
    for (int p : {4, 59})
        for (int q : {4, 32, 59}) {
            EXPECT_TRUE(Near(image, p, q, 0x400000));
            EXPECT_TRUE(Near(image, q, p, 0x400000));
        }
    image.SavePngIfFailed("ShaderExecution_Matrix3x4");
}

// ---- pixel shaders: the colour they give, from the vertex colour (v0 in the
// pixel shader) and constants.

struct PixelCase {
    const char* name;
    const char* source;
    std::vector<Constant> constants;
    uint32_t expected;
    bool blend; // over a white background, by the shader's alpha
};

std::ostream& operator<<(std::ostream& out, const PixelCase& c)
{
    return out << c.name;
}

// The vertex colour is (0.75, 0.5, 0.25, 0.6).
const PixelCase PixelCases[] = {
    {"Move", "ps.1.1\nmov r0, v0\n", {}, 0xBF8040, false},
    {"Version10", "ps.1.0\nmov r0, v0\n", {}, 0xBF8040, false},
    {"SignScale", "ps.1.1\nmov r0, v0_bx2\n", {}, 0x800000, false},
    {"Bias", "ps.1.1\nmov r0, v0_bias\n", {}, 0x400000, false},
    {"Complement", "ps.1.1\nmov r0, 1-v0\n", {}, 0x4080BF, false},
    {"ComplementOfAlpha", "ps.1.1\nmov r0, 1-v0.a\n", {}, 0x666666, false},
    {"Negate", "ps.1.1\nadd r0, c0, -v0\n", {{0, {1, 0.75f, 0.5f, 1}}}, 0x404040, false},
    {"AlphaReplicate", "ps.1.1\nmov r0, v0.a\n", {}, 0x999999, false},
    {"ConstantAlphaReplicate", "ps.1.1\nmul r0, v0, c0.a\n", {{0, {1, 0, 0, 0.5f}}}, 0x604020, false},
    {"Add", "ps.1.1\nadd r0, v0, c0\n", {{0, {0.1f, 0.2f, 0.3f, 0}}}, 0xD9B38C, false},
    {"Interpolate", "ps.1.1\nlrp r0, v0, c0, c1\n", {{0, {1, 1, 1, 1}}, {1, {0.2f, 0.2f, 0.2f, 0.2f}}}, 0xCC9966,
     false},
    {"InterpolateByAlpha", "ps.1.1\nlrp r0, v0.a, c0, c1\n", {{0, {1, 0, 0, 1}}, {1, {0, 0, 1, 1}}}, 0x990066, false},
    {"MultiplyAdd", "ps.1.1\nmad r0, v0, c0, c1\n", {{0, {0.5f, 0.5f, 0.5f, 1}}, {1, {0.1f, 0.2f, 0.3f, 0}}},
     0x79736C, false},
    {"Dot3SignScaled", "ps.1.1\ndp3 r0, v0_bx2, c0_bx2\n", {{0, {0.75f, 0.5f, 0.25f, 1}}}, 0x808080, false},
    {"Double", "ps.1.1\nmov_x2 r0, v0\n", {}, 0xFFFF80, false},
    {"Halve", "ps.1.1\nmov_d2 r0, v0\n", {}, 0x604020, false},
    {"Quadruple", "ps.1.1\nmul_x4 r0, v0, c0\n", {{0, {0.25f, 0.25f, 0.25f, 1}}}, 0xBF8040, false},
    {"Saturate", "ps.1.1\nadd_sat r1, v0, -c0\nadd r0, r1, c1\n", {{0, {1, 1, 1, 0}}, {1, {0.5f, 0.5f, 0.5f, 0}}},
     0x808080, false},
    {"Define", "ps.1.1\ndef c3, 0.25, 0.5, 1.0, 1.0\nmul r0, v0, c3\n", {}, 0x304040, false},
    {"CoIssuedAlpha", "ps.1.1\nmul r0.rgb, v0, c0\n+mov r0.a, c1.a\n",
     {{0, {0.5f, 1, 1, 0}}, {1, {0, 0, 0, 0.5f}}}, 0xAFBF9F, true},
    {"BlueIntoAlpha", "ps.1.1\nmov r0.rgb, v0\n+mov r0.a, v0.b\n", {}, 0xEFDFCF, true},
};

class PixelShaderColour : public ShaderExecution, public ::testing::WithParamInterface<PixelCase> {};

TEST_P(PixelShaderColour, IsTheExpectedOne)
{
    const PixelCase& c = GetParam();
    Drawing drawing;
    drawing.vertexShader = PassThrough;
    drawing.pixelShader = c.source;
    drawing.pixelConstants = c.constants;
    drawing.colour = {0.75f, 0.5f, 0.25f, 0.6f};
    drawing.blend = c.blend;
    drawing.clear = c.blend ? 0x00FFFFFF : 0x00123456;
    Image image = Render(drawing);
    ASSERT_FALSE(image.Empty());
    ExpectEverywhere(image, c.expected, std::string("PixelShaderColour_") + c.name);
}

INSTANTIATE_TEST_SUITE_P(Programs, PixelShaderColour, ::testing::ValuesIn(PixelCases),
                         [](const ::testing::TestParamInfo<PixelCase>& info) { return std::string(info.param.name); });

struct TextureRelease {
    void operator()(IDirect3DTexture8* t) const { t->Release(); }
};

// A 2x2 texture: red, green on the top row, blue, grey below.
std::unique_ptr<IDirect3DTexture8, TextureRelease> MakeTexture(IDirect3DDevice8* d)
{
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(d->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT locked;
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) {
        texture->Release();
        return nullptr;
    }
    const uint32_t texels[2][2] = {{0xFFFF0000, 0xFF00FF00}, {0xFF0000FF, 0xFF808080}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] = texels[y][x];
    texture->UnlockRect(0);
    return std::unique_ptr<IDirect3DTexture8, TextureRelease>(texture);
}

// tex samples stage 0 at the texture coordinates the vertex shader passed in
// oT0; the sample is then scaled by a constant.
TEST_F(ShaderExecution, TextureSampled)
{
    auto texture = MakeTexture(Device());
    ASSERT_TRUE(texture);
    Drawing drawing;
    drawing.vertexShader = PassThrough;
    drawing.pixelShader = "ps.1.1\ntex t0\nmul r0, t0, c0\n";
    drawing.pixelConstants = {{0, {1, 0.5f, 1, 1}}};
    drawing.texture = texture.get();
    Image image = Render(drawing);
    ASSERT_FALSE(image.Empty());
    for (int p : {4, 16, 28}) {
        for (int q : {4, 16, 28}) {
            EXPECT_TRUE(Near(image, p, q, 0xFF0000));
            EXPECT_TRUE(Near(image, p + 32, q, 0x008000));
            EXPECT_TRUE(Near(image, p, q + 32, 0x0000FF));
            EXPECT_TRUE(Near(image, p + 32, q + 32, 0x804080));
        }
    }
    image.SavePngIfFailed("ShaderExecution_TextureSampled");
}

// texcoord gives the texture coordinates themselves as the colour: u in
// red, v in green.
TEST_F(ShaderExecution, TextureCoordinatesAsColour)
{
    Drawing drawing;
    drawing.vertexShader = PassThrough;
    drawing.pixelShader = "ps.1.1\ntexcoord t0\nmov r0, t0\n";
    Image image = Render(drawing);
    ASSERT_FALSE(image.Empty());
    // Pixel centres sit between x/64 and (x+0.5)/64: allow for either.
    EXPECT_TRUE(Near(image, 16, 48, 0x41C200, 3));
    EXPECT_TRUE(Near(image, 48, 16, 0xC24100, 3));
    EXPECT_TRUE(Near(image, 32, 32, 0x818100, 3));
    image.SavePngIfFailed("ShaderExecution_TextureCoordinates");
}

// The shaders the build assembled (shaders/testdata, through reef_shaders),
// run with the constants named in the header they share with this test.
TEST_F(ShaderExecution, BuiltShadersRun)
{
    Drawing drawing;
    drawing.vertexTokens = TransformVsh;
    drawing.pixelTokens = TintPsh;
    // The left half: x scaled by one half and moved left by one half.
    drawing.vertexConstants = {{CV_TRANSFORM_0, {0.5f, 0, 0, -0.5f}},
                               {CV_TRANSFORM_0 + 1, {0, 1, 0, 0}},
                               {CV_TRANSFORM_0 + 2, {0, 0, 1, 0}},
                               {CV_TRANSFORM_0 + 3, {0, 0, 0, 1}},
                               {CV_COLOUR, {0.2f, 0.4f, 0.6f, 1}}};
    drawing.pixelConstants = {{CP_TINT, {1, 0.5f, 1, 0.75f}}};
    drawing.clear = 0x00000000;
    Image image = Render(drawing);
    ASSERT_FALSE(image.Empty());
    // (0.6, 0.4, 0.2) tinted to (0.6, 0.2, 0.2), then doubled by 0.75.
    for (int q : {4, 32, 59}) {
        EXPECT_TRUE(Near(image, 4, q, 0xE64D4D));
        EXPECT_TRUE(Near(image, 28, q, 0xE64D4D));
        EXPECT_TRUE(Near(image, 36, q, 0x000000));
        EXPECT_TRUE(Near(image, 59, q, 0x000000));
    }
    image.SavePngIfFailed("ShaderExecution_BuiltShaders");
}

} // namespace
