// What the effects' tests share: scenes the effects reach through App(),
// the settings they read, Wine's device with a stencil buffer, and solid
// fixture images and textures in place of their artwork, and one frame of
// an object drawn and read back.
//
// EffectsScene lends the effects a world of its own making (the camera and
// the servers) and an application with a device when given; EffectsApp owns
// its world and has a depth/stencil format, for the objects that read the
// stencil bits. The scripted random source is ScriptedRandom.h's, the device
// recorder DeviceRecorder.h's.
#pragma once

#include "DeviceRecorder.h"
#include "ScriptedRandom.h"
#include "TestApp.h"
#include "Image.h"
#include "TestDevice.h"

#include "scene/PimVertexObject.h"
#include "settings/SettingsTables.h"

#include "scene/OruCamera.h"
#include "scene/OruWorld.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <windows.h>
#include <d3d8.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mesh/Pi.h"

namespace effectstest {

// The water colour, the clear colour of the drawing tests.
const D3DCOLOR ClearColour = 0x001020C0;

// A one-level texture filled from fn(x, y) -> 0xAARRGGBB.
inline IDirect3DTexture8* FixtureTexture(IDirect3DDevice8* device, D3DFORMAT format, int size,
                                         const std::function<uint32_t(int, int)>& fn)
{
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(size, size, 1, 0, format, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT rect;
    if (FAILED(texture->LockRect(0, &rect, nullptr, 0))) {
        texture->Release();
        return nullptr;
    }
    for (int y = 0; y < size; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(rect.pBits) + y * rect.Pitch);
        for (int x = 0; x < size; ++x)
            row[x] = fn(x, y);
    }
    texture->UnlockRect(0);
    return texture;
}

// Puts fixture textures into an object's slots for a test, and its own
// textures back before they are released.
class SwappedTextures {
public:
    SwappedTextures(PimVertexObject& object, std::vector<std::pair<int, IDirect3DTexture8*>> slots)
        : object_(object), slots_(std::move(slots))
    {
        for (auto& s : slots_) {
            saved_.push_back(object_.textures[s.first]);
            object_.textures[s.first] = s.second;
        }
    }
    ~SwappedTextures()
    {
        for (size_t i = 0; i < slots_.size(); ++i) {
            object_.textures[slots_[i].first] = saved_[i];
            if (slots_[i].second)
                slots_[i].second->Release();
        }
    }

private:
    PimVertexObject& object_;
    std::vector<std::pair<int, IDirect3DTexture8*>> slots_;
    std::vector<IDirect3DTexture8*> saved_;
};

// One frame: clear, the object's render, read back.
inline Image Draw(TestDevice& td, OruObject& object)
{
    IDirect3DDevice8* device = td.Device();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | (td.Parameters().EnableAutoDepthStencil ? D3DCLEAR_ZBUFFER : 0),
                  ClearColour, 1.0f, 0);
    device->BeginScene();
    object.Render();
    device->EndScene();
    return td.ReadBackBuffer();
}

// a x f + b x (1 - f), channel by channel.
inline uint32_t Mix(uint32_t a, uint32_t b, float f)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const float v = ((a >> shift) & 0xFF) * f + ((b >> shift) & 0xFF) * (1 - f);
        out |= uint32_t(v + 0.5f) << shift;
    }
    return out;
}

// One scene around the object's render, on the device as it is; false
// when the scene does not begin.
inline bool Draw(IDirect3DDevice8* device, OruObject& object)
{
    if (FAILED(device->BeginScene()))
        return false;
    object.Render();
    device->EndScene();
    return true;
}

// The world goes after the application, so it is made after the device.
struct EffectsScene {
    explicit EffectsScene(IDirect3DDevice8* device = nullptr) : app(device)
    {
        app.SquareProjection();
        app.world = &world;
    }
    ~EffectsScene()
    {
        world.vbServer->InvalidateDeviceObjects();
        world.vsServer->InvalidateDeviceObjects();
        world.sbServer->InvalidateDeviceObjects();
        app.world = nullptr;
    }

    // A fixed eye looking at a fixed point, the view built from them.
    void Look(const Vector3& eye, const Vector3& at)
    {
        world.camera->SetEyePoint(eye);
        world.camera->SetTargetPoint(at);
        world.camera->Update(0, 0);
        world.warmedUp = 1;
        world.camera->SetView();
    }

    // Forgets the servers' bindings, as the world does before each render.
    void ForgetBindings()
    {
        world.vbServer->ResetCurrent();
        world.vsServer->ResetCurrent();
        world.sbServer->ResetCurrent();
    }

    TestApp app;
    OruWorld world;
};

// A test application that owns its world: the device and its caps, a
// depth/stencil format for GetStencilBits and a square projection of the
// program's kind.
class EffectsApp : public TestApp {
public:
    EffectsApp(IDirect3DDevice8* d, D3DFORMAT depthFormat) : TestApp(d)
    {
        SetDepthFormat(depthFormat);
        SquareProjection();
        OruWorld::fTimeKey = -1.0f;
        world = new OruWorld();
    }
    ~EffectsApp() override { Cleanup(); }

    // Fixed eye and target, the world warmed up unless told otherwise, and
    // the camera's view built from them.
    void Look(const Vector3& eye, const Vector3& target, bool warmedUp = true)
    {
        world->warmedUp = warmedUp ? 1 : 0;
        world->camera->SetEyePoint(eye);
        world->camera->SetTargetPoint(target);
        world->camera->Update(0, 0);
        world->camera->SetView();
        if (device)
            device->SetTransform(D3DTS_PROJECTION, &projection);
    }

    void Cleanup()
    {
        if (!world)
            return;
        world->InvalidateDeviceObjects();
        world->DeleteDeviceObjects();
        world->FinalCleanup();
        delete world;
        world = nullptr;
    }
};

// Sets the "Lights" setting, filling the scene table when it is empty.
inline void SetLights(int32_t value)
{
    if (SceneParams.count == 0)
        SceneParams.AddItems(SceneParamDefs);
    SceneParams.items[SceneLights].value = value;
}

// The ToneMode setting for a test; the table is filled from its rows once.
inline void SetToneMode(int32_t mode)
{
    if (DialogParams.count == 0)
        DialogParams.AddItems(DialogParamDefs);
    DialogParams.items[DialogToneMode].value = mode;
}

// A zlib stream of a 24-bit BMP of one colour, as an embedded file holds it.
inline std::vector<BYTE> SolidBmp(uint8_t r, uint8_t g, uint8_t b, int width = 8, int height = 8)
{
    const int row = (width * 3 + 3) & ~3;
    std::vector<BYTE> file(54 + size_t(row) * height, 0);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    file[26] = 1;
    file[28] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            BYTE* p = &file[54 + size_t(row) * y + 3 * size_t(x)];
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    uLongf size = compressBound(uLong(file.size()));
    std::vector<BYTE> packed(size);
    compress(packed.data(), &size, file.data(), uLong(file.size()));
    packed.resize(size);
    return packed;
}

// Wine's device, 64 x 64 with a D24S8 depth/stencil buffer, for the tests
// of the objects that read the stencil bits; ToneMode back at its default
// after each test.
class StencilDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device_.reset(new TestDevice(64, 64));
        ASSERT_TRUE(device_->Ok()) << device_->Error();
        ASSERT_EQ(D3DFMT_D24S8, device_->Parameters().AutoDepthStencilFormat);
    }
    void TearDown() override { SetToneMode(2); }
    IDirect3DDevice8* Device() { return device_->Device(); }
    std::unique_ptr<TestDevice> device_;
};

// An RGB colour from channel values, rounded and clamped to 0..255.
inline uint32_t Rgb(double r, double g, double b)
{
    auto byte = [](double v) { return uint32_t(std::lround(std::fmin(std::fmax(v, 0.0), 255.0))); };
    return byte(r) << 16 | byte(g) << 8 | byte(b);
}

// Solid fixture images put in place of an object's textures before its
// restore loads them; they live as long as this.
struct FixtureImages {
    std::vector<std::vector<BYTE>> images;
    void Replace(PimVertexObject& object, int index, uint8_t r, uint8_t g, uint8_t b)
    {
        images.push_back(SolidBmp(r, g, b));
        object.textureSources[index] = images.back().data();
        object.textureSizes[index] = int32_t(images.back().size());
    }
};

} // namespace effectstest
