#include "VBServer.h"

#include "framework/AppAccess.h"
#include "framework/AppErrors.h"
#include "framework/OruApplication.h"
#include "mesh/FindDataObject.h"
#include "mesh/MakeStrips.h"
#include "mesh/OruFileMesh.h"
#include "mesh/XTemplateBlock.h"
#include "texture/EmbeddedFile.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

#include <cstring>
#include <new>

namespace {

// "None remembered" for the bind filters: never a real buffer.
IDirect3DVertexBuffer8* const NoVB = reinterpret_cast<IDirect3DVertexBuffer8*>(uintptr_t(0xFFFFFFFF));
IDirect3DIndexBuffer8* const NoIB = reinterpret_cast<IDirect3DIndexBuffer8*>(uintptr_t(0xFFFFFFFF));

template <typename T> void ReleaseAndClear(T*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}

// A mesh that failed to load has no data to make buffers from.
bool Empty(const OruMeshRecord& r)
{
    if (r.faceCount <= 0 || !r.indices)
        return true;
    return !r.noVB && (r.vertexCount <= 0 || r.stride <= 0 || !r.vertices);
}

// Whether the server's record still holds its buffers: an index-only record
// has no vertex buffer, so its index buffer decides.
bool HasBuffers(const OruMeshRecord& r)
{
    return r.noVB ? r.indexBuffer != nullptr : r.vertexBuffer != nullptr;
}

// Fills a freshly made buffer; false (traced) when the lock fails.
template <typename Buffer> HRESULT Fill(Buffer* buffer, const void* source, UINT bytes)
{
    BYTE* data = nullptr;
    const HRESULT hr = buffer->Lock(0, 0, &data, 0);
    TRACE_D3D(hr);
    if (FAILED(hr) || !data)
        return FAILED(hr) ? hr : E_POINTER;
    std::memcpy(data, source, bytes);
    buffer->Unlock();
    return 0;
}

} // namespace

VBServer::VBServer() : count(0), records(), currentIB(NoIB), currentStreams()
{
    ResetCurrent();
}

VBServer::~VBServer()
{
    InvalidateDeviceObjects();
    DeleteDeviceObjects();
}

int VBServer::Find(uintptr_t key) const
{
    for (int i = 0; i < count; ++i)
        if (records[i].key == key)
            return i;
    return -1;
}

HRESULT VBServer::Create2(OruMeshRecord* record, int strips)
{
    if (!record)
        return 0;
    if (record->isStatic)
        record->key = reinterpret_cast<uintptr_t>(record->vertices);

    if (Empty(*record)) {
        DebugPrint("VBServer::Create2 empty mesh %X\n", static_cast<unsigned>(record->key));
        record->vertexBuffer = nullptr;
        record->indexBuffer = nullptr;
        return 0;
    }

    int position = Find(record->key);
    if (position >= 0 && HasBuffers(records[position])) {
        *record = records[position];
        return 0;
    }
    if (position < 0) {
        if (count >= VBServerCapacity) {
            DebugPrint(2, "ZING! VBServer full\n");
            TRACE_D3D(E_OUTOFMEMORY);
            record->vertexBuffer = nullptr;
            record->indexBuffer = nullptr;
            return E_OUTOFMEMORY;
        }
        DebugPrint("VBServer::Create2 new VB\n");
        position = count++;
        records[position] = *record;
        // The caller's handles are borrowed (perhaps from an earlier device):
        // the server's record starts without buffers.
        records[position].vertexBuffer = nullptr;
        records[position].indexBuffer = nullptr;
    }
    OruMeshRecord& kept = records[position];

    IDirect3DDevice8* device = Device();
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    HRESULT hr = device ? 0 : D3DERR_INVALIDCALL;
    TRACE_D3D(hr);

    if (hr == 0 && !record->noVB) {
        const UINT bytes = UINT(record->vertexCount) * UINT(record->stride);
        hr = device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &vb);
        TRACE_D3D(hr);
        if (hr == 0) {
            DebugPrint("create mesh %d %X\n", position, static_cast<unsigned>(reinterpret_cast<uintptr_t>(vb)));
            hr = Fill(vb, record->vertices, bytes);
        }
    }
    if (hr == 0) {
        const UINT bytes = UINT(record->faceCount) * (strips ? 2u : 6u);
        hr = device->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib);
        TRACE_D3D(hr);
        if (hr == 0)
            hr = Fill(ib, record->indices, bytes);
    }

    if (hr != 0) {
        // All or nothing: a half-made pair would be handed out as whole.
        ReleaseAndClear(vb);
        ReleaseAndClear(ib);
    }
    kept.vertexBuffer = vb;
    kept.indexBuffer = ib;
    record->vertexBuffer = vb;
    record->indexBuffer = ib;
    return hr;
}

void VBServer::SetStream(UINT stream, IDirect3DVertexBuffer8* vb, UINT stride, int noCheck)
{
    if (stream >= VBServerStreams) {
        DebugPrint(2, "Illegal stream:%u\n", stream);
        TRACE_D3D(D3DERR_INVALIDCALL);
        return;
    }
    if (!vb)
        TRACE_D3D(1);
    if (vb != currentStreams[stream]) {
        IDirect3DDevice8* device = Device();
        if (device)
            device->SetStreamSource(stream, vb, stride);
        currentStreams[stream] = vb;
    }
    if (noCheck)
        return;
    for (int i = 0; i < count; ++i)
        if (records[i].vertexBuffer == vb)
            return;
    DebugPrint(2, "Illegal VB:%x\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(vb)));
}

void VBServer::SetIndexBuffer(IDirect3DIndexBuffer8* ib, UINT baseVertex, int noCheck)
{
    if (ib != currentIB || baseVertex != 0) {
        IDirect3DDevice8* device = Device();
        if (device)
            device->SetIndices(ib, baseVertex);
        currentIB = ib;
    }
    if (noCheck)
        return;
    for (int i = 0; i < count; ++i)
        if (records[i].indexBuffer == ib)
            return;
    DebugPrint(2, "Illegal IB:%x\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(ib)));
}

HRESULT VBServer::InvalidateDeviceObjects()
{
    for (int i = 0; i < count; ++i) {
        ReleaseAndClear(records[i].vertexBuffer);
        ReleaseAndClear(records[i].indexBuffer);
    }
    return 0;
}

HRESULT VBServer::DeleteDeviceObjects()
{
    for (int i = 0; i < count; ++i) {
        OruMeshRecord& r = records[i];
        // Normally gone already; a list emptied with buffers would leak them.
        ReleaseAndClear(r.vertexBuffer);
        ReleaseAndClear(r.indexBuffer);
        if (!r.isStatic) {
            delete[] static_cast<uint8_t*>(r.vertices);
            delete[] r.indices;
            r.vertices = nullptr;
            r.indices = nullptr;
        }
    }
    count = 0;
    return 0;
}

void VBServer::ResetCurrent()
{
    currentIB = NoIB;
    for (IDirect3DVertexBuffer8*& s : currentStreams)
        s = NoVB;
}

namespace {

template <typename T> void ReleaseObject(T*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}

// Reads the file at key into a DirectX File object with the standard
// templates and loads "mesh1" from it into mesh. Every DirectX File object
// is released before it returns.
HRESULT LoadFileMesh(IDirect3DDevice8* device, const EmbeddedFileRef* file, OruFileMesh& mesh)
{
    const BYTE* bytes = nullptr;
    size_t size = 0;
    HRESULT hr = InflateEmbeddedFile(file->data, file->size, MeshInflateBuffer, sizeof MeshInflateBuffer, &bytes, &size);
    if (FAILED(hr)) {
        TRACE_D3D(hr);
        return AppErrMediaLoad;
    }

    IDirectXFile* xfile = nullptr;
    hr = DirectXFileCreate(&xfile);
    if (FAILED(hr) || !xfile) {
        TRACE_D3D(FAILED(hr) ? hr : E_FAIL);
        return E_FAIL;
    }
    hr = xfile->RegisterTemplates(const_cast<unsigned char*>(XTemplateBlock), DWORD(XTemplateBlockSize));
    if (FAILED(hr)) {
        TRACE_D3D(hr);
        xfile->Release();
        return E_FAIL;
    }

    DXFILELOADMEMORY memory = {const_cast<BYTE*>(bytes), DWORD(size)};
    IDirectXFileEnumObject* enumObject = nullptr;
    IDirectXFileData* data = nullptr;
    hr = xfile->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject);
    if (SUCCEEDED(hr) && !enumObject)
        hr = E_FAIL;
    // Running out of memory is a result here, so the objects above are
    // still released.
    try {
        if (SUCCEEDED(hr))
            hr = FindDataObjectByName(enumObject, "mesh1", &data);
        if (SUCCEEDED(hr))
            hr = mesh.CreateFromData(device, data);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        TRACE_D3D(hr);
        if (hr != E_OUTOFMEMORY)
            hr = AppErrMediaLoad;
    }
    ReleaseObject(data);
    ReleaseObject(enumObject);
    ReleaseObject(xfile);
    return hr;
}

} // namespace

HRESULT VBServer::LoadXMesh(OruMeshRecord* record, int strips)
{
    if (!record)
        return E_FAIL;
    OruFileMesh mesh("CD3DFile_Mesh");
    const int known = Find(record->key);
    if (known >= 0) {
        *record = records[known];
        return 0;
    }
    if (count >= VBServerCapacity) {
        DebugPrint(2, "ZING! VBServer full\n");
        TRACE_D3D(E_OUTOFMEMORY);
        return E_OUTOFMEMORY;
    }
    const EmbeddedFileRef* file = reinterpret_cast<const EmbeddedFileRef*>(record->key);
    IDirect3DDevice8* device = Device();
    if (!file || !device) {
        TRACE_D3D(E_FAIL);
        return E_FAIL;
    }
    // The copy goes out whole or not at all.
    const UINT stride = D3DXGetFVFVertexSize(record->fvf);
    if (!stride || record->stride != int32_t(stride)) {
        DebugPrint(2, "LoadXMesh: stride %d for format %X\n", record->stride, static_cast<unsigned>(record->fvf));
        TRACE_D3D(D3DERR_INVALIDCALL);
        return AppErrMediaLoad;
    }

    HRESULT hr = LoadFileMesh(device, file, mesh);
    if (FAILED(hr))
        return hr;
    try {
        hr = mesh.ConvertVertexFormat(device, record->fvf);
    } catch (const std::bad_alloc&) {
        TRACE_D3D(E_OUTOFMEMORY);
        return E_OUTOFMEMORY;
    }
    if (FAILED(hr) || !mesh.systemMesh || mesh.systemMesh->GetFVF() != record->fvf) {
        TRACE_D3D(D3DERR_INVALIDCALL);
        return AppErrMediaLoad;
    }
    ID3DXMesh* source = mesh.systemMesh;
    DebugPrint("create Vertex %d %X\n", count, static_cast<unsigned>(reinterpret_cast<uintptr_t>(source)));

    // Filled here and written into record only when everything worked.
    const int32_t vertexCount = int32_t(source->GetNumVertices());
    int32_t faceCount = int32_t(source->GetNumFaces());
    D3DXATTRIBUTERANGE ranges[MeshRangeCapacity] = {};
    DWORD rangeCount = MeshRangeCapacity;
    hr = source->GetAttributeTable(ranges, &rangeCount);
    if (hr == D3DERR_MOREDATA) {
        DebugPrint(2, "LoadXMesh: only the first %d attribute ranges are kept\n", MeshRangeCapacity);
        hr = S_OK;
    }
    if (FAILED(hr)) {
        TRACE_D3D(hr);
        return AppErrMediaLoad;
    }

    const size_t vertexBytes = size_t(stride) * size_t(vertexCount);
    uint8_t* vertices = new (std::nothrow) uint8_t[vertexBytes];
    if (!vertices) {
        TRACE_D3D(E_OUTOFMEMORY);
        return E_OUTOFMEMORY;
    }
    IDirect3DVertexBuffer8* vb = nullptr;
    hr = source->GetVertexBuffer(&vb);
    if (SUCCEEDED(hr) && vb) {
        D3DVERTEXBUFFER_DESC desc = {};
        BYTE* data = nullptr;
        vb->GetDesc(&desc);
        if (desc.Size < vertexBytes)
            hr = D3DERR_INVALIDCALL;
        else if (SUCCEEDED(hr = vb->Lock(0, 0, &data, 0)) && data) {
            std::memcpy(vertices, data, vertexBytes);
            vb->Unlock();
        } else if (SUCCEEDED(hr)) {
            vb->Unlock();
            hr = E_POINTER;
        }
    } else if (SUCCEEDED(hr)) {
        hr = E_POINTER;
    }
    ReleaseAndClear(vb);
    if (FAILED(hr)) {
        TRACE_D3D(hr);
        delete[] vertices;
        return hr;
    }

    uint16_t* indices = nullptr;
    const uint32_t listCount = 3 * uint32_t(faceCount);
    IDirect3DIndexBuffer8* ib = nullptr;
    BYTE* data = nullptr;
    hr = source->GetIndexBuffer(&ib);
    if (SUCCEEDED(hr) && !ib)
        hr = E_POINTER;
    if (SUCCEEDED(hr)) {
        D3DINDEXBUFFER_DESC desc = {};
        ib->GetDesc(&desc);
        if (desc.Format != D3DFMT_INDEX16 || desc.Size < listCount * sizeof(uint16_t))
            hr = D3DERR_INVALIDCALL;
        else if (SUCCEEDED(hr = ib->Lock(0, 0, &data, 0)) && !data) {
            ib->Unlock();
            hr = E_POINTER;
        }
    }
    if (SUCCEEDED(hr)) {
        const uint16_t* list = reinterpret_cast<const uint16_t*>(data);
        if (strips) {
            StripGroup* groups = nullptr;
            uint16_t groupCount = 0;
            SetStripCacheSize(24);
            try {
                MakeStrips(list, listCount, &groups, &groupCount);
            } catch (const std::bad_alloc&) {
                groups = nullptr;
                groupCount = 0;
                hr = E_OUTOFMEMORY;
            }
            if (FAILED(hr)) {
                // The builder ran out of memory: no strip.
            } else if (groupCount > 0 && groups[0].kind == StripGroup::Strip && groups[0].indexCount > 0) {
                faceCount = int32_t(groups[0].indexCount);
                indices = new (std::nothrow) uint16_t[groups[0].indexCount];
                if (indices)
                    std::memcpy(indices, groups[0].indexData, groups[0].indexCount * sizeof(uint16_t));
                else
                    hr = E_OUTOFMEMORY;
            } else {
                // Nothing drawable: every triangle had two equal indices.
                DebugPrint(2, "LoadXMesh: no strip\n");
                faceCount = 0;
            }
            delete[] groups;
        } else {
            indices = new (std::nothrow) uint16_t[listCount];
            if (indices)
                std::memcpy(indices, list, listCount * sizeof(uint16_t));
            else
                hr = E_OUTOFMEMORY;
        }
        ib->Unlock();
    }
    ReleaseAndClear(ib);
    if (FAILED(hr)) {
        TRACE_D3D(hr);
        delete[] vertices;
        return hr;
    }

    record->isStatic = 0;
    record->vertexCount = vertexCount;
    record->faceCount = faceCount;
    std::memcpy(record->ranges, ranges, sizeof ranges);
    record->rangeCount = int32_t(rangeCount);
    record->vertices = vertices;
    record->indices = indices;
    records[count] = *record;
    // The server's copy owns no buffers yet; the caller's handles stay its own.
    records[count].vertexBuffer = nullptr;
    records[count].indexBuffer = nullptr;
    ++count;
    mesh.Destroy();
    return 0;
}
