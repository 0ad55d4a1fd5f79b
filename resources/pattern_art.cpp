// Drawing the pattern view's pictures. Light falls from the top left on every
// raised element, so the pads, buttons and squares read as one control panel.
#include "resources/pattern_art.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "resources/glyphs.h"

namespace assets {
namespace {

const Rgb WHITE = FromBytes(255, 255, 255);
const Rgb BLACK = FromBytes(0, 0, 0);

// How bright a raised edge is lit from the top left: +1 on an edge facing the
// light, -1 on one facing away, given the edge's outward normal.
double Lighting(std::pair<double, double> normal)
{
    constexpr double LX = -0.6, LY = -0.8;  // towards the light, y downwards
    return normal.first * LX + normal.second * LY;
}

// ---- Drum pads ----

// The tiles are 16 pixels square, so 4 across and 8 down fill the pad exactly
// and every pad shows the same whole pattern.
constexpr double TILE = 16;
// The tiles alternate like the squares of a chessboard: one kind has a round
// knob on each side, the other a matching socket where its neighbours' knobs
// sit. A knob's centre lies a little beyond the edge, so its neck is narrower
// than its head and the pieces lock.
constexpr double KNOB_RADIUS = 3.5;
constexpr double KNOB_REACH = 0.6;
constexpr double GROOVE = 0.8;  // half the width of the ground showing between tiles
constexpr double FILLET = 1.5;  // rounds the knobs' necks so they read as one piece with the tile
constexpr double TILE_BEVEL = 1.5;

// Four discs on the middles of a tile's sides, each centre `offset` from the
// side: outwards for a negative offset, inwards for a positive one.
Shape SideDiscs(double offset)
{
    const double mid = TILE / 2;
    return Union(Union(Circle(offset, mid, KNOB_RADIUS), Circle(TILE - offset, mid, KNOB_RADIUS)),
                 Union(Circle(mid, offset, KNOB_RADIUS), Circle(mid, TILE - offset, KNOB_RADIUS)));
}

Shape OneTile(bool withKnobs)
{
    const Shape body = RoundBox(0, 0, TILE, TILE, 1.5);
    // A neighbour's knob, centred beyond its own side, lies inside this
    // tile's side by the same distance.
    const Shape shape = withKnobs ? SmoothUnion(body, SideDiscs(-KNOB_REACH), FILLET)
                                  : SmoothSubtract(body, SideDiscs(KNOB_REACH), FILLET);
    return Grow(shape, -GROOVE);
}

// The distance to the nearest tile of the endless tiling; a knob reaches into
// the next cell, so the eight neighbours of the point's cell count too.
Shape Tiling()
{
    const Shape knobbed = OneTile(true), socketed = OneTile(false);
    return [knobbed, socketed](double x, double y) {
        const int ci = static_cast<int>(std::floor(x / TILE)),
                  cj = static_cast<int>(std::floor(y / TILE));
        double d = 1e9;
        for (int j = cj - 1; j <= cj + 1; ++j)
            for (int i = ci - 1; i <= ci + 1; ++i) {
                const Shape& tile = (i + j) % 2 == 0 ? knobbed : socketed;
                d = std::min(d, tile(x - i * TILE, y - j * TILE));
            }
        return d;
    };
}

// The dotted ground: a darker dot on every other pixel of every other row.
Picture DottedGround()
{
    Picture p(PAD_WIDTH, PAD_HEIGHT, FromBytes(136, 136, 142));
    for (int y = 0; y < PAD_HEIGHT; y += 2)
        for (int x = y % 4 / 2; x < PAD_WIDTH; x += 2) p.At(x, y) = FromBytes(104, 104, 110);
    return p;
}

void PaintTiles(Picture& pad)
{
    const Shape tiles = Tiling();
    const Rgb face = FromBytes(208, 208, 213);
    // The tiles' shadow falls to the lower right onto the ground.
    Paint(pad, Soften(Move(tiles, 1.0, 1.2), 1.6), FromBytes(70, 70, 78), 0.45);
    Paint(pad, tiles, [&](double x, double y) {
        const double depth = -tiles(x, y);
        const double edge = 1.0 - SmoothStep(0.0, TILE_BEVEL, depth);
        const double light = Lighting(EdgeNormal(tiles, x, y)) * edge;
        // A faint fall from top to bottom keeps the surface from looking flat.
        const Rgb shaded = Mix(face, FromBytes(188, 188, 194), y / PAD_HEIGHT * 0.6);
        return light > 0 ? Mix(shaded, WHITE, 0.75 * light)
                         : Mix(shaded, FromBytes(120, 120, 128), -0.7 * light);
    });
}

// A one-pixel dark rim with a lit inner line on the top and left and a shaded
// one on the bottom and right: the pad is a raised square.
void PaintPadRim(Picture& pad)
{
    const int w = PAD_WIDTH, h = PAD_HEIGHT;
    for (int x = 0; x < w; ++x) {
        pad.At(x, 1) = Mix(pad.At(x, 1), WHITE, 0.6);
        pad.At(x, h - 2) = Mix(pad.At(x, h - 2), BLACK, 0.3);
    }
    for (int y = 1; y < h - 1; ++y) {
        pad.At(1, y) = Mix(pad.At(1, y), WHITE, 0.6);
        pad.At(w - 2, y) = Mix(pad.At(w - 2, y), BLACK, 0.3);
    }
    const Rgb rim = FromBytes(84, 84, 92);
    for (int x = 0; x < w; ++x) pad.At(x, 0) = pad.At(x, h - 1) = rim;
    for (int y = 0; y < h; ++y) pad.At(0, y) = pad.At(w - 1, y) = rim;
}

// ---- The pink disc ----

const Rgb PINK = FromBytes(208, 64, 144);
// Some 50 pixels across; its centre is the centre of the pad.
constexpr double DISC_RADIUS = 25;

void PaintDisc(Picture& pad)
{
    const double cx = PAD_WIDTH / 2.0, cy = PAD_HEIGHT / 2.0;
    const Shape disc = Circle(cx, cy, DISC_RADIUS);
    Paint(pad, Soften(Circle(cx + 1.5, cy + 2.5, DISC_RADIUS), 3.0), FromBytes(40, 40, 48), 0.55);
    Paint(pad, disc, [&](double x, double y) {
        // Lighter towards a point up and to the left, deeper at the rim.
        const double fromLight = std::hypot(x - (cx - 8), y - (cy - 9)) / DISC_RADIUS;
        const double fromCentre = std::hypot(x - cx, y - cy) / DISC_RADIUS;
        Rgb c = Mix(FromBytes(236, 118, 186), PINK, SmoothStep(0.0, 0.75, fromLight));
        return Mix(c, FromBytes(150, 34, 100), SmoothStep(0.72, 1.0, fromCentre));
    });
    Paint(pad, Outline(disc, 0.5), FromBytes(120, 24, 80), 0.8);
    // A soft window-shaped highlight, as on a glossy rubber pad.
    Paint(pad, Soften(Ellipse(cx - 8, cy - 11, 10, 5.5, -0.5), 2.5), WHITE, 0.55);
}

Picture Pad(bool on)
{
    Picture pad = DottedGround();
    PaintTiles(pad);
    PaintPadRim(pad);
    if (on) PaintDisc(pad);
    return pad;
}

// ---- Buttons, arrows and digit squares ----

const Rgb MAGENTA = FromBytes(204, 0, 150);

constexpr double LABEL_TRACKING = 0.14;  // letter spacing of labels, in cap heights

// Text centred on (centreX, centreY), its capitals' middle on centreY.
void PaintCentredText(Picture& p, const std::string& text, double capHeight, double centreX,
                      double centreY, Rgb colour, double drop = 0, double opacity = 1)
{
    const double left = centreX - TextWidth(text, capHeight, LABEL_TRACKING) / 2;
    const double baseline = centreY + capHeight / 2 + drop;
    Paint(p, TextShape(text, left, baseline, capHeight, LABEL_TRACKING), colour, opacity);
}

// Text pressed into the surface: a light line under its lower edges.
void PaintEngravedText(Picture& p, const std::string& text, double capHeight, double centreX,
                       double centreY, Rgb colour)
{
    PaintCentredText(p, text, capHeight, centreX, centreY, WHITE, 1.0, 0.6);
    PaintCentredText(p, text, capHeight, centreX, centreY, colour);
}

}  // namespace

Picture PadOff() { return Pad(false); }
Picture PadOn() { return Pad(true); }

Picture RollColumn()
{
    Picture p(ROLL_WIDTH, ROLL_HEIGHT, WHITE);
    for (int y = 0; y < ROLL_HEIGHT; ++y) p.At(0, y) = BLACK;
    for (int y = 0; y < ROLL_HEIGHT; y += ROLL_PITCH)
        for (int x = 0; x < ROLL_WIDTH; ++x) p.At(x, y) = BLACK;
    return p;
}

Picture TransportButton(const char* word)
{
    Picture p(BUTTON_WIDTH, BUTTON_HEIGHT, WHITE);
    const Shape body = RoundBox(1.5, 1.5, 96.5, 46.5, 11);
    Paint(p, Soften(Move(body, 1.5, 2.0), 2.0), FromBytes(90, 90, 90), 0.35);
    Paint(p, body, [](double, double y) {
        return Mix(FromBytes(255, 242, 128), FromBytes(240, 180, 20), SmoothStep(2, 46, y));
    });
    // A gloss over the upper half, as on a moulded plastic key.
    Paint(
        p, RoundBox(6, 3.5, 92, 23, 9), [](double, double) { return WHITE; }, 0.45);
    Paint(p, Outline(body, 0.6), FromBytes(166, 112, 0));
    PaintEngravedText(p, word, 18, 49, 24, MAGENTA);
    return p;
}

Picture Arrow(bool up)
{
    Picture p(CONTROL_WIDTH, CONTROL_HEIGHT, WHITE);
    // Drawn pointing up; a down arrow is the same outline turned over, row
    // for row, about the middle of the picture.
    const std::vector<std::pair<double, double>> outline = {{24, 9},  {39, 25}, {30, 25}, {30, 41},
                                                            {18, 41}, {18, 25}, {9, 25}};
    std::vector<std::pair<double, double>> points;
    for (auto [x, y] : outline) points.push_back({x, up ? y : CONTROL_HEIGHT - y});
    Paint(p, Grow(Polygon(points), 0.9), BLACK);
    return p;
}

Picture DigitSquare(char digit)
{
    const int w = CONTROL_WIDTH, h = CONTROL_HEIGHT;
    Picture p(w, h, WHITE);
    Paint(p, RoundBox(0, 0, w, h, 0), [=](double x, double y) {
        return Mix(FromBytes(255, 238, 120), FromBytes(244, 192, 34), (x / w + y / h) / 2);
    });
    // Bevelled edges, mitred at the corners: lit on the top and left.
    constexpr double B = 3.5;
    Paint(p, Polygon({{0, 0}, {w, 0}, {w - B, B}, {B, B}, {B, h - B}, {0, h}}),
          FromBytes(255, 250, 206));
    Paint(p, Polygon({{w, h}, {0, h}, {B, h - B}, {w - B, h - B}, {w - B, B}, {w, 0}}),
          FromBytes(196, 142, 8));
    Paint(p, Outline(RoundBox(0, 0, w, h, 0), 0.7), FromBytes(130, 92, 0));
    PaintCentredText(p, std::string(1, digit), 20, w / 2.0, h / 2.0, FromBytes(16, 12, 0));
    return p;
}

}  // namespace assets
