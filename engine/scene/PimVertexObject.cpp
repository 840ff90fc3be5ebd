#include "PimVertexObject.h"

#include "OruWorld.h"

#include "framework/AppAccess.h"
#include "framework/OruApplication.h"
#include "servers/VBServer.h"
#include "servers/VSServer.h"
#include "texture/TextureCache.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

#include <cmath>
#include <cstring>

namespace {

// Refuses an addition past a list's capacity: a label and a trace line.
void Refuse(const char* what, int capacity)
{
    DebugPrint(2, "PimVertexObject: more than %d %s refused\n", capacity, what);
    TRACE_D3D(E_OUTOFMEMORY);
}

// Drops what a mesh copy only borrows: the server's buffers always, and the
// server's arrays for a loaded (non-static) mesh.
void Forget(OruMeshRecord& record, bool arraysToo)
{
    record.vertexBuffer = nullptr;
    record.indexBuffer = nullptr;
    if (arraysToo && !record.isStatic) {
        record.vertices = nullptr;
        record.indices = nullptr;
        record.vertexCount = 0;
        record.faceCount = 0;
        record.rangeCount = 0;
    }
}

} // namespace

PimVertexObject::PimVertexObject()
    : shaders(), meshCount(0), meshes(), textureSources(), textureSizes(), textures(), textureCount(0),
      shaderHandles(), worldViewProjT(), worldViewT(), worldT(), viewT(), useStrips(1), stencilId(0),
      cloneTextureSize(128), cloneScale(0.7f)
{
    SetName("PimVertexObject");
    D3DXMatrixIdentity(&worldViewProjT);
    D3DXMatrixIdentity(&worldViewT);
    D3DXMatrixIdentity(&worldT);
    D3DXMatrixIdentity(&viewT);
}

PimVertexObject* PimVertexObject::AddMesh(OruMeshRecord* record)
{
    if (!record) {
        DebugPrint(2, "PimVertexObject: null mesh refused\n");
        TRACE_D3D(E_POINTER);
        return this;
    }
    if (meshCount >= PimMeshCapacity) {
        Refuse("meshes", PimMeshCapacity);
        return this;
    }
    record->isStatic = 1;
    meshes[meshCount] = *record;
    ++meshCount;
    return this;
}

void PimVertexObject::AddXMesh(EmbeddedFileRef* file, DWORD fvf, int stride, int noVB)
{
    if (meshCount >= PimMeshCapacity) {
        Refuse("meshes", PimMeshCapacity);
        return;
    }
    OruMeshRecord& record = meshes[meshCount];
    Forget(record, false);
    record = OruMeshRecord();
    record.key = reinterpret_cast<uintptr_t>(file);
    record.fvf = fvf;
    record.stride = stride;
    record.noVB = noVB;
    ++meshCount;
}

void PimVertexObject::AddTexture(const BYTE* data, int size)
{
    if (textureCount >= PimTextureCapacity) {
        Refuse("textures", PimTextureCapacity);
        return;
    }
    textureSources[textureCount] = data;
    textureSizes[textureCount] = size;
    textures[textureCount] = nullptr;
    ++textureCount;
}

int PimVertexObject::ShaderCount() const
{
    if (shaders.count <= 0)
        return 0;
    return shaders.count > PimShaderCapacity ? PimShaderCapacity : shaders.count;
}

HRESULT PimVertexObject::InitDeviceObjects()
{
    VBServer* server = Buffers();
    for (int i = 0; i < meshCount; ++i) {
        if (meshes[i].isStatic)
            continue;
        if (!server) {
            TRACE_D3D(E_FAIL);
            continue;
        }
        // A mesh that does not load keeps no vertices and adds nothing to
        // the bounds; the result is not acted on.
        TRACE_D3D(server->LoadXMesh(&meshes[i], useStrips));
    }
    ComputeBounds();
    return 0;
}

HRESULT PimVertexObject::RestoreDeviceObjects()
{
    IDirect3DDevice8* device = Device();
    for (int i = 0; i < textureCount; ++i) {
        if (!textureSources[i])
            continue;
        const HRESULT r = device ? LoadTexture(device, textureSources[i], textureSizes[i], &textures[i], D3DFMT_UNKNOWN)
                                 : D3DERR_INVALIDCALL;
        TRACE_D3D(r);
        if (r != 0)
            return r;
    }

    VBServer* buffers = Buffers();
    for (int i = 0; i < meshCount; ++i) {
        const HRESULT r = buffers ? buffers->Create2(&meshes[i], useStrips) : D3DERR_INVALIDCALL;
        TRACE_D3D(r);
        if (r != 0)
            return r;
    }

    if (shaders.count > PimShaderCapacity)
        Refuse("shaders", PimShaderCapacity);
    VSServer* server = Shaders();
    const int shaderCount = ShaderCount();
    for (int j = 0; j < shaderCount; ++j) {
        // A shader the device refuses fails the restore, as a texture or
        // buffer does; the server has traced it.
        HRESULT r = D3DERR_INVALIDCALL;
        shaderHandles[j] = server ? server->CreateShader(shaders.declarations[j], shaders.functions[j], &r) : 0;
        if (r != 0)
            return r;
    }

    return OruVisible::RestoreDeviceObjects();
}

HRESULT PimVertexObject::InvalidateDeviceObjects()
{
    for (int i = 0; i < textureCount; ++i) {
        ReleaseTexture(textures[i]);
        textures[i] = nullptr;
    }
    // The servers release the buffers at their own invalidate; the copies
    // would name released buffers until the next restore.
    for (int i = 0; i < meshCount; ++i)
        Forget(meshes[i], false);
    OruVisible::InvalidateDeviceObjects();
    return 0;
}

HRESULT PimVertexObject::DeleteDeviceObjects()
{
    // VBServer frees the loaded arrays at its own delete; the next
    // InitDeviceObjects loads them again.
    for (int i = 0; i < meshCount; ++i)
        Forget(meshes[i], true);
    OruVisible::DeleteDeviceObjects();
    return 0;
}

void PimVertexObject::Update(float time, float prevTime)
{
    OruVisible::Update(time, prevTime);
}

HRESULT PimVertexObject::FinalCleanup()
{
    OruVisible::FinalCleanup();
    return 0;
}

void PimVertexObject::ComputeBounds()
{
    for (int m = 0; m < meshCount; ++m) {
        const OruMeshRecord& record = meshes[m];
        // FishVertex (0x112) and MorphVertex (0x12) begin with the position;
        // the record's stride says how far apart they are.
        if (!record.vertices || record.vertexCount <= 0 || record.stride < int32_t(sizeof(float) * 3))
            continue;
        const BYTE* vertex = static_cast<const BYTE*>(record.vertices);
        for (int i = 0; i < record.vertexCount; ++i, vertex += record.stride) {
            float p[3];
            std::memcpy(p, vertex, sizeof p);
            float* low[3] = {&boundsMin.x, &boundsMin.y, &boundsMin.z};
            float* high[3] = {&boundsMax.x, &boundsMax.y, &boundsMax.z};
            for (int k = 0; k < 3; ++k) {
                if (p[k] < *low[k])
                    *low[k] = p[k];
                if (p[k] > *high[k])
                    *high[k] = p[k];
            }
        }
    }
    const float extents[6] = {boundsMin.x, boundsMin.y, boundsMin.z, boundsMax.x, boundsMax.y, boundsMax.z};
    radius = 0;
    for (float e : extents)
        if (std::fabs(e) > radius)
            radius = std::fabs(e);
}

VBServer* PimVertexObject::Buffers()
{
    OruWorld* world = World();
    return world ? world->vbServer : nullptr;
}

VSServer* PimVertexObject::Shaders()
{
    OruWorld* world = World();
    return world ? world->vsServer : nullptr;
}

void PimVertexObject::UpdateShaderMatrices(const D3DXMATRIX* view, const D3DXMATRIX* projection)
{
    if (!view || !projection)
        return;
    D3DXMATRIX a, b;
    D3DXMatrixMultiply(&a, &world, view);
    D3DXMatrixMultiply(&b, &a, projection);
    D3DXMatrixTranspose(&worldViewProjT, &b);
    D3DXMatrixTranspose(&worldViewT, &a);
    D3DXMatrixTranspose(&worldT, &world);
    D3DXMatrixTranspose(&viewT, view);
}
