// Our stand-in for the two D3DX 8 texture loaders the engine calls, with the
// D3DX 8 names, signatures and constants. Files: DDS (DXT1, DXT2, DXT3,
// uncompressed RGB, cube maps), TGA (24/32-bit, plain or RLE), BMP
// (8/24/32-bit BI_RGB). Not done: palettised textures (pPalette is ignored;
// 8-bit images become X8R8G8B8), volume textures, JPG/PNG.
#pragma once

#include "ImageFile.h"

#include <windows.h>
#include <d3d8.h>

#include <functional>

#ifndef D3DX_DEFAULT
#define D3DX_DEFAULT ((UINT)-1)
#endif
#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_MIRROR (7 << 16)
#define D3DX_FILTER_DITHER (8 << 16)

typedef enum _D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

typedef struct _D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

// Creates a texture from an image file in memory. Width and Height 0 or
// D3DX_DEFAULT take the file's size, rounded up to powers of two only when
// the device caps carry D3DPTEXTURECAPS_POW2; MipLevels 0 or D3DX_DEFAULT
// make a full chain. Format D3DFMT_UNKNOWN takes the file's format. A format
// the device refuses (CheckDeviceFormat) falls back: P8, R8G8B8 and the
// 16-bit formats to X8R8G8B8 (A8R8G8B8 with alpha), DXTn to A8R8G8B8 decoded
// in software. Levels the file does not carry (or all of them after a
// resize) are made from the level above: Filter / MipFilter NONE and POINT
// sample the nearest pixel, every other value (LINEAR, TRIANGLE, BOX,
// D3DX_DEFAULT) is a box filter; the MIRROR and DITHER bits change nothing.
// A non-zero ColorKey turns matching pixels into transparent black.
// D3DPOOL_DEFAULT textures are filled through a D3DPOOL_SYSTEMMEM copy and
// UpdateTexture. D3DXERR_INVALIDDATA for a file that cannot be read; *ppTexture
// is null after any failure.
HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8* pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                   UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                                   D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                                   D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                   PALETTEENTRY* pPalette, IDirect3DTexture8** ppTexture);

// The same for a cube map: the file must be a DDS cube map with all six
// faces (D3DXERR_INVALIDDATA otherwise). Size 0 or D3DX_DEFAULT takes the
// file's edge, rounded up only under D3DPTEXTURECAPS_CUBEMAP_POW2.
HRESULT WINAPI D3DXCreateCubeTextureFromFileInMemoryEx(IDirect3DDevice8* pDevice, LPCVOID pSrcData,
                                                       UINT SrcDataSize, UINT Size, UINT MipLevels, DWORD Usage,
                                                       D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                       DWORD MipFilter, D3DCOLOR ColorKey,
                                                       D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                       IDirect3DCubeTexture8** ppCubeTexture);

namespace d3dxtexture {

// The format a texture is created in: the requested one (or the file's,
// for D3DFMT_UNKNOWN) when it can be written and supported() accepts it,
// else the fallbacks above in order; D3DFMT_UNKNOWN when none is accepted.
D3DFORMAT ChooseFormat(D3DFORMAT fileFormat, D3DFORMAT requested, bool hasAlpha,
                       const std::function<bool(D3DFORMAT)>& supported);

// The texture extent for a requested one (0 or D3DX_DEFAULT: the file's),
// rounded up to a power of two when pow2 is set.
UINT ChooseExtent(UINT requested, UINT fileExtent, bool pow2);

} // namespace d3dxtexture
