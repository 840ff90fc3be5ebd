#include "OruWorld.h"

#include "OruCamera.h"
#include "OruFrameProbe.h"
#include "OruGammaFade.h"
#include "framework/AppAccess.h"
#include "framework/OruApplication.h"
#include "servers/OruGroupList.h"
#include "servers/SBServer.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "trace/DebugPrint.h"

#include "settings/SceneSettings.h"
#include "vsConstants.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

float OruWorld::fTimeKey = -1.0f;
float OruWorld::clockHistory[WorldClockHistory] = {};
float OruWorld::warmUpStart = 0.0f;

namespace {

const float NotMeasured = std::numeric_limits<float>::quiet_NaN();

OruObject* Child(const OruPtrArray& list, int i)
{
    return static_cast<OruObject*>(list.items[i]);
}

// The transparent pass's order key: far first. A key that is not a number
// ranks as nearer than every number, so the order stays a strict weak order
// and such objects draw last.
float FarKey(const OruObject* o)
{
    return std::isnan(o->sortDistance) ? -std::numeric_limits<float>::infinity() : o->sortDistance;
}

bool Farther(const void* a, const void* b)
{
    return FarKey(static_cast<const OruObject*>(a)) > FarKey(static_cast<const OruObject*>(b));
}

// Sorts items far to near keeping equal keys in list order, without heap
// allocation: a bottom-up merge through scratch (room for n items), or an
// insertion sort in place when there is no scratch.
void SortFarToNear(void** items, void** scratch, int n)
{
    if (!scratch) {
        for (int i = 1; i < n; ++i) {
            void* item = items[i];
            int j = i;
            for (; j > 0 && Farther(item, items[j - 1]); --j)
                items[j] = items[j - 1];
            items[j] = item;
        }
        return;
    }
    void** from = items;
    void** to = scratch;
    for (int width = 1; width < n; width *= 2) {
        for (int left = 0; left < n; left += 2 * width) {
            const int middle = std::min(left + width, n);
            const int right = std::min(left + 2 * width, n);
            int a = left, b = middle, k = left;
            // The right run's item goes first only when strictly farther.
            while (a < middle && b < right)
                to[k++] = Farther(from[b], from[a]) ? from[b++] : from[a++];
            while (a < middle)
                to[k++] = from[a++];
            while (b < right)
                to[k++] = from[b++];
        }
        std::swap(from, to);
    }
    if (from != items)
        std::copy(from, from + n, items);
}

void SetVertexConstant(IDirect3DDevice8* device, DWORD reg, float x, float y, float z, float w)
{
    const float v[4] = {x, y, z, w};
    device->SetVertexShaderConstant(reg, v, 1);
}

void SetPixelConstant(IDirect3DDevice8* device, DWORD reg, float x, float y, float z, float w)
{
    const float v[4] = {x, y, z, w};
    device->SetPixelShaderConstant(reg, v, 1);
}

// Light levels by the Lights setting: brilliant, bright, dark.
const float DiffuseLevels[3] = {0.3f, 0.2f, 0.2f};
const float AmbientLevels[3] = {0.3f, 0.2f, 0.0f};
const float SpecularLevels[3] = {0.2f, 0.1f, 0.05f};

// The Lights setting as a table index; a value outside the tables gives the
// setting's default.
int LightsLevel()
{
    const int32_t v = SceneSetting(SceneLights);
    if (v >= 0 && v < 3)
        return v;
    return SceneParamDefs[SceneLights].value;
}

template <typename T> void Destroy(T*& p)
{
    delete p;
    p = nullptr;
}

} // namespace

OruWorld::OruWorld()
    : transparentList(10, 10), lateList(10, 10), frameCounter(0), warmedUp(0), children(10, 10), camera(nullptr),
      vsServer(nullptr), vbServer(nullptr), sbServer(nullptr), groupList(nullptr), gammaFade(nullptr),
      frameProbe(nullptr), lights(), lightColours(), lightCount(0), flocks(), sunVisibility(1.0f),
      sunDirection(0, -0.70710677f, 0.70710677f), distances(nullptr), distanceStamps(nullptr), distanceSize(0),
      neighbours(WorldNeighbourCapacity, WorldNeighbourCapacity), sortScratch(10, 10)
{
    SetName("OruWorld");
    // A part that cannot be allocated stays null; every use checks.
    camera = new (std::nothrow) OruCamera();
    vsServer = new (std::nothrow) VSServer();
    vbServer = new (std::nothrow) VBServer();
    sbServer = new (std::nothrow) SBServer();
    groupList = new (std::nothrow) OruGroupList();
    frameProbe = new (std::nothrow) OruFrameProbe();
    gammaFade = new (std::nothrow) OruGammaFade();
    OruSceneContext::SetCurrent(this);
}

OruWorld::~OruWorld()
{
    // Normally FinalCleanup has run and nothing is left to free.
    FinalCleanup();
    if (OruSceneContext::Current() == this)
        OruSceneContext::SetCurrent(nullptr);
}

HRESULT OruWorld::AddObject(OruObject* object)
{
    if (!object)
        return E_POINTER;
    if (children.count >= WorldChildCapacity)
        return E_OUTOFMEMORY;
    const int index = children.count;
    if (!children.Push(object))
        return E_OUTOFMEMORY;
    object->worldIndex = index;
    return 0;
}

HRESULT OruWorld::AddLight(OruObject* light, const float* colour)
{
    if (!light || !colour)
        return E_POINTER;
    if (lightCount >= WorldLightCapacity)
        return E_OUTOFMEMORY;
    lights[lightCount] = light;
    lightColours[lightCount] = colour;
    ++lightCount;
    return 0;
}

HRESULT OruWorld::UpdateAll(float appTime)
{
    // An application time that is not a number would stay in the history for
    // ten frames and could keep the warm-up from ever ending; repeat the last
    // good time instead.
    float t = appTime;
    if (!std::isfinite(t))
        t = fTimeKey == -1.0f ? 0.0f : clockHistory[0];

    if (fTimeKey == -1.0f) {
        for (float& h : clockHistory)
            h = t;
    } else {
        for (int i = WorldClockHistory - 1; i > 0; --i)
            clockHistory[i] = clockHistory[i - 1];
        clockHistory[0] = t;
    }
    float sum = 0.0f;
    for (int i = 0; i < WorldClockHistory - 1; ++i)
        sum += clockHistory[i];
    const float m = 0.1f * sum;
    const float d = 0.1f * (t - clockHistory[WorldClockHistory - 1]);
    float time = m + 5.5f * d;
    const float prevTime = m + 4.5f * d;
    fTimeKey = prevTime;
    DebugPrint(0, "U");

    ++frameCounter;
    if (frameCounter < 5)
        warmUpStart = time;
    if (!warmedUp && time - warmUpStart > 10.0f) {
        warmedUp = 1;
        // The one trace of the scene's course: a watcher of the debug output
        // (scripts/run.sh) knows from it that the aquarium's view begins.
        OutputDebugStringA("OruWorld: warm-up over\n");
    }

    if (frameProbe)
        frameProbe->Mark(FramePhaseUpdate, frameCounter);

    D3DXVECTOR3 sun(0.0f, 0.05f * std::sin(0.5f * time) - 1.0f, 0.02f * std::cos(0.33333334f * time) + 1.0f);
    D3DXVec3Normalize(&sunDirection, &sun);

    if (time < prevTime) {
        DebugPrint("ZING fTimeKey\n");
        time = prevTime + 0.001f;
    }

    const HRESULT distancesResult = UpdateDistances();

    ForgetBindings();

    sunVisibility = 1.0f;

    if (camera) {
        camera->Update(time, prevTime);
        camera->SetView();
    }

    UpdateTimer(time, prevTime);
    for (int i = 0; i < children.count; ++i) {
        OruObject* child = Child(children, i);
        if (!child)
            continue;
        child->UpdateTimer(time, prevTime);
        if (child->state == 1)
            child->Update(time, prevTime);
    }
    // A distance matrix that could not be allocated is reported after the
    // update, which ran without it.
    return distancesResult;
}

void OruWorld::FreeDistances()
{
    delete[] distances;
    delete[] distanceStamps;
    distances = nullptr;
    distanceStamps = nullptr;
    distanceSize = 0;
}

HRESULT OruWorld::UpdateDistances()
{
    if (TechniqueSetting(TechFlockMateEffect) != 0)
        return 0;
    const int n = children.count;
    if (n == 0)
        return 0;
    const uint16_t stamp = static_cast<uint16_t>(frameCounter);

    if (!distances || distanceSize < n) {
        // Sized to the children there are; a later child makes it anew.
        FreeDistances();
        const size_t cells = static_cast<size_t>(n) * static_cast<size_t>(n);
        distances = new (std::nothrow) float[cells];
        distanceStamps = new (std::nothrow) uint16_t[cells];
        if (!distances || !distanceStamps) {
            FreeDistances();
            DebugPrint("distance matrix of %d children: not enough memory\n", n);
            return E_OUTOFMEMORY;
        }
        distanceSize = n;
        std::fill(distances, distances + cells, NotMeasured);
        // The previous frame's stamp, so that every pair is measured now.
        std::fill(distanceStamps, distanceStamps + cells, static_cast<uint16_t>(stamp - 1));
    }

    const size_t side = static_cast<size_t>(distanceSize);
    for (int i = 0; i < n; ++i) {
        OruObject* a = Child(children, i);
        if (!a || a->state != 1)
            continue;
        for (int j = 0; j < i; ++j) {
            OruObject* b = Child(children, j);
            if (!b || b->state != 1)
                continue;
            const size_t ij = i * side + j;
            const size_t ji = j * side + i;
            if (distanceStamps[ij] == stamp)
                continue;
            const D3DXVECTOR3 delta = *a->GetPosition() - *b->GetPosition();
            const float d = D3DXVec3Length(&delta);
            distances[ij] = d;
            distances[ji] = d;
            distanceStamps[ij] = stamp;
            distanceStamps[ji] = stamp;
        }
    }
    return 0;
}

OruPtrArray* OruWorld::GetNeighbours(OruObject* self, int n)
{
    neighbours.Clear();
    // The list holds at most its capacity; it never grows here.
    const int limit = std::min(std::max(n, 0), neighbours.capacity);
    for (int k = 0; k < limit; ++k)
        neighbours.items[k] = nullptr;
    if (!self || limit == 0 || !distances)
        return &neighbours;
    const int row = self->worldIndex;
    if (row < 0 || row >= distanceSize)
        return &neighbours;

    const int columns = std::min(children.count, static_cast<int>(distanceSize));
    for (int c = 0; c < columns; ++c) {
        if (c == row)
            continue;
        OruObject* candidate = Child(children, c);
        const float d = distances[static_cast<size_t>(row) * distanceSize + c];
        // A pair never measured (one of them never active) has no distance.
        if (!candidate || std::isnan(d))
            continue;
        int place = 0;
        for (int k = neighbours.count - 1; k >= 0; --k) {
            if (static_cast<OruObject*>(neighbours.items[k])->neighbourDistance < d) {
                place = k + 1;
                break;
            }
        }
        if (place >= limit)
            continue;
        const int last = std::min(neighbours.count, limit - 1);
        for (int k = last; k > place; --k)
            neighbours.items[k] = neighbours.items[k - 1];
        neighbours.items[place] = candidate;
        candidate->neighbourDistance = d;
        if (neighbours.count < limit)
            ++neighbours.count;
    }
    return &neighbours;
}

void OruWorld::SetStencilDefaults()
{
    IDirect3DDevice8* device = Device();
    if (!device)
        return;
    device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRS_STENCILREF, 0);
    device->SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
    device->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFFFFFFFF);
    device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
    device->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
}

void OruWorld::SetFixedConstants()
{
    IDirect3DDevice8* device = Device();
    if (!device)
        return;
    SetVertexConstant(device, CV_ZERO, 0.0f, 0.0f, 0.0f, 0.0f);
    SetVertexConstant(device, CV_CONST, 1.0f, 0.5f, 0.2f, 0.05f);
    SetVertexConstant(device, CV_CONST2, 2.0f, 4.0f, 10.0f, 50.0f);
    SetVertexConstant(device, CV_RED, 1.0f, 0.0f, 0.0f, 1.0f);
    SetVertexConstant(device, CV_GREEN, 0.0f, 1.0f, 0.0f, 1.0f);
    SetVertexConstant(device, CV_BLUE, 0.0f, 0.0f, 1.0f, 1.0f);
}

void OruWorld::SetFrameConstants()
{
    IDirect3DDevice8* device = Device();
    if (!device)
        return;
    SetFixedConstants();

    for (int k = 0; k < CV_LIGHT_COUNT && k < lightCount; ++k) {
        if (!lights[k] || !lightColours[k])
            continue;
        device->SetVertexShaderConstant(CV_LIGHT0_COLOUR + 2 * k, lightColours[k], 1);
        const Vector3& p = lights[k]->position;
        SetVertexConstant(device, CV_LIGHT0_POSITION + 2 * k, p.x, p.y, p.z, 1.0f);
    }

    const int level = LightsLevel();
    const float diffuse = DiffuseLevels[level];
    SetVertexConstant(device, CV_DIFFUSE, diffuse, diffuse, diffuse, 1.0f);

    D3DXVECTOR3 towardSun = -sunDirection;
    D3DXVec3Normalize(&towardSun, &towardSun);
    SetVertexConstant(device, CV_SUN_DIRECTION, towardSun.x, towardSun.y, towardSun.z, 1.0f);

    const float specular = SpecularLevels[level];
    SetVertexConstant(device, CV_SPECULAR, specular, specular, specular, 1.0f);
    SetVertexConstant(device, CV_SPECULAR_POWER, 0.0f, 0.0f, 0.0f, 20.0f);

    const float ambient = AmbientLevels[level];
    SetVertexConstant(device, CV_AMBIENT, ambient, ambient, ambient, 1.0f);
    SetPixelConstant(device, CP_AMBIENT, ambient, ambient, ambient, 1.0f);

    SetVertexConstant(device, CV_FOG, 0.5f, 50.0f, 0.020408163f, 0.0f);

    const Vector3* eye = EyePosition();
    SetVertexConstant(device, CV_EYE, eye->x, eye->y, eye->z, 1.0f);

    SetPixelConstant(device, CP_WHITE, 1.0f, 1.0f, 1.0f, 1.0f);
    SetPixelConstant(device, CP_WHITE_CLEAR, 1.0f, 1.0f, 1.0f, 0.0f);
    SetPixelConstant(device, CP_ALPHA_BIAS, 0.0f, 0.0f, 0.0f, -0.2f);
}

HRESULT OruWorld::Render()
{
    OruApplication* app = App();
    if (frameProbe) {
        frameProbe->Mark(FramePhaseRender, frameCounter);
        if (frameCounter % 300 == 0)
            DebugPrint("--%s\n", frameProbe->FormatTimeOfDay());
    }
    if (app && app->GetStencilBits() > 0)
        SetStencilDefaults();
    ForgetBindings();

    if (children.count == 0)
        return 0;

    transparentList.Clear();
    lateList.Clear();

    DebugPrint(0, "0");
    SetFrameConstants();

    OruObject* eyeObject = camera ? camera->GetEyeObject() : nullptr;
    const bool flaggedAllowed = app && app->drawFlaggedObjects;
    auto drawable = [&](const OruObject* o) {
        return o != eyeObject && (!o->drawOnlyWhenAllowed || flaggedAllowed);
    };

    DebugPrint(0, "N");
    const char* lastDrawn = nullptr;
    for (int i = 0; i < children.count; ++i) {
        OruObject* child = Child(children, i);
        if (!child) {
            DebugPrint(2, "!==!");
            continue;
        }
        if (!child->noCull && child->culled)
            continue;
        if (child->transparent) {
            if (child->state == 1)
                transparentList.Push(child);
            continue;
        }
        if (child->late) {
            lateList.Push(child);
            continue;
        }
        if (child->state != 1 || !drawable(child))
            continue;
        if (!lastDrawn || std::strcmp(lastDrawn, child->name) != 0) {
            DebugPrint(0, "%.8s", child->name);
            lastDrawn = child->name;
        }
        child->Render();
    }

    DebugPrint(0, "z");
    // The scratch list grows with the transparent list, in its steps, and is
    // reused from frame to frame like the lists themselves.
    sortScratch.Clear();
    bool scratchReady = true;
    for (int i = 0; i < transparentList.count && scratchReady; ++i)
        scratchReady = sortScratch.Push(nullptr);
    SortFarToNear(transparentList.items, scratchReady ? sortScratch.items : nullptr, transparentList.count);

    DebugPrint(0, "Z");
    for (int i = 0; i < transparentList.count; ++i) {
        OruObject* o = Child(transparentList, i);
        if (drawable(o))
            o->Render();
    }

    DebugPrint(0, "S");
    for (int i = 0; i < lateList.count; ++i) {
        OruObject* o = Child(lateList, i);
        if (drawable(o))
            o->Render();
    }
    DebugPrint(0, "\n");
    return 0;
}

void OruWorld::ForgetBindings()
{
    if (vbServer)
        vbServer->ResetCurrent();
    if (vsServer)
        vsServer->ResetCurrent();
    if (sbServer)
        sbServer->ResetCurrent();
}

std::array<OruServer*, 4> OruWorld::Servers() const
{
    return {vsServer, vbServer, sbServer, groupList};
}

void OruWorld::FanOut(HRESULT (OruObject::*childOperation)(), HRESULT (OruServer::*serverOperation)())
{
    // Children in list order, then the servers; results are not acted on.
    for (int i = 0; i < children.count; ++i)
        if (OruObject* child = Child(children, i))
            (child->*childOperation)();
    for (OruServer* server : Servers())
        if (server)
            (server->*serverOperation)();
}

HRESULT OruWorld::InitDeviceObjects()
{
    FanOut(&OruObject::InitDeviceObjects, &OruServer::InitDeviceObjects);
    return 0;
}

HRESULT OruWorld::RestoreDeviceObjects()
{
    IDirect3DDevice8* device = Device();
    for (int i = 0; i < children.count; ++i) {
        OruObject* child = Child(children, i);
        if (!child)
            continue;
        DebugPrint("%s : %X\n", child->name, device ? device->GetAvailableTextureMem() : 0u);
        const HRESULT hr = child->RestoreDeviceObjects();
        if (FAILED(hr))
            return hr;
    }
    for (OruServer* server : Servers())
        if (server)
            server->RestoreDeviceObjects();
    if (gammaFade) {
        gammaFade->BuildRamp(0, 255);
        gammaFade->ApplyRamp(0);
    }
    return 0;
}

HRESULT OruWorld::InvalidateDeviceObjects()
{
    FanOut(&OruObject::InvalidateDeviceObjects, &OruServer::InvalidateDeviceObjects);
    return 0;
}

HRESULT OruWorld::DeleteDeviceObjects()
{
    FanOut(&OruObject::DeleteDeviceObjects, &OruServer::DeleteDeviceObjects);
    return 0;
}

HRESULT OruWorld::FinalCleanup()
{
    Destroy(vbServer);
    Destroy(vsServer);
    Destroy(sbServer);
    Destroy(groupList);
    if (camera) {
        camera->FinalCleanup();
        Destroy(camera);
    }
    Destroy(frameProbe);
    if (gammaFade) {
        gammaFade->FinalCleanup();
        Destroy(gammaFade);
    }
    for (int i = 0; i < children.count; ++i) {
        OruObject* child = Child(children, i);
        children.items[i] = nullptr;
        if (child) {
            child->FinalCleanup();
            delete child;
        }
    }
    children.Clear();
    transparentList.Clear();
    lateList.Clear();
    neighbours.Clear();
    sortScratch.Clear();
    lightCount = 0;
    OruObject::FinalCleanup();
    FreeDistances();
    return 0;
}

int OruWorld::IsBoxVisible(OruObject* object)
{
    // Without a camera nothing can be judged out of view.
    return camera ? camera->IsBoxVisible(object) : 1;
}

const D3DXMATRIX* OruWorld::View()
{
    static D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return camera ? &camera->view : &identity;
}

const D3DXMATRIX* OruWorld::Projection()
{
    static D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    OruApplication* app = App();
    return app ? &app->projection : &identity;
}

const Vector3* OruWorld::EyePosition()
{
    static const Vector3 origin(0, 0, 0);
    return camera ? camera->GetPosition() : &origin;
}

SBServer* OruWorld::StateBlocks()
{
    return sbServer;
}
