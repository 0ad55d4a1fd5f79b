// The letter set's outlines. Each glyph is measured in cap heights, x to the
// right from its left edge and y up from the baseline, and built from strokes
// of one width; every stroke may be cut to a box, and the whole glyph is cut
// to its own band of heights, which gives slanted strokes flat ends.
#include "resources/glyphs.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace assets {
namespace {

// The stroke width in cap heights: heavy enough to carry a metallic gradient
// and a bevel on the splash, and still open inside the bowls at 18 pixels.
constexpr double STROKE = 0.2;
constexpr double H = STROKE / 2;  // half a stroke: centre lines sit this far in
constexpr double FAR = 1e6;       // an edge of a box that cuts nothing on that side

struct Box {
    double left, bottom, right, top;
};
constexpr Box EVERYWHERE{-FAR, -FAR, FAR, FAR};

// A straight bar with square ends, or the outline of a rounded box, given by
// its centre line; either is cut to `keep`.
struct Stroke {
    bool ring;
    double x0, y0, x1, y1;  // bar: the ends; ring: two opposite corners
    double radius;          // ring: the corner radius of its centre line
    Box keep;
};

struct Glyph {
    char c;
    double width;
    double bottom, top;  // the band of heights the glyph is cut to
    std::vector<Stroke> strokes;
};

Stroke Bar(double x0, double y0, double x1, double y1, Box keep = EVERYWHERE)
{
    return {false, x0, y0, x1, y1, 0.0, keep};
}

// A bar lengthened well past both given points, so that the glyph's band or
// the keep box decides where it ends: slanted strokes then end level.
Stroke Slant(double x0, double y0, double x1, double y1, Box keep = EVERYWHERE)
{
    const double dx = x1 - x0, dy = y1 - y0, length = std::hypot(dx, dy);
    const double ex = dx / length * 0.5, ey = dy / length * 0.5;
    return Bar(x0 - ex, y0 - ey, x1 + ex, y1 + ey, keep);
}

Stroke Ring(double left, double bottom, double right, double top, double radius,
            Box keep = EVERYWHERE)
{
    return {true, left, bottom, right, top, radius, keep};
}

Box Above(double y) { return {-FAR, y, FAR, FAR}; }
Box Below(double y) { return {-FAR, -FAR, FAR, y}; }
Box RightOf(double x) { return {x, -FAR, FAR, FAR}; }
Box LeftOf(double x) { return {-FAR, -FAR, x, FAR}; }

// The bowl of P and R: square where it meets the stem, rounded on the right.
std::vector<Stroke> Bowl(double width, double bottom)
{
    return {Bar(H, H, H, 1 - H), Bar(H, 1 - H, width / 2, 1 - H), Bar(H, bottom, width / 2, bottom),
            Ring(H, bottom, width - H, 1 - H, 0.22, RightOf(width / 2))};
}

std::vector<Glyph> MakeGlyphs()
{
    std::vector<Glyph> g;
    auto add = [&g](char c, double width, std::vector<Stroke> strokes, double bottom = 0,
                    double top = 1) {
        g.push_back({c, width, bottom, top, std::move(strokes)});
    };

    add('A', 0.98, {Slant(H, 0, 0.49, 1), Slant(0.98 - H, 0, 0.49, 1), Bar(0.22, 0.3, 0.76, 0.3)});
    add('E', 0.78,
        {Bar(H, H, H, 1 - H), Bar(H, 1 - H, 0.78 - H, 1 - H), Bar(H, 0.5, 0.72 - H, 0.5),
         Bar(H, H, 0.78 - H, H)});
    add('L', 0.74, {Bar(H, H, H, 1 - H), Bar(H, H, 0.74 - H, H)});
    add('N', 0.92,
        {Bar(H, H, H, 1 - H), Bar(0.92 - H, H, 0.92 - H, 1 - H),
         Slant(H + 0.03, 1, 0.89 - H, 0, {H, -FAR, 0.92 - H, FAR})});
    add('O', 1.0, {Ring(H, H, 1 - H, 1 - H, 0.3)});
    add('P', 0.84, Bowl(0.84, 0.42));
    add('Q', 1.0, {Ring(H, H, 1 - H, 1 - H, 0.3), Bar(0.6, 0.28, 0.88, -0.02)}, -0.12);
    std::vector<Stroke> r = Bowl(0.9, 0.46);
    r.push_back(Slant(0.48, 0.46, 0.9 - H, 0, Below(0.46)));  // the leg
    add('R', 0.9, r);
    add('S', 0.86,
        {Ring(H, 0.5, 0.86 - H, 1 - H, 0.2, Above(0.74)),
         Ring(H, 0.5, 0.86 - H, 1 - H, 0.2, LeftOf(0.43)),
         Ring(H, H, 0.86 - H, 0.5, 0.2, Below(0.26)),
         Ring(H, H, 0.86 - H, 0.5, 0.2, RightOf(0.43))});
    add('T', 0.86, {Bar(H, 1 - H, 0.86 - H, 1 - H), Bar(0.43, H, 0.43, 1 - H)});
    add('U', 0.92, {Ring(H, H, 0.92 - H, 1.6, 0.3)});
    add('V', 0.98, {Slant(H, 1, 0.49, 0), Slant(0.98 - H, 1, 0.49, 0)});
    add('Y', 0.96,
        {Slant(H, 1, 0.48, 0.44, Above(0.44)), Slant(0.96 - H, 1, 0.48, 0.44, Above(0.44)),
         Bar(0.48, H, 0.48, 0.44)});
    add('v', 0.8, {Slant(H, 0.7, 0.4, 0), Slant(0.8 - H, 0.7, 0.4, 0)}, 0, 0.7);
    add('.', STROKE, {Bar(H, H, H, H)});
    add(' ', 0.3, {});

    const double d = 0.74;  // the width of every digit but 1 and 4, so numbers line up
    add('0', d, {Ring(H, H, d - H, 1 - H, 0.26)});
    add('1', 0.42, {Bar(0.42 - H, H, 0.42 - H, 1 - H), Bar(0.06, 0.74, 0.42 - H, 0.92)});
    add('2', d,
        {Ring(H, 0.5, d - H, 1 - H, 0.2, Above(0.74)),
         Ring(H, 0.5, d - H, 1 - H, 0.2, RightOf(d / 2)),
         Ring(H, H, d - H, 0.5, 0.2, {-FAR, 0.26, d / 2, FAR}), Bar(H, H, H, 0.3),
         Bar(H, H, d - H, H)});
    add('3', d,
        {Ring(H, 0.5, d - H, 1 - H, 0.2, RightOf(0.24)), Ring(H, H, d - H, 0.5, 0.2, RightOf(0.24)),
         Bar(H, 1 - H, 0.3, 1 - H), Bar(H, H, 0.3, H)});
    add('4', 0.8,
        {Bar(0.58, H, 0.58, 1 - H), Bar(H, 0.32, 0.8 - H, 0.32), Bar(H, 0.32, 0.58, 1 - H)});
    add('5', d,
        {Bar(H, 1 - H, d - H, 1 - H), Bar(H, 0.55, H, 1 - H), Bar(H, 0.55, d / 2, 0.55),
         Ring(H, H, d - H, 0.55, 0.2, RightOf(d / 2)), Ring(H, H, d - H, 0.55, 0.2, Below(0.28))});
    add('6', d,
        {Ring(H, H, d - H, 0.55, 0.2), Ring(H, H, d - H, 1 - H, 0.2, LeftOf(d / 2)),
         Ring(H, H, d - H, 1 - H, 0.2, Above(0.78))});
    add('7', d, {Bar(H, 1 - H, d - H, 1 - H), Slant(d - H - 0.02, 1, 0.24, 0, LeftOf(d))});
    add('8', 0.76, {Ring(H + 0.03, 0.5, 0.73 - H, 1 - H, 0.2), Ring(H, H, 0.76 - H, 0.5, 0.22)});
    return g;
}

const Glyph* Find(char c)
{
    static const std::vector<Glyph> glyphs = MakeGlyphs();
    for (const Glyph& g : glyphs)
        if (g.c == c) return &g;
    return nullptr;
}

// How much closer a pair sits than the plain spacing: slanted sides that lean
// apart leave an empty wedge that reads as a gap.
double Kerning(char left, char right)
{
    const std::string pair{left, right};
    if (pair == "AV" || pair == "VA") return 0.16;
    if (pair == "AY" || pair == "YA") return 0.12;
    return 0.0;
}

double BoxDistance(const Box& b, double x, double y)
{
    const double qx = std::max(b.left - x, x - b.right);
    const double qy = std::max(b.bottom - y, y - b.top);
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
}

double BarDistance(const Stroke& s, double x, double y)
{
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0, length = std::hypot(dx, dy);
    const double mx = (s.x0 + s.x1) / 2 - x, my = (s.y0 + s.y1) / 2 - y;
    double along = 0, across = std::hypot(mx, my);
    if (length > 0) {
        along = (mx * dx + my * dy) / length;
        across = (mx * dy - my * dx) / length;
    }
    const double qx = std::abs(along) - (length / 2 + H), qy = std::abs(across) - H;
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
}

double RingDistance(const Stroke& s, double x, double y)
{
    const double cx = (s.x0 + s.x1) / 2, cy = (s.y0 + s.y1) / 2;
    const double qx = std::abs(x - cx) - (std::abs(s.x1 - s.x0) / 2 - s.radius);
    const double qy = std::abs(y - cy) - (std::abs(s.y1 - s.y0) / 2 - s.radius);
    const double centreLine = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) +
                              std::min(std::max(qx, qy), 0.0) - s.radius;
    return std::abs(centreLine) - H;
}

// Signed distance in cap heights from (x, y) to the glyph.
double GlyphDistance(const Glyph& g, double x, double y)
{
    double d = FAR;
    for (const Stroke& s : g.strokes) {
        const double stroke = s.ring ? RingDistance(s, x, y) : BarDistance(s, x, y);
        d = std::min(d, std::max(stroke, BoxDistance(s.keep, x, y)));
    }
    return std::max(d, std::max(g.bottom - y, y - g.top));
}

struct Placed {
    const Glyph* glyph;
    double left;  // in cap heights from the start of the text
};

std::vector<Placed> Layout(const std::string& text, double tracking)
{
    std::vector<Placed> placed;
    double pen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph* g = Find(text[i]);
        if (g == nullptr) continue;
        if (i > 0) pen -= Kerning(text[i - 1], text[i]);
        placed.push_back({g, pen});
        pen += g->width + tracking;
    }
    return placed;
}

}  // namespace

bool HasGlyph(char c) { return Find(c) != nullptr; }

double TextWidth(const std::string& text, double capHeight, double tracking)
{
    const std::vector<Placed> placed = Layout(text, tracking);
    if (placed.empty()) return 0;
    return (placed.back().left + placed.back().glyph->width) * capHeight;
}

Shape TextShape(const std::string& text, double left, double baseline, double capHeight,
                double tracking)
{
    const std::vector<Placed> placed = Layout(text, tracking);
    return [=](double x, double y) {
        const double ex = (x - left) / capHeight, ey = (baseline - y) / capHeight;
        double d = FAR;
        for (const Placed& p : placed) {
            // A glyph further away sideways than the nearest one so far
            // cannot be nearer.
            const double gap = std::max(p.left - ex, ex - (p.left + p.glyph->width));
            if (gap > d) continue;
            d = std::min(d, GlyphDistance(*p.glyph, ex - p.left, ey));
        }
        return d * capHeight;
    };
}

}  // namespace assets
