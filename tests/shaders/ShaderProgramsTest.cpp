// The program's shaders (shaders/, assembled by the build) on a real device:
// every one is created with its declaration, and the fish, billboard,
// background, quad, mark and logo programs draw a picture whose place and
// colours follow from known constants and vertices.

#include "ShaderDeclarations.h"
#include "SharedDeviceTest.h"
#include "productshaders.h"
#include "vsConstants.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int Size = SharedDeviceTest::DeviceSize;

// ---- creation: every program, its version and its declaration.

struct Program {
    const char* name;
    const DWORD* tokens;
    const DWORD* declaration; // null for a pixel shader
    DWORD version;
};

std::ostream& operator<<(std::ostream& out, const Program& p)
{
    return out << p.name;
}

const DWORD Vs10 = 0xFFFE0100;
const DWORD Ps10 = 0xFFFF0100;
const DWORD Ps11 = 0xFFFF0101;

const Program Programs[] = {
    {"vs2rp", vs2rpVsh, FishDeclaration, Vs10},
    {"vs14rp", vs14rpVsh, FishMorphDeclaration, Vs10},
    {"it1rp", it1rpVsh, FishLowDeclaration, Vs10},
    {"ps2rp", ps2rpPsh, nullptr, Ps10},
    {"vs8rp", vs8rpVsh, BillboardDeclaration, Vs10},
    {"ps8rp", ps8rpPsh, nullptr, Ps10},
    {"vs15", vs15Vsh, BackgroundDeclaration, Vs10},
    {"ps8", ps8Psh, nullptr, Ps10},
    {"vs11", vs11Vsh, ScreenQuadDeclaration, Vs10},
    {"vs9", vs9Vsh, LogoDeclaration, Vs10},
    {"ps9", ps9Psh, nullptr, Ps11},
    {"it1", it1Vsh, LogoDeclaration, Vs10},
    {"vs12", vs12Vsh, MarkDeclaration, Vs10},
};


class ShaderPrograms : public SharedDeviceTest {
protected:
};

class ProgramCreation : public ShaderPrograms, public ::testing::WithParamInterface<Program> {};

TEST_P(ProgramCreation, Succeeds)
{
    const Program& p = GetParam();
    EXPECT_EQ(p.version, p.tokens[0]);
    DWORD handle = 0;
    HRESULT hr = p.declaration ? Device()->CreateVertexShader(p.declaration, p.tokens, &handle, 0)
                               : Device()->CreatePixelShader(p.tokens, &handle);
    ASSERT_EQ(S_OK, hr) << DescribeFailure(p.declaration ? "CreateVertexShader" : "CreatePixelShader", hr);
    EXPECT_NE(0u, handle);
    if (p.declaration)
        Device()->DeleteVertexShader(handle);
    else
        Device()->DeletePixelShader(handle);
}

INSTANTIATE_TEST_SUITE_P(All, ProgramCreation, ::testing::ValuesIn(Programs),
                         [](const ::testing::TestParamInfo<Program>& info) { return std::string(info.param.name); });

// The bytes each declaration reads per vertex from each stream match the
// vertex layouts: FishVertex 32, MorphVertex 24 (keyframes and partial-morph
// offsets), BillboardVertex 36, the background's 28, the quads' 20, the
// marks' corner 8.
struct DeclarationCase {
    const char* name;
    const DWORD* tokens;
    std::vector<UINT> strides;
};

std::vector<UINT> Strides(const DWORD* tokens)
{
    std::vector<UINT> strides;
    const UINT sizes[] = {4, 8, 12, 16, 4}; // FLOAT1-4, D3DCOLOR
    int stream = -1;
    for (int i = 0; i < 64 && tokens[i] != D3DVSD_END(); ++i) {
        DWORD kind = tokens[i] >> D3DVSD_TOKENTYPESHIFT;
        if (kind == D3DVSD_TOKEN_STREAM) {
            stream = int(tokens[i] & D3DVSD_STREAMNUMBERMASK);
            if (strides.size() <= size_t(stream))
                strides.resize(stream + 1, 0);
        } else if (kind == D3DVSD_TOKEN_STREAMDATA && stream >= 0) {
            DWORD type = (tokens[i] & D3DVSD_DATATYPEMASK) >> D3DVSD_DATATYPESHIFT;
            strides[stream] += type < 5 ? sizes[type] : 1000;
        } else {
            strides.push_back(9999); // nothing else belongs in these declarations
        }
    }
    return strides;
}

TEST(ShaderDeclarations, ReadTheVertexLayouts)
{
    const DeclarationCase cases[] = {
        {"Fish", FishDeclaration, {32, 24, 24}},       {"FishMorph", FishMorphDeclaration, {32, 24, 24, 24}},
        {"FishLow", FishLowDeclaration, {32}},         {"Billboard", BillboardDeclaration, {36}},
        {"Background", BackgroundDeclaration, {28}},   {"ScreenQuad", ScreenQuadDeclaration, {20}},
        {"Logo", LogoDeclaration, {32}},               {"Mark", MarkDeclaration, {8}},
    };
    for (const DeclarationCase& c : cases)
        EXPECT_EQ(c.strides, Strides(c.tokens)) << c.name;
}

// ---- drawing

struct Constant {
    UINT index;
    float value[4];
};

struct Stream {
    std::vector<float> data; // four vertices, a triangle strip
    UINT stride;             // bytes
};

struct Scene {
    const DWORD* vs = nullptr;
    const DWORD* declaration = nullptr;
    const DWORD* ps = nullptr;
    std::vector<Stream> streams;
    std::vector<Constant> vertexConstants;
    std::vector<Constant> pixelConstants;
    IDirect3DBaseTexture8* textures[4] = {};
    DWORD stageArgument = D3DTA_DIFFUSE; // stage 0 colour without a pixel shader
    DWORD shownStage = 0;                // without a pixel shader: the stage whose texture shows
    bool blend = false;                  // source alpha over the clear colour
    bool fog = false;                    // vertex fog of the fog output
    D3DCOLOR fogColour = 0;
    D3DCOLOR clear = 0x00000000;
};

// Matrices as the program uploads them: transposed, four registers.
void Matrix(std::vector<Constant>* out, UINT first, const float (&m)[4][4], bool transpose = true)
{
    for (UINT i = 0; i < 4; ++i) {
        Constant c = {first + i, {}};
        for (UINT j = 0; j < 4; ++j)
            c.value[j] = transpose ? m[j][i] : m[i][j];
        out->push_back(c);
    }
}

const float Identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

// The registers the world sets every frame that these programs read.
void WorldConstants(std::vector<Constant>* out)
{
    out->push_back({CV_ZERO, {0, 0, 0, 0}});
    out->push_back({CV_CONST, {1.0f, 0.5f, 0.2f, 0.05f}});
    out->push_back({CV_FOG, {0.5f, 50.0f, 0.020408163f, 0}});
}

class ShaderDrawing : public ShaderPrograms {
protected:
    static Image Render(const Scene& scene)
    {
        IDirect3DDevice8* d = Device();
        DWORD vsHandle = 0;
        DWORD psHandle = 0;
        HRESULT hr = d->CreateVertexShader(scene.declaration, scene.vs, &vsHandle, 0);
        if (FAILED(hr)) {
            ADD_FAILURE() << DescribeFailure("CreateVertexShader", hr);
            return Image();
        }
        if (scene.ps && FAILED(hr = d->CreatePixelShader(scene.ps, &psHandle))) {
            ADD_FAILURE() << DescribeFailure("CreatePixelShader", hr);
            d->DeleteVertexShader(vsHandle);
            return Image();
        }
        std::vector<IDirect3DVertexBuffer8*> buffers;
        for (const Stream& s : scene.streams) {
            IDirect3DVertexBuffer8* vb = nullptr;
            UINT bytes = UINT(s.data.size() * sizeof(float));
            BYTE* p = nullptr;
            if (FAILED(hr = d->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb)) ||
                FAILED(hr = vb->Lock(0, bytes, &p, 0))) {
                ADD_FAILURE() << DescribeFailure("vertex buffer", hr);
                if (vb)
                    vb->Release();
                break;
            }
            std::memcpy(p, s.data.data(), bytes);
            vb->Unlock();
            buffers.push_back(vb);
        }

        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_FOGENABLE, scene.fog);
        d->SetRenderState(D3DRS_FOGCOLOR, scene.fogColour);
        d->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
        d->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, scene.blend);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        // Stage n reads texture coordinate set n (Wine ignores TEXCOORDINDEX
        // with vertex shaders), so set 1 is shown through stage 1, stage 0
        // then passing the diffuse colour on.
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, scene.shownStage == 0 ? scene.stageArgument : D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, scene.shownStage == 0 ? scene.stageArgument : D3DTA_DIFFUSE);
        if (scene.shownStage == 1) {
            d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
            d->SetTextureStageState(1, D3DTSS_COLORARG1, scene.stageArgument);
            d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            d->SetTextureStageState(1, D3DTSS_ALPHAARG1, scene.stageArgument);
        }
        d->SetTextureStageState(scene.shownStage + 1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        for (DWORD stage = 0; stage < 4; ++stage) {
            d->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_POINT);
            d->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_POINT);
            d->SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_NONE);
            d->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
            d->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
            d->SetTextureStageState(stage, D3DTSS_ADDRESSW, D3DTADDRESS_CLAMP);
            d->SetTexture(stage, scene.textures[stage]);
        }
        for (const Constant& c : scene.vertexConstants)
            d->SetVertexShaderConstant(c.index, c.value, 1);
        for (const Constant& c : scene.pixelConstants)
            d->SetPixelShaderConstant(c.index, c.value, 1);

        Image image;
        d->Clear(0, nullptr, D3DCLEAR_TARGET, scene.clear, 1.0f, 0);
        if (buffers.size() == scene.streams.size() && SUCCEEDED(hr = d->BeginScene())) {
            for (UINT i = 0; i < buffers.size(); ++i)
                d->SetStreamSource(i, buffers[i], scene.streams[i].stride);
            d->SetVertexShader(vsHandle);
            d->SetPixelShader(psHandle);
            hr = d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
            d->EndScene();
            if (FAILED(hr))
                ADD_FAILURE() << DescribeFailure("drawing", hr);
            else
                image = device_->ReadBackBuffer();
        }

        d->SetVertexShader(D3DFVF_XYZ);
        d->SetPixelShader(0);
        for (DWORD stage = 0; stage < 4; ++stage)
            d->SetTexture(stage, nullptr);
        d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        for (UINT i = 0; i < buffers.size(); ++i) {
            d->SetStreamSource(i, nullptr, 0);
            buffers[i]->Release();
        }
        d->DeleteVertexShader(vsHandle);
        if (psHandle)
            d->DeletePixelShader(psHandle);
        return image;
    }
};

::testing::AssertionResult Near(const Image& image, int x, int y, uint32_t expected, int tolerance = 3)
{
    return PixelNear(image, x, y, expected, tolerance);
}

// A rectangle of pixels, [x0, x1) x [y0, y1).
struct Rect {
    int x0, y0, x1, y1;
};

// From clip-space x (left -1 to right 1) and y (bottom -1 to top 1).
Rect FromClip(float left, float top, float right, float bottom)
{
    auto px = [](float x) { return int(std::lround((x + 1) * Size / 2)); };
    auto py = [](float y) { return int(std::lround((1 - y) * Size / 2)); };
    return {px(left), py(top), px(right), py(bottom)};
}

// The rectangle's four quarters in the colours top left, top right, bottom
// left, bottom right, and the clear colour just outside it.
void ExpectQuarters(const Image& image, const Rect& r, const uint32_t (&quarters)[4], uint32_t outside,
                    const std::string& name)
{
    ASSERT_EQ(Size, image.width);
    int mx = (r.x0 + r.x1) / 2;
    int my = (r.y0 + r.y1) / 2;
    const Rect parts[4] = {{r.x0, r.y0, mx, my}, {mx, r.y0, r.x1, my}, {r.x0, my, mx, r.y1}, {mx, my, r.x1, r.y1}};
    for (int i = 0; i < 4; ++i) {
        const Rect& p = parts[i];
        for (int x : {p.x0 + 1, (p.x0 + p.x1) / 2, p.x1 - 2})
            for (int y : {p.y0 + 1, (p.y0 + p.y1) / 2, p.y1 - 2})
                EXPECT_TRUE(Near(image, x, y, quarters[i])) << name << " quarter " << i;
    }
    for (int y : {r.y0 + 1, my, r.y1 - 2}) {
        if (r.x0 >= 2) {
            EXPECT_TRUE(Near(image, r.x0 - 2, y, outside)) << name << " left of it";
        }
        if (r.x1 + 1 < Size) {
            EXPECT_TRUE(Near(image, r.x1 + 1, y, outside)) << name << " right of it";
        }
    }
    for (int x : {r.x0 + 1, mx, r.x1 - 2}) {
        if (r.y0 >= 2) {
            EXPECT_TRUE(Near(image, x, r.y0 - 2, outside)) << name << " above it";
        }
        if (r.y1 + 1 < Size) {
            EXPECT_TRUE(Near(image, x, r.y1 + 1, outside)) << name << " below it";
        }
    }
    image.SavePngIfFailed(name);
}

void ExpectRect(const Image& image, const Rect& r, uint32_t inside, uint32_t outside, const std::string& name)
{
    ExpectQuarters(image, r, {inside, inside, inside, inside}, outside, name);
}

template <class T> struct Released {
    T* p = nullptr;
    ~Released()
    {
        if (p)
            p->Release();
    }
};

// A square texture of ARGB texels, top row first.
bool MakeTexture(IDirect3DDevice8* d, UINT size, const std::vector<uint32_t>& texels, IDirect3DTexture8** out)
{
    if (FAILED(d->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, out)))
        return false;
    D3DLOCKED_RECT locked;
    if (FAILED((*out)->LockRect(0, &locked, nullptr, 0)))
        return false;
    for (UINT y = 0; y < size; ++y)
        std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, &texels[y * size], size * 4);
    (*out)->UnlockRect(0);
    return true;
}

// 2x2: red, green on top; blue, grey below.
const std::vector<uint32_t> Quarters = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF808080};
// 4x4: the same four in the middle, a black ring around them.
const std::vector<uint32_t> Ringed = {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,  //
                                      0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF000000,  //
                                      0xFF000000, 0xFF0000FF, 0xFF808080, 0xFF000000,  //
                                      0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000};

// ---- fish

// A FishVertex (position, normal, texture coordinates) or MorphVertex
// (position, normal) quad over a clip-space rectangle at depth 0.5.
Stream FishQuad(float left, float top, float right, float bottom, bool textured)
{
    Stream s;
    s.stride = textured ? 32 : 24;
    const float corners[4][4] = {{left, top, 0, 0}, {right, top, 1, 0}, {left, bottom, 0, 1}, {right, bottom, 1, 1}};
    for (const auto& c : corners) {
        s.data.insert(s.data.end(), {c[0], c[1], 0.5f, 0, 0, -1});
        if (textured)
            s.data.insert(s.data.end(), {c[2], c[3]});
    }
    return s;
}

struct FishCase {
    const char* name;
    const DWORD* vs;
    float weights[4];
    float delta[2];     // stream 3's position offset (vs14rp)
    float colour[4];    // c19
    uint32_t texel;     // the skin, one ARGB texel
    Rect rect;          // where the fish is
    uint32_t expected;  // its colour, blended by its alpha over the clear colour
};

std::ostream& operator<<(std::ostream& out, const FishCase& c)
{
    return out << c.name;
}

// Stream 0 (rest pose) covers the top left quarter, stream 1 the top right
// and stream 2 the bottom left. The clear colour is white, the colour c19
// (0.2, 0.4, 0.8, 0.5); the skin's colour must not show, only its alpha.
const FishCase FishCases[] = {
    {"RestPose", vs2rpVsh, {1, 0, 0, 0}, {}, {0.2f, 0.4f, 0.8f, 0.5f}, 0xFFFF0000, {0, 0, 32, 32}, 0x3366CC},
    {"CurrentKeyframe", vs2rpVsh, {0, 1, 0, 0}, {}, {0.2f, 0.4f, 0.8f, 0.5f}, 0xFFFF0000, {32, 0, 64, 32}, 0x3366CC},
    {"NextKeyframe", vs2rpVsh, {0, 0, 1, 0}, {}, {0.2f, 0.4f, 0.8f, 0.5f}, 0xFFFF0000, {0, 32, 32, 64}, 0x3366CC},
    // Halfway between rest pose and keyframe: the middle of the top half.
    {"Blend", vs2rpVsh, {0.5f, 0.5f, 0, 0}, {}, {0.2f, 0.4f, 0.8f, 0.5f}, 0xFFFF0000, {16, 0, 48, 32}, 0x3366CC},
    // The skin's alpha scales every channel, the blend alpha included.
    {"SkinAlpha", vs2rpVsh, {1, 0, 0, 0}, {}, {0.2f, 0.4f, 0.8f, 0.5f}, 0x80FF0000, {0, 0, 32, 32}, 0x8C99B2},
    // vs14rp: the blend plus the offsets, w back at 1; c19's alpha counts.
    {"PartialMorphOffset", vs14rpVsh, {1, 0, 0, 0}, {0.5f, -0.5f}, {0.2f, 0.4f, 0.8f, 0.5f}, 0xFFFF0000,
     {16, 16, 48, 48}, 0x99B3E6},
    // Weights summing to 0.5: vs2rp's w is their sum, so the divide undoes
    // the scaling; vs14rp puts w back at 1 and the quad shrinks to half.
    {"WeightsBelowOne", vs2rpVsh, {0.5f, 0, 0, 0}, {}, {0.2f, 0.4f, 0.8f, 0.5f}, 0xFFFF0000, {0, 0, 32, 32},
     0x3366CC},
    {"PartialMorphWeightsBelowOne", vs14rpVsh, {0.5f, 0, 0, 0}, {0, 0}, {0.2f, 0.4f, 0.8f, 1}, 0xFFFF0000,
     {16, 16, 32, 32}, 0x3366CC},
    {"PartialMorphBlend", vs14rpVsh, {0, 0.5f, 0.5f, 0}, {0, 0}, {0.2f, 0.4f, 0.8f, 1}, 0xFFFF0000,
     {16, 16, 48, 48}, 0x3366CC},
};

class FishDrawing : public ShaderDrawing, public ::testing::WithParamInterface<FishCase> {};

TEST_P(FishDrawing, PlacesAndColoursTheFish)
{
    const FishCase& c = GetParam();
    Released<IDirect3DTexture8> skin;
    ASSERT_TRUE(MakeTexture(Device(), 1, {c.texel}, &skin.p));
    Scene scene;
    scene.vs = c.vs;
    scene.declaration = c.vs == vs14rpVsh ? FishMorphDeclaration : FishDeclaration;
    scene.ps = ps2rpPsh;
    scene.streams = {FishQuad(-1, 1, 0, 0, true), FishQuad(0, 1, 1, 0, false), FishQuad(-1, 0, 0, -1, false)};
    if (c.vs == vs14rpVsh) {
        Stream deltas;
        deltas.stride = 24;
        for (int i = 0; i < 4; ++i)
            deltas.data.insert(deltas.data.end(), {c.delta[0], c.delta[1], 0, 0, 0, 0});
        scene.streams.push_back(deltas);
    }
    WorldConstants(&scene.vertexConstants);
    Matrix(&scene.vertexConstants, CV_WORLD_VIEW_PROJ_0, Identity);
    scene.vertexConstants.push_back({CV_MORPH_WEIGHTS, {c.weights[0], c.weights[1], c.weights[2], c.weights[3]}});
    scene.vertexConstants.push_back({CV_FISH_COLOUR, {c.colour[0], c.colour[1], c.colour[2], c.colour[3]}});
    scene.textures[0] = skin.p;
    scene.blend = true;
    scene.clear = 0x00FFFFFF;
    Image image = Render(scene);
    ASSERT_FALSE(image.Empty());
    ExpectRect(image, c.rect, c.expected, 0xFFFFFF, std::string("FishDrawing_") + c.name);
}

INSTANTIATE_TEST_SUITE_P(Programs, FishDrawing, ::testing::ValuesIn(FishCases),
                         [](const ::testing::TestParamInfo<FishCase>& info) { return std::string(info.param.name); });

// it1rp: one stream through the matrix at c40 (half size, moved to the top
// right quarter), c19's colour at full alpha, times the skin's alpha.
TEST_F(ShaderDrawing, LowDetailFish)
{
    Released<IDirect3DTexture8> skin;
    ASSERT_TRUE(MakeTexture(Device(), 1, {0x8000FF00}, &skin.p));
    Scene scene;
    scene.vs = it1rpVsh;
    scene.declaration = FishLowDeclaration;
    scene.ps = ps2rpPsh;
    scene.streams = {FishQuad(-1, 1, 1, -1, true)};
    WorldConstants(&scene.vertexConstants);
    const float placed[4][4] = {{0.5f, 0, 0, 0}, {0, 0.5f, 0, 0}, {0, 0, 1, 0}, {0.5f, 0.5f, 0, 1}};
    Matrix(&scene.vertexConstants, CV_WORLD_VIEW_PROJ_0, placed);
    scene.vertexConstants.push_back({CV_FISH_COLOUR, {0.6f, 0.4f, 0.2f, 0.0f}});
    scene.textures[0] = skin.p;
    scene.clear = 0x00000000;
    Image image = Render(scene);
    ASSERT_FALSE(image.Empty());
    // (0.6, 0.4, 0.2) x 0.5, no blending.
    ExpectRect(image, {32, 0, 64, 32}, 0x4D3319, 0x000000, "ShaderDrawing_LowDetailFish");
}

// ---- clone billboards: vs8rp and ps8rp

struct BillboardCase {
    const char* name;
    float centre[3];
    float size;
    float view[4][4];
    float projection[4][4];
    Rect rect;
};

std::ostream& operator<<(std::ostream& out, const BillboardCase& c)
{
    return out << c.name;
}

const BillboardCase BillboardCases[] = {
    {"AtTheCentre", {0, 0, 0.5f}, 1, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
     {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, {16, 16, 48, 48}},
    // The view moves the centre to (0.125, 0.125), the projection doubles x
    // and y: a square of edge 0.5 from (0, 0) to (0.5, 0.5).
    {"ThroughViewAndProjection", {0, 0.25f, 0.5f}, 0.25f,
     {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0.125f, -0.125f, 0, 1}},
     {{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, {32, 16, 48, 32}},
};

class BillboardDrawing : public ShaderDrawing, public ::testing::WithParamInterface<BillboardCase> {};

// The picture upright (its top row at the top), tinted by the member's
// colour (1, 0.5, 0.25).
TEST_P(BillboardDrawing, ShowsTheTintedPictureUpright)
{
    const BillboardCase& c = GetParam();
    Released<IDirect3DTexture8> picture;
    ASSERT_TRUE(MakeTexture(Device(), 2, Quarters, &picture.p));
    Scene scene;
    scene.vs = vs8rpVsh;
    scene.declaration = BillboardDeclaration;
    scene.ps = ps8rpPsh;
    Stream s;
    s.stride = 36;
    const float corners[4][2] = {{0, 1}, {1, 1}, {0, 0}, {1, 0}};
    for (const auto& k : corners)
        s.data.insert(s.data.end(), {c.centre[0], c.centre[1], c.centre[2], 1, 0.5f, 0.25f, k[0], k[1], c.size});
    scene.streams = {s};
    WorldConstants(&scene.vertexConstants);
    Matrix(&scene.vertexConstants, CV_WORLD_VIEW_0, c.view);
    Matrix(&scene.vertexConstants, CV_PROJECTION_0, c.projection);
    scene.textures[0] = picture.p;
    scene.clear = 0x00203040;
    Image image = Render(scene);
    ASSERT_FALSE(image.Empty());
    ExpectQuarters(image, c.rect, {0xFF0000, 0x008000, 0x000040, 0x804020}, 0x203040,
                   std::string("BillboardDrawing_") + c.name);
}

INSTANTIATE_TEST_SUITE_P(Programs, BillboardDrawing, ::testing::ValuesIn(BillboardCases),
                         [](const ::testing::TestParamInfo<BillboardCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- screen-space quads: vs11 (with ps8, the texture as it is) and vs15

Stream ScreenQuad(float left, float top, float right, float bottom, bool twoLayers)
{
    Stream s;
    s.stride = twoLayers ? 28 : 20;
    // Layer 0 runs 0 to 1 over the quad, layer 1 only over its middle.
    const float corners[4][6] = {{left, top, 0, 0, 0.25f, 0.25f},
                                 {right, top, 1, 0, 0.75f, 0.25f},
                                 {left, bottom, 0, 1, 0.25f, 0.75f},
                                 {right, bottom, 1, 1, 0.75f, 0.75f}};
    for (const auto& c : corners) {
        s.data.insert(s.data.end(), {c[0], c[1], 0.5f, c[2], c[3]});
        if (twoLayers)
            s.data.insert(s.data.end(), {c[4], c[5]});
    }
    return s;
}

struct QuadCase {
    const char* name;
    float scale[4]; // c34
    uint32_t quarters[4];
};

std::ostream& operator<<(std::ostream& out, const QuadCase& c)
{
    return out << c.name;
}

const QuadCase QuadCases[] = {
    {"Unscaled", {1, 1, 1, 1}, {0xFF0000, 0x00FF00, 0x0000FF, 0x808080}},
    // u to 0.5 only: the left column of the texture, stretched.
    {"HalfWidth", {0.5f, 1, 1, 1}, {0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF}},
    {"HalfHeight", {1, 0.5f, 1, 1}, {0xFF0000, 0x00FF00, 0xFF0000, 0x00FF00}},
};

class ScreenQuadDrawing : public ShaderDrawing, public ::testing::WithParamInterface<QuadCase> {};

// The quad stays where its vertices put it; c34 scales its coordinates.
TEST_P(ScreenQuadDrawing, ScalesTheTextureCoordinates)
{
    const QuadCase& c = GetParam();
    Released<IDirect3DTexture8> texture;
    ASSERT_TRUE(MakeTexture(Device(), 2, Quarters, &texture.p));
    Scene scene;
    scene.vs = vs11Vsh;
    scene.declaration = ScreenQuadDeclaration;
    scene.ps = ps8Psh;
    scene.streams = {ScreenQuad(-0.5f, 0.75f, 0.75f, -0.5f, false)};
    WorldConstants(&scene.vertexConstants);
    scene.vertexConstants.push_back({CV_TEXCOORD_SCALE, {c.scale[0], c.scale[1], c.scale[2], c.scale[3]}});
    scene.textures[0] = texture.p;
    scene.clear = 0x00102030;
    Image image = Render(scene);
    ASSERT_FALSE(image.Empty());
    ExpectQuarters(image, FromClip(-0.5f, 0.75f, 0.75f, -0.5f), c.quarters, 0x102030,
                   std::string("ScreenQuadDrawing_") + c.name);
}

INSTANTIATE_TEST_SUITE_P(Programs, ScreenQuadDrawing, ::testing::ValuesIn(QuadCases),
                         [](const ::testing::TestParamInfo<QuadCase>& info) { return std::string(info.param.name); });

// vs15 turns both layers' v over: layer 0 (the whole texture) shows the
// ringed texture upside down; layer 1 (its middle) the inner four upside down.
TEST_F(ShaderDrawing, BackgroundFlipsBothLayers)
{
    Released<IDirect3DTexture8> texture;
    ASSERT_TRUE(MakeTexture(Device(), 4, Ringed, &texture.p));
    for (DWORD layer : {0u, 1u}) {
        Scene scene;
        scene.vs = vs15Vsh;
        scene.declaration = BackgroundDeclaration;
        scene.streams = {ScreenQuad(-1, 1, 1, -1, true)};
        WorldConstants(&scene.vertexConstants);
        scene.textures[layer] = texture.p;
        scene.stageArgument = D3DTA_TEXTURE;
        scene.shownStage = layer;
        Image image = Render(scene);
        ASSERT_FALSE(image.Empty());
        std::string name = "ShaderDrawing_Background_Layer" + std::to_string(layer);
        if (layer == 1) {
            ExpectQuarters(image, {0, 0, 64, 64}, {0x0000FF, 0x808080, 0xFF0000, 0x00FF00}, 0, name);
        } else {
            // The inner four fill the middle half, the ring the rest.
            for (int x : {20, 28, 36, 44})
                for (int y : {4, 59}) {
                    EXPECT_TRUE(Near(image, x, y, 0x000000)) << name;
                    EXPECT_TRUE(Near(image, y, x, 0x000000)) << name;
                }
            EXPECT_TRUE(Near(image, 20, 20, 0x0000FF)) << name;
            EXPECT_TRUE(Near(image, 44, 20, 0x808080)) << name;
            EXPECT_TRUE(Near(image, 20, 44, 0xFF0000)) << name;
            EXPECT_TRUE(Near(image, 44, 44, 0x00FF00)) << name;
            image.SavePngIfFailed(name);
        }
    }
}

// ---- marks: vs12

struct MarkCase {
    const char* name;
    float spin;  // radians
    float scale; // c3.x
    DWORD layer; // texture coordinate set shown
    Rect rect;
    uint32_t quarters[4];
};

std::ostream& operator<<(std::ostream& out, const MarkCase& c)
{
    return out << c.name;
}

// The mark's centre (0.25, 0, 1) is moved by the view to (0.25, 0, 0.5);
// the projection halves nothing. Set 0 shows the shape over the whole
// sprite, upright; set 1 the middle half of the gradient, turned with it.
const float QuarterTurn = 1.5707964f;
const MarkCase MarkCases[] = {
    {"ShapeUpright", 0, 0.5f, 0, FromClip(0, 0.25f, 0.5f, -0.25f), {}},
    {"GradientMiddle", 0, 1, 1, FromClip(-0.25f, 0.5f, 0.75f, -0.5f), {0xFF0000, 0x00FF00, 0x0000FF, 0x808080}},
    // The gradient follows the turned offsets, which are the screen's: it
    // stays as it was while the shape (set 0) turns a quarter clockwise.
    {"GradientTurned", QuarterTurn, 1, 1, FromClip(-0.25f, 0.5f, 0.75f, -0.5f),
     {0xFF0000, 0x00FF00, 0x0000FF, 0x808080}},
    {"ShapeTurned", QuarterTurn, 1, 0, FromClip(-0.25f, 0.5f, 0.75f, -0.5f), {}},
};

class MarkDrawing : public ShaderDrawing, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(MarkDrawing, TurnsAndScalesTheSprite)
{
    const MarkCase& c = GetParam();
    Released<IDirect3DTexture8> texture;
    ASSERT_TRUE(MakeTexture(Device(), 4, Ringed, &texture.p));
    Scene scene;
    scene.vs = vs12Vsh;
    scene.declaration = MarkDeclaration;
    Stream s;
    s.stride = 8;
    s.data = {0, 1, 1, 1, 0, 0, 1, 0};
    scene.streams = {s};
    WorldConstants(&scene.vertexConstants);
    scene.vertexConstants.push_back({CV_SCALE, {c.scale, 0.5f, 1, 1}});
    scene.vertexConstants.push_back({CV_MARK_CENTRE, {0.25f, 0, 1, 1}});
    const float view[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, -0.5f, 1}};
    Matrix(&scene.vertexConstants, CV_WORLD_VIEW_0, view);
    Matrix(&scene.vertexConstants, CV_PROJECTION_0, Identity);
    float cs = std::cos(c.spin);
    float sn = std::sin(c.spin);
    const float spin[4][4] = {{cs, sn, 0, 0}, {-sn, cs, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    Matrix(&scene.vertexConstants, CV_SPIN_ROWS_0, spin, false);
    scene.textures[c.layer] = texture.p;
    scene.stageArgument = D3DTA_TEXTURE;
    scene.shownStage = c.layer;
    scene.clear = 0x00405060;
    Image image = Render(scene);
    ASSERT_FALSE(image.Empty());
    std::string name = std::string("MarkDrawing_") + c.name;
    if (c.layer == 1) {
        ExpectQuarters(image, c.rect, c.quarters, 0x405060, name);
        return;
    }
    // Set 0: the ring at the sprite's edges, the inner four in its middle
    // half, upright (unturned) or turned.
    const Rect& r = c.rect;
    int w = r.x1 - r.x0;
    auto at = [&](float fx, float fy) { return std::pair<int, int>(r.x0 + int(fx * w), r.y0 + int(fy * w)); };
    const uint32_t upright[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
    const uint32_t turned[4] = {0x0000FF, 0xFF0000, 0x808080, 0x00FF00};
    const uint32_t* inner = c.spin == 0 ? upright : turned;
    const float spots[4][2] = {{0.375f, 0.375f}, {0.625f, 0.375f}, {0.375f, 0.625f}, {0.625f, 0.625f}};
    for (int i = 0; i < 4; ++i) {
        auto p = at(spots[i][0], spots[i][1]);
        EXPECT_TRUE(Near(image, p.first, p.second, inner[i])) << name << " inner " << i;
    }
    for (float f : {0.1f, 0.5f, 0.9f}) {
        for (auto p : {at(f, 0.05f), at(f, 0.94f), at(0.05f, f), at(0.94f, f)})
            EXPECT_TRUE(Near(image, p.first, p.second, 0x000000)) << name << " ring";
    }
    EXPECT_TRUE(Near(image, r.x0 - 2, (r.y0 + r.y1) / 2, 0x405060)) << name;
    EXPECT_TRUE(Near(image, r.x1 + 1, (r.y0 + r.y1) / 2, 0x405060)) << name;
    image.SavePngIfFailed(name);
}

INSTANTIATE_TEST_SUITE_P(Programs, MarkDrawing, ::testing::ValuesIn(MarkCases),
                         [](const ::testing::TestParamInfo<MarkCase>& info) { return std::string(info.param.name); });

// ---- logo: it1 lit by the sun, ambient and the point lights; vs9 and ps9
// reflecting a cube map.

Stream LogoQuad(float left, float top, float right, float bottom, float z)
{
    Stream s;
    s.stride = 32;
    const float corners[4][4] = {{left, top, 0, 0}, {right, top, 1, 0}, {left, bottom, 0, 1}, {right, bottom, 1, 1}};
    for (const auto& c : corners)
        s.data.insert(s.data.end(), {c[0], c[1], z, 0, 0, -1, c[2], c[3]});
    return s;
}

struct LitCase {
    const char* name;
    std::vector<Constant> lights; // registers 4 to 9
    uint32_t expected;            // at the centre
};

std::ostream& operator<<(std::ostream& out, const LitCase& c)
{
    return out << c.name;
}

// The quad faces -z at world z 0.5; the sun (0.2) shines straight at it, the
// ambient light is 0.1. Light 0 at (0, 0, -1.5), 2 away: half its colour;
// light 1 behind the quad: nothing; light 2 at (0, 0, 0), 0.5 away: all of
// it (the falloff stops at 1).
const LitCase LitCases[] = {
    {"NearLight",
     {{4, {0, 0, 5, 1}}, {5, {0, 0, 0, 0}}, {6, {0, 0, 5, 1}}, {7, {0, 0, 0, 0}}, {8, {0, 0, 0, 1}},
      {9, {0, 0, 0.25f, 1}}},
     0x4D4D8C},
    {"FarLight",
     {{4, {0, 0, -1.5f, 1}}, {5, {0.4f, 0, 0, 1}}, {6, {0, 0, 5, 1}}, {7, {0, 0, 0, 0}}, {8, {0, 0, 5, 1}},
      {9, {0, 0, 0, 0}}},
     0x804D4D},
    {"LightBehind",
     {{4, {0, 0, 5, 1}}, {5, {0, 0, 0, 0}}, {6, {0, 0, 5, 1}}, {7, {1, 1, 1, 1}}, {8, {0, 0, 5, 1}},
      {9, {0, 0, 0, 0}}},
     0x4D4D4D},
    {"SunAndAmbient",
     {{4, {0, 0, 5, 1}}, {5, {0, 0, 0, 0}}, {6, {0, 0, 5, 1}}, {7, {0, 0, 0, 0}}, {8, {0, 0, 5, 1}}, {9, {0, 0, 0, 0}}},
     0x4D4D4D},
    {"PointLights",
     {{4, {0, 0, -1.5f, 1}}, {5, {0.4f, 0, 0, 1}}, {6, {0, 0, 5, 1}}, {7, {1, 1, 1, 1}}, {8, {0, 0, 0, 1}},
      {9, {0, 0, 0.25f, 1}}},
     0x804D8C},
};

class LitLogo : public ShaderDrawing, public ::testing::WithParamInterface<LitCase> {};

TEST_P(LitLogo, AddsTheLights)
{
    const LitCase& c = GetParam();
    Scene scene;
    scene.vs = it1Vsh;
    scene.declaration = LogoDeclaration;
    scene.streams = {LogoQuad(-1, 1, 1, -1, 0.5f)};
    WorldConstants(&scene.vertexConstants);
    Matrix(&scene.vertexConstants, CV_WORLD_VIEW_PROJ_0, Identity);
    // The world matrix flattens x and y: every vertex is lit at (0, 0, 0.5),
    // so the colour is the same over the whole quad.
    const float flat[4][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    Matrix(&scene.vertexConstants, CV_WORLD_0, flat);
    scene.vertexConstants.push_back({CV_SUN_DIRECTION, {0, 0, -1, 1}});
    scene.vertexConstants.push_back({CV_DIFFUSE, {0.2f, 0.2f, 0.2f, 1}});
    scene.vertexConstants.push_back({CV_AMBIENT, {0.1f, 0.1f, 0.1f, 1}});
    scene.vertexConstants.insert(scene.vertexConstants.end(), c.lights.begin(), c.lights.end());
    Image image = Render(scene);
    ASSERT_FALSE(image.Empty());
    for (int p : {2, 32, 61})
        for (int q : {2, 32, 61})
            EXPECT_TRUE(Near(image, p, q, c.expected));
    image.SavePngIfFailed(std::string("LitLogo_") + c.name);
}

INSTANTIATE_TEST_SUITE_P(Programs, LitLogo, ::testing::ValuesIn(LitCases),
                         [](const ::testing::TestParamInfo<LitCase>& info) { return std::string(info.param.name); });

// it1's fog runs from depth 1 (none) to depth 50 (all): at depth 30 the
// picture is (50 - 30) / 49 of the lit colour over the fog colour.
TEST_F(ShaderDrawing, LitLogoFogsWithDepth)
{
    Scene scene;
    scene.vs = it1Vsh;
    scene.declaration = LogoDeclaration;
    scene.streams = {LogoQuad(-1, 1, 1, -1, 0.5f)};
    WorldConstants(&scene.vertexConstants);
    // Output (60x, 60y, 30, 60): the same place on the screen, depth 30.
    const float deep[4][4] = {{60, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 0, 120}, {0, 0, 30, 0}};
    Matrix(&scene.vertexConstants, CV_WORLD_VIEW_PROJ_0, deep);
    Matrix(&scene.vertexConstants, CV_WORLD_0, Identity);
    scene.vertexConstants.push_back({CV_SUN_DIRECTION, {0, 0, -1, 1}});
    scene.vertexConstants.push_back({CV_DIFFUSE, {0.5f, 0.5f, 0.5f, 1}});
    scene.vertexConstants.push_back({CV_AMBIENT, {0.5f, 0.5f, 0.5f, 1}});
    for (UINT i = CV_LIGHT0_POSITION; i <= CV_LIGHT2_COLOUR; i += 2) {
        scene.vertexConstants.push_back({i, {0, 0, 5, 1}});
        scene.vertexConstants.push_back({i + 1, {0, 0, 0, 0}});
    }
    scene.fog = true;
    scene.fogColour = 0x00000000;
    Image image = Render(scene);
    ASSERT_FALSE(image.Empty());
    // 20 / 49 of white.
    EXPECT_TRUE(Near(image, 32, 32, 0x686868));
    EXPECT_TRUE(Near(image, 8, 56, 0x686868));
    image.SavePngIfFailed("ShaderDrawing_LitLogoFog");
}

// vs9 and ps9: the eye looks at the quad along +z and sees the cube map
// reflected about the normal map's normal carried by the tangent frame. The
// flat normal keeps -z; tilted toward tangent +x (T = -(N x U) s, world -x
// here) or +y (B, world +y) by a tenth, the frame's scale of 10 tilts it by
// 45 degrees, and the reflection turns to that face.
struct LogoCase {
    const char* name;
    uint32_t normal; // the normal map's texel
    bool blend;
    uint32_t expected;
};

std::ostream& operator<<(std::ostream& out, const LogoCase& c)
{
    return out << c.name;
}

// Cube faces +x red, -x green, +y blue, -y yellow, +z cyan, -z magenta.
const LogoCase LogoCases[] = {
    {"Flat", 0x007F7FFF, false, 0xFF00FF},
    // The cube's colour at half alpha, over white.
    {"FlatBlended", 0x007F7FFF, true, 0xFF80FF},
    {"TiltedAlongTangent", 0x008C7FFE, false, 0x00FF00},
    {"TiltedAlongBinormal", 0x007F8CFE, false, 0x0000FF},
};

class LogoReflection : public ShaderDrawing, public ::testing::WithParamInterface<LogoCase> {};

TEST_P(LogoReflection, ShowsTheReflectedFace)
{
    const LogoCase& c = GetParam();
    IDirect3DDevice8* d = Device();
    Released<IDirect3DTexture8> normals;
    ASSERT_TRUE(MakeTexture(d, 1, {c.normal}, &normals.p));
    Released<IDirect3DCubeTexture8> cube;
    ASSERT_EQ(S_OK, d->CreateCubeTexture(2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube.p));
    const uint32_t faces[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    for (int f = 0; f < 6; ++f) {
        D3DLOCKED_RECT locked;
        ASSERT_EQ(S_OK, cube.p->LockRect(D3DCUBEMAP_FACES(f), 0, &locked, nullptr, 0));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] = faces[f];
        cube.p->UnlockRect(D3DCUBEMAP_FACES(f), 0);
    }
    Scene scene;
    scene.vs = vs9Vsh;
    scene.declaration = LogoDeclaration;
    scene.ps = ps9Psh;
    scene.streams = {LogoQuad(-0.5f, 0.5f, 0.5f, -0.5f, 0.5f)};
    WorldConstants(&scene.vertexConstants);
    Matrix(&scene.vertexConstants, CV_WORLD_VIEW_PROJ_0, Identity);
    Matrix(&scene.vertexConstants, CV_WORLD_ROWS_0, Identity, false);
    Matrix(&scene.vertexConstants, CV_WORLD_0, Identity);
    scene.vertexConstants.push_back({CV_LOGO, {0, 0, 0, 10}});
    scene.vertexConstants.push_back({CV_GREEN, {0, 1, 0, 1}});
    scene.vertexConstants.push_back({CV_EYE, {0, 0, -9.5f, 1}});
    scene.textures[0] = normals.p;
    scene.textures[3] = cube.p;
    scene.blend = c.blend;
    scene.clear = c.blend ? 0x00FFFFFF : 0x00000000;
    Image image = Render(scene);
    ASSERT_FALSE(image.Empty());
    ExpectRect(image, {16, 16, 48, 48}, c.expected, c.blend ? 0xFFFFFF : 0x000000,
               std::string("LogoReflection_") + c.name);
}

INSTANTIATE_TEST_SUITE_P(Programs, LogoReflection, ::testing::ValuesIn(LogoCases),
                         [](const ::testing::TestParamInfo<LogoCase>& info) { return std::string(info.param.name); });

} // namespace
