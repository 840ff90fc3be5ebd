#include "texture/TextureCache.h"

#include "texture/EmbeddedFile.h"
#include "trace/TraceD3DResult.h"

#include "D3DXTexture.h"

#include <cstdio>
#include <cstring>

TextureCache g_textureCache;

namespace {

CreateTextureFromMemoryFn g_creator = D3DXCreateTextureFromFileInMemoryEx;

const DWORD TriangleMirror = D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR;

} // namespace

void SetTextureCreator(CreateTextureFromMemoryFn creator)
{
    g_creator = creator ? creator : D3DXCreateTextureFromFileInMemoryEx;
}

void TextureKey(const BYTE* data, char (&key)[TextureCache::NameLength])
{
    std::snprintf(key, sizeof key, "%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(data)));
}

HRESULT LoadTexture(IDirect3DDevice8* device, const BYTE* data, int size, IDirect3DTexture8** texture,
                    D3DFORMAT format)
{
    TextureCache& cache = g_textureCache;
    char key[TextureCache::NameLength];
    TextureKey(data, key);
    for (int i = 0; i < cache.count; ++i)
        if (cache.textures[i] && std::strcmp(cache.names[i], key) == 0) {
            *texture = cache.textures[i];
            return 0;
        }
    *texture = nullptr;

    const BYTE* file;
    size_t fileSize;
    HRESULT hr = InflateEmbeddedFile(data, size, ImageInflateBuffer, sizeof ImageInflateBuffer, &file, &fileSize);
    if (FAILED(hr)) {
        TRACE_D3D(hr);
        return hr;
    }
    IDirect3DTexture8* created = nullptr;
    hr = g_creator(device, file, UINT(fileSize), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, format,
                   D3DPOOL_DEFAULT, TriangleMirror, TriangleMirror, 0, nullptr, nullptr, &created);
    // Whatever a failed creation left in its out pointer is neither cached
    // nor handed out.
    if (FAILED(hr) || !created)
        return FAILED(hr) ? hr : E_FAIL;

    int slot = -1;
    for (int i = 0; i < cache.count && slot < 0; ++i)
        if (!cache.textures[i])
            slot = i;
    if (slot < 0) {
        if (cache.count >= TextureCache::Capacity) {
            created->Release();
            return E_OUTOFMEMORY;
        }
        slot = cache.count++;
    }
    cache.textures[slot] = created;
    std::memcpy(cache.names[slot], key, sizeof key);
    *texture = created;
    return hr;
}

HRESULT ReleaseTexture(IDirect3DTexture8* texture)
{
    TextureCache& cache = g_textureCache;
    if (!texture)
        return 0;
    for (int i = 0; i < cache.count; ++i)
        if (cache.textures[i] == texture) {
            cache.textures[i] = nullptr;
            cache.names[i][0] = '\0';
            texture->Release();
            break;
        }
    return 0;
}

HRESULT LoadCubeTexture(IDirect3DDevice8* device, const BYTE* data, int size, IDirect3DCubeTexture8** cubeTexture)
{
    *cubeTexture = nullptr;
    const BYTE* file;
    size_t fileSize;
    HRESULT hr = InflateEmbeddedFile(data, size, ImageInflateBuffer, sizeof ImageInflateBuffer, &file, &fileSize);
    if (FAILED(hr)) {
        TRACE_D3D(hr);
        return hr;
    }
    return D3DXCreateCubeTextureFromFileInMemoryEx(device, file, UINT(fileSize), D3DX_DEFAULT, 0, 0, D3DFMT_UNKNOWN,
                                                   D3DPOOL_DEFAULT, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0,
                                                   nullptr, nullptr, cubeTexture);
}
