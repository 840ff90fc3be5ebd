// The shader and state-block servers on Wine's device, directly and through
// the proxy d3d8.dll for exact call sequences and refused creations.

#include "ServersTestSupport.h"
#include "TestShaders.h"
#include "servers/SBServer.h"
#include "servers/ShaderSet.h"
#include "servers/StateTokens.h"
#include "servers/VSServer.h"

#include <memory>

using namespace servertest;

namespace {

// Stream 0: one FLOAT3 position in v0.
const DWORD Declaration[] = {0x20000000, 0x40020000, 0xFFFFFFFF};
const DWORD OtherDeclaration[] = {0x20000000, 0x40020000, 0xFFFFFFFF};

std::vector<DWORD> TransformCopy()
{
    return std::vector<DWORD>(TransformVsh, TransformVsh + TransformVshCount);
}

} // namespace

TEST(VSServer, SharesOneShaderPerStreamAndDeletesThemAtInvalidate)
{
    ProxyDevice proxy("");
    ASSERT_TRUE(proxy.Device());
    ServerApp app(proxy.Device());
    ASSERT_GE(app.caps.PixelShaderVersion, PixelShaderVersion10) << "Wine's device runs ps.1.x";
    std::vector<DWORD> copy = TransformCopy();

    VSServer vs;
    EXPECT_EQ(0, vs.count);
    EXPECT_EQ(NoShaderRemembered, vs.currentVS);
    EXPECT_EQ(NoShaderRemembered, vs.currentPS);

    const size_t mark = proxy.Mark();
    HRESULT hr = E_FAIL;
    const DWORD v = vs.CreateShader(Declaration, TransformVsh, &hr);
    EXPECT_EQ(0, hr);
    EXPECT_NE(0u, v);
    const DWORD p = vs.CreateShader(nullptr, TintPsh, &hr);
    EXPECT_EQ(0, hr);
    EXPECT_NE(0u, p);
    // The stream is the key: a second object, even with another declaration
    // array, gets the same shader without a device call.
    EXPECT_EQ(v, vs.CreateShader(OtherDeclaration, TransformVsh));
    EXPECT_EQ(p, vs.CreateShader(nullptr, TintPsh));
    // The same tokens at another address are another stream.
    const DWORD w = vs.CreateShader(Declaration, copy.data());
    EXPECT_NE(0u, w);
    EXPECT_NE(v, w);
    ASSERT_EQ(3, vs.count);
    EXPECT_EQ((std::vector<int>{0, 1, 0}), std::vector<int>(vs.isPixel, vs.isPixel + 3));
    EXPECT_EQ(TransformVsh, vs.keys[0]);
    EXPECT_EQ(TintPsh, vs.keys[1]);

    EXPECT_EQ((std::vector<std::string>{"CreateVertexShader usage=0x0 -> 0x0", "CreatePixelShader -> 0x0",
                                        "CreateVertexShader usage=0x0 -> 0x0"}),
              proxy.ServerCalls(mark));

    const size_t before = proxy.Mark();
    EXPECT_EQ(0, vs.InvalidateDeviceObjects());
    EXPECT_EQ(0, vs.count);
    EXPECT_EQ((std::vector<std::string>{"DeleteVertexShader handle=" + Hex(v) + " -> 0x0",
                                        "DeletePixelShader handle=" + Hex(p) + " -> 0x0",
                                        "DeleteVertexShader handle=" + Hex(w) + " -> 0x0"}),
              proxy.ServerCalls(before));

    // A known stream is created anew after the invalidate.
    const size_t after = proxy.Mark();
    EXPECT_NE(0u, vs.CreateShader(Declaration, TransformVsh));
    EXPECT_EQ(1u, proxy.Calls("CreateVertexShader", after).size());
    vs.InvalidateDeviceObjects();
    EXPECT_EQ(0u, proxy.ReleaseDevice()) << "every shader deleted";
}

TEST(VSServer, RefusedShaderIsTracedReportedAndCachedWithItsResult)
{
    ProxyDevice proxy("vs_create_fail");
    ASSERT_TRUE(proxy.Device());
    ServerApp app(proxy.Device());
    VSServer vs;
    DebugOutputCapture capture;

    for (const DWORD* declaration : {Declaration, static_cast<const DWORD*>(nullptr)}) {
        const DWORD* function = declaration ? TransformVsh : TintPsh;
        SCOPED_TRACE(declaration ? "vertex" : "pixel");
        capture.Clear();
        const size_t mark = proxy.Mark();
        HRESULT hr = 0;
        EXPECT_EQ(0u, vs.CreateShader(declaration, function, &hr));
        EXPECT_EQ(D3DERR_INVALIDCALL, hr);
        ASSERT_EQ(1u, Traces(capture).size());
        EXPECT_EQ("8876086C", TracedResult(Traces(capture)[0]));
        EXPECT_NE(std::string::npos, Traces(capture)[0].find("VSServer.cpp"));

        // Later callers for the stream get the same failure, without a device call.
        hr = 0;
        EXPECT_EQ(0u, vs.CreateShader(declaration, function, &hr));
        EXPECT_EQ(D3DERR_INVALIDCALL, hr);
        EXPECT_EQ(0u, vs.CreateShader(declaration, function));
        EXPECT_EQ(1u, proxy.ServerCalls(mark).size());
    }
    EXPECT_EQ(2, vs.count);

    // Nothing to delete for handle 0.
    const size_t mark = proxy.Mark();
    EXPECT_EQ(0, vs.InvalidateDeviceObjects());
    EXPECT_TRUE(proxy.ServerCalls(mark).empty());
    EXPECT_EQ(0, vs.count);
}

TEST(VSServer, PixelShaderOnDeviceWithoutPixelShaders)
{
    ProxyDevice proxy("no_vs");
    ASSERT_TRUE(proxy.Device());
    ServerApp app(proxy.Device());
    ASSERT_EQ(0u, app.caps.PixelShaderVersion);
    VSServer vs;

    const size_t mark = proxy.Mark();
    HRESULT hr = E_FAIL;
    EXPECT_EQ(NoPixelShaderHandle, vs.CreateShader(nullptr, TintPsh, &hr));
    EXPECT_EQ(0, hr);
    EXPECT_EQ(0, vs.count);
    // Version 0xFFFF00FF is still below ps.1.0 as unsigned; 0xFFFF0100 is not.
    app.caps.PixelShaderVersion = 0xFFFF00FF;
    EXPECT_EQ(NoPixelShaderHandle, vs.CreateShader(nullptr, TintPsh));
    EXPECT_TRUE(proxy.ServerCalls(mark).empty());

    vs.SetShaders(D3DFVF_XYZ, NoPixelShaderHandle, 0);
    vs.SetShaders(D3DFVF_XYZ, NoPixelShaderHandle, 0);
    EXPECT_EQ((std::vector<std::string>{"SetVertexShader handle=0x2 -> 0x0", "SetPixelShader handle=0x0 -> 0x0"}),
              proxy.ServerCalls(mark));
    EXPECT_EQ(0u, vs.currentPS);
}

TEST(VSServer, SetShadersFiltersRepeatsUntilResetCurrent)
{
    ProxyDevice proxy("");
    ASSERT_TRUE(proxy.Device());
    ServerApp app(proxy.Device());
    VSServer vs;
    const DWORD v = vs.CreateShader(Declaration, TransformVsh);
    const DWORD p = vs.CreateShader(nullptr, TintPsh);
    ASSERT_NE(0u, v);
    ASSERT_NE(0u, p);
    const std::string setV = "SetVertexShader handle=" + Hex(v) + " -> 0x0";
    const std::string setP = "SetPixelShader handle=" + Hex(p) + " -> 0x0";
    const std::string setXyz = "SetVertexShader handle=0x2 -> 0x0";
    const std::string setNoPs = "SetPixelShader handle=0x0 -> 0x0";

    struct Step {
        DWORD vs, ps;
        bool reset;
        std::vector<std::string> calls;
    };
    const Step steps[] = {
        {v, p, false, {setV, setP}},
        {v, p, false, {}},
        {v, p, true, {setV, setP}},
        {D3DFVF_XYZ, 0, false, {setXyz, setNoPs}},
        {D3DFVF_XYZ, p, false, {setP}},
        {v, p, false, {setV}},
        {v, NoPixelShaderHandle, false, {setNoPs}},
        {v, 0, false, {}},
    };
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        SCOPED_TRACE(i);
        if (steps[i].reset)
            vs.ResetCurrent();
        const size_t mark = proxy.Mark();
        vs.SetShaders(steps[i].vs, steps[i].ps, 0);
        EXPECT_EQ(steps[i].calls, proxy.ServerCalls(mark));
        EXPECT_EQ(steps[i].vs, vs.currentVS);
        EXPECT_EQ(steps[i].ps == NoPixelShaderHandle ? 0u : steps[i].ps, vs.currentPS);
    }
    vs.InvalidateDeviceObjects();
    // The remembered bindings outlive the invalidate.
    EXPECT_EQ(v, vs.currentVS);
}

TEST(VSServer, ThirtyThirdShaderIsRefused)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    ServerApp app(device.Device());
    VSServer vs;
    std::vector<std::vector<DWORD>> streams(VSServerCapacity + 1, TransformCopy());
    DebugOutputCapture capture;
    for (int i = 0; i < VSServerCapacity; ++i) {
        HRESULT hr = E_FAIL;
        EXPECT_NE(0u, vs.CreateShader(Declaration, streams[size_t(i)].data(), &hr)) << i;
        EXPECT_EQ(0, hr) << i;
    }
    EXPECT_TRUE(Traces(capture).empty());
    HRESULT hr = 0;
    EXPECT_EQ(0u, vs.CreateShader(Declaration, streams.back().data(), &hr));
    EXPECT_EQ(E_OUTOFMEMORY, hr);
    EXPECT_EQ(VSServerCapacity, vs.count);
    ASSERT_EQ(1u, Traces(capture).size());
    EXPECT_EQ("8007000E", TracedResult(Traces(capture)[0]));
    // A stream already cached is still found when full.
    EXPECT_EQ(vs.handles[5], vs.CreateShader(Declaration, streams[5].data()));
    vs.InvalidateDeviceObjects();
}

TEST(ShaderSet, HoldsTenEntries)
{
    static const ShaderSet set = {{Declaration, nullptr}, {TransformVsh, TintPsh}, 2};
    EXPECT_EQ(10u, sizeof set.declarations / sizeof set.declarations[0]);
    EXPECT_EQ(10u, sizeof set.functions / sizeof set.functions[0]);
    EXPECT_EQ(nullptr, set.declarations[1]);
    EXPECT_EQ(nullptr, set.functions[2]);
}

// ---------------------------------------------------------------------------
// State blocks

namespace {

struct State {
    bool stage; // texture-stage state, else render state
    DWORD index; // stage, or unused
    DWORD type;
    DWORD value;
    bool afterStop; // recorded only on a device without pixel shaders
};

const DWORD RenderStates[] = {D3DRS_ZENABLE, D3DRS_CULLMODE, D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND,
                              D3DRS_TEXTUREFACTOR};
const DWORD StageStates[] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2,
                             D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2};
const DWORD RenderBaseline[] = {D3DZB_FALSE, D3DCULL_NONE, FALSE, D3DBLEND_ONE, 0};
const DWORD StageBaseline[] = {D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE,
                               D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_DIFFUSE};

void SetBaseline(IDirect3DDevice8* device)
{
    for (size_t i = 0; i < 5; ++i)
        device->SetRenderState(D3DRENDERSTATETYPE(RenderStates[i]), RenderBaseline[i]);
    for (DWORD stage = 0; stage < 2; ++stage)
        for (size_t i = 0; i < 6; ++i)
            device->SetTextureStageState(stage, D3DTEXTURESTAGESTATETYPE(StageStates[i]), StageBaseline[i]);
}

// Every watched state: the table's value where it records one, else the baseline.
void ExpectStates(IDirect3DDevice8* device, const std::vector<State>& recorded, bool pixelShaders)
{
    auto expected = [&](bool stage, DWORD index, DWORD type, DWORD baseline) {
        DWORD value = baseline;
        for (const State& s : recorded)
            if (s.stage == stage && (!stage || s.index == index) && s.type == type && !(s.afterStop && pixelShaders))
                value = s.value;
        return value;
    };
    for (size_t i = 0; i < 5; ++i) {
        DWORD value = 0xDEAD;
        device->GetRenderState(D3DRENDERSTATETYPE(RenderStates[i]), &value);
        EXPECT_EQ(expected(false, 0, RenderStates[i], RenderBaseline[i]), value) << "render state " << RenderStates[i];
    }
    for (DWORD stage = 0; stage < 2; ++stage)
        for (size_t i = 0; i < 6; ++i) {
            DWORD value = 0xDEAD;
            device->GetTextureStageState(stage, D3DTEXTURESTAGESTATETYPE(StageStates[i]), &value);
            EXPECT_EQ(expected(true, stage, StageStates[i], StageBaseline[i]), value)
                << "stage " << stage << " state " << StageStates[i];
        }
}

const DWORD End = StateTokenEnd;
const DWORD Stop = StateTokenPixelShaderStop;
const DWORD Colour = StateTokenColourStage;
const DWORD Alpha = StateTokenAlphaStage;

struct TokenCase {
    const char* name;
    std::vector<DWORD> tokens;
    std::vector<State> recorded;
};

// A render-state pair after each record shows where the record ended.
const TokenCase TokenCases[] = {
    {"empty", {End}, {}},
    {"colour n=1",
     {Colour, 1, 0, D3DTOP_MODULATE, D3DRS_CULLMODE, D3DCULL_CCW, End},
     {{true, 0, D3DTSS_COLOROP, D3DTOP_MODULATE, false}, {false, 0, D3DRS_CULLMODE, D3DCULL_CCW, false}}},
    {"colour n=2",
     {Colour, 2, 1, D3DTOP_ADD, D3DTA_TEXTURE, D3DRS_CULLMODE, D3DCULL_CW, End},
     {{true, 1, D3DTSS_COLOROP, D3DTOP_ADD, false},
      {true, 1, D3DTSS_COLORARG1, D3DTA_TEXTURE, false},
      {false, 0, D3DRS_CULLMODE, D3DCULL_CW, false}}},
    {"colour n=3",
     {Colour, 3, 0, D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_CURRENT, D3DRS_ALPHABLENDENABLE, TRUE, End},
     {{true, 0, D3DTSS_COLOROP, D3DTOP_MODULATE2X, false},
      {true, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE, false},
      {true, 0, D3DTSS_COLORARG2, D3DTA_CURRENT, false},
      {false, 0, D3DRS_ALPHABLENDENABLE, TRUE, false}}},
    {"alpha n=1",
     {Alpha, 1, 1, D3DTOP_DISABLE, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA, End},
     {{true, 1, D3DTSS_ALPHAOP, D3DTOP_DISABLE, false}, {false, 0, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA, false}}},
    {"alpha n=2",
     {Alpha, 2, 0, D3DTOP_SELECTARG2, D3DTA_TFACTOR, D3DRS_ZENABLE, D3DZB_TRUE, End},
     {{true, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2, false},
      {true, 0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR, false},
      {false, 0, D3DRS_ZENABLE, D3DZB_TRUE, false}}},
    {"alpha n=3",
     {Alpha, 3, 1, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_SPECULAR, D3DRS_CULLMODE, D3DCULL_CCW, End},
     {{true, 1, D3DTSS_ALPHAOP, D3DTOP_ADD, false},
      {true, 1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE, false},
      {true, 1, D3DTSS_ALPHAARG2, D3DTA_SPECULAR, false},
      {false, 0, D3DRS_CULLMODE, D3DCULL_CCW, false}}},
    {"stop marker first",
     {Stop, Colour, 3, 0, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_CURRENT, D3DRS_CULLMODE, D3DCULL_CW, End},
     {{true, 0, D3DTSS_COLOROP, D3DTOP_ADD, true},
      {true, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE, true},
      {true, 0, D3DTSS_COLORARG2, D3DTA_CURRENT, true},
      {false, 0, D3DRS_CULLMODE, D3DCULL_CW, true}}},
    {"render states, stop, stage records",
     {D3DRS_ALPHABLENDENABLE, TRUE, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA, Stop, Colour, 2, 1, D3DTOP_MODULATE,
      D3DTA_TEXTURE, Alpha, 1, 1, D3DTOP_SELECTARG2, End, D3DRS_CULLMODE, D3DCULL_CW},
     {{false, 0, D3DRS_ALPHABLENDENABLE, TRUE, false},
      {false, 0, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA, false},
      {true, 1, D3DTSS_COLOROP, D3DTOP_MODULATE, true},
      {true, 1, D3DTSS_COLORARG1, D3DTA_TEXTURE, true},
      {true, 1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2, true}}},
    // A value equal to the end token inside a pair is a value, not the end.
    {"end value inside a pair",
     {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF, D3DRS_CULLMODE, D3DCULL_CW, End},
     {{false, 0, D3DRS_TEXTUREFACTOR, 0xFFFFFFFF, false}, {false, 0, D3DRS_CULLMODE, D3DCULL_CW, false}}},
};

void RunTokenTables(IDirect3DDevice8* device, bool pixelShaders)
{
    SBServer sb;
    for (const TokenCase& c : TokenCases) {
        SCOPED_TRACE(c.name);
        SetBaseline(device);
        const DWORD handle = sb.CreateStateBlock(c.tokens.data());
        ASSERT_NE(NoStateBlock, handle);
        // Recording leaves the device's states alone.
        ExpectStates(device, {}, pixelShaders);
        sb.SetSB(handle);
        EXPECT_EQ(handle, sb.current);
        ExpectStates(device, c.recorded, pixelShaders);
    }
    EXPECT_EQ(int(sizeof TokenCases / sizeof TokenCases[0]), sb.count);
    sb.InvalidateDeviceObjects();
}

} // namespace

TEST(StateTokens, TablesOnDeviceWithPixelShaders)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    ServerApp app(device.Device());
    ASSERT_GE(app.caps.PixelShaderVersion, PixelShaderVersion10);
    RunTokenTables(device.Device(), true);
}

TEST(StateTokens, TablesOnDeviceWithoutPixelShaders)
{
    ProxyDevice proxy("no_vs");
    ASSERT_TRUE(proxy.Device());
    ServerApp app(proxy.Device());
    ASSERT_EQ(0u, app.caps.PixelShaderVersion);
    RunTokenTables(proxy.Device(), false);
    EXPECT_EQ(0u, proxy.ReleaseDevice()) << "every state block deleted";
}

TEST(SBServer, SharesOneBlockPerTableAndAppliesAtEveryCall)
{
    ProxyDevice proxy("");
    ASSERT_TRUE(proxy.Device());
    ServerApp app(proxy.Device());
    static const DWORD table[] = {D3DRS_CULLMODE, D3DCULL_CW, End};
    static const DWORD other[] = {D3DRS_CULLMODE, D3DCULL_CW, End};
    SBServer sb;
    EXPECT_EQ(NoStateBlock, sb.current);

    size_t mark = proxy.Mark();
    const DWORD a = sb.CreateStateBlock(table);
    EXPECT_EQ(a, sb.CreateStateBlock(table));
    const DWORD b = sb.CreateStateBlock(other);
    EXPECT_NE(a, b);
    EXPECT_EQ(2, sb.count);
    EXPECT_EQ((std::vector<std::string>{"BeginStateBlock -> 0x0", "EndStateBlock -> 0x0 token=" + Hex(a),
                                        "BeginStateBlock -> 0x0", "EndStateBlock -> 0x0 token=" + Hex(b)}),
              proxy.ServerCalls(mark));

    mark = proxy.Mark();
    sb.SetSB(a);
    sb.SetSB(a);
    sb.SetSB(NoStateBlock);
    EXPECT_EQ(a, sb.current);
    sb.ResetCurrent();
    EXPECT_EQ(NoStateBlock, sb.current);
    sb.SetSB(b);
    const std::string applyA = "ApplyStateBlock token=" + Hex(a) + " -> 0x0";
    EXPECT_EQ((std::vector<std::string>{applyA, applyA, "ApplyStateBlock token=" + Hex(b) + " -> 0x0"}),
              proxy.ServerCalls(mark));

    mark = proxy.Mark();
    EXPECT_EQ(0, sb.InvalidateDeviceObjects());
    EXPECT_EQ(0, sb.count);
    EXPECT_EQ(NoStateBlock, sb.handles[0]);
    EXPECT_EQ(nullptr, sb.keys[0]);
    EXPECT_EQ((std::vector<std::string>{"DeleteStateBlock token=" + Hex(a) + " -> 0x0",
                                        "DeleteStateBlock token=" + Hex(b) + " -> 0x0"}),
              proxy.ServerCalls(mark));

    // A known table is recorded anew.
    mark = proxy.Mark();
    EXPECT_NE(NoStateBlock, sb.CreateStateBlock(table));
    EXPECT_EQ(1u, proxy.Calls("BeginStateBlock", mark).size());
    sb.InvalidateDeviceObjects();
    EXPECT_EQ(0u, proxy.ReleaseDevice());
}

TEST(SBServer, FailedRecordingStoresNoStateBlock)
{
    ProxyDevice proxy("endsb_fail");
    ASSERT_TRUE(proxy.Device());
    ServerApp app(proxy.Device());
    static const DWORD table[] = {D3DRS_CULLMODE, D3DCULL_CW, End};
    SBServer sb;
    DebugOutputCapture capture;

    EXPECT_EQ(NoStateBlock, sb.CreateStateBlock(table));
    ASSERT_EQ(1, sb.count);
    EXPECT_EQ(NoStateBlock, sb.handles[0]);
    ASSERT_EQ(1u, Traces(capture).size());
    EXPECT_EQ("8876086C", TracedResult(Traces(capture)[0]));

    // The failure is remembered for the table; applying it applies nothing.
    const size_t mark = proxy.Mark();
    EXPECT_EQ(NoStateBlock, sb.CreateStateBlock(table));
    sb.SetSB(sb.CreateStateBlock(table));
    EXPECT_EQ(NoStateBlock, sb.current);
    sb.InvalidateDeviceObjects();
    EXPECT_TRUE(proxy.ServerCalls(mark).empty());
    EXPECT_EQ(0u, proxy.ReleaseDevice());
}

TEST(SBServer, HundredAndFirstTableIsRefused)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    ServerApp app(device.Device());
    std::vector<std::vector<DWORD>> tables(SBServerCapacity + 1, std::vector<DWORD>{D3DRS_CULLMODE, D3DCULL_CW, End});
    SBServer sb;
    DebugOutputCapture capture;
    for (int i = 0; i < SBServerCapacity; ++i)
        EXPECT_NE(NoStateBlock, sb.CreateStateBlock(tables[size_t(i)].data())) << i;
    EXPECT_TRUE(Traces(capture).empty());
    EXPECT_EQ(NoStateBlock, sb.CreateStateBlock(tables.back().data()));
    EXPECT_EQ(SBServerCapacity, sb.count);
    ASSERT_EQ(1u, Traces(capture).size());
    EXPECT_EQ("8007000E", TracedResult(Traces(capture)[0]));
    sb.InvalidateDeviceObjects();
}
