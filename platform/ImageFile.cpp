#include "ImageFile.h"

#include <algorithm>
#include <cstring>

namespace imagefile {
namespace {

// Bounds-checked little-endian reads over the file.
struct Bytes {
    const uint8_t* p;
    size_t n;
    bool Has(size_t offset, size_t length) const { return offset <= n && length <= n - offset; }
    uint16_t U16(size_t o) const { return uint16_t(p[o] | p[o + 1] << 8); }
    uint32_t U32(size_t o) const { return uint32_t(p[o]) | uint32_t(p[o + 1]) << 8 | uint32_t(p[o + 2]) << 16 | uint32_t(p[o + 3]) << 24; }
};

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return a << 24 | r << 16 | g << 8 | b;
}

uint32_t Expand565(uint16_t v)
{
    uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    return Argb(255, r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2);
}

uint32_t Channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }

uint32_t Mix(uint32_t c0, uint32_t c1, uint32_t w0, uint32_t w1, uint32_t alpha)
{
    uint32_t d = w0 + w1;
    return Argb(alpha, (Channel(c0, 16) * w0 + Channel(c1, 16) * w1) / d,
                (Channel(c0, 8) * w0 + Channel(c1, 8) * w1) / d,
                (Channel(c0, 0) * w0 + Channel(c1, 0) * w1) / d);
}

void ColourPalette(uint16_t c0, uint16_t c1, bool threeColourAllowed, uint32_t palette[4])
{
    palette[0] = Expand565(c0);
    palette[1] = Expand565(c1);
    if (!threeColourAllowed || c0 > c1) {
        palette[2] = Mix(palette[0], palette[1], 2, 1, 255);
        palette[3] = Mix(palette[0], palette[1], 1, 2, 255);
    } else {
        palette[2] = Mix(palette[0], palette[1], 1, 1, 255);
        palette[3] = 0; // transparent black
    }
}

uint16_t Pack565(uint32_t c)
{
    return uint16_t((Channel(c, 16) >> 3) << 11 | (Channel(c, 8) >> 2) << 5 | Channel(c, 0) >> 3);
}

int Distance(uint32_t a, uint32_t b)
{
    int dr = int(Channel(a, 16)) - int(Channel(b, 16));
    int dg = int(Channel(a, 8)) - int(Channel(b, 8));
    int db = int(Channel(a, 0)) - int(Channel(b, 0));
    return dr * dr + dg * dg + db * db;
}

// Mask to (shift, bits) for the uncompressed DDS formats.
void MaskShape(uint32_t mask, int* shift, int* bits)
{
    *shift = 0;
    *bits = 0;
    if (!mask)
        return;
    while (!(mask & 1)) {
        mask >>= 1;
        ++*shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++*bits;
    }
}

uint32_t ExpandField(uint32_t pixel, int shift, int bits, uint32_t absent)
{
    if (bits == 0)
        return absent;
    uint32_t v = (pixel >> shift) & ((1u << bits) - 1);
    if (bits >= 8)
        return v >> (bits - 8);
    // Replicate the high bits into the low ones, so full scale maps to 255.
    uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += bits)
        out = out << bits | v;
    return (out >> (((8 + bits - 1) / bits) * bits - 8)) & 0xFF;
}

size_t LevelBytes(D3DFORMAT format, UINT bitsPerPixel, UINT w, UINT h)
{
    if (IsDxt(format))
        return size_t(std::max(1u, (w + 3) / 4)) * std::max(1u, (h + 3) / 4) * DxtBlockBytes(format);
    return size_t(w) * h * (bitsPerPixel / 8);
}

HRESULT DecodeDds(const Bytes& f, DecodedImage* out)
{
    if (!f.Has(0, 128) || f.U32(4) != 124 || f.U32(76) != 32)
        return D3DXERR_INVALIDDATA;
    const uint32_t flags = f.U32(8);
    const UINT height = f.U32(12), width = f.U32(16);
    const uint32_t pfFlags = f.U32(80), fourCC = f.U32(84);
    const uint32_t caps2 = f.U32(112);
    if (width == 0 || height == 0 || width > MaxExtent || height > MaxExtent)
        return D3DXERR_INVALIDDATA;
    UINT levels = (flags & 0x20000) && f.U32(28) ? f.U32(28) : 1; // DDSD_MIPMAPCOUNT
    UINT fullChain = 1;
    for (UINT m = std::max(width, height); m > 1; m >>= 1)
        ++fullChain;
    levels = std::min(levels, fullChain);

    D3DFORMAT format;
    UINT bpp = 0;
    int shifts[4] = {}, bits[4] = {};
    if (pfFlags & 0x4) { // DDPF_FOURCC
        if (fourCC == MAKEFOURCC('D', 'X', 'T', '1'))
            format = D3DFMT_DXT1;
        else if (fourCC == MAKEFOURCC('D', 'X', 'T', '2'))
            format = D3DFMT_DXT2;
        else if (fourCC == MAKEFOURCC('D', 'X', 'T', '3'))
            format = D3DFMT_DXT3;
        else
            return D3DXERR_INVALIDDATA;
        out->hasAlpha = true;
    } else if (pfFlags & 0x40) { // DDPF_RGB
        bpp = f.U32(88);
        if (bpp != 16 && bpp != 24 && bpp != 32)
            return D3DXERR_INVALIDDATA;
        const uint32_t alphaMask = (pfFlags & 0x1) ? f.U32(104) : 0;
        const uint32_t masks[4] = {f.U32(92), f.U32(96), f.U32(100), alphaMask};
        for (int i = 0; i < 4; ++i)
            MaskShape(masks[i], &shifts[i], &bits[i]);
        out->hasAlpha = alphaMask != 0;
        if (bpp == 24)
            format = D3DFMT_R8G8B8;
        else if (bpp == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x1F)
            format = D3DFMT_R5G6B5;
        else
            format = out->hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    } else {
        return D3DXERR_INVALIDDATA;
    }

    int faceCount = 1;
    if (caps2 & 0x200) { // DDSCAPS2_CUBEMAP: only complete cube maps
        if ((caps2 & 0xFC00) != 0xFC00 || width != height)
            return D3DXERR_INVALIDDATA;
        faceCount = 6;
        out->cube = true;
    }

    size_t offset = 128;
    out->faces.assign(faceCount, {});
    for (int face = 0; face < faceCount; ++face) {
        UINT w = width, h = height;
        for (UINT level = 0; level < levels; ++level) {
            const size_t bytes = LevelBytes(format, bpp, w, h);
            if (!f.Has(offset, bytes))
                return D3DXERR_INVALIDDATA;
            Level l;
            l.width = w;
            l.height = h;
            l.argb.resize(size_t(w) * h);
            const uint8_t* src = f.p + offset;
            if (IsDxt(format)) {
                l.blocks = src;
                l.blockBytes = bytes;
                const UINT bw = std::max(1u, (w + 3) / 4);
                const size_t blockSize = DxtBlockBytes(format);
                for (UINT by = 0; by * 4 < h; ++by)
                    for (UINT bx = 0; bx * 4 < w; ++bx) {
                        uint32_t px[16];
                        DecodeDxtBlock(format, src + (size_t(by) * bw + bx) * blockSize, px);
                        for (UINT y = 0; y < 4 && by * 4 + y < h; ++y)
                            for (UINT x = 0; x < 4 && bx * 4 + x < w; ++x)
                                l.argb[size_t(by * 4 + y) * w + bx * 4 + x] = px[y * 4 + x];
                    }
            } else {
                const UINT step = bpp / 8;
                for (size_t i = 0; i < size_t(w) * h; ++i) {
                    uint32_t v = 0;
                    for (UINT k = 0; k < step; ++k)
                        v |= uint32_t(src[i * step + k]) << (8 * k);
                    l.argb[i] = Argb(ExpandField(v, shifts[3], bits[3], 255), ExpandField(v, shifts[0], bits[0], 0),
                                     ExpandField(v, shifts[1], bits[1], 0), ExpandField(v, shifts[2], bits[2], 0));
                }
            }
            out->faces[face].push_back(std::move(l));
            offset += bytes;
            w = std::max(1u, w / 2);
            h = std::max(1u, h / 2);
        }
    }
    out->width = width;
    out->height = height;
    out->format = format;
    out->fileFormat = FileDds;
    return S_OK;
}

HRESULT DecodeBmp(const Bytes& f, DecodedImage* out)
{
    if (!f.Has(0, 54))
        return D3DXERR_INVALIDDATA;
    const uint32_t pixelOffset = f.U32(10);
    const uint32_t headerSize = f.U32(14);
    const int32_t width = int32_t(f.U32(18));
    const int32_t rawHeight = int32_t(f.U32(22));
    const uint16_t planes = f.U16(26), bitCount = f.U16(28);
    const uint32_t compression = f.U32(30);
    uint32_t colours = f.U32(46);
    if (headerSize < 40 || planes != 1 || compression != 0 || width <= 0 || rawHeight == 0 ||
        rawHeight == INT32_MIN)
        return D3DXERR_INVALIDDATA;
    const bool topDown = rawHeight < 0;
    const UINT height = UINT(topDown ? -rawHeight : rawHeight);
    if (UINT(width) > MaxExtent || height > MaxExtent)
        return D3DXERR_INVALIDDATA;
    if (bitCount != 8 && bitCount != 24 && bitCount != 32)
        return D3DXERR_INVALIDDATA;

    uint32_t palette[256] = {};
    if (bitCount == 8) {
        if (colours == 0)
            colours = 256;
        if (colours > 256 || !f.Has(size_t(14) + headerSize, size_t(colours) * 4))
            return D3DXERR_INVALIDDATA;
        const uint8_t* p = f.p + 14 + headerSize;
        for (uint32_t i = 0; i < colours; ++i)
            palette[i] = Argb(255, p[i * 4 + 2], p[i * 4 + 1], p[i * 4]);
    }
    const size_t stride = (size_t(width) * bitCount + 31) / 32 * 4;
    if (!f.Has(pixelOffset, stride * height))
        return D3DXERR_INVALIDDATA;

    Level l;
    l.width = UINT(width);
    l.height = height;
    l.argb.resize(size_t(width) * height);
    for (UINT y = 0; y < height; ++y) {
        const uint8_t* row = f.p + pixelOffset + stride * (topDown ? y : height - 1 - y);
        uint32_t* dst = &l.argb[size_t(y) * width];
        for (int32_t x = 0; x < width; ++x) {
            if (bitCount == 8) {
                if (row[x] >= colours)
                    return D3DXERR_INVALIDDATA;
                dst[x] = palette[row[x]];
            } else {
                const uint8_t* p = row + size_t(x) * (bitCount / 8);
                dst[x] = Argb(255, p[2], p[1], p[0]);
            }
        }
    }
    out->width = UINT(width);
    out->height = height;
    out->format = bitCount == 8 ? D3DFMT_P8 : bitCount == 24 ? D3DFMT_R8G8B8 : D3DFMT_X8R8G8B8;
    out->hasAlpha = false;
    out->fileFormat = FileBmp;
    out->faces.assign(1, {});
    out->faces[0].push_back(std::move(l));
    return S_OK;
}

HRESULT DecodeTga(const Bytes& f, DecodedImage* out)
{
    if (!f.Has(0, 18))
        return D3DXERR_INVALIDDATA;
    const uint8_t idLength = f.p[0], mapType = f.p[1], type = f.p[2];
    const uint16_t mapLength = f.U16(5);
    const uint8_t mapEntryBits = f.p[7];
    const UINT width = f.U16(12), height = f.U16(14);
    const uint8_t depth = f.p[16], descriptor = f.p[17];
    if (mapType > 1 || (type != 2 && type != 10) || (depth != 24 && depth != 32) || width == 0 || height == 0 ||
        width > MaxExtent || height > MaxExtent)
        return D3DXERR_INVALIDDATA;
    size_t offset = 18 + size_t(idLength) + (mapType ? size_t(mapLength) * ((mapEntryBits + 7) / 8) : 0);
    const size_t step = depth / 8;
    const size_t count = size_t(width) * height;

    // Pixels in file order, then placed by the origin bits.
    std::vector<uint32_t> pixels(count);
    auto read = [&](size_t at) {
        const uint8_t* p = f.p + at;
        return Argb(step == 4 ? p[3] : 255, p[2], p[1], p[0]);
    };
    if (type == 2) {
        if (!f.Has(offset, count * step))
            return D3DXERR_INVALIDDATA;
        for (size_t i = 0; i < count; ++i)
            pixels[i] = read(offset + i * step);
    } else {
        size_t i = 0;
        while (i < count) {
            if (!f.Has(offset, 1))
                return D3DXERR_INVALIDDATA;
            const uint8_t packet = f.p[offset++];
            const size_t run = (packet & 0x7F) + 1u;
            if (run > count - i)
                return D3DXERR_INVALIDDATA;
            if (packet & 0x80) {
                if (!f.Has(offset, step))
                    return D3DXERR_INVALIDDATA;
                std::fill_n(pixels.begin() + i, run, read(offset));
                offset += step;
            } else {
                if (!f.Has(offset, run * step))
                    return D3DXERR_INVALIDDATA;
                for (size_t k = 0; k < run; ++k)
                    pixels[i + k] = read(offset + k * step);
                offset += run * step;
            }
            i += run;
        }
    }
    const bool rightToLeft = descriptor & 0x10, topToBottom = descriptor & 0x20;
    Level l;
    l.width = width;
    l.height = height;
    l.argb.resize(count);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) {
            const UINT sy = topToBottom ? y : height - 1 - y;
            const UINT sx = rightToLeft ? width - 1 - x : x;
            l.argb[size_t(y) * width + x] = pixels[size_t(sy) * width + sx];
        }
    out->width = width;
    out->height = height;
    out->format = depth == 32 ? D3DFMT_A8R8G8B8 : D3DFMT_R8G8B8;
    out->hasAlpha = depth == 32;
    out->fileFormat = FileTga;
    out->faces.assign(1, {});
    out->faces[0].push_back(std::move(l));
    return S_OK;
}

} // namespace

bool IsDxt(D3DFORMAT format)
{
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3;
}

size_t DxtBlockBytes(D3DFORMAT format)
{
    return format == D3DFMT_DXT1 ? 8 : IsDxt(format) ? 16 : 0;
}

void DecodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint32_t pixels[16])
{
    const bool dxt1 = format == D3DFMT_DXT1;
    const uint8_t* colour = dxt1 ? block : block + 8;
    uint32_t palette[4];
    ColourPalette(uint16_t(colour[0] | colour[1] << 8), uint16_t(colour[2] | colour[3] << 8), dxt1, palette);
    const uint32_t indices = uint32_t(colour[4]) | uint32_t(colour[5]) << 8 | uint32_t(colour[6]) << 16 |
                             uint32_t(colour[7]) << 24;
    for (int i = 0; i < 16; ++i) {
        uint32_t c = palette[(indices >> (2 * i)) & 3];
        if (!dxt1) {
            const uint32_t a4 = (block[i / 2] >> (4 * (i & 1))) & 15;
            c = (c & 0x00FFFFFFu) | (a4 * 17) << 24;
        }
        pixels[i] = c;
    }
}

void EncodeDxtBlock(D3DFORMAT format, const uint32_t pixels[16], uint8_t* block)
{
    const bool dxt1 = format == D3DFMT_DXT1;
    uint8_t* colour = block;
    if (!dxt1) {
        std::memset(block, 0, 8);
        for (int i = 0; i < 16; ++i) {
            const uint32_t a4 = (Channel(pixels[i], 24) * 15 + 127) / 255;
            block[i / 2] |= uint8_t(a4 << (4 * (i & 1)));
        }
        colour = block + 8;
    }
    bool transparent = false;
    int darkest = -1, brightest = -1, low = 0, high = 0;
    for (int i = 0; i < 16; ++i) {
        if (dxt1 && Channel(pixels[i], 24) < 128) {
            transparent = true;
            continue;
        }
        const int luma = int(Channel(pixels[i], 16) * 2 + Channel(pixels[i], 8) * 4 + Channel(pixels[i], 0));
        if (darkest < 0 || luma < low)
            darkest = i, low = luma;
        if (brightest < 0 || luma > high)
            brightest = i, high = luma;
    }
    uint16_t c0 = darkest < 0 ? 0 : Pack565(pixels[brightest]);
    uint16_t c1 = darkest < 0 ? 0 : Pack565(pixels[darkest]);
    if (transparent ? c0 > c1 : c0 < c1)
        std::swap(c0, c1);
    uint32_t palette[4];
    ColourPalette(c0, c1, dxt1, palette);
    const int choices = (dxt1 && c0 <= c1) ? 3 : 4;
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0;
        if (dxt1 && Channel(pixels[i], 24) < 128) {
            best = 3;
        } else {
            for (int k = 1; k < choices; ++k)
                if (Distance(pixels[i], palette[k]) < Distance(pixels[i], palette[best]))
                    best = k;
        }
        indices |= uint32_t(best) << (2 * i);
    }
    colour[0] = uint8_t(c0);
    colour[1] = uint8_t(c0 >> 8);
    colour[2] = uint8_t(c1);
    colour[3] = uint8_t(c1 >> 8);
    for (int k = 0; k < 4; ++k)
        colour[4 + k] = uint8_t(indices >> (8 * k));
}

std::vector<uint32_t> Resample(const uint32_t* source, UINT sw, UINT sh, UINT dw, UINT dh, bool point)
{
    std::vector<uint32_t> out(size_t(dw) * dh);
    if (point) {
        for (UINT y = 0; y < dh; ++y)
            for (UINT x = 0; x < dw; ++x) {
                const UINT sx = UINT((uint64_t(2 * x + 1) * sw) / (2 * uint64_t(dw)));
                const UINT sy = UINT((uint64_t(2 * y + 1) * sh) / (2 * uint64_t(dh)));
                out[size_t(y) * dw + x] = source[size_t(sy) * sw + sx];
            }
        return out;
    }
    // Per target index, the source pixels it covers and their weights.
    struct Tap { UINT index; double weight; };
    auto taps = [](UINT from, UINT to) {
        std::vector<std::vector<Tap>> all(to);
        const double scale = double(from) / to;
        for (UINT i = 0; i < to; ++i) {
            const double a = i * scale, b = (i + 1) * scale;
            for (UINT s = UINT(a); s < from && s < b; ++s) {
                const double w = std::min(b, double(s + 1)) - std::max(a, double(s));
                if (w > 1e-9)
                    all[i].push_back({s, w / scale});
            }
        }
        return all;
    };
    const auto tx = taps(sw, dw), ty = taps(sh, dh);
    std::vector<double> rows(size_t(dw) * sh * 4);
    for (UINT y = 0; y < sh; ++y)
        for (UINT x = 0; x < dw; ++x)
            for (const Tap& t : tx[x]) {
                const uint32_t c = source[size_t(y) * sw + t.index];
                double* acc = &rows[(size_t(y) * dw + x) * 4];
                for (int k = 0; k < 4; ++k)
                    acc[k] += Channel(c, 8 * k) * t.weight;
            }
    for (UINT y = 0; y < dh; ++y)
        for (UINT x = 0; x < dw; ++x) {
            double acc[4] = {};
            for (const Tap& t : ty[y])
                for (int k = 0; k < 4; ++k)
                    acc[k] += rows[(size_t(t.index) * dw + x) * 4 + k] * t.weight;
            uint32_t c = 0;
            for (int k = 0; k < 4; ++k)
                c |= uint32_t(std::min(255.0, std::max(0.0, acc[k] + 0.5))) << (8 * k);
            out[size_t(y) * dw + x] = c;
        }
    return out;
}

HRESULT Decode(const void* data, size_t size, DecodedImage* out)
{
    *out = DecodedImage();
    if (!data)
        return D3DXERR_INVALIDDATA;
    const Bytes f{static_cast<const uint8_t*>(data), size};
    HRESULT hr;
    if (f.Has(0, 4) && f.U32(0) == MAKEFOURCC('D', 'D', 'S', ' '))
        hr = DecodeDds(f, out);
    else if (f.Has(0, 2) && f.p[0] == 'B' && f.p[1] == 'M')
        hr = DecodeBmp(f, out);
    else
        hr = DecodeTga(f, out);
    if (FAILED(hr))
        *out = DecodedImage();
    return hr;
}

} // namespace imagefile
