#include "ImageWriters.h"

#include <algorithm>
#include <cstring>

namespace {

void Put16(std::string& s, uint32_t v)
{
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}

void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

uint16_t To565(const uint8_t* c)
{
    return uint16_t(((c[0] * 31 + 127) / 255) << 11 | ((c[1] * 63 + 127) / 255) << 5 | ((c[2] * 31 + 127) / 255));
}

void From565(uint16_t v, uint8_t* c)
{
    int r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    c[0] = uint8_t((r << 3) | (r >> 2));
    c[1] = uint8_t((g << 2) | (g >> 4));
    c[2] = uint8_t((b << 3) | (b >> 2));
}

int Distance(const uint8_t* a, const uint8_t* b)
{
    int dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
    return dr * dr + dg * dg + db * db;
}

// The four (or three plus transparent) palette colours of a colour block.
void Palette(uint16_t c0, uint16_t c1, bool dxt1, uint8_t pal[4][4])
{
    From565(c0, pal[0]);
    From565(c1, pal[1]);
    pal[0][3] = pal[1][3] = 255;
    if (c0 > c1 || !dxt1) {
        for (int i = 0; i < 3; ++i) {
            pal[2][i] = uint8_t((2 * pal[0][i] + pal[1][i] + 1) / 3);
            pal[3][i] = uint8_t((pal[0][i] + 2 * pal[1][i] + 1) / 3);
        }
        pal[2][3] = pal[3][3] = 255;
    } else {
        for (int i = 0; i < 3; ++i)
            pal[2][i] = uint8_t((pal[0][i] + pal[1][i]) / 2);
        pal[2][3] = 255;
        pal[3][0] = pal[3][1] = pal[3][2] = pal[3][3] = 0;
    }
}

void Header(std::string& s, int width, int height, int levels, DdsFormat format, bool cube)
{
    const bool dxt = format != DdsFormat::A8R8G8B8;
    s += "DDS ";
    Put32(s, 124);
    uint32_t flags = 0x1 | 0x2 | 0x4 | 0x1000 | (levels > 1 ? 0x20000 : 0) | (dxt ? 0x80000 : 0x8);
    Put32(s, flags);
    Put32(s, height);
    Put32(s, width);
    uint32_t pitch = dxt ? uint32_t(std::max(1, (width + 3) / 4) * std::max(1, (height + 3) / 4) * (format == DdsFormat::Dxt1 ? 8 : 16))
                         : uint32_t(width * 4);
    Put32(s, pitch);
    Put32(s, 0);      // depth
    Put32(s, levels); // mip map count
    for (int i = 0; i < 11; ++i)
        Put32(s, 0);
    // Pixel format.
    Put32(s, 32);
    if (dxt) {
        Put32(s, 0x4);
        s += format == DdsFormat::Dxt1 ? "DXT1" : "DXT2";
        for (int i = 0; i < 5; ++i)
            Put32(s, 0);
    } else {
        Put32(s, 0x40 | 0x1);
        Put32(s, 0);
        Put32(s, 32);
        Put32(s, 0x00FF0000);
        Put32(s, 0x0000FF00);
        Put32(s, 0x000000FF);
        Put32(s, 0xFF000000);
    }
    Put32(s, 0x1000 | (levels > 1 || cube ? 0x8 : 0) | (levels > 1 ? 0x400000 : 0));
    Put32(s, cube ? 0x200 | 0xFC00 : 0);
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, 0);
}

void Level(std::string& s, const RgbaImage& image, DdsFormat format)
{
    if (format == DdsFormat::A8R8G8B8) {
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const uint8_t* p = image.At(x, y);
                s.push_back(char(p[2]));
                s.push_back(char(p[1]));
                s.push_back(char(p[0]));
                s.push_back(char(p[3]));
            }
        return;
    }
    const int bw = std::max(1, (image.width + 3) / 4), bh = std::max(1, (image.height + 3) / 4);
    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx) {
            uint8_t px[16][4];
            for (int i = 0; i < 16; ++i) {
                int x = std::min(bx * 4 + i % 4, image.width - 1), y = std::min(by * 4 + i / 4, image.height - 1);
                memcpy(px[i], image.At(x, y), 4);
            }
            if (format == DdsFormat::Dxt2) {
                // Explicit 4-bit alpha, then the colour premultiplied by it.
                for (int i = 0; i < 16; i += 2) {
                    int a0 = (px[i][3] * 15 + 127) / 255, a1 = (px[i + 1][3] * 15 + 127) / 255;
                    s.push_back(char(a0 | (a1 << 4)));
                }
                for (int i = 0; i < 16; ++i)
                    for (int c = 0; c < 3; ++c)
                        px[i][c] = uint8_t((px[i][c] * px[i][3] + 127) / 255);
                uint8_t block[8];
                EncodeDxtColourBlock(px, block, false);
                s.append(reinterpret_cast<char*>(block), 8);
            } else {
                uint8_t block[8];
                EncodeDxtColourBlock(px, block, true);
                s.append(reinterpret_cast<char*>(block), 8);
            }
        }
}

} // namespace

void EncodeDxtColourBlock(const uint8_t rgba[16][4], uint8_t out[8], bool dxt1Alpha)
{
    bool transparent = false;
    for (int i = 0; i < 16; ++i)
        transparent |= dxt1Alpha && rgba[i][3] < 128;
    // End points: the pair of opaque pixels furthest apart.
    int best = -1, ia = 0, ib = 0;
    for (int i = 0; i < 16; ++i)
        for (int j = i; j < 16; ++j) {
            if (dxt1Alpha && (rgba[i][3] < 128 || rgba[j][3] < 128))
                continue;
            int d = Distance(rgba[i], rgba[j]);
            if (d > best) {
                best = d;
                ia = i;
                ib = j;
            }
        }
    uint16_t c0 = To565(rgba[ia]), c1 = To565(rgba[ib]);
    if (transparent) {
        if (c0 > c1)
            std::swap(c0, c1);
    } else {
        if (c0 < c1)
            std::swap(c0, c1);
        if (c0 == c1) {
            // Equal ends select the three-colour mode in DXT1; step one apart.
            if (c1 > 0)
                --c1;
            else
                ++c0;
        }
    }
    uint8_t pal[4][4];
    Palette(c0, c1, dxt1Alpha, pal);
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        int pick = 0;
        if (transparent && rgba[i][3] < 128) {
            pick = 3;
        } else {
            int bestD = 1 << 30;
            for (int k = 0; k < (transparent ? 3 : 4); ++k) {
                int d = Distance(rgba[i], pal[k]);
                if (d < bestD) {
                    bestD = d;
                    pick = k;
                }
            }
        }
        indices |= uint32_t(pick) << (2 * i);
    }
    out[0] = uint8_t(c0 & 0xFF);
    out[1] = uint8_t(c0 >> 8);
    out[2] = uint8_t(c1 & 0xFF);
    out[3] = uint8_t(c1 >> 8);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = uint8_t(indices >> (8 * i));
}

void DecodeDxtColourBlock(const uint8_t in[8], uint8_t rgba[16][4], bool dxt1)
{
    uint16_t c0 = uint16_t(in[0] | in[1] << 8), c1 = uint16_t(in[2] | in[3] << 8);
    uint8_t pal[4][4];
    Palette(c0, c1, dxt1, pal);
    uint32_t indices = uint32_t(in[4]) | uint32_t(in[5]) << 8 | uint32_t(in[6]) << 16 | uint32_t(in[7]) << 24;
    for (int i = 0; i < 16; ++i)
        memcpy(rgba[i], pal[(indices >> (2 * i)) & 3], 4);
}

std::vector<RgbaImage> MipChain(const RgbaImage& top, int levels)
{
    std::vector<RgbaImage> chain{top};
    while ((levels <= 0 || int(chain.size()) < levels) && (chain.back().width > 1 || chain.back().height > 1)) {
        const RgbaImage& src = chain.back();
        RgbaImage next(std::max(1, src.width / 2), std::max(1, src.height / 2));
        for (int y = 0; y < next.height; ++y)
            for (int x = 0; x < next.width; ++x)
                for (int c = 0; c < 4; ++c) {
                    int sum = 0;
                    for (int k = 0; k < 4; ++k) {
                        int sx = std::min(x * 2 + (k & 1), src.width - 1), sy = std::min(y * 2 + (k >> 1), src.height - 1);
                        sum += src.At(sx, sy)[c];
                    }
                    next.At(x, y)[c] = uint8_t((sum + 2) / 4);
                }
        chain.push_back(std::move(next));
    }
    return chain;
}

std::string EncodeDds(DdsFormat format, const std::vector<RgbaImage>& levels)
{
    std::string s;
    Header(s, levels[0].width, levels[0].height, int(levels.size()), format, false);
    for (const RgbaImage& level : levels)
        Level(s, level, format);
    return s;
}

std::string EncodeDdsCube(DdsFormat format, const std::vector<RgbaImage> faces[6])
{
    std::string s;
    Header(s, faces[0][0].width, faces[0][0].height, int(faces[0].size()), format, true);
    for (int f = 0; f < 6; ++f)
        for (const RgbaImage& level : faces[f])
            Level(s, level, format);
    return s;
}

std::string EncodeTga32(const RgbaImage& image)
{
    std::string s;
    s.push_back(0); // id length
    s.push_back(0); // no colour map
    s.push_back(2); // uncompressed true colour
    for (int i = 0; i < 5; ++i)
        s.push_back(0);
    Put16(s, 0);
    Put16(s, 0);
    Put16(s, image.width);
    Put16(s, image.height);
    s.push_back(32);
    s.push_back(0x28); // 8 alpha bits, top-left origin
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            s.push_back(char(p[2]));
            s.push_back(char(p[1]));
            s.push_back(char(p[0]));
            s.push_back(char(p[3]));
        }
    return s;
}

namespace {
void BmpHeaders(std::string& s, int width, int height, int bits, int paletteEntries, uint32_t imageBytes)
{
    const uint32_t offset = 14 + 40 + paletteEntries * 4;
    s += "BM";
    Put32(s, offset + imageBytes);
    Put32(s, 0);
    Put32(s, offset);
    Put32(s, 40);
    Put32(s, width);
    Put32(s, height); // positive: bottom-up
    Put16(s, 1);
    Put16(s, bits);
    Put32(s, 0); // BI_RGB
    Put32(s, imageBytes);
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, paletteEntries);
    Put32(s, 0);
}
}

std::string EncodeBmp24(const RgbaImage& image)
{
    const int stride = (image.width * 3 + 3) & ~3;
    std::string s;
    BmpHeaders(s, image.width, image.height, 24, 0, uint32_t(stride * image.height));
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            s.push_back(char(p[2]));
            s.push_back(char(p[1]));
            s.push_back(char(p[0]));
        }
        for (int pad = image.width * 3; pad < stride; ++pad)
            s.push_back(0);
    }
    return s;
}

std::string EncodeBmp8(const IndexedImage& image)
{
    const int stride = (image.width + 3) & ~3;
    const int entries = int(std::min<size_t>(image.palette.size(), 256));
    std::string s;
    BmpHeaders(s, image.width, image.height, 8, entries, uint32_t(stride * image.height));
    for (int i = 0; i < entries; ++i) {
        s.push_back(char(image.palette[i][2]));
        s.push_back(char(image.palette[i][1]));
        s.push_back(char(image.palette[i][0]));
        s.push_back(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x)
            s.push_back(char(image.indices[size_t(y) * image.width + x]));
        for (int pad = image.width; pad < stride; ++pad)
            s.push_back(0);
    }
    return s;
}
