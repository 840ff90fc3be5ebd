// Our ID3DXMesh: vertices of one flexible vertex format, 16-bit triangle
// indices and one attribute per face, all in system memory, plus the
// attribute table built by OptimizeInplace.
#pragma once

#include "D3DXMesh.h"

#include <cstdint>
#include <vector>

class TriangleMesh : public ID3DXMesh {
public:
    // vertices: D3DXGetFVFVertexSize(fvf) bytes each; indices: three per
    // face, each below the vertex count; attributes: one per face. The
    // caller checks all of that (Create does).
    TriangleMesh(IDirect3DDevice8* device, DWORD options, DWORD fvf, std::vector<BYTE> vertices,
                 std::vector<uint16_t> indices, std::vector<DWORD> attributes);

    // A new mesh after checking the arrays above; D3DERR_INVALIDCALL when
    // they do not fit, E_OUTOFMEMORY when it cannot be made.
    static HRESULT Create(IDirect3DDevice8* device, DWORD options, DWORD fvf, std::vector<BYTE> vertices,
                          std::vector<uint16_t> indices, std::vector<DWORD> attributes, ID3DXMesh** out);

    // Three DWORDs a face: the face across edge (v0,v1), (v1,v2), (v2,v0),
    // 0xFFFFFFFF for none. An edge shared by more than two faces joins the
    // first two.
    static void ComputeAdjacency(const std::vector<uint16_t>& indices, std::vector<DWORD>& adjacency);

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    DWORD GetNumFaces() override { return DWORD(indices_.size() / 3); }
    DWORD GetNumVertices() override { return stride_ ? DWORD(vertices_.size() / stride_) : 0; }
    DWORD GetFVF() override { return fvf_; }
    DWORD GetOptions() override { return options_; }
    HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** out) override;
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** out) override;
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* count) override;
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXMesh** out) override;
    HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                            ID3DXBuffer** vertexRemap) override;

    // Direct access for D3DXComputeNormals.
    BYTE* Vertices() { return vertices_.data(); }
    const std::vector<uint16_t>& Indices() const { return indices_; }
    UINT Stride() const { return stride_; }

private:
    ~TriangleMesh() override;
    std::vector<uint32_t> WalkOrder(const std::vector<uint32_t>& order, const DWORD* adjacencyIn) const;

    ULONG refs_;
    IDirect3DDevice8* device_;
    DWORD options_;
    DWORD fvf_;
    UINT stride_;
    std::vector<BYTE> vertices_;
    std::vector<uint16_t> indices_;
    std::vector<DWORD> attributes_;
    std::vector<D3DXATTRIBUTERANGE> table_;
};
