// BubbleTexture0..3.dds: the bubble sprites, 64 x 64 32-bit ARGB, one level.
// A faint translucent body, a bright rim and a white highlight whose place
// turns a quarter round from one image to the next, so that the cycled
// sprites shimmer.

#include "common/ImageCheck.h"
#include "GeneratorRegistry.h"
#include "ImageWriters.h"
#include "WriteIfChanged.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

const int Size = 64;
const int Count = 4;
const float Radius = 30.0f;

RgbaImage Bubble(int variant)
{
    const float c = (Size - 1) * 0.5f;
    const float turn = 0.7f + variant * 1.5707964f;
    const float hx = c + std::cos(turn) * Radius * 0.45f, hy = c - std::sin(turn) * Radius * 0.45f;
    RgbaImage image(Size, Size);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            // 4 x 4 samples per pixel for a smooth outline.
            float alpha = 0, white = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const float px = x + (sx + 0.5f) / 4 - 0.5f, py = y + (sy + 0.5f) / 4 - 0.5f;
                    const float d = std::hypot(px - c, py - c) / Radius;
                    if (d > 1.0f)
                        continue;
                    const float rim = std::exp(-std::pow((d - 0.88f) / 0.08f, 2.0f));
                    const float h = std::hypot(px - hx, py - hy) / (Radius * 0.2f);
                    const float spot = h < 1.0f ? 1.0f - h * h : 0.0f;
                    alpha += std::min(1.0f, 0.15f + 0.85f * rim + spot) / 16;
                    white += spot / 16;
                }
            const float w = std::min(1.0f, white);
            image.Set(x, y, uint8_t(190 + 65 * w), uint8_t(230 + 25 * w), 255, uint8_t(alpha * 255.0f + 0.5f));
        }
    return image;
}

bool Check(const std::string& name, const std::string& bytes, RgbaImage& image)
{
    using namespace mediacheck;
    if (!ReadDds(name, bytes, DdsFormat::A8R8G8B8, Size, 1, image))
        return false;
    for (int corner = 0; corner < 4; ++corner)
        if (image.At((corner & 1) * (Size - 1), (corner >> 1) * (Size - 1))[3] != 0)
            return Fail(name, "a corner is not transparent");
    const int centre = image.At(Size / 2, Size / 2)[3];
    if (centre == 0 || centre > 96)
        return Fail(name, "the body is not faint and translucent");
    // The rim, along a row through the centre, away from the highlight.
    const int rim = std::max(image.At(Size / 2 - int(Radius * 0.88f), Size / 2)[3],
                             image.At(Size / 2 + int(Radius * 0.88f), Size / 2)[3]);
    if (rim < 2 * centre)
        return Fail(name, "no bright rim");
    int brightest = 0;
    for (size_t i = 3; i < image.pixels.size(); i += 4)
        brightest = std::max<int>(brightest, image.pixels[i]);
    if (brightest < 240)
        return Fail(name, "no opaque highlight");
    return true;
}

int Generate(const std::string& outDir)
{
    RgbaImage written[Count];
    for (int i = 0; i < Count; ++i) {
        const std::string name = "BubbleTexture" + std::to_string(i) + ".dds";
        const std::string bytes = EncodeDds(DdsFormat::A8R8G8B8, {Bubble(i)});
        if (!Check(name, bytes, written[i]) || !WriteIfChanged(outDir + "/" + name, bytes))
            return 1;
    }
    for (int i = 0; i < Count; ++i)
        for (int j = i + 1; j < Count; ++j)
            if (written[i].pixels == written[j].pixels)
                return mediacheck::Fail("BubbleTextures", "two sprites are the same"), 1;
    return 0;
}

} // namespace

REEF_GENERATOR(BubbleTextures, Generate);
