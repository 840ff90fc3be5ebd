// Vertex and index buffers made from mesh records: one buffer pair per
// distinct mesh key, shared by every record with that key, and filters for
// redundant stream and index-buffer binds within one update or render.
//
// Ownership: the server's records are the only owners of the buffers. The
// handles Create2 writes into a caller's record are borrowed copies that
// become stale at the next InvalidateDeviceObjects; the server never takes
// over or releases a caller's handles.
#pragma once

#include "OruServer.h"
#include "mesh/OruMeshRecord.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdint>

const int VBServerCapacity = 100;
const UINT VBServerStreams = 10;

class VBServer : public OruServer {
public:
    VBServer();
    // Releases the buffers and frees the loaded arrays it still holds (the
    // records themselves own nothing).
    ~VBServer() override;

    // Gives record the shared buffers of its key, making them on first sight
    // and after an invalidate. A record without vertices or faces (a mesh
    // that did not load) is skipped: 0, no buffers, nothing cached. On a
    // failed creation or lock the buffers of this call are released, both
    // records' handles are null and the error is returned; E_OUTOFMEMORY
    // when a new key finds the server full. strips: the indices are one
    // strip of faceCount indices rather than faceCount triangles.
    HRESULT Create2(OruMeshRecord* record, int strips);

    // Fills record from the compiled-in .x file its key names (an
    // EmbeddedFileRef*, zlib-compressed): the data object "mesh1" is loaded,
    // optimised, converted to record's fvf with normals computed from the
    // faces, and its vertices, indices (a triangle list, or with strips one
    // stitched strip of faceCount indices) and attribute ranges copied into
    // new arrays; the server keeps a copy of the record. A key loaded before
    // copies the server's record instead. record's stride must be the
    // vertex size of its fvf. Returns 0; E_FAIL when DirectX File cannot be
    // made or set up; AppErrMediaLoad (0x8200000B) when the file does not
    // inflate, parse or hold a usable "mesh1", or the conversion fails;
    // the failure of a buffer access; E_OUTOFMEMORY when the server is
    // full or memory runs out (never an exception). On failure record is unchanged and nothing is appended. More
    // than 20 attribute ranges keep the first 20. A mesh whose triangles all
    // have two equal indices leaves no strip: faceCount 0, indices null.
    HRESULT LoadXMesh(OruMeshRecord* record, int strips);

    // Binds vb to stream (0 to 9) when it differs from the last one bound
    // there. A null vb is traced and still bound. Unless noCheck, labels a
    // buffer the server did not make.
    void SetStream(UINT stream, IDirect3DVertexBuffer8* vb, UINT stride, int noCheck);

    // Binds ib when it differs from the last one bound or baseVertex is not 0.
    void SetIndexBuffer(IDirect3DIndexBuffer8* ib, UINT baseVertex, int noCheck);

    // Releases every buffer; the records stay, so the next restore remakes
    // the buffers in the same positions.
    HRESULT InvalidateDeviceObjects() override;

    // Frees the loaded (non-static) arrays and empties the list.
    HRESULT DeleteDeviceObjects() override;

    // Forgets the bindings, so the next binds reach the device.
    void ResetCurrent();

    int32_t count;
    OruMeshRecord records[VBServerCapacity];
    IDirect3DIndexBuffer8* currentIB;
    IDirect3DVertexBuffer8* currentStreams[VBServerStreams];

private:
    int Find(uintptr_t key) const;
};
