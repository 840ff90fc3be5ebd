#include "D3DXMesh.h"

#include "MeshBuffer.h"
#include "TriangleMesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

const DWORD KnownFvfBits = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR |
                           D3DFVF_TEXCOUNT_MASK;
// A data object has at most this many children worth looking at; the bound
// also ends a walk over a DirectX File that would repeat a child for ever.
const int MaxChildren = 65536;
const size_t MaxTextureName = 4096;

// Reads DWORDs and floats from a data object's bytes, never past its end.
bool ReadDword(const BYTE* data, DWORD size, DWORD& at, DWORD& value)
{
    if (size < 4 || at > size - 4)
        return false;
    std::memcpy(&value, data + at, 4);
    at += 4;
    return true;
}

bool ReadFloats(const BYTE* data, DWORD size, DWORD& at, float* values, DWORD count)
{
    if (count > (size - std::min(at, size)) / 4)
        return false;
    std::memcpy(values, data + at, size_t(count) * 4);
    at += count * 4;
    return true;
}

// count polygons: each a corner count and that many indices, each below limit.
bool ReadPolygons(const BYTE* data, DWORD size, DWORD count, DWORD limit, std::vector<std::vector<DWORD>>& polygons,
                  DWORD& at)
{
    if (count > size / 4)
        return false;
    polygons.resize(count);
    for (std::vector<DWORD>& polygon : polygons) {
        DWORD corners;
        if (!ReadDword(data, size, at, corners) || corners < 3 || corners > (size - at) / 4)
            return false;
        polygon.resize(corners);
        for (DWORD& index : polygon)
            if (!ReadDword(data, size, at, index) || index >= limit)
                return false;
    }
    return true;
}

// A data object's bytes, read in order. DirectX File's parser has matched
// every count to the data behind it; the size it reports bounds each read
// as well (on Wine it can be larger than the object for nested objects).
struct Cursor {
    const BYTE* bytes = nullptr;
    DWORD size = 0;
    DWORD at = 0;
};

HRESULT Open(IDirectXFileData* data, Cursor& c)
{
    void* p = nullptr;
    c = Cursor{};
    const HRESULT hr = data->GetData(nullptr, &c.size, &p);
    c.bytes = static_cast<const BYTE*>(p);
    if (FAILED(hr))
        return hr;
    return (c.size && !p) ? D3DXERR_INVALIDDATA : S_OK;
}

bool Dword(Cursor& c, DWORD& value)
{
    return ReadDword(c.bytes, c.size, c.at, value);
}

bool Floats(Cursor& c, float* values, DWORD count)
{
    return ReadFloats(c.bytes, c.size, c.at, values, count);
}

bool Polygons(Cursor& c, DWORD limit, std::vector<std::vector<DWORD>>& polygons)
{
    DWORD count;
    if (!Dword(c, count))
        return false;
    DWORD at = 0;
    const bool ok = ReadPolygons(c.bytes + c.at, c.size - c.at, count, limit, polygons, at);
    c.at += at;
    return ok;
}

// Calls visit for each data child of data (references resolved, binary
// children skipped), in file order; stops at the first failure.
template <typename Visit> HRESULT ForEachChild(IDirectXFileData* data, Visit visit)
{
    for (int n = 0; n < MaxChildren; ++n) {
        IDirectXFileObject* object = nullptr;
        HRESULT hr = data->GetNextObject(&object);
        if (hr == DXFILEERR_NOMOREOBJECTS)
            return S_OK;
        if (FAILED(hr) || !object)
            return FAILED(hr) ? hr : D3DXERR_INVALIDDATA;
        IDirectXFileData* child = nullptr;
        if (FAILED(object->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&child)))) {
            child = nullptr;
            IDirectXFileDataReference* reference = nullptr;
            if (SUCCEEDED(object->QueryInterface(IID_IDirectXFileDataReference,
                                                 reinterpret_cast<void**>(&reference)))) {
                if (FAILED(reference->Resolve(&child)))
                    child = nullptr;
                reference->Release();
            }
        }
        object->Release();
        if (!child)
            continue;
        const GUID* type = nullptr;
        hr = child->GetType(&type);
        if (SUCCEEDED(hr) && type)
            hr = visit(child, *type);
        child->Release();
        if (FAILED(hr))
            return hr;
    }
    return D3DXERR_INVALIDDATA;
}

struct Material {
    D3DMATERIAL8 material;
    std::string texture;
    bool hasTexture;
};

HRESULT ReadMaterial(IDirectXFileData* data, Material& out)
{
    float v[11];
    Cursor c;
    const HRESULT hr = Open(data, c);
    if (FAILED(hr))
        return hr;
    if (!Floats(c, v, 11))
        return D3DXERR_INVALIDDATA;
    out = Material{};
    D3DMATERIAL8& m = out.material;
    m.Diffuse = {v[0], v[1], v[2], v[3]};
    m.Power = v[4];
    m.Specular = {v[5], v[6], v[7], 1.0f};
    m.Emissive = {v[8], v[9], v[10], 1.0f};
    return ForEachChild(data, [&out](IDirectXFileData* child, const GUID& type) -> HRESULT {
        if (type != TID_D3DRMTextureFilename)
            return S_OK;
        Cursor c;
        const HRESULT r = Open(child, c);
        if (FAILED(r))
            return r;
        const char* name = nullptr;
        if (c.size < sizeof name)
            return D3DXERR_INVALIDDATA;
        std::memcpy(&name, c.bytes, sizeof name);
        out.hasTexture = name != nullptr;
        out.texture = name ? std::string(name, strnlen(name, MaxTextureName)) : std::string();
        return S_OK;
    });
}

struct MeshData {
    std::vector<float> positions;
    std::vector<std::vector<DWORD>> polygons;
    std::vector<float> normals;         // per vertex, when hasNormals
    std::vector<float> textureCoords;   // per vertex, when hasTextureCoords
    std::vector<DWORD> polygonMaterial; // per polygon
    std::vector<Material> materials;
    bool hasNormals = false, hasTextureCoords = false, hasMaterials = false;
};

HRESULT ReadNormals(IDirectXFileData* data, MeshData& mesh)
{
    Cursor c;
    const HRESULT hr = Open(data, c);
    if (FAILED(hr))
        return hr;
    DWORD count;
    if (!Dword(c, count) || count > c.size / 12)
        return D3DXERR_INVALIDDATA;
    std::vector<float> normals(size_t(count) * 3);
    std::vector<std::vector<DWORD>> faces;
    if (!Floats(c, normals.data(), count * 3) || !Polygons(c, count, faces) || faces.size() != mesh.polygons.size())
        return D3DXERR_INVALIDDATA;
    mesh.normals.assign(mesh.positions.size(), 0.0f);
    for (size_t p = 0; p < faces.size(); ++p) {
        if (faces[p].size() != mesh.polygons[p].size())
            return D3DXERR_INVALIDDATA;
        for (size_t c = 0; c < faces[p].size(); ++c)
            std::memcpy(&mesh.normals[size_t(mesh.polygons[p][c]) * 3], &normals[size_t(faces[p][c]) * 3], 12);
    }
    mesh.hasNormals = true;
    return S_OK;
}

HRESULT ReadTextureCoords(IDirectXFileData* data, MeshData& mesh)
{
    Cursor c;
    const HRESULT hr = Open(data, c);
    if (FAILED(hr))
        return hr;
    DWORD count;
    const size_t vertices = mesh.positions.size() / 3;
    if (!Dword(c, count) || count != vertices)
        return D3DXERR_INVALIDDATA;
    mesh.textureCoords.resize(vertices * 2);
    if (!Floats(c, mesh.textureCoords.data(), count * 2))
        return D3DXERR_INVALIDDATA;
    mesh.hasTextureCoords = true;
    return S_OK;
}

HRESULT ReadMaterialList(IDirectXFileData* data, MeshData& mesh)
{
    Cursor c;
    HRESULT hr = Open(data, c);
    if (FAILED(hr))
        return hr;
    DWORD materials, count;
    if (!Dword(c, materials) || !Dword(c, count) || count > c.size / 4 || count > mesh.polygons.size() ||
        count == 0 || materials == 0 || materials > MaxChildren)
        return D3DXERR_INVALIDDATA;
    mesh.polygonMaterial.resize(mesh.polygons.size());
    for (DWORD p = 0; p < mesh.polygons.size(); ++p) {
        if (p < count && (!Dword(c, mesh.polygonMaterial[p]) || mesh.polygonMaterial[p] >= materials))
            return D3DXERR_INVALIDDATA;
        if (p >= count)
            mesh.polygonMaterial[p] = mesh.polygonMaterial[count - 1];
    }
    hr = ForEachChild(data, [&mesh](IDirectXFileData* child, const GUID& type) -> HRESULT {
        if (type != TID_D3DRMMaterial)
            return S_OK;
        Material m;
        const HRESULT r = ReadMaterial(child, m);
        if (SUCCEEDED(r))
            mesh.materials.push_back(m);
        return r;
    });
    if (FAILED(hr))
        return hr;
    if (mesh.materials.size() != materials)
        return D3DXERR_INVALIDDATA;
    mesh.hasMaterials = true;
    return S_OK;
}

HRESULT ReadMesh(IDirectXFileData* data, MeshData& mesh)
{
    const GUID* type = nullptr;
    HRESULT hr = data->GetType(&type);
    if (FAILED(hr))
        return hr;
    if (!type || *type != TID_D3DRMMesh)
        return D3DXERR_INVALIDDATA;
    Cursor c;
    hr = Open(data, c);
    if (FAILED(hr))
        return hr;
    DWORD vertices;
    if (!Dword(c, vertices) || vertices == 0 || vertices > 0xFFFF)
        return D3DXERR_INVALIDDATA;
    mesh.positions.resize(size_t(vertices) * 3);
    if (!Floats(c, mesh.positions.data(), vertices * 3) || !Polygons(c, vertices, mesh.polygons) ||
        mesh.polygons.empty())
        return D3DXERR_INVALIDDATA;
    return ForEachChild(data, [&mesh](IDirectXFileData* child, const GUID& t) -> HRESULT {
        if (t == TID_D3DRMMeshNormals)
            return ReadNormals(child, mesh);
        if (t == TID_D3DRMMeshTextureCoords)
            return ReadTextureCoords(child, mesh);
        if (t == TID_D3DRMMeshMaterialList)
            return ReadMaterialList(child, mesh);
        return S_OK;
    });
}

HRESULT MaterialsBuffer(const std::vector<Material>& materials, ID3DXBuffer** out)
{
    size_t bytes = materials.size() * sizeof(D3DXMATERIAL);
    for (const Material& m : materials)
        if (m.hasTexture)
            bytes += m.texture.size() + 1;
    HRESULT hr = D3DXCreateBuffer(DWORD(bytes), out);
    if (FAILED(hr))
        return hr;
    D3DXMATERIAL* table = static_cast<D3DXMATERIAL*>((*out)->GetBufferPointer());
    char* text = reinterpret_cast<char*>(table + materials.size());
    for (size_t i = 0; i < materials.size(); ++i) {
        table[i].MatD3D = materials[i].material;
        table[i].pTextureFilename = nullptr;
        if (materials[i].hasTexture) {
            std::memcpy(text, materials[i].texture.c_str(), materials[i].texture.size() + 1);
            table[i].pTextureFilename = text;
            text += materials[i].texture.size() + 1;
        }
    }
    return S_OK;
}

HRESULT BuildMesh(const MeshData& data, DWORD options, IDirect3DDevice8* device, ID3DXMesh** mesh)
{
    const DWORD fvf = D3DFVF_XYZ | (data.hasNormals ? D3DFVF_NORMAL : 0) | (data.hasTextureCoords ? D3DFVF_TEX1 : 0);
    const UINT stride = D3DXGetFVFVertexSize(fvf);
    const size_t count = data.positions.size() / 3;
    std::vector<BYTE> vertices(count * stride);
    for (size_t v = 0; v < count; ++v) {
        BYTE* d = &vertices[v * stride];
        std::memcpy(d, &data.positions[3 * v], 12);
        d += 12;
        if (data.hasNormals) {
            std::memcpy(d, &data.normals[3 * v], 12);
            d += 12;
        }
        if (data.hasTextureCoords)
            std::memcpy(d, &data.textureCoords[2 * v], 8);
    }
    std::vector<uint16_t> indices;
    std::vector<DWORD> attributes;
    for (size_t p = 0; p < data.polygons.size(); ++p) {
        const std::vector<DWORD>& polygon = data.polygons[p];
        for (size_t c = 1; c + 1 < polygon.size(); ++c) {
            indices.push_back(uint16_t(polygon[0]));
            indices.push_back(uint16_t(polygon[c]));
            indices.push_back(uint16_t(polygon[c + 1]));
            attributes.push_back(data.hasMaterials ? data.polygonMaterial[p] : 0);
        }
    }
    return TriangleMesh::Create(device, options, fvf, std::move(vertices), std::move(indices), std::move(attributes),
                                mesh);
}

HRESULT LoadMesh(IDirectXFileData* data, DWORD options, IDirect3DDevice8* device, ID3DXBuffer** adjacency,
                 ID3DXBuffer** materials, DWORD* materialCount, ID3DXMesh** mesh)
{
    MeshData parsed;
    HRESULT hr = ReadMesh(data, parsed);
    if (FAILED(hr))
        return hr;
    hr = BuildMesh(parsed, options, device, mesh);
    if (FAILED(hr))
        return hr;
    if (adjacency) {
        std::vector<DWORD> table;
        TriangleMesh::ComputeAdjacency(static_cast<TriangleMesh*>(*mesh)->Indices(), table);
        hr = D3DXCreateBuffer(DWORD(table.size() * sizeof(DWORD)), adjacency);
        if (FAILED(hr))
            return hr;
        std::memcpy((*adjacency)->GetBufferPointer(), table.data(), table.size() * sizeof(DWORD));
    }
    if (materials && parsed.hasMaterials) {
        hr = MaterialsBuffer(parsed.materials, materials);
        if (FAILED(hr))
            return hr;
    }
    if (materialCount)
        *materialCount = parsed.hasMaterials ? DWORD(parsed.materials.size()) : 0;
    return S_OK;
}

template <typename T> void ReleaseAndClear(T** p)
{
    if (p && *p) {
        (*p)->Release();
        *p = nullptr;
    }
}

} // namespace

UINT D3DXGetFVFVertexSize(DWORD fvf)
{
    if ((fvf & ~KnownFvfBits) || (fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZ)
        return 0;
    const UINT textures = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (textures > 8)
        return 0;
    return 12 + ((fvf & D3DFVF_NORMAL) ? 12 : 0) + ((fvf & D3DFVF_DIFFUSE) ? 4 : 0) +
           ((fvf & D3DFVF_SPECULAR) ? 4 : 0) + 8 * textures;
}

HRESULT D3DXLoadMeshFromXof(IDirectXFileData* data, DWORD options, IDirect3DDevice8* device, ID3DXBuffer** adjacency,
                            ID3DXBuffer** materials, DWORD* materialCount, ID3DXMesh** mesh)
{
    if (adjacency)
        *adjacency = nullptr;
    if (materials)
        *materials = nullptr;
    if (materialCount)
        *materialCount = 0;
    if (!mesh)
        return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    if (!data || !device)
        return D3DERR_INVALIDCALL;
    HRESULT hr;
    try {
        hr = LoadMesh(data, options, device, adjacency, materials, materialCount, mesh);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        ReleaseAndClear(mesh);
        ReleaseAndClear(adjacency);
        ReleaseAndClear(materials);
        if (materialCount)
            *materialCount = 0;
    }
    return hr;
}

HRESULT D3DXComputeNormals(ID3DXMesh* mesh, const DWORD*)
{
    TriangleMesh* m = dynamic_cast<TriangleMesh*>(mesh);
    if (!m || !(m->GetFVF() & D3DFVF_NORMAL))
        return D3DERR_INVALIDCALL;
    const UINT stride = m->Stride();
    const size_t count = m->GetNumVertices();
    BYTE* vertices = m->Vertices();
    std::vector<D3DXVECTOR3> sums(count, D3DXVECTOR3(0, 0, 0));
    const std::vector<uint16_t>& indices = m->Indices();
    auto position = [&](uint16_t i) {
        D3DXVECTOR3 p;
        std::memcpy(&p, vertices + size_t(i) * stride, 12);
        return p;
    };
    for (size_t f = 0; f + 2 < indices.size(); f += 3) {
        const D3DXVECTOR3 p0 = position(indices[f]), p1 = position(indices[f + 1]), p2 = position(indices[f + 2]);
        const D3DXVECTOR3 e1 = p1 - p0, e2 = p2 - p0;
        D3DXVECTOR3 n;
        D3DXVec3Cross(&n, &e1, &e2);
        const float length = D3DXVec3Length(&n);
        if (!(length > 0.0f) || !std::isfinite(length))
            continue;
        n /= length;
        for (int c = 0; c < 3; ++c)
            sums[indices[f + c]] += n;
    }
    for (size_t v = 0; v < count; ++v) {
        D3DXVECTOR3 n = sums[v];
        const float length = D3DXVec3Length(&n);
        n = length > 0.0f ? n / length : D3DXVECTOR3(0, 0, 0);
        std::memcpy(vertices + v * stride + 12, &n, 12);
    }
    return S_OK;
}
