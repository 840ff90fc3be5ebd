// State blocks recorded from StateTokens tables: one per table, shared by
// every object that names it, applied on request.
#pragma once

#include "OruServer.h"
#include "StateTokens.h"

#include <windows.h>

#include <cstdint>

const int SBServerCapacity = 100;
const DWORD NoStateBlock = 0xFFFFFFFF;

class SBServer : public OruServer {
public:
    SBServer();

    // The shared state block for tokens, recorded on first sight.
    // NoStateBlock when recording failed (remembered for the table until the
    // next invalidate) or the server is full.
    DWORD CreateStateBlock(StateTokens tokens);

    // Deletes every recorded state block and empties the cache.
    HRESULT InvalidateDeviceObjects() override;

    // Applies handle on every call; NoStateBlock applies nothing.
    void SetSB(DWORD handle);

    void ResetCurrent();

    DWORD handles[SBServerCapacity];
    StateTokens keys[SBServerCapacity];
    int32_t count;
    DWORD current;
};
