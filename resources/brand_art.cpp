// Drawing the splash and the logo. The splash letters are lit like polished
// chrome: a sky-to-horizon gradient that breaks dark at mid height, bevelled
// edges lit from the top left, a dark rim, and a fading mirror image below.
#include "resources/brand_art.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "resources/glyphs.h"

namespace assets {
namespace {

const Rgb WHITE = FromBytes(255, 255, 255);

// ---- Splash layout ----

constexpr double MARGIN = 22;          // clear space left and right of the lettering
constexpr double TOP = 9;              // clear space above the capitals
constexpr double NAME_TRACKING = 0.1;  // letter spacing of the name, in cap heights
// The version is set smaller after the name, so the name itself can be as
// large as the picture's width allows.
constexpr double VERSION_SCALE = 0.55;
constexpr double VERSION_TRACKING = 0.24;
constexpr double VERSION_GAP = 0.32;  // space between name and version, in the name's cap height
const char* const NAME = "QUAVERTON";
const char* const VERSION = "v1.0";

// The reflection starts at this strength below the baseline and fades to
// nothing over this many cap heights: a floor that shines but is not a mirror.
constexpr double REFLECTION_STRENGTH = 0.42;
constexpr double REFLECTION_LENGTH = 0.85;

constexpr double BEVEL = 0.1;  // the width of the lit edge, in cap heights
constexpr double RIM = 1.1;    // the width of the dark rim around each letter, in pixels

struct ColourStop {
    double at;
    Rgb colour;
};

Rgb Gradient(const std::vector<ColourStop>& stops, double t)
{
    if (t <= stops.front().at) return stops.front().colour;
    for (size_t i = 1; i < stops.size(); ++i)
        if (t <= stops[i].at)
            return Mix(stops[i - 1].colour, stops[i].colour,
                       (t - stops[i - 1].at) / (stops[i].at - stops[i - 1].at));
    return stops.back().colour;
}

// The chrome face colour at a height in the letter: 0 at the top of the
// capitals, 1 on the baseline. The sharp dark band just below the middle is
// the reflected horizon that makes a gradient read as polished metal.
Rgb ChromeFace(double t)
{
    static const std::vector<ColourStop> stops = {
        {0.00, FromBytes(150, 176, 214)}, {0.42, FromBytes(250, 252, 255)},
        {0.53, FromBytes(226, 232, 244)}, {0.545, FromBytes(58, 66, 92)},
        {0.72, FromBytes(112, 124, 152)}, {1.00, FromBytes(236, 240, 250)}};
    return Gradient(stops, t);
}

// The background: a deep blue night that lightens towards the horizon, and a
// darker floor under it.
Rgb Backdrop(double y, double baseline)
{
    if (y < baseline)
        return Mix(FromBytes(6, 8, 22), FromBytes(34, 46, 92), std::pow(y / baseline, 1.6));
    return Mix(FromBytes(24, 32, 66), FromBytes(4, 5, 14),
               std::sqrt((y - baseline) / (SPLASH_HEIGHT - baseline)));
}

// Letters drawn on their own, as a colour and a coverage per pixel, so the
// reflection can be made from them before they go onto the backdrop.
struct Lettering {
    Picture colour{SPLASH_WIDTH, SPLASH_HEIGHT, {0, 0, 0}};
    std::vector<double> cover = std::vector<double>(SPLASH_WIDTH * SPLASH_HEIGHT, 0.0);
};

// Paints one run of text in chrome; the gradient spans its own cap height.
void PaintChrome(Lettering& out, const Shape& text, double baseline, double capHeight)
{
    const double bevel = BEVEL * capHeight;
    const Rgb rim = FromBytes(10, 12, 24);
    for (int y = 0; y < SPLASH_HEIGHT; ++y)
        for (int x = 0; x < SPLASH_WIDTH; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double d = text(px, py);
            const double cover = Coverage(d - RIM);
            if (cover <= 0) continue;
            const double t = 1.0 - (baseline - py) / capHeight;
            Rgb face = ChromeFace(t);
            const auto [nx, ny] = EdgeNormal(text, px, py);
            const double light = -0.6 * nx - 0.8 * ny;  // towards the top left
            const double edge = 1.0 - SmoothStep(0.0, bevel, -d);
            face = light > 0 ? Mix(face, WHITE, 0.8 * light * edge)
                             : Mix(face, FromBytes(30, 36, 60), -0.65 * light * edge);
            const size_t i = static_cast<size_t>(y) * SPLASH_WIDTH + x;
            const Rgb c = Mix(rim, face, Coverage(d));
            out.colour.At(x, y) = Mix(out.colour.At(x, y), c, cover);
            out.cover[i] = out.cover[i] + (1 - out.cover[i]) * cover;
        }
}

// A four-pointed glint where the light catches an edge.
void PaintGlint(Picture& p, double x, double y, double size)
{
    Paint(p, Soften(Circle(x, y, size * 0.18), size * 0.25), WHITE, 0.9);
    Paint(p, Soften(Ellipse(x, y, size, size * 0.06, 0), size * 0.06), WHITE, 0.85);
    Paint(p, Soften(Ellipse(x, y, size * 0.06, size * 0.6, 0), size * 0.06), WHITE, 0.85);
}

// ---- Logo ----

const Rgb PINK = FromBytes(208, 64, 144);

// The quaver: a tilted oval head, a stem rising from its right side and a
// flag curling down from the top of the stem. Given in 64ths of the logo.
Shape Quaver(double u)
{
    const Shape head = Ellipse(27 * u, 44 * u, 8.6 * u, 6.2 * u, -0.42);
    const Shape stem = RoundBox(32.6 * u, 13 * u, 36.4 * u, 44 * u, 0.6 * u);
    const Shape flag =
        TaperedCurve({35.2 * u, 15.5 * u}, {48 * u, 20 * u}, {45.5 * u, 36 * u}, 2.9 * u, 0.9 * u);
    return Union(Union(head, stem), flag);
}

Shape Tile(int size, bool rounded)
{
    return RoundBox(0, 0, size, size, rounded ? size * 0.18 : 0.0);
}

}  // namespace

Picture Splash()
{
    const double unitWidth = TextWidth(NAME, 1, NAME_TRACKING) + VERSION_GAP +
                             TextWidth(VERSION, VERSION_SCALE, VERSION_TRACKING);
    const double cap = std::floor((SPLASH_WIDTH - 2 * MARGIN) / unitWidth);
    const double baseline = TOP + cap;
    const double nameWidth = TextWidth(NAME, cap, NAME_TRACKING);
    const double left = std::round((SPLASH_WIDTH - unitWidth * cap) / 2);
    const double versionCap = cap * VERSION_SCALE;

    Lettering letters;
    PaintChrome(letters, TextShape(NAME, left, baseline, cap, NAME_TRACKING), baseline, cap);
    PaintChrome(letters,
                TextShape(VERSION, left + nameWidth + VERSION_GAP * cap, baseline, versionCap,
                          VERSION_TRACKING),
                baseline, versionCap);

    Picture p(SPLASH_WIDTH, SPLASH_HEIGHT, {0, 0, 0});
    for (int y = 0; y < SPLASH_HEIGHT; ++y)
        for (int x = 0; x < SPLASH_WIDTH; ++x) p.At(x, y) = Backdrop(y + 0.5, baseline);
    // A faint glow along the horizon line the letters stand on.
    Paint(p, Soften(Ellipse(SPLASH_WIDTH / 2.0, baseline, SPLASH_WIDTH * 0.48, 1.5, 0), 6),
          FromBytes(96, 126, 200), 0.35);

    const int base = static_cast<int>(baseline);
    for (int y = base; y < SPLASH_HEIGHT; ++y) {
        const int source = 2 * base - 1 - y;  // the row mirrored about the baseline
        if (source < 0) break;
        const double fade =
            REFLECTION_STRENGTH *
            std::pow(std::max(0.0, 1.0 - (y - base + 0.5) / (REFLECTION_LENGTH * cap)), 2.0);
        for (int x = 0; x < SPLASH_WIDTH; ++x) {
            const double cover = letters.cover[static_cast<size_t>(source) * SPLASH_WIDTH + x];
            p.At(x, y) = Mix(p.At(x, y), Scale(letters.colour.At(x, source), 0.85), cover * fade);
        }
    }
    for (int y = 0; y < SPLASH_HEIGHT; ++y)
        for (int x = 0; x < SPLASH_WIDTH; ++x)
            p.At(x, y) = Mix(p.At(x, y), letters.colour.At(x, y),
                             letters.cover[static_cast<size_t>(y) * SPLASH_WIDTH + x]);

    // A glint where the light catches the shoulder of the Q.
    PaintGlint(p, left + 0.2 * cap, TOP + 0.14 * cap, 0.3 * cap);
    return p;
}

Picture Logo(int size, bool roundedTile)
{
    const double u = size / 64.0;
    const Rgb edge = FromBytes(10, 14, 40);
    Picture p(size, size, edge);
    const Shape tile = Tile(size, roundedTile);
    Paint(p, tile, FromBytes(32, 42, 96));
    // A lit upper-left border and a dark lower-right one, following the tile.
    Paint(p,
          Intersect(Outline(Grow(tile, -1.0 * u), 0.9 * u),
                    [size](double x, double y) {
                        return (x + y) - size;  // the upper-left half
                    }),
          FromBytes(110, 130, 200));
    Paint(p,
          Intersect(Outline(Grow(tile, -1.0 * u), 0.9 * u),
                    [size](double x, double y) {
                        return size - (x + y);  // the lower-right half
                    }),
          FromBytes(8, 10, 30));

    const double cx = 32 * u, cy = 32 * u, r = 24 * u;
    const Shape disc = Circle(cx, cy, r);
    Paint(p, Soften(Move(disc, 1 * u, 1.5 * u), 2 * u), FromBytes(0, 0, 0), 0.5);
    Paint(p, disc, [=](double x, double y) {
        const double fromLight = std::hypot(x - (cx - 8 * u), y - (cy - 9 * u)) / r;
        const double fromCentre = std::hypot(x - cx, y - cy) / r;
        const Rgb c = Mix(FromBytes(240, 126, 192), PINK, SmoothStep(0.0, 0.8, fromLight));
        return Mix(c, FromBytes(140, 30, 92), SmoothStep(0.75, 1.0, fromCentre));
    });

    const Shape note = Quaver(u);
    Paint(p, Grow(note, 1.0 * u), FromBytes(40, 8, 40), 0.9);
    Paint(p, note, [=](double, double y) {
        return Mix(WHITE, FromBytes(200, 206, 224), SmoothStep(12 * u, 52 * u, y));
    });
    return p;
}

std::vector<bool> RoundedTileMask(int size)
{
    const Shape tile = Tile(size, true);
    std::vector<bool> inside;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) inside.push_back(Coverage(tile(x + 0.5, y + 0.5)) >= 0.5);
    return inside;
}

}  // namespace assets
