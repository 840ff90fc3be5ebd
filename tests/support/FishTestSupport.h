// What the fish tests share: an application with Wine's real device and a
// world (camera and servers), a recorder for one vertex buffer's locks (the
// device's calls go through DeviceRecorder), small fixture meshes and a
// skin.
#pragma once

#include "DeviceRecorder.h"
#include "TestApp.h"
#include "TestDevice.h"

#include "mesh/FishVertex.h"
#include "mesh/MorphVertex.h"
#include "mesh/OruMeshRecord.h"
#include "scene/OruCamera.h"
#include "scene/OruWorld.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <d3d8.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace fishtest {

// The application engine code reaches: the device and its caps, the world,
// and a square projection.
class FishApp : public TestApp {
public:
    FishApp(IDirect3DDevice8* d, OruWorld* w) : TestApp(d, w) { SquareProjection(); }
};

// The device-call recorder every drawing test uses.
using ::DeviceRecorder;

// Counts one vertex buffer's Lock and Unlock calls and can refuse its locks
// (D3DERR_INVALIDCALL, null pointer), by swapping the buffer's method table
// as DeviceRecorder does the device's.
class BufferRecorder;
inline BufferRecorder*& CurrentBufferRecorder()
{
    static BufferRecorder* recorder = nullptr;
    return recorder;
}

class BufferRecorder {
public:
    explicit BufferRecorder(IDirect3DVertexBuffer8* buffer) : buffer_(buffer)
    {
        original_ = *reinterpret_cast<void***>(buffer);
        table_.assign(original_, original_ + MethodSlot(&IDirect3DVertexBuffer8::GetDesc) + 1);
        table_[MethodSlot(&IDirect3DVertexBuffer8::Lock)] = reinterpret_cast<void*>(&HookLock);
        table_[MethodSlot(&IDirect3DVertexBuffer8::Unlock)] = reinterpret_cast<void*>(&HookUnlock);
        *reinterpret_cast<void***>(buffer_) = table_.data();
        CurrentBufferRecorder() = this;
    }
    ~BufferRecorder()
    {
        *reinterpret_cast<void***>(buffer_) = original_;
        CurrentBufferRecorder() = nullptr;
    }
    BufferRecorder(const BufferRecorder&) = delete;
    BufferRecorder& operator=(const BufferRecorder&) = delete;

    bool refuseLock = false;
    int locks = 0;
    int unlocks = 0;
    UINT lockedBytes = 0;
    DWORD lockFlags = 0;

private:
    static HRESULT STDMETHODCALLTYPE HookLock(IDirect3DVertexBuffer8* self, UINT offset, UINT size, BYTE** data,
                                             DWORD flags)
    {
        BufferRecorder* r = CurrentBufferRecorder();
        ++r->locks;
        r->lockedBytes = size;
        r->lockFlags = flags;
        if (r->refuseLock) {
            if (data)
                *data = nullptr;
            return D3DERR_INVALIDCALL;
        }
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DVertexBuffer8*, UINT, UINT, BYTE**, DWORD);
        return reinterpret_cast<Fn>(r->original_[MethodSlot(&IDirect3DVertexBuffer8::Lock)])(self, offset, size, data,
                                                                                      flags);
    }
    static HRESULT STDMETHODCALLTYPE HookUnlock(IDirect3DVertexBuffer8* self)
    {
        BufferRecorder* r = CurrentBufferRecorder();
        ++r->unlocks;
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DVertexBuffer8*);
        return reinterpret_cast<Fn>(r->original_[MethodSlot(&IDirect3DVertexBuffer8::Unlock)])(self);
    }

    IDirect3DVertexBuffer8* buffer_;
    void** original_;
    std::vector<void*> table_;
};

// A fish-shaped fixture in the rest-pose/keyframe layout: one quad of two
// triangles (x and y from -half to half, z 0; texture v 0 at the top), and
// ten keyframes, keyframe k shifted by 0.1 k along +x.
struct QuadFrames {
    explicit QuadFrames(float half = 0.5f)
    {
        const float corners[4][2] = {{-half, -half}, {-half, half}, {half, half}, {half, -half}};
        for (int i = 0; i < 4; ++i) {
            rest[i] = FishVertex(Vector3(corners[i][0], corners[i][1], 0), Vector3(0, 0, -1),
                                 corners[i][0] > 0 ? 1.0f : 0.0f, corners[i][1] > 0 ? 0.0f : 1.0f);
            for (int k = 0; k < 10; ++k)
                keys[k][i] = MorphVertex(Vector3(corners[i][0] + 0.1f * float(k + 1), corners[i][1], 0),
                                         Vector3(0, 0, -1));
        }
        // Both windings, so that either cull mode shows the quad.
        const uint16_t list[12] = {0, 1, 2, 0, 2, 3, 0, 2, 1, 0, 3, 2};
        std::memcpy(indices, list, sizeof list);
        const D3DXATTRIBUTERANGE range = {0, 0, 4, 0, 4};
        records[0] = OruMeshRecord(4, rest, 4, indices, FishVertex::Format, sizeof(FishVertex), &range, 1);
        for (int k = 0; k < 10; ++k)
            records[k + 1] =
                OruMeshRecord(4, keys[k], 4, indices, MorphVertex::Format, sizeof(MorphVertex), &range, 1);
    }
    FishVertex rest[4];
    MorphVertex keys[10][4];
    uint16_t indices[12];
    OruMeshRecord records[11];
};

// A 4 x 4 A8R8G8B8 white texture whose top opaqueRows rows have the given
// alpha and the others 0, made directly on the device.
inline IDirect3DTexture8* MakeSkin(IDirect3DDevice8* device, BYTE alpha, int opaqueRows = 4)
{
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT locked = {};
    if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
        for (int y = 0; y < 4; ++y) {
            DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
            for (int x = 0; x < 4; ++x)
                row[x] = (DWORD(y < opaqueRows ? alpha : 0) << 24) | 0x00FFFFFFu;
        }
        texture->UnlockRect(0);
    }
    return texture;
}

// Wine's device, a world and the application, for the tests that draw;
// skipped where the device has no pixel shaders.
class FishSceneTest : public ::testing::Test {
protected:
    explicit FishSceneTest(int width = 64, int height = 64) : device(width, height) {}
    void SetUp() override
    {
        ASSERT_TRUE(device.Ok()) << device.Error();
        D3DCAPS8 caps = {};
        device.Device()->GetDeviceCaps(&caps);
        if (caps.PixelShaderVersion < D3DPS_VERSION(1, 1))
            GTEST_SKIP() << "no pixel shaders";
        app.reset(new FishApp(device.Device(), &world));
    }
    // The servers' device objects, released at the end of a test.
    void InvalidateServers()
    {
        world.vbServer->InvalidateDeviceObjects();
        world.vsServer->InvalidateDeviceObjects();
        world.sbServer->InvalidateDeviceObjects();
    }
    // The servers forget what they last bound, so the next draw sets it all.
    void ForgetBindings()
    {
        world.vbServer->ResetCurrent();
        world.vsServer->ResetCurrent();
        world.sbServer->ResetCurrent();
    }

    TestDevice device;
    OruWorld world;
    std::unique_ptr<FishApp> app;
};

} // namespace fishtest
