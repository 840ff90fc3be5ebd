#include "mesh/OruFileMesh.h"

#include "framework/ReleaseAndClear.h"

#include <new>

OruFileMesh::OruFileMesh(const char* meshName)
    : name(), systemMesh(nullptr), deviceMesh(nullptr), materialCount(0), materials(nullptr), textures(nullptr)
{
    if (meshName)
        lstrcpynA(name, meshName, int(sizeof name));
}

OruFileMesh::~OruFileMesh()
{
    Destroy();
}

HRESULT OruFileMesh::CreateFromData(IDirect3DDevice8* device, IDirectXFileData* data)
{
    Destroy();
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD count = 0;
    HRESULT hr = D3DXLoadMeshFromXof(data, D3DXMESH_SYSTEMMEM, device, &adjacency, &materialBuffer, &count,
                                     &systemMesh);
    if (SUCCEEDED(hr) && (!systemMesh || !adjacency))
        hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = systemMesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                                         static_cast<const DWORD*>(adjacency->GetBufferPointer()), nullptr, nullptr,
                                         nullptr);
    if (SUCCEEDED(hr) && materialBuffer && count > 0) {
        if (materialBuffer->GetBufferSize() / sizeof(D3DXMATERIAL) < count)
            hr = E_FAIL;
        else {
            materials = new (std::nothrow) D3DMATERIAL8[count];
            textures = new (std::nothrow) IDirect3DTexture8*[count];
            if (!materials || !textures)
                hr = E_OUTOFMEMORY;
        }
        if (SUCCEEDED(hr)) {
            const D3DXMATERIAL* source = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
            for (DWORD i = 0; i < count; ++i) {
                materials[i] = source[i].MatD3D;
                materials[i].Ambient = materials[i].Diffuse;
                textures[i] = nullptr;
            }
            materialCount = count;
        }
    }
    ReleaseAndClear(adjacency);
    ReleaseAndClear(materialBuffer);
    if (FAILED(hr))
        Destroy();
    return hr;
}

HRESULT OruFileMesh::ConvertVertexFormat(IDirect3DDevice8* device, DWORD fvf)
{
    if (!systemMesh && !deviceMesh)
        return E_FAIL;
    ID3DXMesh* newSystem = nullptr;
    ID3DXMesh* newDevice = nullptr;
    if (systemMesh && FAILED(systemMesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, fvf, device, &newSystem)))
        return E_FAIL;
    if (deviceMesh && FAILED(deviceMesh->CloneMeshFVF(0, fvf, device, &newDevice))) {
        ReleaseAndClear(newSystem);
        return E_FAIL;
    }
    ReleaseAndClear(systemMesh);
    ReleaseAndClear(deviceMesh);
    systemMesh = newSystem;
    deviceMesh = newDevice;
    if (fvf & D3DFVF_NORMAL) {
        if (systemMesh)
            D3DXComputeNormals(systemMesh, nullptr);
        if (deviceMesh)
            D3DXComputeNormals(deviceMesh, nullptr);
    }
    return 0;
}

HRESULT OruFileMesh::RestoreDeviceObjects(IDirect3DDevice8* device)
{
    if (!systemMesh)
        return E_FAIL;
    ReleaseAndClear(deviceMesh);
    if (FAILED(systemMesh->CloneMeshFVF(0, systemMesh->GetFVF(), device, &deviceMesh))) {
        deviceMesh = nullptr;
        return E_FAIL;
    }
    return 0;
}

HRESULT OruFileMesh::InvalidateDeviceObjects()
{
    ReleaseAndClear(deviceMesh);
    return 0;
}

HRESULT OruFileMesh::Destroy()
{
    InvalidateDeviceObjects();
    if (textures)
        for (DWORD i = 0; i < materialCount; ++i)
            ReleaseAndClear(textures[i]);
    delete[] textures;
    delete[] materials;
    textures = nullptr;
    materials = nullptr;
    ReleaseAndClear(systemMesh);
    materialCount = 0;
    return 0;
}
