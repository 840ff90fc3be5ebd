// Image files in memory (DDS, TGA, BMP) decoded to 0xAARRGGBB pixels, the
// DXT block codec and the box/point resampler behind our stand-in for the
// D3DX 8 texture loaders (D3DXTexture.h).
#pragma once

#include <windows.h>
#include <d3d8types.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// D3DXERR_INVALIDDATA: MAKE_HRESULT(1, 0x876, 2905).
#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59L)
#endif

namespace imagefile {

// Values of D3DXIMAGE_FILEFORMAT.
enum FileFormat { FileBmp = 0, FileTga = 2, FileDds = 4 };

// One mip level of one face as the file holds it.
struct Level {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint32_t> argb;      // width * height pixels, top row first
    const uint8_t* blocks = nullptr; // DXT files: the level's blocks in the file
    size_t blockBytes = 0;
};

struct DecodedImage {
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN; // the file's own pixel format
    bool hasAlpha = false;
    bool cube = false;                 // a DDS cube map with all six faces
    FileFormat fileFormat = FileBmp;
    // One face, or six in D3DCUBEMAP_FACES order; each holds the levels the
    // file carries, level 0 first.
    std::vector<std::vector<Level>> faces;
};

// Largest width or height accepted from a file.
const UINT MaxExtent = 8192;

// Decodes a DDS (DXT1, DXT2, DXT3, uncompressed RGB masks of 16, 24 or 32
// bits, cube maps), TGA (types 2 and 10, 24 and 32 bits) or BMP (8, 24 and
// 32 bits, BI_RGB, either row order). D3DXERR_INVALIDDATA for anything
// unknown, inconsistent or truncated; never reads outside [data, data+size).
HRESULT Decode(const void* data, size_t size, DecodedImage* out);

bool IsDxt(D3DFORMAT format);
// 8 for DXT1, 16 for DXT2/DXT3, 0 otherwise.
size_t DxtBlockBytes(D3DFORMAT format);
// One 4 x 4 block to 16 pixels, row by row. DXT2 is read like DXT3: colours
// as stored (premultiplied), explicit 4-bit alpha.
void DecodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint32_t pixels[16]);
// 16 pixels to one block: end points are the darkest and brightest colour
// of the block; DXT1 switches to its three-colour mode with index 3 for
// pixels whose alpha is below 128.
void EncodeDxtBlock(D3DFORMAT format, const uint32_t pixels[16], uint8_t* block);

// Resizes an image. Point sampling picks the nearest source pixel; the box
// filter averages the source area each target pixel covers, weighting
// partly covered pixels by their coverage (so 2:1 is a 2 x 2 average).
std::vector<uint32_t> Resample(const uint32_t* source, UINT sourceWidth, UINT sourceHeight,
                               UINT width, UINT height, bool point);

} // namespace imagefile
