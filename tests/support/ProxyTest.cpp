// The fault-injecting proxy d3d8.dll. In this process it is loaded by its
// path (the test runs with d3d8=n,b in Wine's DLL overrides, or Wine would
// load its own d3d8 instead) and must forward to Wine's Direct3D 8, keep
// reference counts, log the calls of interest in the documented format and
// inject each fault of REEF_D3D8_FAIL. A program started from the proxy's
// directory must load it by name, which is how other tests use it.

#include <initguid.h> // defines the IIDs of d3d8.h here
#include <d3d8.h>

#include "DebuggedProcess.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

typedef IDirect3D8*(WINAPI* CreateFunction)(UINT);

const DWORD Timeout = 30000;
const D3DCOLOR Colour = 0x00336699;

std::string Format(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string Hex(HRESULT hr)
{
    return Format("0x%lX", static_cast<unsigned long>(hr));
}

// A file of test-output named for this process, as two runs of the suite
// may share the build tree.
std::string InTestOutput(const std::string& name)
{
    char directory[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, directory);
    const size_t dot = name.rfind('.');
    return std::string(directory) + "\\" + name.substr(0, dot) + "-" + std::to_string(GetCurrentProcessId()) +
           name.substr(dot);
}

const std::string& LogPath()
{
    static const std::string path = InTestOutput("ProxyTest.log");
    return path;
}

HMODULE ProxyModule()
{
    static HMODULE module = LoadLibraryA(DebuggedProcess::WindowsPath(REEF_PROXY_DLL).c_str());
    return module;
}

CreateFunction Entry(HMODULE module)
{
    return module ? reinterpret_cast<CreateFunction>(
                        reinterpret_cast<void*>(GetProcAddress(module, "Direct3DCreate8")))
                  : nullptr;
}

// Wine's own object, for comparison; one for the whole program, as each
// takes a fifth of a second to create.
IDirect3D8* Wine()
{
    static IDirect3D8* wine = [] {
        char path[MAX_PATH];
        GetSystemDirectoryA(path, MAX_PATH);
        CreateFunction create = Entry(LoadLibraryA((std::string(path) + "\\d3d8.dll").c_str()));
        return create ? create(D3D_SDK_VERSION) : nullptr;
    }();
    return wine;
}

// A proxy object with faults, logging to a fresh log. The variables are
// read during the call only.
IDirect3D8* CreateProxy(const std::string& faults)
{
    CreateFunction create = Entry(ProxyModule());
    if (!create)
        return nullptr;
    DeleteFileA(LogPath().c_str());
    SetEnvironmentVariableA("REEF_D3D8_FAIL", faults.c_str());
    SetEnvironmentVariableA("REEF_D3D8_LOG", LogPath().c_str());
    IDirect3D8* d3d = create(D3D_SDK_VERSION);
    SetEnvironmentVariableA("REEF_D3D8_FAIL", nullptr);
    SetEnvironmentVariableA("REEF_D3D8_LOG", nullptr);
    return d3d;
}

std::vector<std::string> ReadLog(const std::string& path = LogPath())
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

size_t CountLines(const std::vector<std::string>& lines, const std::string& part)
{
    return size_t(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& l) { return l.find(part) != std::string::npos; }));
}

HWND TestWindow()
{
    static HWND window = CreateWindowA("STATIC", "proxy test", WS_OVERLAPPEDWINDOW, 0, 0, 96, 96, nullptr, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
    return window;
}

std::vector<D3DDISPLAYMODE> Modes(IDirect3D8* d3d, UINT adapter)
{
    std::vector<D3DDISPLAYMODE> modes(d3d->GetAdapterModeCount(adapter));
    for (UINT i = 0; i < modes.size(); ++i)
        EXPECT_EQ(D3D_OK, d3d->EnumAdapterModes(adapter, i, &modes[i])) << i;
    return modes;
}

bool HasSize(const std::vector<D3DDISPLAYMODE>& modes, UINT width, UINT height)
{
    return std::any_of(modes.begin(), modes.end(),
                       [&](const D3DDISPLAYMODE& m) { return m.Width == width && m.Height == height; });
}

bool SameMode(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b)
{
    return a.Width == b.Width && a.Height == b.Height && a.RefreshRate == b.RefreshRate && a.Format == b.Format;
}

// One Direct3D object through the proxy, with Wine's own beside it.
struct Session {
    explicit Session(const std::string& faults) : d3d(CreateProxy(faults)), real(Wine())
    {
        if (real)
            real->GetAdapterDisplayMode(0, &desktop);
    }
    ~Session()
    {
        if (d3d)
            d3d->Release();
        if (!::testing::Test::HasFailure())
            DeleteFileA(LogPath().c_str());
    }

    D3DPRESENT_PARAMETERS Parameters(bool depth = false) const
    {
        D3DPRESENT_PARAMETERS p = {};
        p.Windowed = TRUE;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.BackBufferWidth = 64;
        p.BackBufferHeight = 48;
        p.BackBufferFormat = desktop.Format;
        p.hDeviceWindow = TestWindow();
        p.EnableAutoDepthStencil = depth;
        p.AutoDepthStencilFormat = depth ? D3DFMT_D16 : D3DFMT_UNKNOWN;
        return p;
    }

    // A windowed device; null with hr set when creation fails.
    IDirect3DDevice8* Device(HRESULT& hr, UINT adapter = 0, D3DDEVTYPE type = D3DDEVTYPE_HAL)
    {
        D3DPRESENT_PARAMETERS p = Parameters();
        IDirect3DDevice8* device = reinterpret_cast<IDirect3DDevice8*>(1); // must be overwritten
        hr = d3d->CreateDevice(adapter, type, TestWindow(), D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device);
        if (SUCCEEDED(hr))
            return device;
        EXPECT_EQ(nullptr, device) << "a failed CreateDevice leaves no device";
        return nullptr;
    }

    IDirect3D8* d3d;
    IDirect3D8* real;
    D3DDISPLAYMODE desktop = {};
};

} // namespace

TEST(Proxy, LoadsByPathAndForwardsToWinesDirect3D)
{
    ASSERT_TRUE(ProxyModule()) << "LoadLibrary failed for " << REEF_PROXY_DLL;
    ASSERT_TRUE(Entry(ProxyModule())) << "no undecorated Direct3DCreate8 export";
    Session s("");
    ASSERT_TRUE(s.d3d);
    ASSERT_TRUE(s.real);
    ASSERT_FALSE(ReadLog().empty()) << "the module loaded is not the proxy: is the test run with d3d8=n,b?";
    EXPECT_EQ("Direct3DCreate8 sdk=220 inject=none -> object", ReadLog()[0]);

    ASSERT_EQ(s.real->GetAdapterCount(), s.d3d->GetAdapterCount());
    D3DADAPTER_IDENTIFIER8 mine = {}, wine = {};
    ASSERT_EQ(D3D_OK, s.d3d->GetAdapterIdentifier(0, 0, &mine));
    ASSERT_EQ(D3D_OK, s.real->GetAdapterIdentifier(0, 0, &wine));
    EXPECT_STREQ(wine.Description, mine.Description);
    D3DDISPLAYMODE mode = {};
    ASSERT_EQ(D3D_OK, s.d3d->GetAdapterDisplayMode(0, &mode));
    EXPECT_TRUE(SameMode(s.desktop, mode));
    const std::vector<D3DDISPLAYMODE> modes = Modes(s.d3d, 0), wineModes = Modes(s.real, 0);
    ASSERT_EQ(wineModes.size(), modes.size());
    for (size_t i = 0; i < modes.size(); ++i)
        EXPECT_TRUE(SameMode(wineModes[i], modes[i])) << i;
    for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A8R8G8B8})
        for (BOOL windowed : {FALSE, TRUE})
            EXPECT_EQ(s.real->CheckDeviceType(0, D3DDEVTYPE_HAL, f, f, windowed),
                      s.d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, f, f, windowed))
                << f << " windowed " << windowed;
    EXPECT_EQ(s.real->GetAdapterMonitor(0), s.d3d->GetAdapterMonitor(0));

    // A device clears, reads back and presents.
    HRESULT hr;
    IDirect3DDevice8* device = s.Device(hr);
    ASSERT_TRUE(device) << Hex(hr);
    EXPECT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, Colour, 1.0f, 0));
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(D3D_OK, device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back));
    Image image = TestDevice::ReadSurface(device, back);
    back->Release();
    ASSERT_EQ(64, image.width);
    EXPECT_EQ(Colour, image.Rgb(0, 0));
    EXPECT_EQ(Colour, image.Rgb(63, 47));
    EXPECT_EQ(D3D_OK, device->Present(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
    D3DDEVICE_CREATION_PARAMETERS creation = {};
    ASSERT_EQ(D3D_OK, device->GetCreationParameters(&creation));
    EXPECT_EQ(0u, creation.AdapterOrdinal);
    EXPECT_EQ(D3DDEVTYPE_HAL, creation.DeviceType);
    EXPECT_EQ(0u, device->Release());
}

TEST(Proxy, ReferenceCountsAndInterfacesAreTheProxysOwn)
{
    Session s("");
    ASSERT_TRUE(s.d3d);
    HRESULT hr;
    IDirect3DDevice8* device = s.Device(hr);
    ASSERT_TRUE(device) << Hex(hr);

    // The device holds the Direct3D object, as Wine's does.
    EXPECT_EQ(3u, s.d3d->AddRef());
    EXPECT_EQ(2u, s.d3d->Release());
    EXPECT_EQ(2u, device->AddRef());
    EXPECT_EQ(1u, device->Release());

    IDirect3D8* parent = nullptr;
    ASSERT_EQ(D3D_OK, device->GetDirect3D(&parent));
    EXPECT_EQ(s.d3d, parent);
    EXPECT_EQ(2u, parent->Release());

    void* object = nullptr;
    ASSERT_EQ(S_OK, device->QueryInterface(IID_IDirect3DDevice8, &object));
    EXPECT_EQ(device, object);
    EXPECT_EQ(1u, device->Release());
    ASSERT_EQ(S_OK, device->QueryInterface(__uuidof(IUnknown), &object));
    EXPECT_EQ(static_cast<IUnknown*>(device), object);
    EXPECT_EQ(1u, device->Release());
    ASSERT_EQ(S_OK, s.d3d->QueryInterface(IID_IDirect3D8, &object));
    EXPECT_EQ(s.d3d, object);
    EXPECT_EQ(2u, s.d3d->Release());
    EXPECT_EQ(E_NOINTERFACE, s.d3d->QueryInterface(IID_IDirect3DDevice8, &object));

    // Released first, the Direct3D object lives on in the device and goes
    // with it.
    EXPECT_EQ(1u, s.d3d->Release());
    s.d3d = nullptr;
    EXPECT_EQ(0u, device->Release());
    const std::vector<std::string> log = ReadLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ("Device.Release -> 0 presents=0", log[log.size() - 2]);
    EXPECT_EQ("Direct3D.Release -> 0", log.back());
}

TEST(Proxy, LogsTheCallsOfInterest)
{
    Session s("");
    ASSERT_TRUE(s.d3d);
    IDirect3D8* d = s.d3d;
    const int f = int(s.desktop.Format);
    std::vector<std::string> expected = {"Direct3DCreate8 sdk=220 inject=none -> object"};

    expected.push_back(Format("GetAdapterCount -> %u", d->GetAdapterCount()));
    D3DDISPLAYMODE mode;
    d->GetAdapterDisplayMode(0, &mode);
    expected.push_back(Format("GetAdapterDisplayMode adapter=0 -> 0x0 %ux%u format=%d refresh=%u", mode.Width,
                              mode.Height, f, mode.RefreshRate));
    std::vector<D3DDISPLAYMODE> modes = Modes(s.real, 0);
    std::vector<D3DDISPLAYMODE> seen(d->GetAdapterModeCount(0));
    std::string formats;
    std::set<D3DFORMAT> listed;
    for (const D3DDISPLAYMODE& m : modes)
        if (listed.insert(m.Format).second)
            formats += (formats.empty() ? "" : ",") + std::to_string(int(m.Format));
    expected.push_back(
        Format("GetAdapterModeCount adapter=0 -> %u formats=%s", unsigned(modes.size()), formats.c_str()));
    for (UINT i = 0; i < seen.size(); ++i)
        d->EnumAdapterModes(0, i, &seen[i]);
    const D3DDISPLAYMODE& last = modes.back();
    expected.push_back(Format("EnumAdapterModes adapter=0 mode=%u last -> 0x0 %ux%u format=%d refresh=%u",
                              unsigned(modes.size() - 1), last.Width, last.Height, int(last.Format), last.RefreshRate));
    expected.push_back(Format("EnumAdapterModes adapter=0 mode=%u -> 0x8876086C", unsigned(modes.size())));
    d->EnumAdapterModes(0, UINT(modes.size()), &mode);

    HRESULT hr = d->CheckDeviceType(0, D3DDEVTYPE_HAL, s.desktop.Format, D3DFMT_R5G6B5, TRUE);
    expected.push_back(
        Format("CheckDeviceType adapter=0 type=1 display=%d backbuffer=23 windowed=1 -> %s", f, Hex(hr).c_str()));
    hr = d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_REF, s.desktop.Format, FALSE, D3DMULTISAMPLE_4_SAMPLES);
    expected.push_back(
        Format("CheckDeviceMultiSampleType adapter=0 type=2 format=%d windowed=0 ms=4 -> %s", f, Hex(hr).c_str()));
    hr = d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, s.desktop.Format, s.desktop.Format, D3DFMT_D16);
    expected.push_back(Format("CheckDepthStencilMatch adapter=0 type=1 adapterformat=%d target=%d depthformat=80 -> %s",
                              f, f, Hex(hr).c_str()));
    D3DCAPS8 caps;
    hr = d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
    const std::string capsText =
        Format("vs=0x%lX ps=0x%lX caps2=0x%lX", static_cast<unsigned long>(caps.VertexShaderVersion),
               static_cast<unsigned long>(caps.PixelShaderVersion), static_cast<unsigned long>(caps.Caps2));
    expected.push_back("GetDeviceCaps adapter=0 type=1 -> " + Hex(hr) + " " + capsText);

    D3DPRESENT_PARAMETERS p = s.Parameters(true);
    IDirect3DDevice8* device = nullptr;
    hr = d->CreateDevice(0, D3DDEVTYPE_HAL, TestWindow(), D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device);
    ASSERT_EQ(D3D_OK, hr);
    const std::string parameters = Format("windowed=1 size=64x48 format=%d ms=0 depth=1 depthformat=80", f);
    expected.push_back("CreateDevice adapter=0 type=1 behaviour=0x20 " + parameters + " -> 0x0");
    device->GetDeviceCaps(&caps);
    expected.push_back("Device.GetDeviceCaps -> 0x0 " + capsText);
    for (int i = 0; i < 5; ++i)
        device->Present(nullptr, nullptr, nullptr, nullptr);
    expected.push_back("Present n=1 -> 0x0");
    expected.push_back("Present n=2 -> 0x0");
    expected.push_back("Present n=4 -> 0x0");
    EXPECT_EQ(D3D_OK, device->TestCooperativeLevel()); // not logged

    D3DGAMMARAMP ramp;
    for (int i = 0; i < 256; ++i)
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = WORD(i * 257);
    ramp.blue[255] = 1000;
    device->SetGammaRamp(1, &ramp); // D3DSGR_CALIBRATE
    expected.push_back("SetGammaRamp flags=0x1 red=0/32896/65535 green=0/32896/65535 blue=0/32896/1000");

    const DWORD declaration[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};
    const DWORD vertexCode[] = {0xFFFE0101, 0x00000001, 0xC00F0000, 0x90E40000, 0x0000FFFF}; // vs.1.1, mov oPos, v0
    const DWORD pixelCode[] = {0xFFFF0101, 0x00000001, 0x800F0000, 0x90E40000, 0x0000FFFF};  // ps.1.1, mov r0, v0
    DWORD shader = 0;
    hr = device->CreateVertexShader(declaration, vertexCode, &shader, 0);
    expected.push_back("CreateVertexShader usage=0x0 -> " + Hex(hr));
    if (SUCCEEDED(hr)) {
        device->DeleteVertexShader(shader);
        expected.push_back("DeleteVertexShader handle=" + Format("0x%lX", static_cast<unsigned long>(shader)) +
                           " -> 0x0");
    }
    hr = device->CreatePixelShader(pixelCode, &shader);
    expected.push_back("CreatePixelShader -> " + Hex(hr));
    if (SUCCEEDED(hr)) {
        device->DeletePixelShader(shader);
        expected.push_back("DeletePixelShader handle=" + Format("0x%lX", static_cast<unsigned long>(shader)) +
                           " -> 0x0");
    }

    EXPECT_EQ(D3D_OK, device->Reset(&p));
    expected.push_back("Reset " + parameters + " -> 0x0");
    EXPECT_EQ(0u, device->Release());
    expected.push_back("Device.Release -> 0 presents=5");
    EXPECT_EQ(0u, d->Release());
    s.d3d = nullptr;
    expected.push_back("Direct3D.Release -> 0");

    EXPECT_EQ(expected, ReadLog());
}

namespace {

struct Injection {
    const char* name;   // test name
    const char* faults; // REEF_D3D8_FAIL
    std::function<void(Session&)> check;
};

void PresentOk(IDirect3DDevice8* device, int times)
{
    for (int i = 0; i < times; ++i)
        EXPECT_EQ(D3D_OK, device->Present(nullptr, nullptr, nullptr, nullptr)) << i;
}

void CheckCaps(Session& s, const std::function<void(const D3DCAPS8& wine, const D3DCAPS8& proxy)>& check)
{
    for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF}) {
        D3DCAPS8 wine, proxy;
        ASSERT_EQ(D3D_OK, s.real->GetDeviceCaps(0, type, &wine));
        ASSERT_EQ(D3D_OK, s.d3d->GetDeviceCaps(0, type, &proxy));
        check(wine, proxy);
    }
    HRESULT hr;
    IDirect3DDevice8* device = s.Device(hr);
    ASSERT_TRUE(device) << Hex(hr);
    D3DCAPS8 wine, proxy;
    ASSERT_EQ(D3D_OK, s.real->GetDeviceCaps(0, D3DDEVTYPE_HAL, &wine));
    ASSERT_EQ(D3D_OK, device->GetDeviceCaps(&proxy));
    check(wine, proxy);
    device->Release();
}

const Injection Injections[] = {
    {"CreateNull", "create_null",
     [](Session& s) {
         EXPECT_EQ(nullptr, s.d3d);
         EXPECT_EQ(std::vector<std::string>{"Direct3DCreate8 sdk=220 inject=create_null -> null injected"}, ReadLog());
     }},
    {"NoAdapters", "no_adapters",
     [](Session& s) {
         EXPECT_EQ(0u, s.d3d->GetAdapterCount());
         D3DDISPLAYMODE mode;
         EXPECT_EQ(D3DERR_INVALIDCALL, s.d3d->GetAdapterDisplayMode(0, &mode));
         EXPECT_EQ(0u, s.d3d->GetAdapterModeCount(0));
         HRESULT hr;
         EXPECT_EQ(nullptr, s.Device(hr));
         EXPECT_EQ(D3DERR_INVALIDCALL, hr);
     }},
    {"HalCreate", "hal_create",
     [](Session& s) {
         HRESULT hr;
         EXPECT_EQ(nullptr, s.Device(hr, 0, D3DDEVTYPE_HAL));
         EXPECT_EQ(D3DERR_NOTAVAILABLE, hr);
         IDirect3DDevice8* reference = s.Device(hr, 0, D3DDEVTYPE_REF);
         EXPECT_EQ(D3D_OK, hr) << "Wine's reference device creates";
         if (reference)
             reference->Release();
         const std::vector<std::string> log = ReadLog();
         EXPECT_EQ(1u, CountLines(log, "CreateDevice adapter=0 type=1 ")) << log.size();
         EXPECT_EQ(1u, CountLines(log, "-> 0x8876086A injected"));
     }},
    {"CreateFail", "create_fail",
     [](Session& s) {
         for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF}) {
             HRESULT hr;
             EXPECT_EQ(nullptr, s.Device(hr, 0, type));
             EXPECT_EQ(D3DERR_NOTAVAILABLE, hr) << type;
         }
     }},
    {"ResetFail", "reset_fail",
     [](Session& s) {
         HRESULT hr;
         IDirect3DDevice8* device = s.Device(hr);
         ASSERT_TRUE(device) << Hex(hr);
         D3DPRESENT_PARAMETERS p = s.Parameters();
         for (int i = 0; i < 3; ++i) {
             EXPECT_EQ(D3DERR_INVALIDCALL, device->Reset(&p)) << i;
             EXPECT_EQ(D3DERR_DEVICENOTRESET, device->TestCooperativeLevel());
             EXPECT_EQ(D3DERR_DEVICELOST, device->Present(nullptr, nullptr, nullptr, nullptr));
         }
         device->Release();
     }},
    {"ResetFailOnce", "reset_fail_once",
     [](Session& s) {
         HRESULT hr;
         IDirect3DDevice8* device = s.Device(hr);
         ASSERT_TRUE(device) << Hex(hr);
         D3DPRESENT_PARAMETERS p = s.Parameters();
         EXPECT_EQ(D3DERR_INVALIDCALL, device->Reset(&p));
         EXPECT_EQ(D3DERR_DEVICENOTRESET, device->TestCooperativeLevel());
         EXPECT_EQ(D3D_OK, device->Reset(&p));
         EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
         PresentOk(device, 1);
         device->Release();
         // Once for the Direct3D object, not once per device.
         device = s.Device(hr);
         ASSERT_TRUE(device) << Hex(hr);
         EXPECT_EQ(D3D_OK, device->Reset(&p));
         device->Release();
     }},
    {"Lost", "lost=3",
     [](Session& s) {
         HRESULT hr;
         IDirect3DDevice8* device = s.Device(hr);
         ASSERT_TRUE(device) << Hex(hr);
         D3DPRESENT_PARAMETERS p = s.Parameters();
         PresentOk(device, 3);
         EXPECT_EQ(D3DERR_DEVICELOST, device->Present(nullptr, nullptr, nullptr, nullptr));
         EXPECT_EQ(D3DERR_DEVICELOST, device->TestCooperativeLevel());
         EXPECT_EQ(D3DERR_DEVICELOST, device->Reset(&p)) << "a lost device cannot be reset yet";
         for (int i = 1; i < 5; ++i)
             EXPECT_EQ(D3DERR_DEVICELOST, device->TestCooperativeLevel()) << i;
         for (int i = 0; i < 3; ++i) {
             EXPECT_EQ(D3DERR_DEVICENOTRESET, device->TestCooperativeLevel()) << i;
             EXPECT_EQ(D3DERR_DEVICELOST, device->Present(nullptr, nullptr, nullptr, nullptr));
         }
         EXPECT_EQ(D3D_OK, device->Reset(&p));
         EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
         PresentOk(device, 10); // once only
         device->Release();
         const std::vector<std::string> log = ReadLog();
         EXPECT_EQ(5u, CountLines(log, "TestCooperativeLevel -> 0x88760868 injected"));
         EXPECT_EQ(3u, CountLines(log, "TestCooperativeLevel -> 0x88760869 injected"));
         EXPECT_EQ(1u, CountLines(log, "Present n=4 -> 0x88760868 injected"));
     }},
    {"ExtraRef", "extra_ref",
     [](Session& s) {
         HRESULT hr;
         IDirect3DDevice8* device = s.Device(hr);
         ASSERT_TRUE(device) << Hex(hr);
         EXPECT_EQ(2u, device->AddRef());
         EXPECT_EQ(1u, device->Release());
         EXPECT_EQ(1u, device->Release()) << "the final release reports a reference left";
         // The device is gone all the same: it no longer holds the Direct3D object.
         EXPECT_EQ(0u, s.d3d->Release());
         s.d3d = nullptr;
         EXPECT_EQ(1u, CountLines(ReadLog(), "Device.Release -> 1 presents=0 injected"));
     }},
    {"ModesDup", "modes_dup",
     [](Session& s) {
         const std::vector<D3DDISPLAYMODE> wine = Modes(s.real, 0), proxy = Modes(s.d3d, 0);
         ASSERT_EQ(2 * wine.size(), proxy.size());
         for (size_t i = 0; i < wine.size(); ++i) {
             EXPECT_TRUE(SameMode(wine[i], proxy[2 * i])) << i;
             const D3DDISPLAYMODE& copy = proxy[2 * i + 1];
             EXPECT_EQ(wine[i].Width, copy.Width);
             EXPECT_EQ(wine[i].Height, copy.Height);
             EXPECT_EQ(wine[i].Format, copy.Format);
             EXPECT_NE(wine[i].RefreshRate, copy.RefreshRate);
         }
     }},
    {"ModesTiny", "modes_tiny",
     [](Session& s) {
         const std::vector<D3DDISPLAYMODE> wine = Modes(s.real, 0), proxy = Modes(s.d3d, 0);
         std::set<D3DFORMAT> formats;
         for (const D3DDISPLAYMODE& m : wine)
             formats.insert(m.Format);
         ASSERT_EQ(wine.size() + 2 * formats.size(), proxy.size());
         for (size_t i = 0; i < wine.size(); ++i)
             EXPECT_TRUE(SameMode(wine[i], proxy[i])) << i;
         for (D3DFORMAT f : formats)
             for (std::pair<UINT, UINT> size : {std::make_pair(320u, 240u), std::make_pair(640u, 350u)})
                 EXPECT_TRUE(std::any_of(proxy.begin(), proxy.end(), [&](const D3DDISPLAYMODE& m) {
                     return m.Width == size.first && m.Height == size.second && m.Format == f;
                 })) << size.first << "x" << size.second << " format " << f;
     }},
    {"ModesMany", "modes_many",
     [](Session& s) {
         const std::vector<D3DDISPLAYMODE> proxy = Modes(s.d3d, 0);
         std::set<std::pair<UINT, UINT>> sizes;
         for (const D3DDISPLAYMODE& m : proxy)
             if (m.Format == s.desktop.Format)
                 sizes.insert({m.Width, m.Height});
         EXPECT_GE(sizes.size(), 200u);
         EXPECT_TRUE(HasSize(proxy, 640, 480));
         D3DDISPLAYMODE mode;
         EXPECT_EQ(D3DERR_INVALIDCALL, s.d3d->EnumAdapterModes(0, UINT(proxy.size()), &mode));
     }},
    {"ModesNo640", "modes_tiny,modes_many,modes_no640",
     [](Session& s) {
         const std::vector<D3DDISPLAYMODE> proxy = Modes(s.d3d, 0);
         EXPECT_FALSE(HasSize(proxy, 640, 480));
         EXPECT_TRUE(HasSize(proxy, 640, 350)) << "only 640x480 goes";
         EXPECT_TRUE(HasSize(proxy, 644, 483)) << "only 640x480 goes";
         EXPECT_GE(proxy.size(), 200u);
     }},
    {"NoShaders", "no_vs",
     [](Session& s) {
         CheckCaps(s, [](const D3DCAPS8& wine, const D3DCAPS8& proxy) {
             EXPECT_NE(0u, wine.VertexShaderVersion);
             EXPECT_EQ(0u, proxy.VertexShaderVersion);
             EXPECT_EQ(0u, proxy.PixelShaderVersion);
             EXPECT_EQ(wine.Caps2, proxy.Caps2);
         });
     }},
    {"NoWindowed", "no_windowed",
     [](Session& s) {
         CheckCaps(s, [](const D3DCAPS8& wine, const D3DCAPS8& proxy) {
             EXPECT_TRUE(wine.Caps2 & D3DCAPS2_CANRENDERWINDOWED);
             EXPECT_EQ(wine.Caps2 & ~DWORD(D3DCAPS2_CANRENDERWINDOWED), proxy.Caps2);
             EXPECT_EQ(wine.VertexShaderVersion, proxy.VertexShaderVersion);
         });
     }},
    {"TwoAdapters", "two_adapters",
     [](Session& s) {
         ASSERT_EQ(2u, s.d3d->GetAdapterCount());
         D3DADAPTER_IDENTIFIER8 first, second;
         ASSERT_EQ(D3D_OK, s.d3d->GetAdapterIdentifier(0, 0, &first));
         ASSERT_EQ(D3D_OK, s.d3d->GetAdapterIdentifier(1, 0, &second));
         EXPECT_EQ(std::string(first.Description) + " (second)", second.Description);
         EXPECT_FALSE(IsEqualGUID(first.DeviceIdentifier, second.DeviceIdentifier));
         EXPECT_EQ(s.d3d->GetAdapterModeCount(0), s.d3d->GetAdapterModeCount(1));
         EXPECT_EQ(s.d3d->GetAdapterMonitor(0), s.d3d->GetAdapterMonitor(1));
         D3DDISPLAYMODE mode;
         EXPECT_EQ(D3D_OK, s.d3d->GetAdapterDisplayMode(1, &mode));
         EXPECT_EQ(D3DERR_INVALIDCALL, s.d3d->GetAdapterDisplayMode(2, &mode));
         D3DCAPS8 caps;
         ASSERT_EQ(D3D_OK, s.d3d->GetDeviceCaps(1, D3DDEVTYPE_HAL, &caps));
         EXPECT_EQ(1u, caps.AdapterOrdinal);
         HRESULT hr;
         IDirect3DDevice8* device = s.Device(hr, 1);
         ASSERT_TRUE(device) << Hex(hr);
         D3DDEVICE_CREATION_PARAMETERS creation;
         ASSERT_EQ(D3D_OK, device->GetCreationParameters(&creation));
         EXPECT_EQ(1u, creation.AdapterOrdinal);
         ASSERT_EQ(D3D_OK, device->GetDeviceCaps(&caps));
         EXPECT_EQ(1u, caps.AdapterOrdinal);
         PresentOk(device, 1);
         device->Release();
     }},
    {"BadAdapter0", "two_adapters,bad_adapter0",
     [](Session& s) {
         const D3DFORMAT f = s.desktop.Format;
         for (BOOL windowed : {FALSE, TRUE}) {
             EXPECT_EQ(D3DERR_NOTAVAILABLE, s.d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, f, f, windowed));
             EXPECT_EQ(D3DERR_NOTAVAILABLE, s.d3d->CheckDeviceType(0, D3DDEVTYPE_REF, f, f, windowed));
             EXPECT_EQ(D3D_OK, s.d3d->CheckDeviceType(1, D3DDEVTYPE_HAL, f, f, windowed));
         }
         HRESULT hr;
         EXPECT_EQ(nullptr, s.Device(hr, 0));
         EXPECT_EQ(D3DERR_NOTAVAILABLE, hr);
         IDirect3DDevice8* device = s.Device(hr, 1);
         EXPECT_TRUE(device) << Hex(hr);
         if (device)
             device->Release();
     }},
    {"FormatsMany", "formats_many",
     [](Session& s) {
         const std::vector<D3DDISPLAYMODE> wine = Modes(s.real, 0), proxy = Modes(s.d3d, 0);
         ASSERT_EQ(wine.size() + 24, proxy.size());
         std::set<D3DFORMAT> formats;
         for (size_t i = 0; i < proxy.size(); ++i) {
             if (i < wine.size()) {
                 EXPECT_TRUE(SameMode(wine[i], proxy[i])) << i;
             } else {
                 EXPECT_EQ(0u, formats.count(proxy[i].Format)) << "each added mode has a new format";
                 EXPECT_EQ(800u, proxy[i].Width);
                 EXPECT_EQ(600u, proxy[i].Height);
             }
             formats.insert(proxy[i].Format);
         }
         EXPECT_GT(formats.size(), 24u);
     }},
    {"AdaptersMany", "adapters_many",
     [](Session& s) {
         ASSERT_EQ(1u, s.real->GetAdapterCount()) << "Wine here has one adapter";
         ASSERT_EQ(12u, s.d3d->GetAdapterCount());
         D3DADAPTER_IDENTIFIER8 first, last;
         ASSERT_EQ(D3D_OK, s.d3d->GetAdapterIdentifier(0, 0, &first));
         ASSERT_EQ(D3D_OK, s.d3d->GetAdapterIdentifier(11, 0, &last));
         EXPECT_EQ(std::string(first.Description) + " (view 11)", last.Description);
         D3DDISPLAYMODE mode;
         EXPECT_EQ(D3D_OK, s.d3d->GetAdapterDisplayMode(11, &mode));
         EXPECT_EQ(D3DERR_INVALIDCALL, s.d3d->GetAdapterDisplayMode(12, &mode));
         HRESULT hr;
         IDirect3DDevice8* device = s.Device(hr, 11);
         ASSERT_TRUE(device) << Hex(hr);
         D3DDEVICE_CREATION_PARAMETERS creation;
         ASSERT_EQ(D3D_OK, device->GetCreationParameters(&creation));
         EXPECT_EQ(11u, creation.AdapterOrdinal);
         device->Release();
     }},
    {"HalNoWindowed", "hal_no_windowed",
     [](Session& s) {
         CheckCaps(s, [](const D3DCAPS8& wine, const D3DCAPS8& proxy) {
             EXPECT_TRUE(wine.Caps2 & D3DCAPS2_CANRENDERWINDOWED);
             const DWORD cleared = wine.DeviceType == D3DDEVTYPE_HAL ? DWORD(D3DCAPS2_CANRENDERWINDOWED) : 0;
             EXPECT_EQ(wine.Caps2 & ~cleared, proxy.Caps2) << wine.DeviceType;
         });
     }},
    {"NullReference", "null_reference",
     [](Session& s) {
         CheckCaps(s, [](const D3DCAPS8& wine, const D3DCAPS8& proxy) {
             EXPECT_FALSE(wine.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE);
             const DWORD set = wine.DeviceType == D3DDEVTYPE_REF ? DWORD(D3DPMISCCAPS_NULLREFERENCE) : 0;
             EXPECT_EQ(wine.PrimitiveMiscCaps | set, proxy.PrimitiveMiscCaps) << wine.DeviceType;
         });
     }},
    {"NoHal", "no_hal",
     [](Session& s) {
         const D3DFORMAT f = s.desktop.Format;
         D3DCAPS8 caps;
         EXPECT_EQ(D3DERR_NOTAVAILABLE, s.d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps));
         EXPECT_EQ(D3D_OK, s.d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps));
         EXPECT_EQ(D3DERR_NOTAVAILABLE, s.d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, f, f, TRUE));
         EXPECT_EQ(D3D_OK, s.d3d->CheckDeviceType(0, D3DDEVTYPE_REF, f, f, TRUE));
     }},
    // The desktop-format faults: Wine's results for every format of the
    // mode list, except the injected ones.
    {"HalNoDesktop", "hal_no_desktop",
     [](Session& s) {
         for (const D3DDISPLAYMODE& m : Modes(s.real, 0))
             for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF}) {
                 const HRESULT wine = s.real->CheckDeviceType(0, type, m.Format, m.Format, FALSE);
                 const bool injected = type == D3DDEVTYPE_HAL && m.Format == s.desktop.Format;
                 EXPECT_EQ(injected ? D3DERR_NOTAVAILABLE : wine,
                           s.d3d->CheckDeviceType(0, type, m.Format, m.Format, FALSE))
                     << type << " " << m.Format;
             }
     }},
    {"HalNoDepth", "hal_no_depth",
     [](Session& s) {
         for (const D3DDISPLAYMODE& m : Modes(s.real, 0))
             for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF}) {
                 const HRESULT wine = s.real->CheckDepthStencilMatch(0, type, m.Format, m.Format, D3DFMT_D16);
                 EXPECT_EQ(type == D3DDEVTYPE_HAL ? D3DERR_NOTAVAILABLE : wine,
                           s.d3d->CheckDepthStencilMatch(0, type, m.Format, m.Format, D3DFMT_D16))
                     << type << " " << m.Format;
             }
     }},
    {"HalNoDesktopDepth", "hal_no_desktop_depth",
     [](Session& s) {
         for (const D3DDISPLAYMODE& m : Modes(s.real, 0))
             for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF}) {
                 const HRESULT wine = s.real->CheckDepthStencilMatch(0, type, m.Format, m.Format, D3DFMT_D16);
                 const bool injected = type == D3DDEVTYPE_HAL && m.Format == s.desktop.Format;
                 EXPECT_EQ(injected ? D3DERR_NOTAVAILABLE : wine,
                           s.d3d->CheckDepthStencilMatch(0, type, m.Format, m.Format, D3DFMT_D16))
                     << type << " " << m.Format;
             }
     }},
    {"MultiSampleNone", "ms_none",
     [](Session& s) {
         const D3DFORMAT f = s.desktop.Format;
         ASSERT_EQ(D3D_OK, s.real->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, f, TRUE, D3DMULTISAMPLE_NONE));
         for (BOOL windowed : {FALSE, TRUE})
             for (int type : {0, 2, 4})
                 EXPECT_EQ(D3DERR_NOTAVAILABLE, s.d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, f, windowed,
                                                                                  D3DMULTISAMPLE_TYPE(type)))
                     << windowed << " " << type;
         EXPECT_EQ(6u, CountLines(ReadLog(), "-> 0x8876086A injected"));
     }},
    {"UnknownTokens", " lost=x, bogus ,lost=0",
     [](Session& s) {
         EXPECT_EQ("Direct3DCreate8 sdk=220 inject=unknown:lost=x,unknown:bogus,unknown:lost=0 -> object",
                   ReadLog().at(0));
         HRESULT hr;
         IDirect3DDevice8* device = s.Device(hr);
         ASSERT_TRUE(device) << Hex(hr);
         PresentOk(device, 3);
         EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
         device->Release();
     }},
};

void PrintTo(const Injection& injection, std::ostream* out)
{
    *out << '"' << injection.faults << '"';
}

class ProxyInjection : public ::testing::TestWithParam<Injection> {
};

} // namespace

TEST_P(ProxyInjection, HasItsEffect)
{
    Session s(GetParam().faults);
    ASSERT_TRUE(s.real);
    ASSERT_TRUE(s.d3d || std::string(GetParam().faults) == "create_null");
    GetParam().check(s);
}

INSTANTIATE_TEST_SUITE_P(Tokens, ProxyInjection, ::testing::ValuesIn(Injections),
                         [](const ::testing::TestParamInfo<Injection>& info) { return std::string(info.param.name); });

namespace {

// ProxyClient started from the proxy's directory, logging to a file of
// test-output.
struct ClientRun {
    ClientRun(const std::string& faults, const std::string& logName, int frames,
              const std::string& program = DebuggedProcess::WindowsPath(REEF_PROXY_CLIENT))
        : log(InTestOutput(logName))
    {
        DeleteFileA(log.c_str());
        started = process.Start("\"" + program + "\" " + std::to_string(frames),
                                {{"REEF_D3D8_FAIL", faults}, {"REEF_D3D8_LOG", log}});
    }
    ~ClientRun()
    {
        if (!::testing::Test::HasFailure())
            DeleteFileA(log.c_str());
    }

    std::vector<std::string> Traces() const
    {
        std::vector<std::string> traces;
        for (const std::string& line : process.Lines())
            if (line.rfind("DXZING:", 0) == 0)
                traces.push_back(line);
        return traces;
    }

    bool Said(const std::string& text) const
    {
        const std::vector<std::string> lines = process.Lines();
        return std::find(lines.begin(), lines.end(), "ProxyClient: " + text) != lines.end();
    }

    std::string log;
    DebuggedProcess process;
    bool started = false;
};

} // namespace

TEST(ProxyProgram, LoadsTheProxyBesideItByName)
{
    ClientRun run("", "ProxyClient-clean.log", 20);
    ASSERT_TRUE(run.started) << run.process.Error();
    ASSERT_TRUE(run.process.Wait(Timeout));
    EXPECT_EQ(0u, run.process.ExitCode());
    EXPECT_TRUE(run.Traces().empty()) << run.Traces()[0];
    EXPECT_TRUE(run.Said("presented 20 frames"));
    EXPECT_TRUE(run.Said("device release -> 0"));
    EXPECT_TRUE(run.Said("direct3d release -> 0"));
    const std::vector<std::string> log = ReadLog(run.log);
    ASSERT_FALSE(log.empty()) << "the program did not load the proxy";
    EXPECT_EQ("Direct3DCreate8 sdk=220 inject=none -> object", log[0]);
    EXPECT_EQ(1u, CountLines(log, "CreateDevice adapter=0 type=1 behaviour=0x20 windowed=1 size=64x48 "));
    EXPECT_EQ("Device.Release -> 0 presents=20", log[log.size() - 2]);
    EXPECT_EQ("Direct3D.Release -> 0", log.back());
}

TEST(ProxyProgram, ACopyElsewhereGetsWinesOwnDirect3D)
{
    const std::string copy = InTestOutput("ProxyClientAlone.exe");
    ASSERT_TRUE(CopyFileA(DebuggedProcess::WindowsPath(REEF_PROXY_CLIENT).c_str(), copy.c_str(), FALSE));
    ClientRun run("create_fail", "ProxyClient-alone.log", 3, copy);
    ASSERT_TRUE(run.started) << run.process.Error();
    ASSERT_TRUE(run.process.Wait(Timeout));
    EXPECT_EQ(0u, run.process.ExitCode());
    EXPECT_TRUE(run.Said("presented 3 frames"));
    EXPECT_TRUE(ReadLog(run.log).empty());
    DeleteFileA(copy.c_str());
}

TEST(ProxyProgram, AnInjectedCreateFailureTracesOnceAndShowsTheErrorBox)
{
    ClientRun run("create_fail", "ProxyClient-create.log", 5);
    ASSERT_TRUE(run.started) << run.process.Error();
    std::string text;
    ASSERT_TRUE(run.process.FindMessageBox(Timeout, &text));
    EXPECT_EQ("The Direct3D device could not be created.", text);
    ASSERT_TRUE(run.process.PressButton(IDOK));
    ASSERT_TRUE(run.process.Wait(Timeout));
    EXPECT_EQ(2u, run.process.ExitCode());
    const std::vector<std::string> traces = run.Traces();
    ASSERT_EQ(1u, traces.size());
    EXPECT_NE(std::string::npos, traces[0].find("ProxyClient.cpp:")) << traces[0];
    EXPECT_EQ(":8876086A\n", traces[0].substr(traces[0].size() - 10)) << traces[0];
    EXPECT_EQ(1u, CountLines(ReadLog(run.log), "-> 0x8876086A injected"));
}

TEST(ProxyProgram, RecoversFromAnInjectedDeviceLoss)
{
    ClientRun run("lost=5", "ProxyClient-lost.log", 20);
    ASSERT_TRUE(run.started) << run.process.Error();
    ASSERT_TRUE(run.process.Wait(Timeout));
    EXPECT_EQ(0u, run.process.ExitCode());
    EXPECT_TRUE(run.Said("lost after 5 frames"));
    EXPECT_TRUE(run.Said("reset -> 0x0"));
    EXPECT_TRUE(run.Said("presented 20 frames"));
    const std::vector<std::string> traces = run.Traces();
    ASSERT_EQ(1u, traces.size()) << "the one Present that found the device lost";
    EXPECT_EQ(":88760868\n", traces[0].substr(traces[0].size() - 10)) << traces[0];
    const std::vector<std::string> log = ReadLog(run.log);
    EXPECT_EQ(5u, CountLines(log, "TestCooperativeLevel -> 0x88760868 injected"));
    EXPECT_EQ(1u, CountLines(log, "TestCooperativeLevel -> 0x88760869 injected"));
    EXPECT_EQ(1u, CountLines(log, "Reset windowed=1 size=64x48 "));
    EXPECT_EQ("Device.Release -> 0 presents=21", log[log.size() - 2]);
}
