// Measures our own code's share of a frame: builds the real aquarium with the
// settings stored in the registry (as the saver does), starts it in its debug
// window on the real device and runs frames at a fixed 1/60 s of application
// time each, timing the world's update, the world's render (the time to
// submit the draws between BeginScene and EndScene) and the clone-texture
// pass (the clone masters' drawing into their textures, which runs inside
// the update) with the performance counter. Counts the program's own heap
// allocations in the timed frames too. Prints one line of name=value pairs.
//
//   SceneBench [timed frames] [warm-up frames]
#include "CFish.h"
#include "PimRenderTexture.h"
#include "SelApplication.h"
#include "SettingsRegistry.h"
#include "VtablePatch.h"

#include "scene/OruWorld.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

// Heap allocations through operator new while counting is on.
volatile bool countAllocations = false;
unsigned long long allocations = 0;

const size_t DeviceMethods = 97;
const size_t SetRenderTargetIndex = 31;
typedef HRESULT(WINAPI* SetRenderTargetFunction)(IDirect3DDevice8*, IDirect3DSurface8*, IDirect3DSurface8*);

VtablePatch devicePatch;
SetRenderTargetFunction realSetRenderTarget = nullptr;
IDirect3DSurface8* backBuffer = nullptr; // compared only
LARGE_INTEGER cloneStart;
bool inClonePass = false;
LONGLONG cloneTicks = 0;

// A clone master switches the target to its texture and back: the time
// between the two is its pass.
HRESULT WINAPI TimingSetRenderTarget(IDirect3DDevice8* device, IDirect3DSurface8* target, IDirect3DSurface8* depth)
{
    if (target != backBuffer && !inClonePass) {
        QueryPerformanceCounter(&cloneStart);
        inClonePass = true;
    }
    const HRESULT hr = realSetRenderTarget(device, target, depth);
    if (target == backBuffer && inClonePass) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        cloneTicks += now.QuadPart - cloneStart.QuadPart;
        inClonePass = false;
    }
    return hr;
}

LONGLONG Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

struct Summary {
    double mean;
    double p99;
};

Summary Summarise(std::vector<double> samples)
{
    Summary s = {0.0, 0.0};
    if (samples.empty())
        return s;
    double sum = 0.0;
    for (double v : samples)
        sum += v;
    s.mean = sum / samples.size();
    std::sort(samples.begin(), samples.end());
    size_t index = static_cast<size_t>(0.99 * (samples.size() - 1) + 0.5);
    s.p99 = samples[std::min(index, samples.size() - 1)];
    return s;
}

bool PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            return false;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

} // namespace

void* operator new(size_t size)
{
    if (countAllocations)
        ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new[](size_t size)
{
    return operator new(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    if (countAllocations)
        ++allocations;
    return std::malloc(size ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int warmUp = argc > 2 ? std::max(0, std::atoi(argv[2])) : 300;

    SelApplication app;
    g_app = &app;
    if (app.FindRunningInstance()) {
        std::fprintf(stderr, "SceneBench: a saver is already running\n");
        return 2;
    }
    LoadParameters();
    app.runMode = RunModeDebug;
    std::srand(1);
    if (FAILED(app.Startup(GetModuleHandleA(nullptr))) || !app.device || !app.world) {
        std::fprintf(stderr, "SceneBench: the saver did not start\n");
        return 3;
    }
    OruWorld* world = app.world;
    IDirect3DDevice8* device = app.device;

    int fish = 0;
    int groups = 0;
    for (int i = 0; i < world->children.count; ++i) {
        OruObject* child = static_cast<OruObject*>(world->children.items[i]);
        if (dynamic_cast<CFish*>(child))
            ++fish;
        if (dynamic_cast<PimRenderTexture*>(child))
            ++groups;
    }

    if (SUCCEEDED(device->GetRenderTarget(&backBuffer)) && backBuffer)
        backBuffer->Release();
    if (devicePatch.Attach(device, DeviceMethods))
        realSetRenderTarget = reinterpret_cast<SetRenderTargetFunction>(
            devicePatch.Replace(SetRenderTargetIndex, reinterpret_cast<void*>(&TimingSetRenderTarget)));

    const DWORD clearFlags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | (app.GetStencilBits() ? D3DCLEAR_STENCIL : 0);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const double msPerTick = 1000.0 / static_cast<double>(frequency.QuadPart);

    std::vector<double> update, render, clone, frame;
    update.reserve(frames);
    render.reserve(frames);
    clone.reserve(frames);
    frame.reserve(frames);
    unsigned long long frameAllocations = 0;
    int failed = 0;

    for (int n = 0; n < warmUp + frames; ++n) {
        if (!PumpMessages())
            break;
        const bool timed = n >= warmUp;
        app.appTime = static_cast<float>(n) / 60.0f;
        cloneTicks = 0;
        allocations = 0;
        countAllocations = timed;

        const LONGLONG t0 = Now();
        if (FAILED(world->UpdateAll(app.appTime)))
            ++failed;
        const LONGLONG t1 = Now();
        const LONGLONG cloneInUpdate = cloneTicks;
        device->Clear(0, nullptr, clearFlags, 0x001020C0, 1.0f, 0);
        LONGLONG t2 = 0, t3 = 0;
        if (SUCCEEDED(device->BeginScene())) {
            t2 = Now();
            if (app.SceneRestored())
                world->Render();
            t3 = Now();
            device->EndScene();
        }
        countAllocations = false;
        device->Present(nullptr, nullptr, nullptr, nullptr);
        const LONGLONG t4 = Now();

        if (timed) {
            frameAllocations += allocations;
            update.push_back((t1 - t0 - cloneInUpdate) * msPerTick);
            clone.push_back(cloneInUpdate * msPerTick);
            render.push_back((t3 - t2) * msPerTick);
            frame.push_back((t4 - t0) * msPerTick);
        }
    }

    const Summary u = Summarise(update), r = Summarise(render), c = Summarise(clone), f = Summarise(frame);
    std::printf("fish=%d groups=%d frames=%zu update_mean=%.4f update_p99=%.4f render_mean=%.4f render_p99=%.4f "
                "clone_mean=%.4f clone_p99=%.4f frame_mean=%.4f frame_p99=%.4f allocs_per_frame=%.2f failed=%d\n",
                fish, groups, update.size(), u.mean, u.p99, r.mean, r.p99, c.mean, c.p99, f.mean, f.p99,
                update.empty() ? 0.0 : double(frameAllocations) / update.size(), failed);
    std::fflush(stdout);

    // End as the saver does on Esc: the framework closes the window and frees the device.
    PostMessageA(app.window, WM_CLOSE, 0, 0);
    app.RunMessageLoop();
    app.FinalCleanup();
    return 0;
}
