// Binds Direct3D 8 at run time: d3d8.dll is loaded by name (so a proxy DLL
// beside the program is found first) and Direct3DCreate8 looked up.
#pragma once

#include <windows.h>
#include <d3d8.h>

class D3D8Library {
public:
    // The Direct3D object for SDK version 220, or null when the DLL or its
    // entry point is missing or the call itself fails. The DLL stays loaded
    // for the rest of the process.
    static IDirect3D8* Create();
};
