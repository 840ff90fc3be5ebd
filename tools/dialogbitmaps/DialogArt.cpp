#include "DialogArt.h"

#include <algorithm>
#include <cmath>

namespace {

struct Rgb {
    int r, g, b;
};

void Plot(RgbaImage& image, int x, int y, Rgb c)
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        return;
    image.Set(x, y, uint8_t(std::clamp(c.r, 0, 255)), uint8_t(std::clamp(c.g, 0, 255)),
              uint8_t(std::clamp(c.b, 0, 255)));
}

// Water: light at the surface, deep blue below.
void Water(RgbaImage& image)
{
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            Plot(image, x, y, {20 + y / 4, 90 + (63 - y), 150 + (63 - y)});
}

// A rainbow hue for t in [0, 1].
Rgb Hue(float t)
{
    const float h = t * 6.0f;
    const int sector = int(h) % 6;
    const int f = int((h - std::floor(h)) * 255.0f);
    switch (sector) {
    case 0: return {255, f, 0};
    case 1: return {255 - f, 255, 0};
    case 2: return {0, 255, f};
    case 3: return {0, 255 - f, 255};
    case 4: return {f, 0, 255};
    default: return {255, 0, 255 - f};
    }
}

enum class Skin { Flat, Rainbow, Stripes, Silver };

// A fish facing left: an elliptic body of the given length centred at
// (cx, cy), a forked tail behind it and an eye.
void Fish(RgbaImage& image, float cx, float cy, float length, Skin skin)
{
    const float a = length * 0.5f, b = length * 0.22f;
    const int x0 = int(cx - a - 1), x1 = int(cx + a + length * 0.35f + 1);
    const int y0 = int(cy - length * 0.4f - 1), y1 = int(cy + length * 0.4f + 1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const float dx = (x + 0.5f - cx) / a, dy = (y + 0.5f - cy) / b;
            const bool body = dx * dx + dy * dy <= 1.0f;
            // The tail: a triangle from the body's end, widening backwards.
            const float behind = x + 0.5f - (cx + a * 0.85f);
            const bool tail = behind >= 0.0f && behind <= length * 0.3f &&
                              std::fabs(y + 0.5f - cy) <= behind * 1.1f + 0.5f;
            if (!body && !tail)
                continue;
            const float u = std::clamp((x + 0.5f - (cx - a)) / (length * 1.3f), 0.0f, 1.0f);
            Rgb c{};
            switch (skin) {
            case Skin::Flat: c = {230, 150, 40}; break;
            case Skin::Rainbow: c = Hue(u * 0.83f); break;
            case Skin::Stripes: c = (int(u * 8.0f) % 2) ? Rgb{250, 240, 60} : Rgb{30, 30, 60}; break;
            case Skin::Silver: c = {200 - int(dy * 30.0f), 210 - int(dy * 30.0f), 225}; break;
            }
            // A darker outline keeps the shape readable on the water.
            if (body && dx * dx + dy * dy > 0.8f)
                c = {c.r * 2 / 3, c.g * 2 / 3, c.b * 2 / 3};
            Plot(image, x, y, c);
        }
    }
    const int ex = int(cx - a * 0.6f), ey = int(cy - b * 0.25f);
    Plot(image, ex, ey, {0, 0, 0});
    if (length >= 20.0f) {
        Plot(image, ex + 1, ey, {0, 0, 0});
        Plot(image, ex, ey + 1, {0, 0, 0});
        Plot(image, ex + 1, ey + 1, {0, 0, 0});
    }
}

void Box(RgbaImage& image, int x0, int y0, int x1, int y1, Rgb c)
{
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            Plot(image, x, y, c);
}

void Disc(RgbaImage& image, float cx, float cy, float r, Rgb c)
{
    for (int y = int(cy - r - 1); y <= int(cy + r + 1); ++y)
        for (int x = int(cx - r - 1); x <= int(cx + r + 1); ++x) {
            const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            if (dx * dx + dy * dy <= r * r)
                Plot(image, x, y, c);
        }
}

void Line(RgbaImage& image, int x0, int y0, int x1, int y1, Rgb c)
{
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
        const float t = steps ? float(i) / steps : 0.0f;
        Plot(image, int(std::lround(x0 + (x1 - x0) * t)), int(std::lround(y0 + (y1 - y0) * t)), c);
    }
}

// An arrow from (x0, y0) to (x1, y1), its head at the end.
void Arrow(RgbaImage& image, int x0, int y0, int x1, int y1, Rgb c)
{
    Line(image, x0, y0, x1, y1, c);
    const float dx = float(x1 - x0), dy = float(y1 - y0);
    const float len = std::sqrt(dx * dx + dy * dy);
    const float ux = dx / len, uy = dy / len;
    for (int side = -1; side <= 1; side += 2) {
        const float hx = x1 - ux * 5.0f - uy * 4.0f * side, hy = y1 - uy * 5.0f + ux * 4.0f * side;
        Line(image, x1, y1, int(std::lround(hx)), int(std::lround(hy)), c);
    }
}

// A film camera seen from the side, lens to the left.
void Camera(RgbaImage& image, int x, int y)
{
    const Rgb body{50, 50, 55}, light{120, 120, 130};
    Box(image, x, y, x + 21, y + 13, body);
    Box(image, x + 1, y + 1, x + 20, y + 2, light);
    Disc(image, float(x + 5), float(y - 4), 4.5f, body);
    Disc(image, float(x + 15), float(y - 4), 4.5f, body);
    Box(image, x - 6, y + 3, x - 1, y + 10, body);
    Disc(image, float(x - 6), float(y + 6.5f), 2.5f, {140, 200, 255});
}

// The picture, faded toward a pale grey: the paint that this display mode
// cannot show.
RgbaImage Faded(RgbaImage image)
{
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            uint8_t* p = image.At(x, y);
            const int grey = (p[0] * 30 + p[1] * 59 + p[2] * 11) / 100;
            for (int k = 0; k < 3; ++k)
                p[k] = uint8_t((p[k] * 15 + grey * 25 + 200 * 60) / 100);
        }
    return image;
}

} // namespace

RgbaImage DrawDialogPicture(int resourceId)
{
    RgbaImage image(DialogArtSize, DialogArtSize);
    Water(image);
    switch (resourceId) {
    case 170: // one small fish
        Fish(image, 30, 32, 20, Skin::Silver);
        break;
    case 171: { // a loose school
        const float at[][2] = {{14, 14}, {44, 12}, {26, 32}, {50, 38}, {12, 50}, {38, 54}};
        for (const auto& p : at)
            Fish(image, p[0], p[1], 14, Skin::Silver);
        break;
    }
    case 172: // a dense school
        for (int row = 0; row < 6; ++row)
            for (int col = 0; col < 5; ++col)
                Fish(image, 7.0f + col * 12.0f + (row % 2) * 5.0f, 7.0f + row * 10.0f, 10, Skin::Silver);
        break;
    case 167: // one flat colour
        Fish(image, 28, 32, 40, Skin::Flat);
        break;
    case 166: // rainbow colours
        Fish(image, 28, 32, 40, Skin::Rainbow);
        break;
    case 169: // a striped pattern
        Fish(image, 28, 32, 40, Skin::Stripes);
        break;
    case 173: // a camera moving among fish: motion lines behind it
        Fish(image, 12, 10, 12, Skin::Silver);
        Fish(image, 50, 54, 12, Skin::Silver);
        Camera(image, 26, 28);
        for (int k = 0; k < 3; ++k)
            Line(image, 51, 30 + k * 5, 61, 30 + k * 5, {255, 255, 255});
        break;
    case 174: // a camera standing on a tripod among fish
        Fish(image, 12, 10, 12, Skin::Silver);
        Fish(image, 50, 12, 12, Skin::Silver);
        Camera(image, 24, 20);
        Line(image, 34, 34, 24, 60, {40, 40, 40});
        Line(image, 35, 34, 35, 60, {40, 40, 40});
        Line(image, 36, 34, 46, 60, {40, 40, 40});
        break;
    case 175: { // a mouse with arrows
        const Rgb shell{235, 235, 235}, edge{60, 60, 70};
        for (int y = 18; y <= 46; ++y)
            for (int x = 22; x <= 42; ++x) {
                const float dx = (x + 0.5f - 32.0f) / 10.5f, dy = (y + 0.5f - 32.0f) / 14.5f;
                const float d = dx * dx + dy * dy;
                if (d <= 1.0f)
                    Plot(image, x, y, d > 0.8f ? edge : shell);
            }
        Line(image, 23, 29, 41, 29, edge);
        Line(image, 32, 18, 32, 29, edge);
        Line(image, 32, 17, 32, 10, edge);
        const Rgb arrow{255, 220, 0};
        Arrow(image, 32, 8, 32, 1, arrow);
        Arrow(image, 32, 50, 32, 62, arrow);
        Arrow(image, 18, 32, 3, 32, arrow);
        Arrow(image, 46, 32, 61, 32, arrow);
        break;
    }
    case 176:
        return Faded(DrawDialogPicture(166));
    case 177:
        return Faded(DrawDialogPicture(169));
    default:
        return RgbaImage();
    }
    return image;
}
