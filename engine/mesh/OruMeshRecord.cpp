#include "OruMeshRecord.h"

#include <cstring>

OruMeshRecord::OruMeshRecord(int32_t vertexCountIn, void* verticesIn, int32_t faceCountIn, uint16_t* indicesIn,
                             DWORD fvfIn, int32_t strideIn, const D3DXATTRIBUTERANGE* rangesIn, int32_t rangeCountIn)
    : key(0), vertexBuffer(nullptr), indexBuffer(nullptr), vertices(verticesIn), indices(indicesIn),
      vertexCount(vertexCountIn), faceCount(faceCountIn), fvf(fvfIn), stride(strideIn), noVB(0), isStatic(1),
      ranges(), rangeCount(0)
{
    if (rangeCountIn > MeshRangeCapacity)
        rangeCountIn = MeshRangeCapacity;
    if (rangesIn && rangeCountIn > 0) {
        std::memcpy(ranges, rangesIn, sizeof(D3DXATTRIBUTERANGE) * size_t(rangeCountIn));
        rangeCount = rangeCountIn;
    }
}

OruMeshRecord::OruMeshRecord()
    : key(0), vertexBuffer(nullptr), indexBuffer(nullptr), vertices(nullptr), indices(nullptr), vertexCount(0),
      faceCount(0), fvf(0), stride(0), noVB(0), isStatic(0), ranges(), rangeCount(0)
{
}
