// A mesh read from a DirectX File data object through our D3DX stand-in:
// the mesh in system memory, an optional copy for the device, and the
// file's materials. The .x loader keeps one for the length of one load.
#pragma once

#include "D3DXMesh.h"

#include <windows.h>
#include <d3d8.h>

const size_t OruFileMeshNameLength = 512;

class OruFileMesh {
public:
    // name is copied, cut to 511 characters.
    explicit OruFileMesh(const char* name);
    // Runs Destroy.
    virtual ~OruFileMesh();
    OruFileMesh(const OruFileMesh&) = delete;
    OruFileMesh& operator=(const OruFileMesh&) = delete;

    // Loads the Mesh data object into systemMesh (system memory) and
    // optimises it (compact, attribute sort, vertex cache); copies the
    // materials with ambient = diffuse and no textures. Whatever the mesh
    // held before is destroyed first. On failure the D3DX result is
    // returned and the mesh holds nothing.
    HRESULT CreateFromData(IDirect3DDevice8* device, IDirectXFileData* data);

    // Converts the meshes to fvf and recomputes their normals from the
    // faces (when fvf has normals). E_FAIL when there is no mesh or a
    // conversion fails; the meshes are then unchanged.
    HRESULT ConvertVertexFormat(IDirect3DDevice8* device, DWORD fvf);

    // deviceMesh: a copy of systemMesh in the device's default pool.
    HRESULT RestoreDeviceObjects(IDirect3DDevice8* device);
    HRESULT InvalidateDeviceObjects();
    HRESULT Destroy();

    char name[OruFileMeshNameLength];
    ID3DXMesh* systemMesh;
    ID3DXMesh* deviceMesh;
    DWORD materialCount;
    D3DMATERIAL8* materials;
    IDirect3DTexture8** textures;
};
