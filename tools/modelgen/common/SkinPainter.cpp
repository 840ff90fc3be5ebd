#include "SkinPainter.h"

#include <algorithm>
#include <cstring>

SkinPainter::SkinPainter(int sizeIn, double bandTopV)
    : size(sizeIn), bandTop(int(bandTopV * sizeIn)), alpha(size_t(sizeIn) * sizeIn, 0),
      footprint(size_t(sizeIn) * sizeIn, 0)
{
    for (int y = bandTop; y < size; ++y)
        for (int x = 0; x < size; ++x)
            alpha[size_t(y) * size + x] = 255;
}

void SkinPainter::PaintFootprint(const std::vector<double>& tu, const std::vector<double>& tv,
                                 const std::vector<Tri>& tris, int firstFace, int faceCount)
{
    for (int f = firstFace; f < firstFace + faceCount; ++f) {
        const Tri& t = tris[f];
        double px[3], py[3];
        for (int k = 0; k < 3; ++k) {
            px[k] = tu[t[k]] * size;
            py[k] = tv[t[k]] * size;
        }
        double area = (px[1] - px[0]) * (py[2] - py[0]) - (px[2] - px[0]) * (py[1] - py[0]);
        if (area == 0)
            continue;
        int x0 = std::max(0, int(std::floor(std::min({px[0], px[1], px[2]}))) - 1);
        int x1 = std::min(size - 1, int(std::ceil(std::max({px[0], px[1], px[2]}))) + 1);
        int y0 = std::max(0, int(std::floor(std::min({py[0], py[1], py[2]}))) - 1);
        int y1 = std::min(size - 1, int(std::ceil(std::max({py[0], py[1], py[2]}))) + 1);
        // Ray pattern across the fin: alpha between 9/15 and 15/15, never 0.
        double cx = (px[0] + px[1] + px[2]) / 3;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                // Inside the triangle widened by one texel (edge distance >= -1).
                double qx = x + 0.5, qy = y + 0.5;
                bool inside = true;
                for (int k = 0; k < 3 && inside; ++k) {
                    double ax = px[k], ay = py[k], bx = px[(k + 1) % 3], by = py[(k + 1) % 3];
                    double ex = bx - ax, ey = by - ay, len = std::sqrt(ex * ex + ey * ey);
                    double d = ((qx - ax) * ey - (qy - ay) * ex) / len * (area > 0 ? -1 : 1);
                    inside = d >= -1.0;
                }
                if (!inside)
                    continue;
                size_t i = size_t(y) * size + x;
                footprint[i] = 1;
                int ray = (int(std::fabs(qx - cx) + qy) / 3) % 4;
                uint8_t a = uint8_t(17 * (12 + ray)); // nibbles 12..15
                if (y < bandTop)
                    alpha[i] = std::max(alpha[i], a);
            }
    }
}

RgbaImage SkinPainter::Image(uint8_t r, uint8_t g, uint8_t b) const
{
    RgbaImage image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // The back of the body darker than the belly.
            double shade = y >= bandTop ? 0.55 + 0.45 * double(y - bandTop) / std::max(1, size - bandTop) : 1.0;
            image.Set(x, y, uint8_t(r * shade), uint8_t(g * shade), uint8_t(b * shade), Alpha(x, y));
        }
    return image;
}

std::string EncodeSkin(const RgbaImage& image)
{
    return EncodeDds(DdsFormat::Dxt2, {image});
}

namespace {

uint32_t Get32(const std::string& s, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

int AlphaNibble(const std::string& dds, int size, int x, int y)
{
    size_t block = size_t(y / 4) * (size / 4) + size_t(x / 4);
    size_t at = 128 + block * 16;
    int i = (y % 4) * 4 + x % 4;
    uint8_t byte = uint8_t(dds[at + i / 2]);
    return i % 2 ? byte >> 4 : byte & 15;
}

} // namespace

bool CheckSkin(CheckLog& log, const std::string& dds, const SkinPainter& painter)
{
    const int size = painter.Size();
    int before = log.failures;
    if (!log.Expect(dds.size() == 128 + size_t(size) * size, "skin is %zu bytes", dds.size()))
        return false;
    log.Expect(dds.compare(0, 4, "DDS ") == 0 && Get32(dds, 4) == 124, "skin header");
    log.Expect(Get32(dds, 12) == uint32_t(size) && Get32(dds, 16) == uint32_t(size), "skin size");
    log.Expect(dds.compare(84, 4, "DXT2") == 0, "skin format is not DXT2");
    log.Expect(Get32(dds, 28) <= 1, "skin has %u levels", Get32(dds, 28));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            int a = AlphaNibble(dds, size, x, y);
            if (y >= painter.BandTopRow()) {
                if (!log.Expect(a == 15, "band texel %d,%d alpha %d", x, y, a))
                    return false;
            } else if (!painter.InFootprint(x, y)) {
                if (!log.Expect(a == 0, "texel %d,%d outside the fins has alpha %d", x, y, a))
                    return false;
            } else if (!log.Expect(a > 0, "fin texel %d,%d has alpha 0", x, y)) {
                return false;
            }
        }
    return log.failures == before;
}
