#include "PngWriter.h"

#include <cstdio>
#include <zlib.h>

namespace {

void PutBE32(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v >> 24));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data)
{
    PutBE32(out, uint32_t(data.size()));
    size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + typeAt, uInt(out.size() - typeAt));
    PutBE32(out, uint32_t(crc));
}

} // namespace

std::vector<uint8_t> PngWriter::Encode(int width, int height, const uint32_t* argb, bool opaque)
{
    std::vector<uint8_t> png;
    if (width <= 0 || height <= 0 || !argb)
        return png;

    // Filter type 0 (none) before every row.
    std::vector<uint8_t> raw;
    raw.reserve(size_t(height) * (size_t(width) * 4 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            uint32_t p = argb[size_t(y) * size_t(width) + size_t(x)];
            raw.push_back(uint8_t(p >> 16));
            raw.push_back(uint8_t(p >> 8));
            raw.push_back(uint8_t(p));
            raw.push_back(opaque ? uint8_t(0xFF) : uint8_t(p >> 24));
        }
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
        return png;
    packed.resize(packedSize);

    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    png.assign(signature, signature + 8);

    std::vector<uint8_t> header;
    PutBE32(header, uint32_t(width));
    PutBE32(header, uint32_t(height));
    header.push_back(8); // bit depth
    header.push_back(6); // colour type RGBA
    header.push_back(0); // deflate
    header.push_back(0); // adaptive filtering
    header.push_back(0); // no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}

bool PngWriter::Write(const std::string& path, int width, int height, const uint32_t* argb, bool opaque)
{
    std::vector<uint8_t> png = Encode(width, height, argb, opaque);
    if (png.empty())
        return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}
