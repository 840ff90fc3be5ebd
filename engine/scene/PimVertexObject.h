// The base of every drawable class: a visible object with a list of meshes
// (copies of compiled-in mesh records, or .x files loaded when the device
// objects are initialised), compiled-in textures and shaders. It makes their
// device objects through the world's servers and the texture cache at every
// restore, computes its bounding box from its meshes and keeps the four
// transposed matrices that the drawing classes upload as shader constants.
// It draws nothing itself.
//
// Ownership: the mesh records are the object's copies, but the buffers they
// name and the arrays of a loaded .x mesh belong to VBServer (a record owns
// nothing, so the copies go with the object and free nothing), the textures
// to the texture cache, the shaders to VSServer. The object owns none of its
// device resources.
#pragma once

#include "OruVisible.h"

#include "mesh/OruMeshRecord.h"
#include "servers/ShaderSet.h"
#include "texture/EmbeddedFile.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdint>

const int PimMeshCapacity = 100;
const int PimTextureCapacity = 50;
const int PimShaderCapacity = ShaderSetCapacity;

class VBServer;
class VSServer;

class PimVertexObject : public OruVisible {
public:
    PimVertexObject();

    // Loads the .x meshes through VBServer and computes the bounds. Returns 0.
    HRESULT InitDeviceObjects() override;
    // Textures, then mesh buffers, then shaders, then the state block; 0 or
    // the first failure (the textures and meshes before it keep theirs).
    HRESULT RestoreDeviceObjects() override;
    // Gives the textures back to the cache and forgets the borrowed handles.
    HRESULT InvalidateDeviceObjects() override;
    // Forgets the arrays of the loaded meshes, which VBServer frees.
    HRESULT DeleteDeviceObjects() override;
    void Update(float time, float prevTime) override;
    HRESULT FinalCleanup() override;
    // Grows the box from its current extent over every mesh's vertices; the
    // radius is the half-edge of the smallest origin-centred cube holding it.
    void ComputeBounds() override;
    // Keeps the transposes of world x view x projection, world x view, world
    // and view.
    void UpdateShaderMatrices(const D3DXMATRIX* view, const D3DXMATRIX* projection) override;

    // Marks record static (in the caller's record too) and copies it into the
    // next mesh slot. A null record or one past the capacity is refused and
    // traced. Returns the object.
    PimVertexObject* AddMesh(OruMeshRecord* record);
    // The next mesh slot names a compiled-in .x file, read at
    // InitDeviceObjects. Refused and traced past the capacity.
    void AddXMesh(EmbeddedFileRef* file, DWORD fvf, int stride, int noVB);
    // Appends a compiled-in image file, created at RestoreDeviceObjects.
    // Refused and traced past the capacity.
    void AddTexture(const BYTE* data, int size);

    // The entries of shaders that are made: at most PimShaderCapacity.
    int ShaderCount() const;

    ShaderSet shaders;
    int32_t meshCount;
    OruMeshRecord meshes[PimMeshCapacity];
    const BYTE* textureSources[PimTextureCapacity];
    int32_t textureSizes[PimTextureCapacity];
    IDirect3DTexture8* textures[PimTextureCapacity]; // not owned
    int32_t textureCount;
    DWORD shaderHandles[PimShaderCapacity];
    D3DXMATRIX worldViewProjT;
    D3DXMATRIX worldViewT;
    D3DXMATRIX worldT;
    D3DXMATRIX viewT;
    int32_t useStrips;        // loaded meshes as strips; index buffers sized for strips
    int32_t stencilId;
    int32_t cloneTextureSize;
    float cloneScale;

protected:
    // The world's servers, or null when no world is running.
    static VBServer* Buffers();
    static VSServer* Shaders();
};
