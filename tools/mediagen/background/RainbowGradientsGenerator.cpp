// RainbowGradient0..2.bmp: 64 x 64 24-bit rainbow gradients. 0: the spectrum
// in vertical bands across the width, red at both edges so that it tiles;
// 1: concentric rings of the spectrum around the centre; 2: diamond rings,
// the spectrum by the sum of the distances from the centre along x and y.

#include "common/ImageCheck.h"
#include "GeneratorRegistry.h"
#include "ImageWriters.h"
#include "WriteIfChanged.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

const int Size = 64;
const float Centre = (Size - 1) * 0.5f;

float HueAt(int kind, int x, int y)
{
    const float dx = x - Centre, dy = y - Centre;
    switch (kind) {
    case 0:
        return float(x) / Size;
    case 1:
        return std::hypot(dx, dy) / 32.0f;
    default:
        return (std::fabs(dx) + std::fabs(dy)) / 32.0f;
    }
}

RgbaImage Gradient(int kind)
{
    RgbaImage image(Size, Size);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            uint8_t rgb[3];
            mediacheck::Hue(HueAt(kind, x, y), rgb);
            image.Set(x, y, rgb[0], rgb[1], rgb[2]);
        }
    return image;
}

bool Same(const RgbaImage& image, int x0, int y0, int x1, int y1)
{
    for (int i = 0; i < 3; ++i)
        if (image.At(x0, y0)[i] != image.At(x1, y1)[i])
            return false;
    return true;
}

bool Check(int kind, const std::string& name, const std::string& bytes)
{
    using namespace mediacheck;
    RgbaImage image;
    if (!ReadBmp(name, bytes, Size, Size, 24, image))
        return false;
    // Every pixel is a saturated colour: one channel full, one empty.
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const uint8_t* p = image.At(x, y);
            const int hi = std::max(p[0], std::max(p[1], p[2])), lo = std::min(p[0], std::min(p[1], p[2]));
            if (hi != 255 || lo != 0)
                return Fail(name, "a pixel is not a spectrum colour");
        }
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const int mx = Size - 1 - x, my = Size - 1 - y;
            if (kind == 0 && !Same(image, x, y, x, 0))
                return Fail(name, "the bands are not vertical");
            if (kind != 0 && (!Same(image, x, y, mx, y) || !Same(image, x, y, x, my) || !Same(image, x, y, y, x)))
                return Fail(name, "the rings are not centred");
        }
    if (kind == 0) {
        // Red at the left, then green, blue and back toward red.
        if (!(image.At(0, 0)[0] == 255 && image.At(0, 0)[2] == 0) || image.At(Size / 3, 0)[1] != 255 ||
            image.At(2 * Size / 3 + 1, 0)[2] != 255)
            return Fail(name, "the bands do not run through the spectrum");
    } else if (kind == 1) {
        // Points at equal distance share a colour: (40, 32) and (32, 40) are
        // mirror images; the centre and the rim differ.
        if (Same(image, 32, 32, 32, 50))
            return Fail(name, "no rings");
    } else {
        // Equal |dx| + |dy|: (40, 32) lies 8.5 + 0.5 out, (36, 36) 4.5 + 4.5.
        if (!Same(image, 40, 32, 36, 36) || Same(image, 32, 32, 32, 50))
            return Fail(name, "not diamond rings");
    }
    return true;
}

int Generate(const std::string& outDir)
{
    for (int kind = 0; kind < 3; ++kind) {
        const std::string name = "RainbowGradient" + std::to_string(kind) + ".bmp";
        const std::string bytes = EncodeBmp24(Gradient(kind));
        if (!Check(kind, name, bytes) || !WriteIfChanged(outDir + "/" + name, bytes))
            return 1;
    }
    return 0;
}

} // namespace

REEF_GENERATOR(RainbowGradients, Generate);
