// PaintTartan.bmp, PaintDenseDots.bmp, PaintSparseDots.bmp, PaintStripes.bmp:
// the stencil paint's patterns, 8-bit palette BMPs. A 256 x 256 tartan
// woven in a 2/2 twill from six colours; dense and sparse black dots on
// white, 128 x 129; diagonal black stripes on white, 256 x 256. Every
// pattern repeats across the 256 and 128 edges, and the dots and stripes
// have soft edges through a 256-step grey palette.

#include "common/ImageCheck.h"
#include "GeneratorRegistry.h"
#include "ImageWriters.h"
#include "WriteIfChanged.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

namespace {

// The sett: colour index and thread count of each band, 64 threads, so the
// pattern repeats four times across 256 pixels.
struct Band {
    uint8_t colour;
    int threads;
};
const Band Sett[] = {{0, 12}, {4, 2}, {0, 4}, {1, 14}, {2, 4}, {1, 14}, {3, 2}, {1, 4}, {5, 8}};
const std::array<uint8_t, 3> TartanColours[] = {
    {20, 70, 40},   // green
    {20, 30, 90},   // navy
    {180, 20, 30},  // red
    {230, 200, 40}, // yellow
    {15, 15, 15},   // black
    {235, 235, 225} // white
};

uint8_t BandAt(int thread)
{
    int t = thread % 64;
    for (const Band& b : Sett) {
        if (t < b.threads)
            return b.colour;
        t -= b.threads;
    }
    return Sett[0].colour;
}

IndexedImage Tartan()
{
    IndexedImage image;
    image.width = image.height = 256;
    image.palette.assign(std::begin(TartanColours), std::end(TartanColours));
    image.indices.resize(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            // 2/2 twill: the warp shows for two steps of the diagonal, then the weft.
            const bool warp = ((x + y) / 2) % 2 == 0;
            image.indices[size_t(y) * 256 + x] = warp ? BandAt(x) : BandAt(y);
        }
    return image;
}

// A grey palette from black (0) to white (255).
std::vector<std::array<uint8_t, 3>> Greys()
{
    std::vector<std::array<uint8_t, 3>> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    return palette;
}

// Black dots of the given radius on a square lattice of the given spacing
// (every other row shifted by half a spacing), white between them; the
// edge is one pixel soft.
IndexedImage Dots(int spacing, float radius)
{
    IndexedImage image;
    image.width = 128;
    image.height = 129;
    image.palette = Greys();
    image.indices.resize(size_t(image.width) * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const int row = y / spacing;
            const float shift = row % 2 ? spacing * 0.5f : 0.0f;
            const float dx = std::fmod(x + 0.5f - shift + spacing, float(spacing)) - spacing * 0.5f;
            const float dy = std::fmod(y + 0.5f, float(spacing)) - spacing * 0.5f;
            const float d = std::hypot(dx, dy);
            const float ink = std::clamp(radius + 0.5f - d, 0.0f, 1.0f);
            image.indices[size_t(y) * image.width + x] = uint8_t(std::lround(255.0f * (1.0f - ink)));
        }
    return image;
}

// Black stripes running from top left to bottom right, 32 pixels apart
// along x, half of each period black.
IndexedImage Stripes()
{
    IndexedImage image;
    image.width = image.height = 256;
    image.palette = Greys();
    image.indices.resize(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            // Distance along x from the nearest stripe's centre line.
            const float phase = std::fmod(float(x - y + 512) + 0.5f, 32.0f);
            const float d = std::fabs(phase - 8.0f);
            const float ink = std::clamp(8.5f - d, 0.0f, 1.0f);
            image.indices[size_t(y) * 256 + x] = uint8_t(std::lround(255.0f * (1.0f - ink)));
        }
    return image;
}

bool Tiles(const RgbaImage& image, int period)
{
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x + period < image.width; ++x)
            for (int c = 0; c < 3; ++c)
                if (image.At(x, y)[c] != image.At(x + period, y)[c])
                    return false;
    return true;
}

struct Pattern {
    const char* name;
    IndexedImage (*make)();
    int width, height;
    double darkLow, darkHigh; // the share of black pixels it must have
    int period;               // it repeats across x after this many pixels
};

int Generate(const std::string& outDir)
{
    const Pattern patterns[] = {
        {"PaintTartan.bmp", Tartan, 256, 256, 0.0, 1.0, 64},
        {"PaintDenseDots.bmp", [] { return Dots(8, 2.5f); }, 128, 129, 0.2, 0.45, 8},
        {"PaintSparseDots.bmp", [] { return Dots(16, 3.0f); }, 128, 129, 0.05, 0.2, 16},
        {"PaintStripes.bmp", Stripes, 256, 256, 0.4, 0.6, 32},
    };
    for (const Pattern& p : patterns) {
        const std::string bytes = EncodeBmp8(p.make());
        RgbaImage image;
        if (!mediacheck::ReadBmp(p.name, bytes, p.width, p.height, 8, image))
            return 1;
        const double dark = mediacheck::DarkShare(image);
        if (dark < p.darkLow || dark > p.darkHigh)
            return mediacheck::Fail(p.name, "wrong share of black"), 1;
        if (!Tiles(image, p.period))
            return mediacheck::Fail(p.name, "does not repeat"), 1;
        if (std::string(p.name) == "PaintTartan.bmp") {
            std::set<uint32_t> colours;
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x) {
                    const uint8_t* c = image.At(x, y);
                    colours.insert(uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2]);
                }
            if (colours.size() != 6)
                return mediacheck::Fail(p.name, "not the six tartan colours"), 1;
        } else {
            // Black on white: the corners of the lattice cells are white.
            const uint8_t* white = p.name == std::string("PaintStripes.bmp") ? image.At(24, 0) : image.At(0, 0);
            if (white[0] < 250)
                return mediacheck::Fail(p.name, "no white ground"), 1;
        }
        if (!WriteIfChanged(outDir + "/" + p.name, bytes))
            return mediacheck::Fail(p.name, "cannot write"), 1;
    }
    return 0;
}

} // namespace

REEF_GENERATOR(PaintTextures, Generate);
