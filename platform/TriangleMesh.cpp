#include "TriangleMesh.h"

#include "MeshBuffer.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <utility>

namespace {

const DWORD None = 0xFFFFFFFF;
const DWORD KnownFlags = D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE;

// Where each element of a supported format lies in a vertex; -1 when absent.
struct Layout {
    int normal = -1, diffuse = -1, specular = -1, tex = -1;
    UINT texCount = 0;
};

Layout LayoutOf(DWORD fvf)
{
    Layout l;
    UINT at = 12;
    if (fvf & D3DFVF_NORMAL) {
        l.normal = int(at);
        at += 12;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = int(at);
        at += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specular = int(at);
        at += 4;
    }
    l.texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (l.texCount)
        l.tex = int(at);
    return l;
}

D3DPOOL Pool(DWORD options, DWORD systemBit, DWORD managedBit)
{
    if (options & systemBit)
        return D3DPOOL_SYSTEMMEM;
    if (options & managedBit)
        return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

template <typename Buffer> HRESULT Fill(Buffer* buffer, const void* source, UINT bytes)
{
    BYTE* data = nullptr;
    HRESULT hr = buffer->Lock(0, 0, &data, 0);
    if (SUCCEEDED(hr) && !data)
        hr = E_POINTER;
    if (FAILED(hr))
        return hr;
    std::memcpy(data, source, bytes);
    buffer->Unlock();
    return S_OK;
}

} // namespace

TriangleMesh::TriangleMesh(IDirect3DDevice8* device, DWORD options, DWORD fvf, std::vector<BYTE> vertices,
                           std::vector<uint16_t> indices, std::vector<DWORD> attributes)
    : refs_(1), device_(device), options_(options), fvf_(fvf), stride_(D3DXGetFVFVertexSize(fvf)),
      vertices_(std::move(vertices)), indices_(std::move(indices)), attributes_(std::move(attributes))
{
    if (device_)
        device_->AddRef();
}

TriangleMesh::~TriangleMesh()
{
    if (device_)
        device_->Release();
}

HRESULT TriangleMesh::Create(IDirect3DDevice8* device, DWORD options, DWORD fvf, std::vector<BYTE> vertices,
                             std::vector<uint16_t> indices, std::vector<DWORD> attributes, ID3DXMesh** out)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    const UINT stride = D3DXGetFVFVertexSize(fvf);
    if (!device || !stride || vertices.empty() || vertices.size() % stride || indices.empty() ||
        indices.size() % 3 || attributes.size() != indices.size() / 3)
        return D3DERR_INVALIDCALL;
    const size_t count = vertices.size() / stride;
    if (count > 0xFFFF)
        return D3DERR_INVALIDCALL;
    for (uint16_t i : indices)
        if (i >= count)
            return D3DERR_INVALIDCALL;
    TriangleMesh* mesh = new (std::nothrow)
        TriangleMesh(device, options, fvf, std::move(vertices), std::move(indices), std::move(attributes));
    if (!mesh)
        return E_OUTOFMEMORY;
    *out = mesh;
    return S_OK;
}

void TriangleMesh::ComputeAdjacency(const std::vector<uint16_t>& indices, std::vector<DWORD>& adjacency)
{
    const size_t faces = indices.size() / 3;
    adjacency.assign(faces * 3, None);
    // Undirected edge -> the first corner (face * 3 + edge) still without a partner.
    std::map<std::pair<uint16_t, uint16_t>, size_t> open;
    for (size_t f = 0; f < faces; ++f)
        for (int e = 0; e < 3; ++e) {
            const uint16_t a = indices[3 * f + e], b = indices[3 * f + (e + 1) % 3];
            if (a == b)
                continue;
            const auto key = std::make_pair(std::min(a, b), std::max(a, b));
            const auto it = open.find(key);
            if (it == open.end()) {
                open.emplace(key, 3 * f + e);
            } else if (it->second != size_t(-1)) {
                const size_t other = it->second;
                if (other / 3 == f)
                    continue;
                adjacency[3 * f + e] = DWORD(other / 3);
                adjacency[other] = DWORD(f);
                it->second = size_t(-1); // an edge joins two faces at most
            }
        }
}

ULONG TriangleMesh::Release()
{
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT TriangleMesh::GetVertexBuffer(IDirect3DVertexBuffer8** out)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    IDirect3DVertexBuffer8* vb = nullptr;
    const UINT bytes = UINT(vertices_.size());
    HRESULT hr = device_->CreateVertexBuffer(bytes, 0, fvf_, Pool(options_, 0x10, 0x20), &vb);
    if (SUCCEEDED(hr) && !vb)
        hr = E_POINTER;
    if (SUCCEEDED(hr))
        hr = Fill(vb, vertices_.data(), bytes);
    if (FAILED(hr)) {
        if (vb)
            vb->Release();
        return hr;
    }
    *out = vb;
    return S_OK;
}

HRESULT TriangleMesh::GetIndexBuffer(IDirect3DIndexBuffer8** out)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    const UINT bytes = UINT(indices_.size() * sizeof(uint16_t));
    HRESULT hr = device_->CreateIndexBuffer(bytes, 0, D3DFMT_INDEX16, Pool(options_, 0x100, 0x200), &ib);
    if (SUCCEEDED(hr) && !ib)
        hr = E_POINTER;
    if (SUCCEEDED(hr))
        hr = Fill(ib, indices_.data(), bytes);
    if (FAILED(hr)) {
        if (ib)
            ib->Release();
        return hr;
    }
    *out = ib;
    return S_OK;
}

HRESULT TriangleMesh::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* count)
{
    if (!count)
        return D3DERR_INVALIDCALL;
    if (!table) {
        *count = DWORD(table_.size());
        return S_OK;
    }
    const DWORD written = std::min<DWORD>(*count, DWORD(table_.size()));
    std::copy(table_.begin(), table_.begin() + written, table);
    *count = written;
    return written < table_.size() ? D3DERR_MOREDATA : S_OK;
}

HRESULT TriangleMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXMesh** out)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    const UINT stride = D3DXGetFVFVertexSize(fvf);
    if (!stride || !device)
        return D3DERR_INVALIDCALL;
    const Layout from = LayoutOf(fvf_), to = LayoutOf(fvf);
    const size_t count = GetNumVertices();
    std::vector<BYTE> vertices;
    try {
        vertices.assign(count * stride, 0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const DWORD white = 0xFFFFFFFF;
    for (size_t v = 0; v < count; ++v) {
        const BYTE* s = &vertices_[v * stride_];
        BYTE* d = &vertices[v * stride];
        std::memcpy(d, s, 12);
        if (to.normal >= 0 && from.normal >= 0)
            std::memcpy(d + to.normal, s + from.normal, 12);
        if (to.diffuse >= 0)
            std::memcpy(d + to.diffuse, from.diffuse >= 0 ? s + from.diffuse : reinterpret_cast<const BYTE*>(&white), 4);
        if (to.specular >= 0)
            std::memcpy(d + to.specular, from.specular >= 0 ? s + from.specular : reinterpret_cast<const BYTE*>(&white),
                        4);
        const UINT shared = std::min(from.texCount, to.texCount);
        if (shared)
            std::memcpy(d + to.tex, s + from.tex, shared * 8);
    }
    HRESULT hr = Create(device, options, fvf, std::move(vertices), indices_, attributes_, out);
    if (SUCCEEDED(hr))
        static_cast<TriangleMesh*>(*out)->table_ = table_;
    return hr;
}

std::vector<uint32_t> TriangleMesh::WalkOrder(const std::vector<uint32_t>& order, const DWORD* adjacencyIn) const
{
    const size_t faces = indices_.size() / 3;
    std::vector<DWORD> computed;
    const DWORD* adjacency = adjacencyIn;
    if (!adjacency) {
        ComputeAdjacency(indices_, computed);
        adjacency = computed.data();
    }
    std::vector<char> placed(faces, 0);
    std::vector<uint32_t> walked;
    walked.reserve(faces);
    for (size_t start = 0; start < order.size(); ++start) {
        uint32_t face = order[start];
        if (placed[face])
            continue;
        // From each placed face, go on to an unplaced neighbour with the same
        // attribute; when there is none, the next face of the sorted order.
        while (true) {
            placed[face] = 1;
            walked.push_back(face);
            uint32_t next = None;
            for (int e = 0; e < 3 && next == None; ++e) {
                const DWORD n = adjacency[3 * face + e];
                if (n < faces && !placed[n] && attributes_[n] == attributes_[face])
                    next = n;
            }
            if (next == None)
                break;
            face = next;
        }
    }
    return walked;
}

HRESULT TriangleMesh::OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                                      ID3DXBuffer** vertexRemap)
{
    if (vertexRemap)
        *vertexRemap = nullptr;
    if (flags & ~KnownFlags)
        return D3DERR_INVALIDCALL;
    const size_t faces = GetNumFaces();
    const size_t count = GetNumVertices();
    const bool sort = (flags & (D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE)) != 0;
    const bool cache = (flags & D3DXMESHOPT_VERTEXCACHE) != 0;
    const bool compact = (flags & D3DXMESHOPT_COMPACT) != 0;

    std::vector<uint32_t> order(faces);
    for (size_t f = 0; f < faces; ++f)
        order[f] = uint32_t(f);
    if (sort)
        std::stable_sort(order.begin(), order.end(),
                         [this](uint32_t a, uint32_t b) { return attributes_[a] < attributes_[b]; });
    if (cache) {
        if (adjacencyIn)
            for (size_t i = 0; i < faces * 3; ++i)
                if (adjacencyIn[i] != None && adjacencyIn[i] >= faces)
                    return D3DERR_INVALIDCALL;
        order = WalkOrder(order, adjacencyIn);
    }

    std::vector<uint16_t> indices(faces * 3);
    std::vector<DWORD> attributes(faces);
    for (size_t f = 0; f < faces; ++f) {
        std::copy_n(&indices_[3 * order[f]], 3, &indices[3 * f]);
        attributes[f] = attributes_[order[f]];
    }

    // New vertex numbers: in order of first use with the cache walk, else in
    // the old order; unused vertices last, or dropped when compacting.
    std::vector<uint32_t> newToOld;
    std::vector<uint32_t> oldToNew(count, None);
    if (cache) {
        for (uint16_t i : indices)
            if (oldToNew[i] == None) {
                oldToNew[i] = uint32_t(newToOld.size());
                newToOld.push_back(i);
            }
    } else {
        std::vector<char> used(count, 0);
        for (uint16_t i : indices)
            used[i] = 1;
        for (size_t v = 0; v < count; ++v)
            if (used[v] || !compact) {
                oldToNew[v] = uint32_t(newToOld.size());
                newToOld.push_back(uint32_t(v));
            }
    }
    if (cache && !compact)
        for (size_t v = 0; v < count; ++v)
            if (oldToNew[v] == None) {
                oldToNew[v] = uint32_t(newToOld.size());
                newToOld.push_back(uint32_t(v));
            }

    ID3DXBuffer* remap = nullptr;
    if (vertexRemap) {
        const HRESULT hr = D3DXCreateBuffer(DWORD(newToOld.size() * sizeof(DWORD)), &remap);
        if (FAILED(hr))
            return hr;
        std::memcpy(remap->GetBufferPointer(), newToOld.data(), newToOld.size() * sizeof(DWORD));
    }

    std::vector<BYTE> vertices(newToOld.size() * stride_);
    for (size_t v = 0; v < newToOld.size(); ++v)
        std::memcpy(&vertices[v * stride_], &vertices_[size_t(newToOld[v]) * stride_], stride_);
    for (uint16_t& i : indices)
        i = uint16_t(oldToNew[i]);

    std::vector<D3DXATTRIBUTERANGE> table;
    if (sort)
        for (size_t f = 0; f < faces;) {
            size_t end = f;
            uint16_t low = 0xFFFF, high = 0;
            for (; end < faces && attributes[end] == attributes[f]; ++end)
                for (int c = 0; c < 3; ++c) {
                    low = std::min(low, indices[3 * end + c]);
                    high = std::max(high, indices[3 * end + c]);
                }
            table.push_back({attributes[f], DWORD(f), DWORD(end - f), low, DWORD(high - low + 1)});
            f = end;
        }

    if (faceRemap)
        std::copy(order.begin(), order.end(), faceRemap);
    vertices_ = std::move(vertices);
    indices_ = std::move(indices);
    attributes_ = std::move(attributes);
    if (sort)
        table_ = std::move(table);
    if (adjacencyOut) {
        std::vector<DWORD> adjacency;
        ComputeAdjacency(indices_, adjacency);
        std::copy(adjacency.begin(), adjacency.end(), adjacencyOut);
    }
    if (vertexRemap)
        *vertexRemap = remap;
    return S_OK;
}
