#include "Image.h"

#include "PngWriter.h"

#include <cstdio>
#include <cstdlib>

bool Image::SavePng(const std::string& path) const
{
    return !Empty() && PngWriter::Write(path, width, height, pixels.data(), false);
}

void Image::SavePngIfFailed(const std::string& name) const
{
    if (!::testing::Test::HasFailure() || Empty())
        return;
    std::string path = name + ".png";
    if (SavePng(path))
        std::printf("saved the picture of the failing test as test-output/%s\n", path.c_str());
}

::testing::AssertionResult PixelNear(const Image& image, int x, int y, uint32_t expected, int tolerance)
{
    const uint32_t actual = image.Rgb(x, y);
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = int((actual >> shift) & 0xFF);
        const int e = int((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance) {
            char text[96];
            std::snprintf(text, sizeof text, "pixel (%d, %d) is %06X, not %06X (within %d)", x, y,
                          static_cast<unsigned>(actual), static_cast<unsigned>(expected), tolerance);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}
