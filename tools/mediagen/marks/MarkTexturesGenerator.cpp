// MarkTexture0..8.dds: the marks' shapes, 64 x 64 DXT2 (premultiplied), one
// level, white on transparent: 0-2 irregular polygons, 3-5 five-pointed
// stars, 6-8 triangles and slivers. Every shape lies within 0.95 of the
// half-size around the centre, so the corners stay clear.

#include "common/ImageCheck.h"
#include "GeneratorRegistry.h"
#include "Pi.h"
#include "ImageWriters.h"
#include "WriteIfChanged.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const int Size = 64;
const int Count = 9;

struct Point {
    float x, y; // -1..1, y up
};

// A polygon from (angle in degrees, radius) pairs.
std::vector<Point> Polar(std::initializer_list<std::pair<float, float>> corners)
{
    std::vector<Point> out;
    for (const auto& c : corners)
        out.push_back({c.second * std::cos(c.first * PiF / 180), c.second * std::sin(c.first * PiF / 180)});
    return out;
}

std::vector<Point> Star(float inner, float turnDegrees)
{
    std::vector<Point> out;
    for (int i = 0; i < 10; ++i) {
        const float a = (90.0f + turnDegrees + 36.0f * i) * PiF / 180, r = (i % 2) ? inner : 0.95f;
        out.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return out;
}

std::vector<Point> Shape(int index)
{
    switch (index) {
    case 0: return Polar({{10, 0.9f}, {80, 0.75f}, {150, 0.95f}, {215, 0.7f}, {290, 0.88f}});
    case 1: return Polar({{0, 0.7f}, {55, 0.93f}, {120, 0.65f}, {170, 0.9f}, {235, 0.8f}, {300, 0.94f}});
    case 2: return Polar({{20, 0.94f}, {70, 0.6f}, {115, 0.85f}, {160, 0.92f}, {210, 0.55f}, {255, 0.9f}, {320, 0.78f}});
    case 3: return Star(0.38f, 0);
    case 4: return Star(0.5f, 12);
    case 5: return Star(0.3f, -20);
    case 6: return Polar({{95, 0.92f}, {215, 0.9f}, {330, 0.85f}});
    case 7: return Polar({{40, 0.95f}, {205, 0.95f}, {235, 0.45f}});
    default: return Polar({{100, 0.95f}, {265, 0.94f}, {275, 0.9f}});
    }
}

bool Inside(const std::vector<Point>& polygon, float x, float y)
{
    bool in = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point& a = polygon[i];
        const Point& b = polygon[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
            in = !in;
    }
    return in;
}

RgbaImage Draw(int index)
{
    const std::vector<Point> polygon = Shape(index);
    RgbaImage image(Size, Size);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            int covered = 0;
            for (int s = 0; s < 16; ++s) {
                const float px = (x + (s % 4 + 0.5f) / 4) / Size * 2 - 1;
                const float py = 1 - (y + (s / 4 + 0.5f) / 4) / Size * 2;
                covered += Inside(polygon, px, py);
            }
            image.Set(x, y, 255, 255, 255, uint8_t(covered * 255 / 16));
        }
    return image;
}

bool Check(int index, const std::string& name, const std::string& bytes)
{
    using namespace mediacheck;
    RgbaImage image;
    if (!ReadDds(name, bytes, DdsFormat::Dxt2, Size, 1, image))
        return false;
    int opaque = 0;
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const uint8_t* p = image.At(x, y);
            // Premultiplied white: grey everywhere, white where opaque,
            // black where clear.
            const bool grey = std::abs(int(p[0]) - int(p[1])) <= 16 && std::abs(int(p[1]) - int(p[2])) <= 16;
            const bool ends = (p[3] != 255 || p[1] >= 224) && (p[3] != 0 || p[1] <= 32);
            if (!grey || !ends)
                return Fail(name, "not white on transparent");
            opaque += p[3] == 255;
        }
    for (int corner = 0; corner < 4; ++corner)
        if (image.At((corner & 1) * (Size - 1), (corner >> 1) * (Size - 1))[3] != 0)
            return Fail(name, "a corner is not transparent");
    const float fraction = float(opaque) / (Size * Size);
    static const float low[3] = {0.3f, 0.1f, 0.015f}, high[3] = {0.75f, 0.45f, 0.45f};
    if (fraction < low[index / 3] || fraction > high[index / 3])
        return Fail(name, "the shape does not cover the area its kind does");
    // Polygons and stars are solid at the centre; a star's five tips reach
    // out where the hollows between them stay clear.
    if (index < 6 && image.At(Size / 2, Size / 2)[3] != 255)
        return Fail(name, "the centre is not solid");
    if (index >= 3 && index < 6) {
        const float turn = index == 4 ? 12.0f : index == 5 ? -20.0f : 0.0f;
        for (int i = 0; i < 10; ++i) {
            const float a = (90.0f + turn + 36.0f * i) * PiF / 180;
            const int x = int((0.75f * std::cos(a) + 1) * Size / 2), y = int((1 - 0.75f * std::sin(a)) * Size / 2);
            if ((image.At(x, y)[3] > 128) != (i % 2 == 0))
                return Fail(name, "not a five-pointed star");
        }
    }
    return true;
}

int Generate(const std::string& outDir)
{
    for (int i = 0; i < Count; ++i) {
        const std::string name = "MarkTexture" + std::to_string(i) + ".dds";
        const std::string bytes = EncodeDds(DdsFormat::Dxt2, {Draw(i)});
        if (!Check(i, name, bytes) || !WriteIfChanged(outDir + "/" + name, bytes))
            return 1;
    }
    return 0;
}

} // namespace

REEF_GENERATOR(MarkTextures, Generate);
