#include "RenderFishIcon.h"

#include <algorithm>
#include <cmath>

namespace {

// Samples per pixel along each axis.
const int Grid = 8;

struct Colour {
    double r, g, b;
};

Colour Mix(const Colour& a, const Colour& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Layout in unit coordinates: (0, 0) top left, (1, 1) bottom right.
const double TileInset = 0.03;
const double TileCorner = 0.20;
const double BodyX = 0.56, BodyY = 0.50, BodyRx = 0.28, BodyRy = 0.19;
const double OutlineWidth = 0.06; // in body radii
const double EyeX = 0.70, EyeY = 0.45, EyeR = 0.075;
const double PupilX = 0.715, PupilY = 0.45, PupilR = 0.042;

const Colour TileTop = {0.10, 0.30, 0.62};
const Colour TileBottom = {0.02, 0.08, 0.30};
const Colour BodyTop = {1.00, 0.68, 0.25};
const Colour BodyBottom = {0.95, 0.42, 0.06};
const Colour Tail = {0.92, 0.38, 0.08};
const Colour Fin = {0.96, 0.50, 0.12};
const Colour Outline = {0.45, 0.14, 0.02};
const Colour EyeWhite = {1.00, 0.98, 0.92};
const Colour Pupil = {0.05, 0.05, 0.12};
const Colour Bubble = {0.45, 0.70, 0.95};
const Colour BubbleShine = {0.85, 0.95, 1.00};

bool InRoundedSquare(double x, double y)
{
    const double lo = TileInset + TileCorner, hi = 1.0 - TileInset - TileCorner;
    const double dx = std::max({lo - x, 0.0, x - hi});
    const double dy = std::max({lo - y, 0.0, y - hi});
    return x >= TileInset && x <= 1.0 - TileInset && y >= TileInset && y <= 1.0 - TileInset &&
           dx * dx + dy * dy <= TileCorner * TileCorner;
}

// (x/rx)^2 + (y/ry)^2 about the centre: below 1 inside the ellipse.
double EllipseValue(double x, double y, double cx, double cy, double rx, double ry)
{
    const double u = (x - cx) / rx, v = (y - cy) / ry;
    return u * u + v * v;
}

bool InCircle(double x, double y, double cx, double cy, double r)
{
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}

// Inside the triangle a, b, c (either winding).
bool InTriangle(double x, double y, double ax, double ay, double bx, double by, double cx, double cy)
{
    const double d1 = (x - bx) * (ay - by) - (ax - bx) * (y - by);
    const double d2 = (x - cx) * (by - cy) - (bx - cx) * (y - cy);
    const double d3 = (x - ax) * (cy - ay) - (cx - ax) * (y - ay);
    const bool negative = d1 < 0 || d2 < 0 || d3 < 0;
    const bool positive = d1 > 0 || d2 > 0 || d3 > 0;
    return !(negative && positive);
}

// The colour at one sample point; false where the icon is transparent.
// Later layers paint over earlier ones.
bool Sample(double x, double y, Colour& out)
{
    if (!InRoundedSquare(x, y))
        return false;
    out = Mix(TileTop, TileBottom, y);

    // Two bubbles rising in front of the fish's mouth, each with a glint.
    if (InCircle(x, y, 0.87, 0.30, 0.055))
        out = InCircle(x, y, 0.855, 0.285, 0.02) ? BubbleShine : Bubble;
    if (InCircle(x, y, 0.80, 0.16, 0.038))
        out = InCircle(x, y, 0.79, 0.15, 0.014) ? BubbleShine : Bubble;

    // Tail: a triangle whose tip tucks under the body, with a dark rim.
    const double tipX = BodyX - BodyRx * 0.80;
    if (InTriangle(x, y, tipX - 0.02, BodyY, 0.09, BodyY - 0.22, 0.09, BodyY + 0.22))
        out = Outline;
    if (InTriangle(x, y, tipX - 0.035, BodyY, 0.115, BodyY - 0.175, 0.115, BodyY + 0.175))
        out = Tail;

    // Dorsal fin on the back.
    if (InTriangle(x, y, 0.44, 0.36, 0.66, 0.36, 0.50, 0.23))
        out = Outline;
    if (InTriangle(x, y, 0.465, 0.37, 0.635, 0.37, 0.505, 0.26))
        out = Fin;

    // Body: an ellipse shaded lighter on the back, with a dark rim.
    const double body = EllipseValue(x, y, BodyX, BodyY, BodyRx, BodyRy);
    if (body <= 1.0) {
        const double inner = (1.0 - OutlineWidth * 2) * (1.0 - OutlineWidth * 2);
        out = body <= inner ? Mix(BodyTop, BodyBottom, (y - (BodyY - BodyRy)) / (2 * BodyRy)) : Outline;
    }

    if (InCircle(x, y, EyeX, EyeY, EyeR))
        out = InCircle(x, y, EyeX, EyeY, EyeR - 0.016) ? EyeWhite : Outline;
    if (InCircle(x, y, PupilX, PupilY, PupilR))
        out = Pupil;
    return true;
}

uint32_t Byte(double v)
{
    return uint32_t(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

} // namespace

std::vector<uint32_t> RenderFishIcon(int size)
{
    std::vector<uint32_t> pixels(size_t(size) * size_t(size), 0);
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            // Sum premultiplied colour and coverage over the sample grid.
            double r = 0, g = 0, b = 0, covered = 0;
            for (int sy = 0; sy < Grid; ++sy)
                for (int sx = 0; sx < Grid; ++sx) {
                    const double x = (px + (sx + 0.5) / Grid) / size;
                    const double y = (py + (sy + 0.5) / Grid) / size;
                    Colour c;
                    if (!Sample(x, y, c))
                        continue;
                    r += c.r;
                    g += c.g;
                    b += c.b;
                    covered += 1;
                }
            if (covered == 0)
                continue;
            // Straight alpha: the colour of the covered part alone.
            pixels[size_t(py) * size + px] = Byte(covered / (Grid * Grid)) << 24 | Byte(r / covered) << 16 |
                                             Byte(g / covered) << 8 | Byte(b / covered);
        }
    return pixels;
}
