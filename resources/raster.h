// Full-precision RGB pictures and anti-aliased shapes given as signed distance
// functions: the drawing kit from which the asset program paints every bitmap
// and the icon before they are reduced to the depth each file is written in.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace assets {

// A colour with each channel from 0 to 1.
struct Rgb {
    double r, g, b;
};

Rgb FromBytes(int r, int g, int b);
Rgb Mix(Rgb from, Rgb to, double t);  // t = 0 gives from, t = 1 gives to
Rgb Scale(Rgb c, double k);

// A picture stored in rows from the top. Pixel (x, y) covers the square from
// (x, y) to (x + 1, y + 1), so its centre is (x + 0.5, y + 0.5).
class Picture {
public:
    Picture(int width, int height, Rgb fill);
    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgb& At(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const Rgb& At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

private:
    int width_, height_;
    std::vector<Rgb> pixels_;
};

// A shape as the signed distance in pixels from a point to its edge:
// negative inside, positive outside.
using Shape = std::function<double(double x, double y)>;
// The colour a painted shape has at a point.
using Shader = std::function<Rgb(double x, double y)>;

// The part of a pixel a shape covers, from the distance of the pixel's centre
// to the edge: a one-pixel ramp across the edge, which is what makes edges
// smooth without sampling each pixel many times.
double Coverage(double distance);

// Blends the shader's colour over every pixel by the shape's coverage, times
// the opacity.
void Paint(Picture& picture, const Shape& shape, const Shader& shader, double opacity = 1.0);
void Paint(Picture& picture, const Shape& shape, Rgb colour, double opacity = 1.0);

// The outward direction of a shape's edge at a point (unit length, or zero
// where the shape is flat), measured from the distance field.
std::pair<double, double> EdgeNormal(const Shape& shape, double x, double y);

Shape Circle(double cx, double cy, double radius);
// A rotated ellipse; its distance is approximate away from the edge.
Shape Ellipse(double cx, double cy, double rx, double ry, double angleRadians);
// An axis-aligned box from (left, top) to (right, bottom) with rounded corners.
Shape RoundBox(double left, double top, double right, double bottom, double radius);
// A closed polygon through the points, in either winding order.
Shape Polygon(std::vector<std::pair<double, double>> points);

// A stroke along the quadratic curve from p0 towards p1 to p2, whose width
// narrows evenly from 2 * r0 at p0 to 2 * r2 at p2.
Shape TaperedCurve(std::pair<double, double> p0, std::pair<double, double> p1,
                   std::pair<double, double> p2, double r0, double r2);

Shape Union(Shape a, Shape b);
Shape Intersect(Shape a, Shape b);
Shape Subtract(Shape a, Shape cut);
// Union and subtraction that round the corners where the shapes meet, with
// fillets some `radius` pixels across, so no crease shows on a bevelled edge.
Shape SmoothUnion(Shape a, Shape b, double radius);
Shape SmoothSubtract(Shape a, Shape cut, double radius);
Shape Grow(Shape shape, double by);            // negative shrinks; growing rounds corners
Shape Outline(Shape shape, double halfWidth);  // a band along the edge
Shape Move(Shape shape, double dx, double dy);
// The same shape with its edge ramp spread over `width` pixels: a soft
// shadow or glow.
Shape Soften(Shape shape, double width);

// 0 below edge0, 1 above edge1, smooth in between.
double SmoothStep(double edge0, double edge1, double x);

}  // namespace assets
