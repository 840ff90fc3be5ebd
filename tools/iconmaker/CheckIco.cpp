#include "CheckIco.h"

#include <cstddef>

namespace {

uint32_t Get16(const std::vector<uint8_t>& d, size_t at)
{
    return uint32_t(d[at]) | uint32_t(d[at + 1]) << 8;
}

uint32_t Get32(const std::vector<uint8_t>& d, size_t at)
{
    return Get16(d, at) | Get16(d, at + 2) << 16;
}

std::string ImageName(size_t index, int size)
{
    return "image " + std::to_string(index) + " (" + std::to_string(size) + "x" + std::to_string(size) + "): ";
}

std::string CheckImage(const std::vector<uint8_t>& file, size_t at, size_t bytes, const IcoImage& image,
                       const std::string& name)
{
    const int n = image.size;
    const size_t stride = size_t((n + 31) / 32) * 4;
    const size_t pixelBytes = size_t(n) * n * 4;
    if (bytes != 40 + pixelBytes + stride * n)
        return name + "wrong byte count " + std::to_string(bytes);
    if (Get32(file, at) != 40 || Get32(file, at + 4) != uint32_t(n) || Get32(file, at + 8) != uint32_t(2 * n) ||
        Get16(file, at + 12) != 1 || Get16(file, at + 14) != 32 || Get32(file, at + 16) != 0 ||
        Get32(file, at + 20) != pixelBytes + stride * n)
        return name + "bad BITMAPINFOHEADER";

    const size_t pixels = at + 40;
    const size_t mask = pixels + pixelBytes;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const uint32_t expected = image.argb[size_t(y) * n + x];
            const size_t row = size_t(n - 1 - y); // bottom row first
            if (Get32(file, pixels + (row * n + x) * 4) != expected)
                return name + "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") differs";
            const bool bit = (file[mask + row * stride + size_t(x / 8)] >> (7 - x % 8)) & 1;
            if (bit != IcoMaskBit(expected))
                return name + "mask bit (" + std::to_string(x) + ", " + std::to_string(y) + ") is wrong";
        }
    for (size_t row = 0; row < size_t(n); ++row)
        for (size_t byte = size_t(n + 7) / 8; byte < stride; ++byte)
            if (file[mask + row * stride + byte])
                return name + "mask padding is not zero";
    return "";
}

} // namespace

std::string CheckIco(const std::vector<uint8_t>& file, const std::vector<IcoImage>& images)
{
    if (file.size() < 6)
        return "shorter than the icon directory";
    if (Get16(file, 0) != 0 || Get16(file, 2) != 1)
        return "not an icon directory";
    if (Get16(file, 4) != images.size())
        return "holds " + std::to_string(Get16(file, 4)) + " images, expected " + std::to_string(images.size());
    size_t next = 6 + 16 * images.size();
    if (file.size() < next)
        return "directory entries cut short";

    for (size_t i = 0; i < images.size(); ++i) {
        const IcoImage& image = images[i];
        const std::string name = ImageName(i, image.size);
        if (image.size < 1 || image.size > 256 || image.argb.size() != size_t(image.size) * image.size)
            return name + "not a valid image to compare with";
        const size_t entry = 6 + 16 * i;
        if (file[entry] != (image.size & 0xFF) || file[entry + 1] != (image.size & 0xFF) || file[entry + 2] != 0 ||
            file[entry + 3] != 0 || Get16(file, entry + 4) != 1 || Get16(file, entry + 6) != 32)
            return name + "bad directory entry";
        const size_t bytes = Get32(file, entry + 8);
        const size_t at = Get32(file, entry + 12);
        // Images follow the directory back to back, in directory order.
        if (at != next || bytes > file.size() || at > file.size() - bytes)
            return name + "data not where the directory says";
        std::string problem = CheckImage(file, at, bytes, image, name);
        if (!problem.empty())
            return problem;
        next = at + bytes;
    }
    if (next != file.size())
        return "trailing bytes after the last image";
    return "";
}
