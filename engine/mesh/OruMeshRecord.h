// One mesh: vertex and 16-bit index arrays in system memory, counts, vertex
// format, attribute ranges, and the device buffers made from it.
//
// A record is a plain value that owns nothing: it names its arrays and
// buffers. Compiled-in arrays are program data; the device buffers and the
// arrays of a loaded .x mesh belong to VBServer, which releases the buffers
// at its invalidate and frees the arrays at its delete (or its destruction).
// Copying a record shares what it names, and destroying any record, static
// or loaded, original or copy, releases and frees nothing.
#pragma once

#include "D3DXMath.h"

#include <windows.h>
#include <d3d8.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

const int MeshRangeCapacity = 20;

struct OruMeshRecord {
    // Static record over compiled-in arrays: keeps their addresses only (the
    // arrays may still be unfilled), owns nothing. rangeCount is clamped to
    // the record's 20 ranges.
    OruMeshRecord(int32_t vertexCount, void* vertices, int32_t faceCount, uint16_t* indices, DWORD fvf,
                  int32_t stride, const D3DXATTRIBUTERANGE* ranges, int32_t rangeCount);

    // Empty slot: every field zero.
    OruMeshRecord();

    OruMeshRecord(const OruMeshRecord&) = default;
    OruMeshRecord& operator=(const OruMeshRecord&) = default;
    ~OruMeshRecord() = default;

    uintptr_t key;
    IDirect3DVertexBuffer8* vertexBuffer;
    IDirect3DIndexBuffer8* indexBuffer;
    void* vertices;
    uint16_t* indices;
    int32_t vertexCount;
    int32_t faceCount;
    DWORD fvf;
    int32_t stride;
    int32_t noVB;
    int32_t isStatic;   // arrays are compiled-in (not the loader's)
    D3DXATTRIBUTERANGE ranges[MeshRangeCapacity];
    int32_t rangeCount;
};

static_assert(std::is_trivially_destructible<OruMeshRecord>::value &&
                  std::is_trivially_copyable<OruMeshRecord>::value,
              "a mesh record owns nothing: copies and destruction release nothing");
static_assert(sizeof(D3DXATTRIBUTERANGE) == 20, "attribute range is five DWORDs");
static_assert(offsetof(OruMeshRecord, key) == 0 && offsetof(OruMeshRecord, vertexBuffer) == 8 &&
              offsetof(OruMeshRecord, indexBuffer) == 16 && offsetof(OruMeshRecord, vertices) == 24 &&
              offsetof(OruMeshRecord, indices) == 32 && offsetof(OruMeshRecord, vertexCount) == 40 &&
              offsetof(OruMeshRecord, faceCount) == 44 && offsetof(OruMeshRecord, fvf) == 48 &&
              offsetof(OruMeshRecord, stride) == 52 && offsetof(OruMeshRecord, noVB) == 56 &&
              offsetof(OruMeshRecord, isStatic) == 60 && offsetof(OruMeshRecord, ranges) == 64 &&
              offsetof(OruMeshRecord, rangeCount) == 64 + 20 * MeshRangeCapacity,
              "mesh record field order");
