// A small application on the framework for the framework's tests and the
// run command: it owns a world with a few vertex objects made from the
// compiled-in test cube and texture (steered cubes circling in front of the
// camera, two half-transparent ones and a texture viewer in the lower left),
// updates and draws it through the servers, reports its lifecycle through
// the debug output, and takes failures to inject from the environment.
//
//   FrameworkTestApp /debug | /s        run in the debug window or as the saver
//   FrameworkTestApp /enum              print the enumeration tables, then what
//                                       Direct3D reports (modes, caps, depth/stencil
//                                       formats, multisample types), and end
//
// Environment:
//   REEF_APP_FAIL    comma list: scene_init, restore_hal, restore_once, update, render
//   REEF_APP_STORED  "adapter,device,mode,multisample": the stored device choice
//   REEF_APP_LOG     "updates" also reports every scene update
//
// Every report line starts with "APP ".

#include "D3D8Library.h"
#include "TestAssetFiles.h"
#include "TestCube.h"
#include "TestMesh.h"
#include "framework/OruApplication.h"
#include "scene/OruCamera.h"
#include "scene/OruSteering.h"
#include "scene/OruWorld.h"
#include "scene/PimTexViewer.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

bool EnvHas(const char* variable, const char* token)
{
    char value[512];
    DWORD n = GetEnvironmentVariableA(variable, value, sizeof value);
    if (n == 0 || n >= sizeof value)
        return false;
    std::string list = std::string(",") + value + ",";
    return list.find(std::string(",") + token + ",") != std::string::npos;
}

void Report(const char* format, ...)
{
    char text[512] = "APP ";
    va_list args;
    va_start(args, format);
    std::vsnprintf(text + 4, sizeof text - 5, format, args);
    va_end(args);
    std::strncat(text, "\n", sizeof text - std::strlen(text) - 1);
    OutputDebugStringA(text);
}

const D3DCOLOR ClearColour = 0x001020C0;
const int SteeredCubes = 6;

// Where steered cube i heads at time t: a point circling in front of the
// camera, each cube a sixth of the circle behind the one before.
Vector3 Goal(int i, float t)
{
    const float a = 0.8f * t + 1.0471976f * float(i);
    return Vector3(2.5f * std::cos(a), 1.2f * std::sin(2.0f * a), 18.0f + 2.5f * std::sin(a));
}

class FrameworkTestApp : public OruApplication {
public:
    FrameworkTestApp()
    {
        windowTitle = "Sel Engine Reef Glow";
        depthBufferOn = TRUE;
        depthBitsMin = 15;
    }

    HRESULT OneTimeSceneInit() override
    {
        Report("OneTimeSceneInit");
        if (EnvHas("REEF_APP_FAIL", "scene_init"))
            return E_FAIL;
        return BuildScene();
    }
    HRESULT InitDeviceObjects() override
    {
        Report("InitDeviceObjects type=%d adapter=%u ms=%d/%d", int(CurrentDevice().deviceType), currentAdapter,
               int(CurrentDevice().windowedMultiSample), int(CurrentDevice().fullScreenMultiSample));
        if (world)
            world->InitDeviceObjects();
        return 0;
    }
    HRESULT RestoreDeviceObjects() override
    {
        Report("RestoreDeviceObjects %ux%u windowed=%d", backBufferDesc.Width, backBufferDesc.Height, int(windowed));
        if (EnvHas("REEF_APP_FAIL", "restore_hal") && CurrentDevice().deviceType == D3DDEVTYPE_HAL)
            return E_FAIL;
        if (EnvHas("REEF_APP_FAIL", "restore_once") && !restoreFailed_) {
            restoreFailed_ = true;
            return E_FAIL;
        }
        const float aspect = backBufferDesc.Height ? float(backBufferDesc.Width) / float(backBufferDesc.Height) : 1.0f;
        D3DXMatrixPerspectiveFovLH(&projection, fieldOfView, aspect, 0.1f, 100.0f);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        if (world) {
            const HRESULT hr = world->RestoreDeviceObjects();
            if (FAILED(hr))
                return hr;
        }
        restored_ = true;
        return 0;
    }
    HRESULT InvalidateDeviceObjects() override
    {
        Report("InvalidateDeviceObjects");
        restored_ = false;
        if (world)
            world->InvalidateDeviceObjects();
        return 0;
    }
    HRESULT DeleteDeviceObjects() override
    {
        Report("DeleteDeviceObjects");
        if (world)
            world->DeleteDeviceObjects();
        return 0;
    }
    HRESULT FinalCleanup() override
    {
        Report("FinalCleanup");
        // The framework's shutdown and the entry function both call it.
        if (world) {
            world->FinalCleanup();
            delete world;
            world = nullptr;
        }
        return 0;
    }
    HRESULT UpdateScene() override
    {
        if (logUpdates_)
            Report("UpdateScene t=%.3f", double(appTime));
        if (world) {
            for (int i = 0; i < SteeredCubes; ++i)
                if (steering_[i])
                    steering_[i]->position = Goal(i, appTime);
            world->UpdateAll(appTime);
        }
        return EnvHas("REEF_APP_FAIL", "update") ? E_FAIL : 0;
    }
    HRESULT Render() override
    {
        if (renderFails_)
            return E_FAIL;
        if (!restored_)
            Report("RenderWithoutObjects");
        DWORD flags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
        if (GetStencilBits() > 0)
            flags |= D3DCLEAR_STENCIL;
        device->Clear(0, nullptr, flags, ClearColour, 1.0f, 0);
        if (SUCCEEDED(device->BeginScene())) {
            if (world && restored_)
                world->Render();
            device->EndScene();
        }
        if (!firstFrameReported_) {
            firstFrameReported_ = true;
            Report("FirstFrame");
        }
        return 0;
    }

    void PrintTables()
    {
        for (UINT a = 0; a < adapterCount; ++a) {
            const OruAdapterRecord& adapter = adapters[a];
            Report("ADAPTER %u ordinal=%u devices=%u current=%u desktop=%d \"%s\"", a, adapter.ordinal,
                   adapter.deviceCount, adapter.currentDevice, int(adapter.desktopMode.Format),
                   adapter.identifier.Description);
            for (UINT d = 0; d < adapter.deviceCount; ++d) {
                const OruDeviceRecord& device = adapter.devices[d];
                Report("DEVICE %u.%u %s modes=%u current=%u windowed=%d canwindow=%d", a, d, device.description,
                       device.modeCount, device.currentMode, int(device.windowed), int(device.canRenderWindowed));
                for (UINT m = 0; m < device.modeCount; ++m)
                    Report("MODE %u.%u.%u %ux%u format=%d behaviour=0x%lX depth=%d", a, d, m, device.modes[m].width,
                           device.modes[m].height, int(device.modes[m].format),
                           static_cast<unsigned long>(device.modes[m].behaviourFlags),
                           int(device.modes[m].depthStencilFormat));
            }
        }
        Report("CHOICE adapter=%u windowed=%d stencil=%d", currentAdapter, int(windowed), GetStencilBits());
    }

    // What Direct3D itself reports, beside the tables: the raw mode list,
    // device capabilities, depth/stencil formats and multisample types.
    void PrintPlatform()
    {
        for (UINT a = 0; a < adapterCount; ++a) {
            const OruAdapterRecord& adapter = adapters[a];
            const UINT ordinal = adapter.ordinal;
            const UINT reported = d3d->GetAdapterModeCount(ordinal);
            std::string formats;
            std::vector<D3DFORMAT> seen;
            for (UINT i = 0; i < reported; ++i) {
                D3DDISPLAYMODE mode;
                if (FAILED(d3d->EnumAdapterModes(ordinal, i, &mode)))
                    continue;
                bool known = false;
                for (D3DFORMAT f : seen)
                    known = known || f == mode.Format;
                if (!known) {
                    seen.push_back(mode.Format);
                    formats += (formats.empty() ? "" : ",") + std::to_string(int(mode.Format));
                }
            }
            Report("ADAPTERMODES %u reported=%u formats=%s desktop=%ux%u", a, reported, formats.c_str(),
                   adapter.desktopMode.Width, adapter.desktopMode.Height);
            for (UINT d = 0; d < adapter.deviceCount; ++d) {
                const OruDeviceRecord& device = adapter.devices[d];
                const D3DCAPS8& c = device.caps;
                Report("CAPS %u.%u %s vs=%lu.%lu ps=%lu.%lu vsconst=%lu hwtnl=%d pure=%d canwindow=%d gamma=%d "
                       "texture=%lux%lu stages=%lu textures=%lu lights=%lu streams=%lu stencilcaps=0x%lX "
                       "addresscaps=0x%lX nullref=%d",
                       a, d, device.description, (c.VertexShaderVersion >> 8) & 0xFF, c.VertexShaderVersion & 0xFF,
                       (c.PixelShaderVersion >> 8) & 0xFF, c.PixelShaderVersion & 0xFF, c.MaxVertexShaderConst,
                       (c.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0, (c.DevCaps & D3DDEVCAPS_PUREDEVICE) != 0,
                       (c.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0, (c.Caps2 & D3DCAPS2_FULLSCREENGAMMA) != 0,
                       c.MaxTextureWidth, c.MaxTextureHeight, c.MaxTextureBlendStages, c.MaxSimultaneousTextures,
                       c.MaxActiveLights, c.MaxStreams, c.StencilCaps, c.TextureAddressCaps,
                       (c.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE) != 0);
                // The desktop format, then the formats of the device's modes.
                std::vector<D3DFORMAT> modeFormats(1, adapter.desktopMode.Format);
                for (UINT m = 0; m < device.modeCount; ++m) {
                    bool known = false;
                    for (D3DFORMAT f : modeFormats)
                        known = known || f == device.modes[m].format;
                    if (!known)
                        modeFormats.push_back(device.modes[m].format);
                }
                for (D3DFORMAT format : modeFormats) {
                    static const struct {
                        D3DFORMAT format;
                        const char* name;
                    } depthFormats[] = {{D3DFMT_D16, "D16"},     {D3DFMT_D15S1, "D15S1"},     {D3DFMT_D24X8, "D24X8"},
                                        {D3DFMT_D24S8, "D24S8"}, {D3DFMT_D24X4S4, "D24X4S4"}, {D3DFMT_D32, "D32"}};
                    std::string depth;
                    for (const auto& candidate : depthFormats)
                        if (SUCCEEDED(d3d->CheckDeviceFormat(ordinal, device.deviceType, format, D3DUSAGE_DEPTHSTENCIL,
                                                             D3DRTYPE_SURFACE, candidate.format)) &&
                            SUCCEEDED(d3d->CheckDepthStencilMatch(ordinal, device.deviceType, format, format,
                                                                  candidate.format)))
                            depth += (depth.empty() ? "" : ",") + std::string(candidate.name);
                    std::string samples[2];
                    for (int inWindow = 0; inWindow < 2; ++inWindow)
                        for (int count = 0; count <= 16; ++count)
                            if (count != 1 &&
                                SUCCEEDED(d3d->CheckDeviceMultiSampleType(ordinal, device.deviceType, format, inWindow,
                                                                          D3DMULTISAMPLE_TYPE(count))))
                                samples[inWindow] += (samples[inWindow].empty() ? "" : ",") + std::to_string(count);
                    Report("FORMAT %u.%u %d depthstencil=%s multisample-window=%s multisample-fullscreen=%s", a, d,
                           int(format), depth.empty() ? "none" : depth.c_str(),
                           samples[1].empty() ? "none" : samples[1].c_str(),
                           samples[0].empty() ? "none" : samples[0].c_str());
                }
            }
        }
    }

    bool logUpdates_ = EnvHas("REEF_APP_LOG", "updates");
    bool renderFails_ = EnvHas("REEF_APP_FAIL", "render");

private:
    // The camera stands where the warm-up view looks from, toward +z; the
    // cubes and the viewer are the world's from then on.
    HRESULT BuildScene()
    {
        world = new (std::nothrow) OruWorld();
        if (!world)
            return E_OUTOFMEMORY;
        if (world->camera) {
            world->camera->SetEyePoint(Vector3(0, 0, 10));
            world->camera->SetTargetPoint(Vector3(0, 0, 20));
        }
        TestCube* first = nullptr;
        for (int i = 0; i < SteeredCubes; ++i) {
            TestCube* cube = Add(new (std::nothrow) TestCube(&TestMesh, TestTexture.ref, false));
            if (!cube)
                return E_OUTOFMEMORY;
            first = first ? first : cube;
            cube->position = Goal(i, -0.5f);
            cube->scale = 0.8f;
            cube->speed = 1.0f;
            const float shades[3][3] = {{1, 1, 1}, {1, 0.8f, 0.3f}, {0.4f, 1, 0.8f}};
            for (int k = 0; k < 3; ++k)
                cube->colour[k] = shades[i % 3][k];
            OruSteering* mover = new (std::nothrow) OruSteering();
            if (mover) {
                mover->courseMode = CourseSeek;
                mover->desiredSpeed = 1.5f;
                mover->position = Goal(i, 0);
            }
            cube->SetSteering(mover);
            steering_[i] = mover;
        }
        // Two half-transparent cubes, the far one drawn first.
        const float glass[2][3] = {{1, 0.2f, 0.2f}, {0.2f, 0.4f, 1}};
        const Vector3 glassAt[2] = {Vector3(0.6f, -1.9f, 17), Vector3(-0.3f, -1.1f, 14)};
        for (int g = 0; g < 2; ++g) {
            TestCube* cube = Add(new (std::nothrow) TestCube(&TestMesh, TestTexture.ref, true));
            if (!cube)
                return E_OUTOFMEMORY;
            cube->position = glassAt[g];
            cube->yaw = 0.5f;
            cube->pitch = 0.3f;
            for (int k = 0; k < 3; ++k)
                cube->colour[k] = glass[g][k];
        }
        // The texture viewer shows the cubes' texture in the lower left.
        PimTexViewer* viewer = new (std::nothrow) PimTexViewer(-0.95f, -0.55f, 0.3f);
        if (!viewer)
            return E_OUTOFMEMORY;
        viewer->SetTexture(&first->textures[0]);
        if (FAILED(world->AddObject(viewer))) {
            delete viewer;
            return E_OUTOFMEMORY;
        }
        return 0;
    }

    // Hands cube to the world; null (and the cube deleted) when it is refused.
    TestCube* Add(TestCube* cube)
    {
        if (cube && FAILED(world->AddObject(cube))) {
            cube->FinalCleanup();
            delete cube;
            return nullptr;
        }
        return cube;
    }

    bool restoreFailed_ = false;
    bool restored_ = false;
    bool firstFrameReported_ = false;
    OruSteering* steering_[SteeredCubes] = {}; // owned by their cubes
};

FrameworkTestApp* g_testApp = nullptr;

} // namespace

// The stored device choice, from REEF_APP_STORED ("adapter,device,mode,multisample").
HRESULT LoadStoredChoice()
{
    char value[128];
    if (!GetEnvironmentVariableA("REEF_APP_STORED", value, sizeof value))
        return 0;
    unsigned a = 0, d = 0, m = 0, ms = 0;
    if (std::sscanf(value, "%u,%u,%u,%u", &a, &d, &m, &ms) != 4)
        return 0;
    OruApplication& app = *g_testApp;
    if (a >= app.adapterCount)
        return 0;
    app.currentAdapter = a;
    OruAdapterRecord& adapter = app.adapters[a];
    if (d >= adapter.deviceCount)
        return 0;
    adapter.currentDevice = d;
    OruDeviceRecord& device = adapter.devices[d];
    if (m >= device.modeCount)
        return 0;
    device.currentMode = m;
    if (ms != 1 && ms <= 16)
        device.fullScreenMultiSample = D3DMULTISAMPLE_TYPE(ms);
    Report("StoredChoice adapter=%u device=%u mode=%u ms=%u", a, d, m, ms);
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    FrameworkTestApp app;
    g_testApp = &app;
    app.storedChoiceLoader = LoadStoredChoice;
    if (app.FindRunningInstance()) {
        Report("AlreadyRunning");
        return 0;
    }
    const std::string command = commandLine ? commandLine : "";
    if (command.rfind("/enum", 0) == 0) {
        app.runMode = command.find("saver") != std::string::npos ? RunModeSaver : RunModeConfigure;
        app.d3d = D3D8Library::Create();
        if (!app.d3d)
            return 1;
        HRESULT hr = app.EnumerateDevices();
        Report("EnumerateDevices 0x%lX", static_cast<unsigned long>(hr));
        if (SUCCEEDED(hr)) {
            app.PrintTables();
            app.PrintPlatform();
        }
        app.d3d->Release();
        app.d3d = nullptr;
        return SUCCEEDED(hr) ? 0 : 2;
    }
    app.runMode = command.rfind("/s", 0) == 0 ? RunModeSaver : RunModeDebug;
    if (FAILED(app.Startup(instance))) {
        Report("StartupFailed");
        return 3;
    }
    Report("Started windowed=%d", int(app.windowed));
    int code = app.RunMessageLoop();
    app.FinalCleanup();
    Report("Exit %d", code);
    return code;
}
