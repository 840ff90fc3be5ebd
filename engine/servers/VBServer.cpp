#include "VBServer.h"

#include "framework/OruApplication.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

#include <cstring>

namespace {

IDirect3DDevice8* Device()
{
    OruApplication* app = OruApplication::Registered();
    return app ? app->device : nullptr;
}

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
