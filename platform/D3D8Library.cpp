#include "D3D8Library.h"

namespace {
typedef IDirect3D8*(WINAPI* Direct3DCreate8Function)(UINT);
}

IDirect3D8* D3D8Library::Create()
{
    static HMODULE module = LoadLibraryA("d3d8.dll");
    if (!module)
        return nullptr;
    auto create = reinterpret_cast<Direct3DCreate8Function>(
        reinterpret_cast<void*>(GetProcAddress(module, "Direct3DCreate8")));
    if (!create)
        return nullptr;
    return create(D3D_SDK_VERSION);
}
