// What the paint, flare and logo tests share: an application whose device,
// caps, depth format and world the effects reach through App(); solid
// fixture images compressed as the program embeds its files; the ToneMode
// setting.
#pragma once

#include "DeviceRecorder.h"
#include "TestApp.h"
#include "TestDevice.h"

#include "settings/SettingsTables.h"
#include "scene/OruCamera.h"
#include "scene/OruWorld.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <windows.h>
#include <d3d8.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace effectsbtest {

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

// The ToneMode setting for a test; the table is filled from its rows once.
inline void SetToneMode(int32_t mode)
{
    if (DialogParams.count == 0)
        DialogParams.AddItems(DialogParamDefs);
    DialogParams.items[DialogToneMode].value = mode;
}

} // namespace effectsbtest
