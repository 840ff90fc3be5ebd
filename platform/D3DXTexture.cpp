#include "D3DXTexture.h"

#include <algorithm>
#include <cstring>
#include <vector>

using imagefile::DecodedImage;
using imagefile::Level;

namespace d3dxtexture {
namespace {

bool Writable(D3DFORMAT f)
{
    switch (f) {
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: case D3DFMT_R8G8B8: case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5: case D3DFMT_A1R5G5B5: case D3DFMT_A4R4G4B4:
    case D3DFMT_DXT1: case D3DFMT_DXT2: case D3DFMT_DXT3:
        return true;
    default:
        return false;
    }
}

uint32_t Ch(uint32_t c, int shift, int bits) { return ((c >> shift) & 0xFF) >> (8 - bits); }

void StorePixel(D3DFORMAT f, uint32_t c, uint8_t* p)
{
    uint16_t v = 0;
    switch (f) {
    case D3DFMT_A8R8G8B8: std::memcpy(p, &c, 4); return;
    case D3DFMT_X8R8G8B8: c |= 0xFF000000u; std::memcpy(p, &c, 4); return;
    case D3DFMT_R8G8B8: p[0] = uint8_t(c); p[1] = uint8_t(c >> 8); p[2] = uint8_t(c >> 16); return;
    case D3DFMT_R5G6B5: v = uint16_t(Ch(c, 16, 5) << 11 | Ch(c, 8, 6) << 5 | Ch(c, 0, 5)); break;
    case D3DFMT_X1R5G5B5: v = uint16_t(0x8000 | Ch(c, 16, 5) << 10 | Ch(c, 8, 5) << 5 | Ch(c, 0, 5)); break;
    case D3DFMT_A1R5G5B5: v = uint16_t(Ch(c, 24, 1) << 15 | Ch(c, 16, 5) << 10 | Ch(c, 8, 5) << 5 | Ch(c, 0, 5)); break;
    case D3DFMT_A4R4G4B4: v = uint16_t(Ch(c, 24, 4) << 12 | Ch(c, 16, 4) << 8 | Ch(c, 8, 4) << 4 | Ch(c, 0, 4)); break;
    default: return;
    }
    std::memcpy(p, &v, 2);
}

UINT BytesPerPixel(D3DFORMAT f)
{
    switch (f) {
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: return 4;
    case D3DFMT_R8G8B8: return 3;
    default: return 2;
    }
}

// Writes one level into a locked rectangle. fileBlocks, when given, are the
// file's own blocks of this level in the target DXT format and are copied.
void WriteLevel(D3DFORMAT f, const std::vector<uint32_t>& argb, UINT w, UINT h, const uint8_t* fileBlocks,
                const D3DLOCKED_RECT& rect)
{
    uint8_t* bits = static_cast<uint8_t*>(rect.pBits);
    if (imagefile::IsDxt(f)) {
        const size_t blockSize = imagefile::DxtBlockBytes(f);
        const UINT bw = std::max(1u, (w + 3) / 4), bh = std::max(1u, (h + 3) / 4);
        for (UINT by = 0; by < bh; ++by) {
            uint8_t* row = bits + size_t(by) * rect.Pitch;
            if (fileBlocks) {
                std::memcpy(row, fileBlocks + size_t(by) * bw * blockSize, bw * blockSize);
                continue;
            }
            for (UINT bx = 0; bx < bw; ++bx) {
                uint32_t px[16];
                for (UINT y = 0; y < 4; ++y)
                    for (UINT x = 0; x < 4; ++x) // blocks past the edge repeat the edge pixels
                        px[y * 4 + x] = argb[size_t(std::min(by * 4 + y, h - 1)) * w + std::min(bx * 4 + x, w - 1)];
                imagefile::EncodeDxtBlock(f, px, row + bx * blockSize);
            }
        }
        return;
    }
    const UINT bpp = BytesPerPixel(f);
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
            StorePixel(f, argb[size_t(y) * w + x], bits + size_t(y) * rect.Pitch + size_t(x) * bpp);
}

bool PointFilter(DWORD filter)
{
    const DWORD kind = filter & 0xFFFF;
    return kind == D3DX_FILTER_NONE || kind == D3DX_FILTER_POINT;
}

struct Plan {
    UINT width, height, levels;
    D3DFORMAT format;
};

using LockFn = std::function<HRESULT(UINT level, D3DLOCKED_RECT* rect)>;
using UnlockFn = std::function<void(UINT level)>;

// Fills every level of one face: level 0 from the file (resampled when the
// size differs), each further level from the file when it carries it at
// that size, else filtered down from the level above.
HRESULT FillFace(const std::vector<Level>& fileLevels, D3DFORMAT fileFormat, const Plan& plan, DWORD filter, DWORD mipFilter,
                 D3DCOLOR colorKey, const LockFn& lock, const UnlockFn& unlock)
{
    std::vector<uint32_t> previous;
    UINT pw = 0, ph = 0;
    UINT w = plan.width, h = plan.height;
    for (UINT level = 0; level < plan.levels; ++level) {
        std::vector<uint32_t> argb;
        const uint8_t* blocks = nullptr;
        const bool fromFile = level < fileLevels.size() && fileLevels[level].width == w && fileLevels[level].height == h;
        if (fromFile) {
            argb = fileLevels[level].argb;
            if (fileLevels[level].blocks && colorKey == 0)
                blocks = fileLevels[level].blocks;
        } else if (level == 0) {
            const Level& top = fileLevels[0];
            argb = imagefile::Resample(top.argb.data(), top.width, top.height, w, h, PointFilter(filter));
        } else {
            argb = imagefile::Resample(previous.data(), pw, ph, w, h, PointFilter(mipFilter));
        }
        if (colorKey != 0 && (fromFile || level == 0))
            for (uint32_t& c : argb)
                if (c == colorKey)
                    c = 0;
        // File blocks are only copied into the format they are stored in.
        if (plan.format != fileFormat)
            blocks = nullptr;
        D3DLOCKED_RECT rect;
        HRESULT hr = lock(level, &rect);
        if (FAILED(hr))
            return hr;
        WriteLevel(plan.format, argb, w, h, blocks, rect);
        unlock(level);
        previous.swap(argb);
        pw = w;
        ph = h;
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    return S_OK;
}

bool DeviceSupports(IDirect3DDevice8* device, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format)
{
    IDirect3D8* d3d = nullptr;
    if (FAILED(device->GetDirect3D(&d3d)) || !d3d)
        return false;
    D3DDEVICE_CREATION_PARAMETERS creation;
    D3DDISPLAYMODE mode;
    bool ok = SUCCEEDED(device->GetCreationParameters(&creation)) && SUCCEEDED(device->GetDisplayMode(&mode)) &&
              SUCCEEDED(d3d->CheckDeviceFormat(creation.AdapterOrdinal, creation.DeviceType, mode.Format, usage,
                                               type, format));
    d3d->Release();
    return ok;
}

UINT FullChain(UINT w, UINT h)
{
    UINT n = 1;
    for (UINT m = std::max(w, h); m > 1; m >>= 1)
        ++n;
    return n;
}

// Size, levels and format of the texture to create.
HRESULT MakePlan(IDirect3DDevice8* device, const DecodedImage& image, bool cube, UINT width, UINT height,
                 UINT mipLevels, DWORD usage, D3DFORMAT format, Plan* plan)
{
    D3DCAPS8 caps;
    HRESULT hr = device->GetDeviceCaps(&caps);
    if (FAILED(hr))
        return hr;
    const bool pow2 = cube ? (caps.TextureCaps & D3DPTEXTURECAPS_CUBEMAP_POW2) != 0
                           : (caps.TextureCaps & D3DPTEXTURECAPS_POW2) != 0;
    plan->width = ChooseExtent(width, image.width, pow2);
    plan->height = cube ? plan->width : ChooseExtent(height, image.height, pow2);
    if (caps.MaxTextureWidth)
        plan->width = std::min<UINT>(plan->width, caps.MaxTextureWidth);
    if (caps.MaxTextureHeight)
        plan->height = std::min<UINT>(plan->height, caps.MaxTextureHeight);
    if (cube)
        plan->width = plan->height = std::min(plan->width, plan->height);
    const UINT full = FullChain(plan->width, plan->height);
    plan->levels = (mipLevels == 0 || mipLevels == D3DX_DEFAULT) ? full : std::min(mipLevels, full);
    const DWORD mipCap = cube ? D3DPTEXTURECAPS_MIPCUBEMAP : D3DPTEXTURECAPS_MIPMAP;
    if (!(caps.TextureCaps & mipCap))
        plan->levels = 1;
    const D3DRESOURCETYPE type = cube ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE;
    plan->format = ChooseFormat(image.format, format, image.hasAlpha,
                                [&](D3DFORMAT f) { return DeviceSupports(device, usage, type, f); });
    // DXT textures need whole blocks at the top level.
    if (imagefile::IsDxt(plan->format) && ((plan->width % 4) || (plan->height % 4)))
        plan->format = ChooseFormat(D3DFMT_A8R8G8B8, D3DFMT_UNKNOWN, true,
                                    [&](D3DFORMAT f) { return DeviceSupports(device, usage, type, f); });
    return plan->format == D3DFMT_UNKNOWN ? D3DERR_NOTAVAILABLE : S_OK;
}

void FillInfo(const DecodedImage& image, D3DRESOURCETYPE type, D3DXIMAGE_INFO* info)
{
    if (!info)
        return;
    info->Width = image.width;
    info->Height = image.height;
    info->Depth = 1;
    info->MipLevels = image.faces.empty() ? 1 : UINT(image.faces[0].size());
    info->Format = image.format;
    info->ResourceType = type;
    info->ImageFileFormat = D3DXIMAGE_FILEFORMAT(image.fileFormat);
}

// Ends a load: a failed fill releases the texture; a texture filled in
// system memory for the default pool is copied into one made there by
// createDefault, and the system-memory copy is released.
template <class Texture, class CreateDefault>
HRESULT FinishFill(IDirect3DDevice8* device, HRESULT hr, bool staged, Texture** fill, CreateDefault createDefault)
{
    if (SUCCEEDED(hr) && staged) {
        Texture* texture = nullptr;
        hr = createDefault(&texture);
        if (SUCCEEDED(hr)) {
            hr = device->UpdateTexture(*fill, texture);
            if (FAILED(hr))
                texture->Release();
        }
        (*fill)->Release();
        *fill = SUCCEEDED(hr) ? texture : nullptr;
    } else if (FAILED(hr)) {
        (*fill)->Release();
        *fill = nullptr;
    }
    return hr;
}

} // namespace

D3DFORMAT ChooseFormat(D3DFORMAT fileFormat, D3DFORMAT requested, bool hasAlpha,
                       const std::function<bool(D3DFORMAT)>& supported)
{
    const D3DFORMAT first = requested != D3DFMT_UNKNOWN ? requested : fileFormat;
    std::vector<D3DFORMAT> candidates{first};
    if (imagefile::IsDxt(first) || first == D3DFMT_A8R8G8B8 || (hasAlpha && first != D3DFMT_X8R8G8B8)) {
        candidates.push_back(D3DFMT_A8R8G8B8);
        candidates.push_back(D3DFMT_X8R8G8B8);
    } else {
        candidates.push_back(D3DFMT_X8R8G8B8);
        candidates.push_back(D3DFMT_A8R8G8B8);
    }
    for (D3DFORMAT f : candidates)
        if (Writable(f) && supported(f))
            return f;
    return D3DFMT_UNKNOWN;
}

UINT ChooseExtent(UINT requested, UINT fileExtent, bool pow2)
{
    UINT e = (requested == 0 || requested == D3DX_DEFAULT) ? fileExtent : requested;
    if (pow2) {
        UINT p = 1;
        while (p < e && p < 0x80000000u)
            p <<= 1;
        e = p;
    }
    return e;
}

} // namespace d3dxtexture

using namespace d3dxtexture;

HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8* pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                   UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                                   D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                                   D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                   PALETTEENTRY* /*pPalette*/, IDirect3DTexture8** ppTexture)
{
    if (!ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    if (!pDevice || !pSrcData || SrcDataSize == 0)
        return D3DERR_INVALIDCALL;
    DecodedImage image;
    HRESULT hr = imagefile::Decode(pSrcData, SrcDataSize, &image);
    if (FAILED(hr))
        return hr;
    Plan plan;
    hr = MakePlan(pDevice, image, false, Width, Height, MipLevels, Usage, Format, &plan);
    if (FAILED(hr))
        return hr;

    const bool staged = Pool == D3DPOOL_DEFAULT;
    IDirect3DTexture8* fill = nullptr;
    hr = pDevice->CreateTexture(plan.width, plan.height, plan.levels, staged ? 0 : Usage, plan.format,
                                staged ? D3DPOOL_SYSTEMMEM : Pool, &fill);
    if (FAILED(hr))
        return hr;
    hr = FillFace(
        image.faces[0], image.format, plan, Filter, MipFilter, ColorKey,
        [&](UINT level, D3DLOCKED_RECT* rect) { return fill->LockRect(level, rect, nullptr, 0); },
        [&](UINT level) { fill->UnlockRect(level); });
    hr = FinishFill(pDevice, hr, staged, &fill, [&](IDirect3DTexture8** texture) {
        return pDevice->CreateTexture(plan.width, plan.height, plan.levels, Usage, plan.format, D3DPOOL_DEFAULT,
                                      texture);
    });
    if (FAILED(hr))
        return hr;
    FillInfo(image, D3DRTYPE_TEXTURE, pSrcInfo);
    *ppTexture = fill;
    return S_OK;
}

HRESULT WINAPI D3DXCreateCubeTextureFromFileInMemoryEx(IDirect3DDevice8* pDevice, LPCVOID pSrcData,
                                                       UINT SrcDataSize, UINT Size, UINT MipLevels, DWORD Usage,
                                                       D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                       DWORD MipFilter, D3DCOLOR ColorKey,
                                                       D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* /*pPalette*/,
                                                       IDirect3DCubeTexture8** ppCubeTexture)
{
    if (!ppCubeTexture)
        return D3DERR_INVALIDCALL;
    *ppCubeTexture = nullptr;
    if (!pDevice || !pSrcData || SrcDataSize == 0)
        return D3DERR_INVALIDCALL;
    DecodedImage image;
    HRESULT hr = imagefile::Decode(pSrcData, SrcDataSize, &image);
    if (FAILED(hr))
        return hr;
    if (!image.cube)
        return D3DXERR_INVALIDDATA;
    Plan plan;
    hr = MakePlan(pDevice, image, true, Size, Size, MipLevels, Usage, Format, &plan);
    if (FAILED(hr))
        return hr;

    const bool staged = Pool == D3DPOOL_DEFAULT;
    IDirect3DCubeTexture8* fill = nullptr;
    hr = pDevice->CreateCubeTexture(plan.width, plan.levels, staged ? 0 : Usage, plan.format,
                                    staged ? D3DPOOL_SYSTEMMEM : Pool, &fill);
    if (FAILED(hr))
        return hr;
    for (int face = 0; face < 6 && SUCCEEDED(hr); ++face) {
        const D3DCUBEMAP_FACES f = D3DCUBEMAP_FACES(face);
        hr = FillFace(
            image.faces[face], image.format, plan, Filter, MipFilter, ColorKey,
            [&](UINT level, D3DLOCKED_RECT* rect) { return fill->LockRect(f, level, rect, nullptr, 0); },
            [&](UINT level) { fill->UnlockRect(f, level); });
    }
    hr = FinishFill(pDevice, hr, staged, &fill, [&](IDirect3DCubeTexture8** texture) {
        return pDevice->CreateCubeTexture(plan.width, plan.levels, Usage, plan.format, D3DPOOL_DEFAULT, texture);
    });
    if (FAILED(hr))
        return hr;
    FillInfo(image, D3DRTYPE_CUBETEXTURE, pSrcInfo);
    *ppCubeTexture = fill;
    return S_OK;
}
