#include "fish/CPartialMorph.h"

#include "framework/AppAccess.h"
#include "framework/ReleaseAndClear.h"
#include "framework/OruApplication.h"
#include "mesh/FishVertex.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

#include <cstring>

namespace {

// Pose vertex arrays already turned into offsets: the conversion changes
// program data in place, so it must happen once per array and process.
const int BuiltPoseCapacity = 16;
const void* g_builtPoses[BuiltPoseCapacity];
int g_builtPoseCount = 0;

bool AlreadyBuilt(const void* vertices)
{
    for (int i = 0; i < g_builtPoseCount; ++i)
        if (g_builtPoses[i] == vertices)
            return true;
    return false;
}

void RememberBuilt(const void* vertices)
{
    if (g_builtPoseCount < BuiltPoseCapacity)
        g_builtPoses[g_builtPoseCount++] = vertices;
}

bool SamePosition(const Vector3& a, const Vector3& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

void Subtract(Vector3& a, const Vector3& b)
{
    a.x -= b.x;
    a.y -= b.y;
    a.z -= b.z;
}

} // namespace

CPartialMorph::CPartialMorph()
    : meshes(nullptr), triples(nullptr), baseMesh(0), poseMesh(0), changedVertices(), changedCounts(),
      morphBuffer(nullptr), tripleCount(0), blendReady(0), blendBuffer(), pendingWeights(), weightsPending(0)
{
}

CPartialMorph::~CPartialMorph()
{
    InvalidateDeviceObjects();
}

void CPartialMorph::SetMorphSource(OruMeshRecord* meshList, int base, int pose, const MorphTriple* table, int count)
{
    meshes = meshList;
    baseMesh = base;
    poseMesh = pose;
    triples = table;
    tripleCount = count > 0 ? uint32_t(count) : 0u;
}

void CPartialMorph::CopyFrom(const CPartialMorph& source, OruMeshRecord* meshList)
{
    triples = source.triples;
    baseMesh = source.baseMesh;
    poseMesh = source.poseMesh;
    std::memcpy(changedVertices, source.changedVertices, sizeof changedVertices);
    std::memcpy(changedCounts, source.changedCounts, sizeof changedCounts);
    tripleCount = source.tripleCount;
    meshes = meshList;
    // Other vertices may be recorded now: the blend starts from zero again.
    std::memset(blendBuffer, 0, sizeof blendBuffer);
}

int CPartialMorph::RestVertexCount() const
{
    if (!meshes)
        return 0;
    const int n = meshes[baseMesh].vertexCount;
    return n > 0 && n <= MorphVertexCapacity ? n : 0;
}

bool CPartialMorph::TripleMatches(uint32_t t) const
{
    const OruMeshRecord& pose = meshes[poseMesh];
    const OruMeshRecord& rest = meshes[baseMesh];
    const MorphTriple& triple = triples[t];
    const int32_t a = triple.poseRangeA, b = triple.poseRangeB, c = triple.baseRange;
    if (a < 0 || b < 0 || c < 0 || a >= pose.rangeCount || b >= pose.rangeCount || c >= rest.rangeCount)
        return false;
    const D3DXATTRIBUTERANGE& ra = pose.ranges[a];
    const D3DXATTRIBUTERANGE& rb = pose.ranges[b];
    const D3DXATTRIBUTERANGE& rc = rest.ranges[c];
    if (ra.VertexCount != rb.VertexCount || rb.VertexCount != rc.VertexCount)
        return false;
    // Every range must lie inside its vertex array.
    const uint64_t n = rc.VertexCount;
    return uint64_t(ra.VertexStart) + n <= uint64_t(pose.vertexCount) &&
           uint64_t(rb.VertexStart) + n <= uint64_t(pose.vertexCount) &&
           uint64_t(rc.VertexStart) + n <= uint64_t(rest.vertexCount);
}

int CPartialMorph::BUildPartialMorphData()
{
    std::memset(changedCounts, 0, sizeof changedCounts);
    std::memset(blendBuffer, 0, sizeof blendBuffer);
    if (!meshes || !triples || RestVertexCount() == 0)
        return 0;
    OruMeshRecord& pose = meshes[poseMesh];
    const OruMeshRecord& rest = meshes[baseMesh];
    if (!pose.vertices || !rest.vertices || pose.stride != int32_t(sizeof(MorphVertex)) ||
        rest.stride != int32_t(sizeof(FishVertex)))
        return 0;
    if (AlreadyBuilt(pose.vertices)) {
        DebugPrint(2, "ZING!! BUildPartialMorphData: pose mesh already built\n");
        return 0;
    }
    RememberBuilt(pose.vertices);

    MorphVertex* poseVertices = static_cast<MorphVertex*>(pose.vertices);
    const FishVertex* restVertices = static_cast<const FishVertex*>(rest.vertices);
    uint32_t built = 0;
    for (uint32_t t = 0; t < tripleCount; ++t) {
        if (!TripleMatches(t)) {
            DebugPrint("ZING!! LoadPartialData\n");
            break;
        }
        const MorphTriple& triple = triples[t];
        const int32_t c = triple.baseRange;
        if (c >= MorphBaseRangeCapacity)
            break;
        MorphVertex* a = poseVertices + pose.ranges[triple.poseRangeA].VertexStart;
        MorphVertex* b = poseVertices + pose.ranges[triple.poseRangeB].VertexStart;
        const FishVertex* r = restVertices + rest.ranges[c].VertexStart;
        const int32_t count = int32_t(rest.ranges[c].VertexCount);
        int32_t n = 0;
        for (int32_t i = 0; i < count; ++i) {
            if (!SamePosition(a[i].position, r[i].position) || !SamePosition(b[i].position, r[i].position)) {
                if (n < MorphChangedCapacity)
                    changedVertices[c][n++] = i;
                else
                    DebugPrint("ZING!!!--- BUildPartialMorphData\n");
            }
            Subtract(a[i].position, r[i].position);
            Subtract(a[i].normal, r[i].normal);
            Subtract(b[i].position, r[i].position);
            Subtract(b[i].normal, r[i].normal);
        }
        DebugPrint("Material %d:Count %d Mod %d\n", c, count, n);
        changedCounts[c] = n;
        ++built;
    }
    return int(built);
}

HRESULT CPartialMorph::RestoreDeviceObjects()
{
    InvalidateDeviceObjects();
    const int n = RestVertexCount();
    OruApplication* app = App();
    IDirect3DDevice8* device = app ? app->device : nullptr;
    if (n == 0 || !device) {
        TRACE_D3D(D3DERR_INVALIDCALL);
        return D3DERR_INVALIDCALL;
    }
    std::memset(blendBuffer, 0, sizeof(MorphVertex) * size_t(n));
    const HRESULT hr = device->CreateVertexBuffer(UINT(n) * 48u, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                                                  D3DPOOL_DEFAULT, &morphBuffer);
    if (TRACE_D3D(hr)) {
        morphBuffer = nullptr;
        return hr;
    }
    blendReady = 1;
    return 0;
}

HRESULT CPartialMorph::InvalidateDeviceObjects()
{
    blendReady = 0;
    ReleaseAndClear(morphBuffer);
    return 0;
}

void CPartialMorph::BlendMorph(const float* weights)
{
    if (!Ready() || !weights || !triples)
        return;
    // Vertices no part moves stay as the restore or the last rebuild of the
    // recorded vertices cleared them; every blend rewrites the same recorded
    // vertices, so only those are written.
    if (RestVertexCount() == 0)
        return;
    const OruMeshRecord& pose = meshes[poseMesh];
    const OruMeshRecord& rest = meshes[baseMesh];
    const MorphVertex* poseVertices = static_cast<const MorphVertex*>(pose.vertices);
    if (!poseVertices)
        return;
    for (uint32_t t = 0; t < tripleCount && t < uint32_t(MorphWeightCount); ++t) {
        if (!TripleMatches(t)) {
            DebugPrint("ZING!! LoadPartialData\n");
            return;
        }
        const MorphTriple& triple = triples[t];
        const int32_t c = triple.baseRange;
        if (c >= MorphBaseRangeCapacity)
            return;
        const float w = weights[t];
        const MorphVertex* a = poseVertices + pose.ranges[triple.poseRangeA].VertexStart;
        const MorphVertex* b = poseVertices + pose.ranges[triple.poseRangeB].VertexStart;
        MorphVertex* out = blendBuffer + rest.ranges[c].VertexStart;
        const int32_t count = int32_t(rest.ranges[c].VertexCount);
        for (int32_t k = 0; k < changedCounts[c] && k < MorphChangedCapacity; ++k) {
            const int32_t i = changedVertices[c][k];
            if (i < 0 || i >= count)
                continue;
            out[i].position = a[i].position * w + b[i].position * (1.0f - w);
            out[i].normal = a[i].normal * w + b[i].normal * (1.0f - w);
        }
    }
}

void CPartialMorph::SetPendingWeights(const float* weights)
{
    if (!weights)
        return;
    std::memcpy(pendingWeights, weights, sizeof pendingWeights);
    weightsPending = 1;
}

void CPartialMorph::BlendPending()
{
    if (!weightsPending)
        return;
    weightsPending = 0;
    BlendMorph(pendingWeights);
}

IDirect3DVertexBuffer8* CPartialMorph::UploadMorph()
{
    if (!Ready())
        return nullptr;
    const int n = RestVertexCount();
    if (n == 0)
        return nullptr;
    BYTE* data = nullptr;
    const UINT bytes = UINT(n) * UINT(sizeof(MorphVertex));
    const HRESULT hr = morphBuffer->Lock(0, bytes, &data, D3DLOCK_DISCARD);
    // A failed lock copies nothing; the buffer keeps its last contents.
    if (!TRACE_D3D(hr) && data) {
        std::memcpy(data, blendBuffer, bytes);
        morphBuffer->Unlock();
    } else if (SUCCEEDED(hr)) {
        morphBuffer->Unlock();
    }
    return morphBuffer;
}
