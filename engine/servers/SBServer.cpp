#include "SBServer.h"

#include "framework/AppAccess.h"
#include "framework/OruApplication.h"
#include "trace/DebugPrint.h"
#include "trace/TraceD3DResult.h"

#include <cstdint>

SBServer::SBServer() : handles(), keys(), count(0), current(NoStateBlock)
{
    for (DWORD& h : handles)
        h = NoStateBlock;
}

DWORD SBServer::CreateStateBlock(StateTokens tokens)
{
    for (int i = 0; i < count; ++i)
        if (keys[i] == tokens)
            return handles[i];

    if (count >= SBServerCapacity) {
        DebugPrint(2, "ZING! SBServer full\n");
        TRACE_D3D(E_OUTOFMEMORY);
        return NoStateBlock;
    }

    keys[count] = tokens;
    DebugPrint("Create New State Block Data:%X\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(tokens)));
    IDirect3DDevice8* device = Device();
    DWORD handle = NoStateBlock;
    if (device) {
        TRACE_D3D(device->BeginStateBlock());
        RecordStateTokens(device, tokens, DeviceHasPixelShaders());
        const HRESULT hr = device->EndStateBlock(&handle);
        TRACE_D3D(hr);
        // A failed recording leaves no state block to apply or delete.
        if (FAILED(hr))
            handle = NoStateBlock;
    } else {
        TRACE_D3D(D3DERR_INVALIDCALL);
    }
    handles[count] = handle;
    ++count;
    return handle;
}

HRESULT SBServer::InvalidateDeviceObjects()
{
    IDirect3DDevice8* device = Device();
    for (int i = 0; i < count; ++i) {
        keys[i] = nullptr;
        if (device && handles[i] != NoStateBlock)
            TRACE_D3D(device->DeleteStateBlock(handles[i]));
        handles[i] = NoStateBlock;
    }
    count = 0;
    return 0;
}

void SBServer::SetSB(DWORD handle)
{
    if (handle == NoStateBlock) {
        DebugPrint("ZING SBServer::SetSB\n");
        return;
    }
    IDirect3DDevice8* device = Device();
    TRACE_D3D(device ? device->ApplyStateBlock(handle) : D3DERR_INVALIDCALL);
    current = handle;
    for (int i = 0; i < count; ++i)
        if (handles[i] == handle)
            return;
    DebugPrint(2, "Illegal SB:%X\n", handle);
}

void SBServer::ResetCurrent()
{
    current = NoStateBlock;
}
