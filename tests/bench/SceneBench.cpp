// Measures our own code's share of a frame: builds the real aquarium with the
// settings stored in the registry (as the saver does), starts it in its debug
// window on the real device and runs frames at a fixed step of application
// time (1/60 s), timing the world's update, the world's render (the time to
// submit the draws between BeginScene and EndScene) and the clone-texture
// pass (the clone masters' drawing into their textures, which runs inside
// the update) with the performance counter, and the update and the render
// as the thread's CPU time too. Only frames of the steady aquarium are
// timed: the frames until the world ends its warm-up (the logo showing, the
// camera held) are run and counted, not timed. Counts the program's own
// heap allocations in the timed frames and the time the saver's Startup
// takes (window, device, scene and its device objects). Prints one line of
// name=value pairs, or a reason on stderr and a non-zero exit code.
//
//   SceneBench [timed frames] [profile] [step=SECONDS]
//
// The thread's CPU time (GetThreadTimes) advances in ticks of the system's
// clock (10 ms under Wine, 15.6 ms on Windows), far coarser than a frame's
// part; a part's CPU time is the difference of two readings, which in the
// mean over many frames is the part's true cost (the readings fall at
// random phases of the tick), so only the means are given, with the tick
// seen (cpu_tick_ms) and the reading's own cost that is taken out
// (cpu_probe_us). The readings lie outside the wall-time spans, and the
// frame's wall time leaves their time out.
//
// With "profile" it also counts and times, per frame, the device calls the
// frame makes (lines "call <method> <calls per frame> <ms per frame>", the
// vertex buffers' Lock by its flags among them) and the children's updates by
// class (lines "update <class> <objects> <ms per frame>", a clone master's
// pass included); the timing around each call then adds to the frame's
// figures.
#include "fish/CFish.h"
#include "fish/PimRenderTexture.h"
#include "app/SelApplication.h"
#include "settings/SettingsRegistry.h"
#include "VtablePatch.h"

#include "scene/OruWorld.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>
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

// Per-method call counts and time inside the device, for the profile.
struct CallStats {
    const char* name;
    size_t index;
    void* original;
    unsigned long long calls;
    LONGLONG ticks;
};

enum ProfiledCall {
    CallApplyStateBlock,
    CallSetRenderState,
    CallSetTexture,
    CallSetTextureStageState,
    CallDrawPrimitive,
    CallDrawIndexedPrimitive,
    CallSetVertexShader,
    CallSetVertexShaderConstant,
    CallSetStreamSource,
    CallSetIndices,
    CallSetPixelShader,
    CallSetPixelShaderConstant,
    CallCount
};

CallStats calls[CallCount] = {
    {"ApplyStateBlock", 54, nullptr, 0, 0},         {"SetRenderState", 50, nullptr, 0, 0},
    {"SetTexture", 61, nullptr, 0, 0},              {"SetTextureStageState", 63, nullptr, 0, 0},
    {"DrawPrimitive", 70, nullptr, 0, 0},           {"DrawIndexedPrimitive", 71, nullptr, 0, 0},
    {"SetVertexShader", 76, nullptr, 0, 0},         {"SetVertexShaderConstant", 79, nullptr, 0, 0},
    {"SetStreamSource", 83, nullptr, 0, 0},         {"SetIndices", 85, nullptr, 0, 0},
    {"SetPixelShader", 88, nullptr, 0, 0},          {"SetPixelShaderConstant", 91, nullptr, 0, 0},
};

template <ProfiledCall C, typename... Args> HRESULT WINAPI Timed(IDirect3DDevice8* device, Args... args)
{
    typedef HRESULT(WINAPI * Function)(IDirect3DDevice8*, Args...);
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    const HRESULT hr = reinterpret_cast<Function>(calls[C].original)(device, args...);
    QueryPerformanceCounter(&b);
    ++calls[C].calls;
    calls[C].ticks += b.QuadPart - a.QuadPart;
    return hr;
}

void* const timedFunctions[CallCount] = {
    reinterpret_cast<void*>(&Timed<CallApplyStateBlock, DWORD>),
    reinterpret_cast<void*>(&Timed<CallSetRenderState, D3DRENDERSTATETYPE, DWORD>),
    reinterpret_cast<void*>(&Timed<CallSetTexture, DWORD, IDirect3DBaseTexture8*>),
    reinterpret_cast<void*>(&Timed<CallSetTextureStageState, DWORD, D3DTEXTURESTAGESTATETYPE, DWORD>),
    reinterpret_cast<void*>(&Timed<CallDrawPrimitive, D3DPRIMITIVETYPE, UINT, UINT>),
    reinterpret_cast<void*>(&Timed<CallDrawIndexedPrimitive, D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT>),
    reinterpret_cast<void*>(&Timed<CallSetVertexShader, DWORD>),
    reinterpret_cast<void*>(&Timed<CallSetVertexShaderConstant, DWORD, const void*, DWORD>),
    reinterpret_cast<void*>(&Timed<CallSetStreamSource, UINT, IDirect3DVertexBuffer8*, UINT>),
    reinterpret_cast<void*>(&Timed<CallSetIndices, IDirect3DIndexBuffer8*, UINT>),
    reinterpret_cast<void*>(&Timed<CallSetPixelShader, DWORD>),
    reinterpret_cast<void*>(&Timed<CallSetPixelShaderConstant, DWORD, const void*, DWORD>),
};

// Vertex-buffer locks by their flags, for the profile: the shared method
// table of the device's vertex buffers gets a timing Lock (slot 11).
const size_t VertexBufferLockSlot = 11;
typedef HRESULT(WINAPI* LockFunction)(IDirect3DVertexBuffer8*, UINT, UINT, BYTE**, DWORD);
LockFunction realLock = nullptr;

struct LockStats {
    const char* name;
    unsigned long long calls;
    LONGLONG ticks;
};

LockStats lockStats[3] = {{"Lock(0)", 0, 0}, {"Lock(DISCARD)", 0, 0}, {"Lock(NOOVERWRITE)", 0, 0}};

HRESULT WINAPI TimedLock(IDirect3DVertexBuffer8* buffer, UINT offset, UINT size, BYTE** data, DWORD flags)
{
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    const HRESULT hr = realLock(buffer, offset, size, data, flags);
    QueryPerformanceCounter(&b);
    LockStats& s = lockStats[(flags & D3DLOCK_DISCARD) ? 1 : (flags & D3DLOCK_NOOVERWRITE) ? 2 : 0];
    ++s.calls;
    s.ticks += b.QuadPart - a.QuadPart;
    return hr;
}

// Patches the table that every vertex buffer of the device shares, found
// through a buffer made for the purpose.
void TimeVertexBufferLocks(IDirect3DDevice8* device)
{
    IDirect3DVertexBuffer8* probe = nullptr;
    if (FAILED(device->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &probe)) ||
        !probe)
        return;
    void** table = *reinterpret_cast<void***>(probe);
    DWORD old = 0;
    if (VirtualProtect(&table[VertexBufferLockSlot], sizeof(void*), PAGE_READWRITE, &old)) {
        realLock = reinterpret_cast<LockFunction>(table[VertexBufferLockSlot]);
        table[VertexBufferLockSlot] = reinterpret_cast<void*>(&TimedLock);
        VirtualProtect(&table[VertexBufferLockSlot], sizeof(void*), old, &old);
    }
    probe->Release();
}

// The children's Update (slot 4 of every scene object's table), timed by
// class: each child gets its own table whose slot 4 is TimedUpdate.
const size_t ObjectMethods = 64; // more than any scene class has
const size_t UpdateSlot = 4;
typedef void (*UpdateFunction)(OruObject*, float, float);

struct ClassStats {
    std::string name;
    int objects;
    LONGLONG ticks;
};

std::vector<ClassStats> classStats;
std::unordered_map<const OruObject*, std::pair<int, UpdateFunction>> childUpdates;
std::vector<VtablePatch*> childPatches;

void TimedUpdate(OruObject* self, float time, float prevTime)
{
    const auto& entry = childUpdates[self];
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    entry.second(self, time, prevTime);
    QueryPerformanceCounter(&b);
    classStats[entry.first].ticks += b.QuadPart - a.QuadPart;
}

void TimeChildUpdates(OruWorld* world)
{
    for (int i = 0; i < world->children.count; ++i) {
        OruObject* child = static_cast<OruObject*>(world->children.items[i]);
        if (!child)
            continue;
        size_t k = 0;
        while (k < classStats.size() && classStats[k].name != child->name)
            ++k;
        if (k == classStats.size())
            classStats.push_back({child->name, 0, 0});
        ++classStats[k].objects;
        VtablePatch* patch = new VtablePatch();
        childPatches.push_back(patch);
        if (!patch->Attach(child, ObjectMethods))
            continue;
        UpdateFunction original =
            reinterpret_cast<UpdateFunction>(patch->Replace(UpdateSlot, reinterpret_cast<void*>(&TimedUpdate)));
        childUpdates[child] = {static_cast<int>(k), original};
    }
}

LONGLONG Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

// The calling thread's CPU time, user and kernel, in 100 ns units; false
// when the platform does not give it.
bool ThreadCpu(ULONGLONG* time)
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return false;
    *time = ((ULONGLONG(kernel.dwHighDateTime) << 32) | kernel.dwLowDateTime) +
            ((ULONGLONG(user.dwHighDateTime) << 32) | user.dwLowDateTime);
    return true;
}

// A reading's own CPU cost (the span between two readings holds one whole
// reading: the rest of the first and the start of the second) and the
// smallest step the clock was seen to make, both in 100 ns units.
struct CpuClock {
    bool available;
    double probe;
    ULONGLONG tick;
};

CpuClock CalibrateCpuClock()
{
    CpuClock clock = {false, 0.0, 0};
    const int Readings = 3000;
    ULONGLONG first = 0, previous = 0, now = 0;
    if (!ThreadCpu(&first))
        return clock;
    previous = first;
    for (int i = 0; i < Readings; ++i) {
        if (!ThreadCpu(&now))
            return clock;
        if (now > previous && (clock.tick == 0 || now - previous < clock.tick))
            clock.tick = now - previous;
        previous = now;
    }
    clock.available = true;
    clock.probe = double(now - first) / Readings;
    return clock;
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

void Usage()
{
    std::fprintf(stderr, "usage: SceneBench [timed frames] [profile] [step=SECONDS]\n");
}

int main(int argc, char** argv)
{
    int frames = 2000;
    bool profile = false;
    double step = 1.0 / 60.0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        char* end = nullptr;
        if (arg == "profile") {
            profile = true;
        } else if (arg.compare(0, 5, "step=") == 0) {
            step = std::strtod(arg.c_str() + 5, &end);
            if (end == arg.c_str() + 5 || *end || !(step >= 0.001 && step <= 0.25)) {
                std::fprintf(stderr, "SceneBench: step must be a number of seconds from 0.001 to 0.25\n");
                Usage();
                return 2;
            }
        } else {
            const long n = std::strtol(arg.c_str(), &end, 10);
            if (end == arg.c_str() || *end || n < 1 || n > 1000000) {
                std::fprintf(stderr, "SceneBench: bad argument \"%s\"\n", arg.c_str());
                Usage();
                return 2;
            }
            frames = static_cast<int>(n);
        }
    }
    // The warm-up lasts 10 s of scene time; one that has not ended after
    // six times that never will.
    const int warmUpLimit = static_cast<int>(60.0 / step) + 10;

    SelApplication app;
    if (app.FindRunningInstance()) {
        std::fprintf(stderr, "SceneBench: a saver is already running\n");
        return 2;
    }
    LoadParameters();
    app.runMode = RunModeDebug;
    std::srand(1);
    const LONGLONG startupBegin = Now();
    const HRESULT started = app.Startup(GetModuleHandleA(nullptr));
    const LONGLONG startupEnd = Now();
    if (FAILED(started) || !app.device || !app.world) {
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
    if (profile) {
        for (int c = 0; c < CallCount; ++c)
            calls[c].original = devicePatch.Replace(calls[c].index, timedFunctions[c]);
        TimeChildUpdates(world);
        TimeVertexBufferLocks(device);
    }

    const DWORD clearFlags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | (app.GetStencilBits() ? D3DCLEAR_STENCIL : 0);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const double msPerTick = 1000.0 / static_cast<double>(frequency.QuadPart);
    const double startupMs = (startupEnd - startupBegin) * msPerTick;

    const CpuClock cpuClock = CalibrateCpuClock();
    const double msPerCpuUnit = 1e-4;

    std::vector<double> update, render, clone, frame;
    update.reserve(frames);
    render.reserve(frames);
    clone.reserve(frames);
    frame.reserve(frames);
    unsigned long long frameAllocations = 0;
    ULONGLONG updateCpu = 0, renderCpu = 0;
    int failed = 0;
    int skipped = 0;
    bool closed = false;

    for (int n = 0; static_cast<int>(update.size()) < frames; ++n) {
        if (!PumpMessages()) {
            closed = true;
            break;
        }
        const bool timed = world->warmedUp != 0;
        if (!timed && ++skipped > warmUpLimit)
            break;
        if (timed && update.empty()) {
            for (CallStats& c : calls)
                c.calls = 0, c.ticks = 0;
            for (ClassStats& c : classStats)
                c.ticks = 0;
            for (LockStats& l : lockStats)
                l.calls = 0, l.ticks = 0;
        }
        app.appTime = static_cast<float>(n * step);
        cloneTicks = 0;
        allocations = 0;
        countAllocations = timed;

        // CPU readings c0..c3 lie outside the wall-time spans; probeTicks
        // is the wall time of those inside the frame.
        ULONGLONG c0 = 0, c1 = 0, c2 = 0, c3 = 0;
        LONGLONG probeTicks = 0;
        ThreadCpu(&c0);
        const LONGLONG t0 = Now();
        if (FAILED(world->UpdateAll(app.appTime)) && timed)
            ++failed;
        const LONGLONG t1 = Now();
        ThreadCpu(&c1);
        probeTicks += Now() - t1;
        const LONGLONG cloneInUpdate = cloneTicks;
        device->Clear(0, nullptr, clearFlags, 0x001020C0, 1.0f, 0);
        LONGLONG t2 = 0, t3 = 0;
        if (SUCCEEDED(device->BeginScene())) {
            const LONGLONG p = Now();
            ThreadCpu(&c2);
            t2 = Now();
            probeTicks += t2 - p;
            if (app.SceneRestored())
                world->Render();
            t3 = Now();
            ThreadCpu(&c3);
            probeTicks += Now() - t3;
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
            frame.push_back((t4 - t0 - probeTicks) * msPerTick);
            updateCpu += c1 - c0;
            renderCpu += c3 - c2;
        }
    }

    if (closed || static_cast<int>(update.size()) < frames) {
        if (closed)
            std::fprintf(stderr, "SceneBench: the window closed after %zu of %d timed frames\n", update.size(), frames);
        else
            std::fprintf(stderr, "SceneBench: the world's warm-up did not end within %d frames (%.0f s of scene time)\n",
                         warmUpLimit, warmUpLimit * step);
        if (!closed) {
            PostMessageA(app.window, WM_CLOSE, 0, 0);
            app.RunMessageLoop();
        }
        app.FinalCleanup();
        return 4;
    }

    const Summary u = Summarise(update), r = Summarise(render), c = Summarise(clone), f = Summarise(frame);
    const double timedFrames = static_cast<double>(update.size());
    // A span's CPU time holds one reading's cost; a mean below zero is the
    // tick's noise and reads as zero.
    const double uCpu = std::max(0.0, (updateCpu / timedFrames - cpuClock.probe) * msPerCpuUnit);
    const double rCpu = std::max(0.0, (renderCpu / timedFrames - cpuClock.probe) * msPerCpuUnit);
    char cpuFields[160];
    if (cpuClock.available)
        std::snprintf(cpuFields, sizeof cpuFields, "update_cpu_mean=%.4f render_cpu_mean=%.4f cpu_tick_ms=%.3f cpu_probe_us=%.1f",
                      uCpu, rCpu, cpuClock.tick * msPerCpuUnit, cpuClock.probe * msPerCpuUnit * 1000.0);
    else
        std::snprintf(cpuFields, sizeof cpuFields,
                      "update_cpu_mean=na render_cpu_mean=na cpu_tick_ms=na cpu_probe_us=na");
    std::printf("fish=%d groups=%d frames=%zu skipped=%d step=%.5f update_mean=%.4f update_p99=%.4f render_mean=%.4f "
                "render_p99=%.4f clone_mean=%.4f clone_p99=%.4f frame_mean=%.4f frame_p99=%.4f %s "
                "allocs_per_frame=%.2f failed=%d startup_ms=%.1f\n",
                fish, groups, update.size(), skipped, step, u.mean, u.p99, r.mean, r.p99, c.mean, c.p99, f.mean,
                f.p99, cpuFields, double(frameAllocations) / timedFrames, failed, startupMs);
    if (!cpuClock.available)
        std::fprintf(stderr, "SceneBench: the thread's CPU time is not measured (GetThreadTimes failed)\n");
    if (profile)
        for (const CallStats& c : calls)
            std::printf("call %s %.1f %.4f\n", c.name, double(c.calls) / timedFrames, c.ticks * msPerTick / timedFrames);
    if (profile && realLock)
        for (const LockStats& l : lockStats)
            std::printf("call %s %.1f %.4f\n", l.name, double(l.calls) / timedFrames, l.ticks * msPerTick / timedFrames);
    if (profile)
        for (const ClassStats& c : classStats)
            std::printf("update %s %d %.4f\n", c.name.c_str(), c.objects, c.ticks * msPerTick / timedFrames);
    std::fflush(stdout);

    // End as the saver does on Esc: the framework closes the window and frees the device.
    PostMessageA(app.window, WM_CLOSE, 0, 0);
    app.RunMessageLoop();
    app.FinalCleanup();
    if (failed) {
        std::fprintf(stderr, "SceneBench: the world's update failed in %d of the timed frames\n", failed);
        return 5;
    }
    return 0;
}
