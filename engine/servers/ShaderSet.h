// The list of shaders a drawable class uses: one static prototype per class,
// copied into each object, which creates the entries in index order at every
// restore and names a shader by its index.
#pragma once

#include <windows.h>

#include <cstdint>

const int ShaderSetCapacity = 10;

struct ShaderSet {
    // Entry i: the vertex declaration (ended by 0xFFFFFFFF) of a vertex
    // shader, or null when entry i is a pixel shader.
    const DWORD* declarations[ShaderSetCapacity];
    // Entry i: the assembled token stream, ended by 0x0000FFFF.
    const DWORD* functions[ShaderSetCapacity];
    // Valid entries, at most ShaderSetCapacity.
    int32_t count;
};
