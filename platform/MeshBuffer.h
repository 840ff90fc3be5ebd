// ID3DXBuffer over a heap block: zeroed, freed at the last Release.
#pragma once

#include "D3DXMesh.h"

#include <vector>

class MeshBuffer : public ID3DXBuffer {
public:
    explicit MeshBuffer(DWORD size) : refs_(1), bytes_(size) {}
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    void* GetBufferPointer() override { return bytes_.empty() ? nullptr : bytes_.data(); }
    DWORD GetBufferSize() override { return DWORD(bytes_.size()); }

private:
    ULONG refs_;
    std::vector<BYTE> bytes_;
};
