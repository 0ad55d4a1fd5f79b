// The drawing kit of the asset program: pictures, distance-field shapes and
// their anti-aliased painting.
#include "resources/raster.h"

#include <algorithm>
#include <cmath>

namespace assets {

Rgb FromBytes(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

Rgb Mix(Rgb from, Rgb to, double t)
{
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t};
}

Rgb Scale(Rgb c, double k) { return {c.r * k, c.g * k, c.b * k}; }

Picture::Picture(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill)
{
}

double Coverage(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

void Paint(Picture& picture, const Shape& shape, const Shader& shader, double opacity)
{
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const double cx = x + 0.5, cy = y + 0.5;
            const double cover = Coverage(shape(cx, cy)) * opacity;
            if (cover > 0) picture.At(x, y) = Mix(picture.At(x, y), shader(cx, cy), cover);
        }
}

void Paint(Picture& picture, const Shape& shape, Rgb colour, double opacity)
{
    Paint(
        picture, shape, [colour](double, double) { return colour; }, opacity);
}

std::pair<double, double> EdgeNormal(const Shape& shape, double x, double y)
{
    // A quarter pixel is fine enough to follow curved letter edges and coarse
    // enough to stay clear of rounding noise.
    const double step = 0.25;
    const double gx = shape(x + step, y) - shape(x - step, y);
    const double gy = shape(x, y + step) - shape(x, y - step);
    const double length = std::hypot(gx, gy);
    if (length < 1e-9) return {0.0, 0.0};
    return {gx / length, gy / length};
}

Shape Circle(double cx, double cy, double radius)
{
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) - radius; };
}

Shape Ellipse(double cx, double cy, double rx, double ry, double angleRadians)
{
    const double c = std::cos(angleRadians), s = std::sin(angleRadians);
    return [=](double x, double y) {
        const double u = (x - cx) * c + (y - cy) * s;
        const double v = -(x - cx) * s + (y - cy) * c;
        // The first-order distance: the ellipse's implicit value divided by
        // the length of its gradient.
        const double k0 = std::hypot(u / rx, v / ry);
        const double k1 = std::hypot(u / (rx * rx), v / (ry * ry));
        if (k1 < 1e-12) return -std::min(rx, ry);
        return k0 * (k0 - 1.0) / k1;
    };
}

Shape RoundBox(double left, double top, double right, double bottom, double radius)
{
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    const double hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
    return [=](double x, double y) {
        const double qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
        const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
        return outside + std::min(std::max(qx, qy), 0.0) - radius;
    };
}

Shape Polygon(std::vector<std::pair<double, double>> points)
{
    return [points](double x, double y) {
        double nearest = 1e300;
        bool inside = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const auto [ax, ay] = points[i];
            const auto [bx, by] = points[j];
            const double ex = bx - ax, ey = by - ay, wx = x - ax, wy = y - ay;
            const double t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0, 1.0);
            nearest = std::min(nearest, std::hypot(wx - ex * t, wy - ey * t));
            if ((ay > y) != (by > y) && x < ax + (y - ay) * ex / ey) inside = !inside;
        }
        return inside ? -nearest : nearest;
    };
}

Shape TaperedCurve(std::pair<double, double> p0, std::pair<double, double> p1,
                   std::pair<double, double> p2, double r0, double r2)
{
    // Forty pieces follow the curve closer than a hundredth of a pixel at
    // the sizes the logo is drawn in.
    constexpr int PIECES = 40;
    struct Knot {
        double x, y, r;
    };
    std::vector<Knot> knots;
    for (int i = 0; i <= PIECES; ++i) {
        const double t = static_cast<double>(i) / PIECES, s = 1 - t;
        knots.push_back({s * s * p0.first + 2 * s * t * p1.first + t * t * p2.first,
                         s * s * p0.second + 2 * s * t * p1.second + t * t * p2.second,
                         r0 + (r2 - r0) * t});
    }
    return [knots](double x, double y) {
        double d = 1e300;
        for (size_t i = 1; i < knots.size(); ++i) {
            const Knot& a = knots[i - 1];
            const Knot& b = knots[i];
            const double ex = b.x - a.x, ey = b.y - a.y;
            const double t =
                std::clamp(((x - a.x) * ex + (y - a.y) * ey) / (ex * ex + ey * ey), 0.0, 1.0);
            d = std::min(d,
                         std::hypot(x - a.x - ex * t, y - a.y - ey * t) - (a.r + (b.r - a.r) * t));
        }
        return d;
    };
}

Shape Union(Shape a, Shape b)
{
    return [a, b](double x, double y) { return std::min(a(x, y), b(x, y)); };
}

Shape Intersect(Shape a, Shape b)
{
    return [a, b](double x, double y) { return std::max(a(x, y), b(x, y)); };
}

Shape Subtract(Shape a, Shape cut)
{
    return [a, cut](double x, double y) { return std::max(a(x, y), -cut(x, y)); };
}

namespace {

// The polynomial smooth minimum: equal to the plain minimum where the two
// distances differ by more than the radius, blended below that.
double SmoothMin(double a, double b, double radius)
{
    const double h = std::clamp(0.5 + 0.5 * (b - a) / radius, 0.0, 1.0);
    return b + (a - b) * h - radius * h * (1 - h);
}

}  // namespace

Shape SmoothUnion(Shape a, Shape b, double radius)
{
    return [a, b, radius](double x, double y) { return SmoothMin(a(x, y), b(x, y), radius); };
}

Shape SmoothSubtract(Shape a, Shape cut, double radius)
{
    return [a, cut, radius](double x, double y) { return -SmoothMin(-a(x, y), cut(x, y), radius); };
}

Shape Grow(Shape shape, double by)
{
    return [shape, by](double x, double y) { return shape(x, y) - by; };
}

Shape Outline(Shape shape, double halfWidth)
{
    return [shape, halfWidth](double x, double y) { return std::abs(shape(x, y)) - halfWidth; };
}

Shape Move(Shape shape, double dx, double dy)
{
    return [shape, dx, dy](double x, double y) { return shape(x - dx, y - dy); };
}

Shape Soften(Shape shape, double width)
{
    return [shape, width](double x, double y) { return shape(x, y) / width; };
}

double SmoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

}  // namespace assets
