// Texture loading from embedded files, with the program-wide texture cache:
// one texture per image, keyed by the address of the image's bytes.
#pragma once

#include "D3DXTexture.h"

#include <windows.h>
#include <d3d8.h>

#include <cstdint>

struct TextureCache {
    static const int Capacity = 1000;
    static const int NameLength = 100;
    IDirect3DTexture8* textures[Capacity]; // null once released
    char names[Capacity][NameLength];      // the key; empty once released
    int32_t count;                         // entries used, never decreasing
};

// The program's cache; zero (empty) at start-up.
extern TextureCache g_textureCache;

// Writes the key of an image: its full address in upper-case hexadecimal
// without leading zeros.
void TextureKey(const BYTE* data, char (&key)[TextureCache::NameLength]);

// Hands out the cached texture of data, or inflates the file and creates
// it (full mip chain, D3DPOOL_DEFAULT, triangle filter) and caches it in
// the first emptied entry, else in a new one. A failed creation (or a
// failed inflation, which never reaches the decoder) is not cached and
// leaves *texture null. When all entries hold live textures the new
// texture is released and E_OUTOFMEMORY returned.
HRESULT LoadTexture(IDirect3DDevice8* device, const BYTE* data, int size, IDirect3DTexture8** texture,
                    D3DFORMAT format);

// Releases a cached texture once and empties its entry; does nothing for a
// texture not in the cache. Returns 0.
HRESULT ReleaseTexture(IDirect3DTexture8* texture);

// Inflates the file and creates a cube texture from it (not cached).
HRESULT LoadCubeTexture(IDirect3DDevice8* device, const BYTE* data, int size, IDirect3DCubeTexture8** cubeTexture);

// The texture creation LoadTexture calls, replaceable so a test can see
// whether the decoder was reached; null restores the D3DX stand-in.
using CreateTextureFromMemoryFn = HRESULT(WINAPI*)(IDirect3DDevice8*, LPCVOID, UINT, UINT, UINT, UINT, DWORD,
                                                   D3DFORMAT, D3DPOOL, DWORD, DWORD, D3DCOLOR, D3DXIMAGE_INFO*,
                                                   PALETTEENTRY*, IDirect3DTexture8**);
void SetTextureCreator(CreateTextureFromMemoryFn creator);
