#include "EncodeIco.h"

#include <cstddef>

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

size_t MaskStride(int size)
{
    return size_t((size + 31) / 32) * 4;
}

size_t ImageBytes(int size)
{
    return 40 + size_t(size) * size * 4 + MaskStride(size) * size;
}

} // namespace

std::vector<uint8_t> EncodeIco(const std::vector<IcoImage>& images)
{
    std::vector<uint8_t> out;
    Put16(out, 0); // reserved
    Put16(out, 1); // type: icon
    Put16(out, uint32_t(images.size()));

    size_t offset = 6 + 16 * images.size();
    for (const IcoImage& image : images) {
        out.push_back(uint8_t(image.size & 0xFF)); // 256 is written as 0
        out.push_back(uint8_t(image.size & 0xFF));
        out.push_back(0); // no palette
        out.push_back(0); // reserved
        Put16(out, 1);    // planes
        Put16(out, 32);   // bits per pixel
        Put32(out, uint32_t(ImageBytes(image.size)));
        Put32(out, uint32_t(offset));
        offset += ImageBytes(image.size);
    }

    for (const IcoImage& image : images) {
        const int n = image.size;
        const size_t stride = MaskStride(n);
        Put32(out, 40);                   // biSize
        Put32(out, uint32_t(n));          // biWidth
        Put32(out, uint32_t(2 * n));      // biHeight: the pixels and the mask
        Put16(out, 1);                    // biPlanes
        Put16(out, 32);                   // biBitCount
        Put32(out, 0);                    // biCompression: BI_RGB
        Put32(out, uint32_t(size_t(n) * n * 4 + stride * n)); // biSizeImage
        for (int i = 0; i < 4; ++i)
            Put32(out, 0); // resolution, colours used, important colours

        for (int y = n - 1; y >= 0; --y)
            for (int x = 0; x < n; ++x)
                Put32(out, image.argb[size_t(y) * n + x]); // B, G, R, A in memory
        for (int y = n - 1; y >= 0; --y) {
            std::vector<uint8_t> row(stride, 0);
            for (int x = 0; x < n; ++x)
                if (IcoMaskBit(image.argb[size_t(y) * n + x]))
                    row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
            out.insert(out.end(), row.begin(), row.end());
        }
    }
    return out;
}
