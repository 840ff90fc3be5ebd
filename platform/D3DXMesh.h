// Our stand-in for the part of the D3DX 8 mesh library the .x loader uses,
// with the D3DX 8 names and constants: ID3DXBuffer, ID3DXMesh (16-bit
// indices, one attribute per face), D3DXMATERIAL, D3DXLoadMeshFromXof and
// D3DXComputeNormals.
#pragma once

#include "D3DXMath.h"
#include "DirectXFile.h"
#include "ImageFile.h"

#include <windows.h>
#include <d3d8.h>

#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220
#define D3DXMESHOPT_COMPACT 0x01000000
#define D3DXMESHOPT_ATTRSORT 0x02000000
#define D3DXMESHOPT_VERTEXCACHE 0x04000000

// A block of bytes with a reference count.
class ID3DXBuffer {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual void* GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;

protected:
    virtual ~ID3DXBuffer() {}
};

// A new zeroed buffer of size bytes; E_OUTOFMEMORY on failure.
HRESULT D3DXCreateBuffer(DWORD size, ID3DXBuffer** out);

struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    LPSTR pTextureFilename; // null or a string inside the materials buffer
};

// A triangle mesh of at most 65535 vertices. The mesh keeps its data in
// system memory; GetVertexBuffer and GetIndexBuffer make a device buffer
// holding a copy on each call (pool SYSTEMMEM when the options hold
// D3DXMESH_SYSTEMMEM, MANAGED for D3DXMESH_MANAGED, else DEFAULT), so
// writing into them does not change the mesh.
class ID3DXMesh {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** out) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** out) = 0;
    // With table null only *count is written (the table's length). Otherwise
    // *count is the room in table: at most that many entries are written and
    // *count becomes the number written; D3DERR_MOREDATA when the table was
    // longer. The table exists after OptimizeInplace with ATTRSORT.
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* count) = 0;
    // A copy with every vertex converted to fvf: position (D3DFVF_XYZ only),
    // normal, diffuse, specular and two-dimensional texture coordinates are
    // kept where both formats have them; missing ones become 0 (diffuse and
    // specular white). D3DERR_INVALIDCALL for any other format.
    virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXMesh** out) = 0;
    // ATTRSORT orders the faces by attribute (stably) and builds the
    // attribute table; VERTEXCACHE also orders each attribute's faces by a
    // walk across shared edges (adjacencyIn, or computed when null) and
    // renumbers the vertices in order of first use; COMPACT drops vertices
    // no face uses. faceRemap (new face -> old face, GetNumFaces entries),
    // adjacencyOut (3 per face) and vertexRemap (new vertex -> old vertex)
    // may be null. D3DERR_INVALIDCALL for other flags.
    virtual HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                                    ID3DXBuffer** vertexRemap) = 0;

protected:
    virtual ~ID3DXMesh() {}
};

// Bytes per vertex of a format the mesh supports (D3DFVF_XYZ, NORMAL,
// DIFFUSE, SPECULAR, TEX0 to TEX8 with two-dimensional coordinates); 0 for
// any other.
UINT D3DXGetFVFVertexSize(DWORD fvf);

// Loads a Mesh data object: polygons become triangle fans (v0, vi, vi+1);
// MeshNormals give each vertex the normal of its last face corner, one
// MeshTextureCoords entry per vertex is read, MeshMaterialList gives each
// polygon its attribute (a short list repeats its last entry) and its
// Material children (data or references) come back in *materials with
// their texture names (null and 0 without a material list). *adjacency
// holds three DWORDs a face: the face across edge (v0,v1), (v1,v2), (v2,v0),
// 0xFFFFFFFF for none. The format is XYZ, with NORMAL and TEX1 when the file
// has them. D3DXERR_INVALIDDATA for a data object that is not a Mesh, or
// anything malformed, short or out of range, no faces, or more than 65535
// vertices; every out pointer is null (and 0) after a failure.
HRESULT D3DXLoadMeshFromXof(IDirectXFileData* data, DWORD options, IDirect3DDevice8* device, ID3DXBuffer** adjacency,
                            ID3DXBuffer** materials, DWORD* materialCount, ID3DXMesh** mesh);

// Sets each vertex normal to the normalised sum of the unit normals
// (p1 - p0) x (p2 - p0) of the faces that use it; faces without area add
// nothing and a vertex without such a face gets (0, 0, 0). The adjacency
// is not needed. D3DERR_INVALIDCALL when the mesh has no normals.
HRESULT D3DXComputeNormals(ID3DXMesh* mesh, const DWORD* adjacency);
