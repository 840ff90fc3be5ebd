// What the fish tests share: an application with Wine's real device and a
// world (camera and servers), a recorder that sees (and can refuse) the
// device calls a drawing class makes, small fixture meshes and a skin.
//
// The recorder swaps the real device object's method table for a copy whose
// entries for the calls of interest log each call and then pass it on (or
// return D3DERR_INVALIDCALL when told to refuse it); the device underneath
// stays Wine's, so what is drawn can still be read back.
#pragma once

#include "TestDevice.h"

#include "framework/OruApplication.h"
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

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fishtest {

// The application engine code reaches: the device and its caps, the world,
// and a projection.
class FishApp : public OruApplication {
public:
    FishApp(IDirect3DDevice8* d, OruWorld* w)
    {
        device = d;
        if (d)
            d->GetDeviceCaps(&caps);
        world = w;
        D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 3, 1.0f, 0.1f, 100.0f);
    }
    ~FishApp() override
    {
        device = nullptr;
        world = nullptr;
    }
};

// The slot of a virtual method in its class's table (the Itanium C++ ABI
// stores 1 + the byte offset in a pointer to a virtual member).
template <typename Method> size_t Slot(Method method)
{
    static_assert(sizeof(Method) == 2 * sizeof(uintptr_t), "pointer to member layout");
    uintptr_t raw[2];
    std::memcpy(raw, &method, sizeof raw);
    return (raw[0] - 1) / sizeof(void*);
}

class DeviceRecorder;
inline DeviceRecorder*& CurrentRecorder()
{
    static DeviceRecorder* recorder = nullptr;
    return recorder;
}

class DeviceRecorder {
public:
    explicit DeviceRecorder(IDirect3DDevice8* device) : device_(device)
    {
        original_ = *reinterpret_cast<void***>(device);
        const size_t count = Slot(&IDirect3DDevice8::DeletePatch) + 1;
        table_.assign(original_, original_ + count);
        Hook(Slot(&IDirect3DDevice8::SetVertexShaderConstant), reinterpret_cast<void*>(&HookConstant));
        Hook(Slot(&IDirect3DDevice8::SetTexture), reinterpret_cast<void*>(&HookSetTexture));
        Hook(Slot(&IDirect3DDevice8::ValidateDevice), reinterpret_cast<void*>(&HookValidate));
        Hook(Slot(&IDirect3DDevice8::SetRenderState), reinterpret_cast<void*>(&HookRenderState));
        Hook(Slot(&IDirect3DDevice8::DrawIndexedPrimitive), reinterpret_cast<void*>(&HookDrawIndexed));
        Hook(Slot(&IDirect3DDevice8::DrawPrimitive), reinterpret_cast<void*>(&HookDraw));
        Hook(Slot(&IDirect3DDevice8::SetStreamSource), reinterpret_cast<void*>(&HookStream));
        Hook(Slot(&IDirect3DDevice8::SetIndices), reinterpret_cast<void*>(&HookIndices));
        Hook(Slot(&IDirect3DDevice8::SetVertexShader), reinterpret_cast<void*>(&HookVertexShader));
        Hook(Slot(&IDirect3DDevice8::SetPixelShader), reinterpret_cast<void*>(&HookPixelShader));
        Hook(Slot(&IDirect3DDevice8::ApplyStateBlock), reinterpret_cast<void*>(&HookApplyStateBlock));
        Hook(Slot(&IDirect3DDevice8::SetRenderTarget), reinterpret_cast<void*>(&HookSetRenderTarget));
        Hook(Slot(&IDirect3DDevice8::Clear), reinterpret_cast<void*>(&HookClear));
        Hook(Slot(&IDirect3DDevice8::BeginScene), reinterpret_cast<void*>(&HookBeginScene));
        Hook(Slot(&IDirect3DDevice8::EndScene), reinterpret_cast<void*>(&HookEndScene));
        Hook(Slot(&IDirect3DDevice8::CreateVertexBuffer), reinterpret_cast<void*>(&HookCreateVertexBuffer));
        Hook(Slot(&IDirect3DDevice8::CreateDepthStencilSurface),
             reinterpret_cast<void*>(&HookCreateDepthStencilSurface));
        *reinterpret_cast<void***>(device_) = table_.data();
        CurrentRecorder() = this;
    }
    ~DeviceRecorder()
    {
        *reinterpret_cast<void***>(device_) = original_;
        CurrentRecorder() = nullptr;
    }
    DeviceRecorder(const DeviceRecorder&) = delete;
    DeviceRecorder& operator=(const DeviceRecorder&) = delete;

    // Calls whose names are here return D3DERR_INVALIDCALL without reaching
    // the device: "SetTexture", "ValidateDevice", "SetRenderTarget",
    // "SetRenderTarget#2" (only the second and later), "Clear", "BeginScene",
    // "CreateVertexBuffer DYNAMIC" (dynamic buffers only, with
    // D3DERR_OUTOFVIDEOMEMORY), "CreateDepthStencilSurface" (also with
    // D3DERR_OUTOFVIDEOMEMORY).
    std::set<std::string> refuse;
    std::vector<std::string> calls;
    // The depth surface of every SetRenderTarget, in order.
    std::vector<IDirect3DSurface8*> depths;
    // The last four floats set into each vertex register.
    float registers[96][4] = {};

    void ClearCalls() { calls.clear(); }
    // Calls whose text begins with prefix.
    std::vector<std::string> Calls(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.compare(0, prefix.size(), prefix) == 0)
                out.push_back(c);
        return out;
    }

private:
    template <typename Fn> static Fn Original(size_t slot)
    {
        return reinterpret_cast<Fn>(CurrentRecorder()->original_[slot]);
    }
    void Hook(size_t slot, void* hook) { table_[slot] = hook; }
    static void Note(const char* format, ...)
    {
        char text[256];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        CurrentRecorder()->calls.push_back(text);
    }
    static bool Refused(const std::string& name)
    {
        DeviceRecorder* r = CurrentRecorder();
        if (name == "SetRenderTarget") {
            ++r->renderTargetCalls_;
            if (r->renderTargetCalls_ >= 2 && r->refuse.count("SetRenderTarget#2"))
                return true;
        }
        return r->refuse.count(name) != 0;
    }

    static HRESULT STDMETHODCALLTYPE HookConstant(IDirect3DDevice8* self, DWORD reg, const void* data, DWORD count)
    {
        Note("SetVertexShaderConstant %lu %lu", static_cast<unsigned long>(reg), static_cast<unsigned long>(count));
        const float* f = static_cast<const float*>(data);
        for (DWORD i = 0; i < count && reg + i < 96 && f; ++i)
            std::memcpy(CurrentRecorder()->registers[reg + i], f + 4 * i, 4 * sizeof(float));
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD, const void*, DWORD);
        return Original<Fn>(Slot(&IDirect3DDevice8::SetVertexShaderConstant))(self, reg, data, count);
    }
    static HRESULT STDMETHODCALLTYPE HookSetTexture(IDirect3DDevice8* self, DWORD stage, IDirect3DBaseTexture8* t)
    {
        Note("SetTexture %lu %s", static_cast<unsigned long>(stage), t ? "texture" : "null");
        if (Refused("SetTexture"))
            return D3DERR_INVALIDCALL;
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD, IDirect3DBaseTexture8*);
        return Original<Fn>(Slot(&IDirect3DDevice8::SetTexture))(self, stage, t);
    }
    static HRESULT STDMETHODCALLTYPE HookValidate(IDirect3DDevice8* self, DWORD* passes)
    {
        Note("ValidateDevice");
        if (Refused("ValidateDevice"))
            return D3DERR_INVALIDCALL;
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD*);
        Original<Fn>(Slot(&IDirect3DDevice8::ValidateDevice))(self, passes);
        // Wine's answer depends on the stage states left by other tests; the
        // drawing code only acts on a refusal, which the test injects.
        return D3D_OK;
    }
    static HRESULT STDMETHODCALLTYPE HookRenderState(IDirect3DDevice8* self, D3DRENDERSTATETYPE state, DWORD value)
    {
        if (state == D3DRS_STENCILREF)
            Note("STENCILREF %lu", static_cast<unsigned long>(value));
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, D3DRENDERSTATETYPE, DWORD);
        return Original<Fn>(Slot(&IDirect3DDevice8::SetRenderState))(self, state, value);
    }
    static HRESULT STDMETHODCALLTYPE HookDrawIndexed(IDirect3DDevice8* self, D3DPRIMITIVETYPE type, UINT minIndex,
                                                     UINT vertices, UINT start, UINT count)
    {
        Note("DrawIndexedPrimitive %d %u %u %u %u", int(type), minIndex, vertices, start, count);
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT);
        return Original<Fn>(Slot(&IDirect3DDevice8::DrawIndexedPrimitive))(self, type, minIndex, vertices, start,
                                                                           count);
    }
    static HRESULT STDMETHODCALLTYPE HookDraw(IDirect3DDevice8* self, D3DPRIMITIVETYPE type, UINT start, UINT count)
    {
        Note("DrawPrimitive %d %u %u", int(type), start, count);
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, D3DPRIMITIVETYPE, UINT, UINT);
        return Original<Fn>(Slot(&IDirect3DDevice8::DrawPrimitive))(self, type, start, count);
    }
    static HRESULT STDMETHODCALLTYPE HookStream(IDirect3DDevice8* self, UINT stream, IDirect3DVertexBuffer8* vb,
                                                UINT stride)
    {
        Note("SetStreamSource %u %s %u", stream, vb ? "vb" : "null", stride);
        CurrentRecorder()->streams[stream & 15] = vb;
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, UINT, IDirect3DVertexBuffer8*, UINT);
        return Original<Fn>(Slot(&IDirect3DDevice8::SetStreamSource))(self, stream, vb, stride);
    }
    static HRESULT STDMETHODCALLTYPE HookIndices(IDirect3DDevice8* self, IDirect3DIndexBuffer8* ib, UINT base)
    {
        Note("SetIndices %s %u", ib ? "ib" : "null", base);
        CurrentRecorder()->indices = ib;
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, IDirect3DIndexBuffer8*, UINT);
        return Original<Fn>(Slot(&IDirect3DDevice8::SetIndices))(self, ib, base);
    }
    static HRESULT STDMETHODCALLTYPE HookVertexShader(IDirect3DDevice8* self, DWORD handle)
    {
        Note("SetVertexShader 0x%lX", static_cast<unsigned long>(handle));
        CurrentRecorder()->vertexShader = handle;
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD);
        return Original<Fn>(Slot(&IDirect3DDevice8::SetVertexShader))(self, handle);
    }
    static HRESULT STDMETHODCALLTYPE HookPixelShader(IDirect3DDevice8* self, DWORD handle)
    {
        Note("SetPixelShader 0x%lX", static_cast<unsigned long>(handle));
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD);
        return Original<Fn>(Slot(&IDirect3DDevice8::SetPixelShader))(self, handle);
    }
    static HRESULT STDMETHODCALLTYPE HookApplyStateBlock(IDirect3DDevice8* self, DWORD token)
    {
        Note("ApplyStateBlock 0x%lX", static_cast<unsigned long>(token));
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD);
        return Original<Fn>(Slot(&IDirect3DDevice8::ApplyStateBlock))(self, token);
    }
    static HRESULT STDMETHODCALLTYPE HookSetRenderTarget(IDirect3DDevice8* self, IDirect3DSurface8* target,
                                                         IDirect3DSurface8* depth)
    {
        Note("SetRenderTarget %p", static_cast<void*>(target));
        CurrentRecorder()->depths.push_back(depth);
        if (Refused("SetRenderTarget"))
            return D3DERR_INVALIDCALL;
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, IDirect3DSurface8*, IDirect3DSurface8*);
        return Original<Fn>(Slot(&IDirect3DDevice8::SetRenderTarget))(self, target, depth);
    }
    static HRESULT STDMETHODCALLTYPE HookClear(IDirect3DDevice8* self, DWORD count, const D3DRECT* rects, DWORD flags,
                                               D3DCOLOR colour, float z, DWORD stencil)
    {
        Note("Clear 0x%lX 0x%08lX", static_cast<unsigned long>(flags), static_cast<unsigned long>(colour));
        if (Refused("Clear"))
            return D3DERR_INVALIDCALL;
        using Fn =
            HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD);
        return Original<Fn>(Slot(&IDirect3DDevice8::Clear))(self, count, rects, flags, colour, z, stencil);
    }
    static HRESULT STDMETHODCALLTYPE HookBeginScene(IDirect3DDevice8* self)
    {
        Note("BeginScene");
        if (Refused("BeginScene"))
            return D3DERR_INVALIDCALL;
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*);
        return Original<Fn>(Slot(&IDirect3DDevice8::BeginScene))(self);
    }
    static HRESULT STDMETHODCALLTYPE HookCreateVertexBuffer(IDirect3DDevice8* self, UINT length, DWORD usage,
                                                            DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer8** vb)
    {
        Note("CreateVertexBuffer %u 0x%lX", length, static_cast<unsigned long>(usage));
        if ((usage & D3DUSAGE_DYNAMIC) && Refused("CreateVertexBuffer DYNAMIC")) {
            if (vb)
                *vb = nullptr;
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, UINT, DWORD, DWORD, D3DPOOL,
                                               IDirect3DVertexBuffer8**);
        return Original<Fn>(Slot(&IDirect3DDevice8::CreateVertexBuffer))(self, length, usage, fvf, pool, vb);
    }
    static HRESULT STDMETHODCALLTYPE HookCreateDepthStencilSurface(IDirect3DDevice8* self, UINT width, UINT height,
                                                                   D3DFORMAT format, D3DMULTISAMPLE_TYPE samples,
                                                                   IDirect3DSurface8** surface)
    {
        Note("CreateDepthStencilSurface %u %u %d", width, height, int(samples));
        if (Refused("CreateDepthStencilSurface")) {
            if (surface)
                *surface = nullptr;
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*, UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE,
                                               IDirect3DSurface8**);
        return Original<Fn>(Slot(&IDirect3DDevice8::CreateDepthStencilSurface))(self, width, height, format, samples,
                                                                                surface);
    }
    static HRESULT STDMETHODCALLTYPE HookEndScene(IDirect3DDevice8* self)
    {
        Note("EndScene");
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DDevice8*);
        return Original<Fn>(Slot(&IDirect3DDevice8::EndScene))(self);
    }

public:
    IDirect3DVertexBuffer8* streams[16] = {};
    IDirect3DIndexBuffer8* indices = nullptr;
    DWORD vertexShader = 0;

private:
    IDirect3DDevice8* device_;
    void** original_;
    std::vector<void*> table_;
    int renderTargetCalls_ = 0;
};

// The same for one vertex buffer: counts its Lock and Unlock calls and can
// refuse its locks (D3DERR_INVALIDCALL, null pointer).
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
        table_.assign(original_, original_ + Slot(&IDirect3DVertexBuffer8::GetDesc) + 1);
        table_[Slot(&IDirect3DVertexBuffer8::Lock)] = reinterpret_cast<void*>(&HookLock);
        table_[Slot(&IDirect3DVertexBuffer8::Unlock)] = reinterpret_cast<void*>(&HookUnlock);
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
        return reinterpret_cast<Fn>(r->original_[Slot(&IDirect3DVertexBuffer8::Lock)])(self, offset, size, data,
                                                                                      flags);
    }
    static HRESULT STDMETHODCALLTYPE HookUnlock(IDirect3DVertexBuffer8* self)
    {
        BufferRecorder* r = CurrentBufferRecorder();
        ++r->unlocks;
        using Fn = HRESULT(STDMETHODCALLTYPE*)(IDirect3DVertexBuffer8*);
        return reinterpret_cast<Fn>(r->original_[Slot(&IDirect3DVertexBuffer8::Unlock)])(self);
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
