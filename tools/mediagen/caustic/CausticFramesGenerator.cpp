// CausticFrame00..31.tga: the caustic animation, 32 frames of 64 x 64 32-bit
// TGA. A network of bright bluish-white lines where three wave fields cross
// zero; the fields turn once over the 32 frames, so the loop closes, and
// every field repeats across the image, so each frame tiles.

#include "common/ImageCheck.h"
#include "GeneratorRegistry.h"
#include "Pi.h"
#include "ImageWriters.h"
#include "WriteIfChanged.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

const int Size = 64;
const int Frames = 32;

float Intensity(int frame, int x, int y)
{
    const float phase = 2 * PiF * frame / Frames;
    const float a = 2 * PiF * x / Size, b = 2 * PiF * y / Size;
    const float w = std::sin(2 * a + 1.5f * std::sin(b + phase)) + std::sin(2 * b + 1.5f * std::sin(a - phase)) +
                    std::sin(a + b + 2.0f * std::sin(a - b + phase));
    const float line = std::max(0.0f, 1.0f - std::fabs(w));
    return line * line * line;
}

RgbaImage Frame(int frame)
{
    RgbaImage image(Size, Size);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const float i = Intensity(frame, x, y);
            image.Set(x, y, uint8_t(205 * i + 0.5f), uint8_t(240 * i + 0.5f), uint8_t(255 * i + 0.5f),
                      uint8_t(255 * i + 0.5f));
        }
    return image;
}

int Generate(const std::string& outDir)
{
    using namespace mediacheck;
    RgbaImage previous;
    for (int f = 0; f < Frames; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "CausticFrame%02d.tga", f);
        const std::string bytes = EncodeTga32(Frame(f));
        RgbaImage image;
        if (!ReadTga32(name, bytes, Size, image))
            return 1;
        long sum = 0;
        int brightest = 0;
        for (size_t i = 3; i < image.pixels.size(); i += 4) {
            sum += image.pixels[i];
            brightest = std::max<int>(brightest, image.pixels[i]);
        }
        const long mean = sum / (Size * Size);
        if (brightest < 200 || mean < 8 || mean > 128)
            return Fail(name, "not a network of bright lines on dark"), 1;
        if (f > 0 && image.pixels == previous.pixels)
            return Fail(name, "the same as the frame before"), 1;
        previous = image;
        if (!WriteIfChanged(outDir + "/" + name, bytes))
            return 1;
    }
    return 0;
}

} // namespace

REEF_GENERATOR(CausticFrames, Generate);
