// DirectX File (d3dxof.dll), bound at run time: DirectXFileCreate as the
// platform declares it (dxfile.h), and the identifiers of the standard .x
// templates the mesh loader reads.
#pragma once

#include <windows.h>
#include <dxfile.h>

// Standard template identifiers.
EXTERN_C const GUID TID_D3DRMMesh;
EXTERN_C const GUID TID_D3DRMMeshNormals;
EXTERN_C const GUID TID_D3DRMMeshTextureCoords;
EXTERN_C const GUID TID_D3DRMMeshMaterialList;
EXTERN_C const GUID TID_D3DRMMaterial;
EXTERN_C const GUID TID_D3DRMTextureFilename;
EXTERN_C const GUID TID_D3DRMFrame;

// dxfile.h declares
//   STDAPI DirectXFileCreate(LPDIRECTXFILE*);
// our definition loads d3dxof.dll on first use (it stays loaded) and calls
// its DirectXFileCreate; E_FAIL and a null *out when the library or the
// entry point is missing.
