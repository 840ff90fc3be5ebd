// Vertex and pixel shaders made from assembled token streams: one device
// shader per stream, shared by every object that names it, and a filter for
// redundant shader binds within one update or render.
#pragma once

#include "OruServer.h"

#include <windows.h>

#include <cstdint>

const int VSServerCapacity = 32;
// What CreateShader gives for a pixel shader on a device without pixel
// shaders; SetShaders binds it as pixel shader 0.
const DWORD NoPixelShaderHandle = 0xFFFFFFFE;
const DWORD NoShaderRemembered = 0xFFFFFFFF;

class VSServer : public OruServer {
public:
    VSServer();

    // The shared shader for function: a vertex shader with declaration, a
    // pixel shader without. 0 when the device refused it (and for every later
    // caller of the same stream until the next invalidate) or the server is
    // full; NoPixelShaderHandle for a pixel shader the device cannot run.
    // result, when given, receives the creation result (the remembered one
    // for a cached stream, E_OUTOFMEMORY when full, 0 otherwise).
    DWORD CreateShader(const DWORD* declaration, const DWORD* function, HRESULT* result = nullptr);

    // Deletes every shader the device made and empties the cache.
    HRESULT InvalidateDeviceObjects() override;

    // Binds vs and ps when they differ from the last ones bound. Unless
    // noCheck, labels handles the server did not make (vs 2 is the
    // fixed-function format XYZ and is not checked).
    void SetShaders(DWORD vs, DWORD ps, int noCheck);

    // Forgets the bindings, so the next SetShaders sets both.
    void ResetCurrent();

    const DWORD* keys[VSServerCapacity];
    DWORD handles[VSServerCapacity];
    int32_t count;
    int32_t isPixel[VSServerCapacity];
    DWORD currentVS;
    DWORD currentPS;
    // The creation result of each cached shader.
    HRESULT results[VSServerCapacity];
};
